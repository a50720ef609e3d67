#include "design/CDesignMenu.h"

#include <QPointer>
#include <QVector>

CDesignMenu::~CDesignMenu()
{
    QVector<QPointer<QMenu>> held;
    for (QAction* action : actions()) {
        QMenu* sub = action->menu();
        if (sub && !sub->parent())
            held.append(sub);
    }
    // A sub-menu shown twice is still deleted once: the pointer of the second entry has cleared by then.
    for (const QPointer<QMenu>& sub : held)
        delete sub.data();
}
