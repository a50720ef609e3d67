#include "design/CDesignMenu.h"

#include <QPointer>

#include <gtest/gtest.h>

namespace {

TEST(DesignMenuTest, EndsTheSubMenusNothingElseOwns)
{
    QWidget frame;
    auto* menu = new CDesignMenu;
    QPointer<QMenu> loose = new QMenu(QStringLiteral("Loose"));
    QPointer<QMenu> owned = new QMenu(QStringLiteral("Owned"), &frame);
    QPointer<QMenu> inner = menu->addMenu(QStringLiteral("Inner"));
    menu->addMenu(loose);
    menu->addMenu(loose);  // shown twice, deleted once
    menu->addMenu(owned);
    menu->addAction(QStringLiteral("Plain"));

    delete menu;
    EXPECT_TRUE(loose.isNull());
    EXPECT_TRUE(inner.isNull());
    EXPECT_FALSE(owned.isNull()) << "a sub-menu with an owner of its own is left to it";
}

}  // namespace
