#pragma once
// The program's menu: a QMenu that, when it goes, takes with it the sub-menus it shows that nothing else
// owns (menus built from the resource bundles are handed over without a parent).

#include <QMenu>

class CDesignMenu : public QMenu {
    Q_OBJECT
public:
    using QMenu::QMenu;
    ~CDesignMenu() override;
};
