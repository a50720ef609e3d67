// A user's session from start to close: the card found at start-up, the view set up from the bars and
// menus, a folder of the home volume opened in the tree, two pictures deleted, one renamed, its
// properties looked at. Checks the files, the configuration written and the window's pixels.

#include "app/CButtonBar.h"
#include "app/CMainFrame.h"
#include "app/CMarlin3Doc.h"
#include "app/Commands.h"
#include "app/ConfigStore.h"
#include "browser/COwnerDrawListCtrl.h"
#include "browser/CPopupEditBox.h"
#include "browser/CThumbView.h"
#include "design/CDesignButton.h"
#include "media/CFolderBar.h"
#include "media/CFolderTree.h"
#include "platform/MessageBox.h"
#include "resources/UiResources.h"

#include "TempFolder.h"

#include <QApplication>
#include <QDialog>
#include <QDockWidget>
#include <QDir>
#include <QMenu>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The sample card the build draws: real camera-style JPEGs.
const QString kSampleFolder = QStringLiteral(KESTREL_BUILD_DIR "/samples/card/DCIM/100KSTRL");

void copyPictures(const QString& to, int count)
{
    QDir().mkpath(to);
    const QStringList names = QDir(kSampleFolder).entryList({QStringLiteral("*.JPG")}, QDir::Files, QDir::Name);
    ASSERT_GE(names.size(), count) << "the sample card is missing: " << kSampleFolder.toStdString();
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(QFile::copy(QDir(kSampleFolder).filePath(names[i]), QDir(to).filePath(names[i])));
}

// Chooses the entry with `command` in the pop-up the frame has open.
void choose(CMainFrame& frame, int command)
{
    QMenu* menu = frame.openPopup();
    ASSERT_NE(menu, nullptr);
    for (QAction* action : menu->actions()) {
        if (action->property("command").toInt() == command) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            return;
        }
    }
    FAIL() << "no entry " << command;
}

void clickMenuButton(CMainFrame& frame, int childId)
{
    QTest::mouseClick(frame.buttonBar(CMainFrame::MenuBar)->button(childId), Qt::LeftButton);
}

QPoint cellCentre(COwnerDrawListCtrl* list, int position)
{
    return list->geometry().cellRect(position, list->topItem(), list->columns()).center();
}

}  // namespace

TEST(Scenario, AUsersSessionFromCardToClose)
{
    UiResources::bind(UiResources::Bundle::Uibase, QStringLiteral(KESTREL_BIN_DIR));
    UiResources::bind(UiResources::Bundle::Uires, QStringLiteral(KESTREL_BIN_DIR));
    std::vector<platform::MessageRecord> messages;
    platform::setMessageSink([&](const platform::MessageRecord& record) {
        messages.push_back(record);
        return platform::defaultAnswer(record.style);
    });
    TempFolder world;
    const QString card = world.mkdir(QStringLiteral("card"));
    world.mkdir(QStringLiteral("card/MISC"));
    copyPictures(card + QStringLiteral("/DCIM/100KSTRL"), 3);
    const QString home = QDir::homePath();
    const QString pictures = home + QStringLiteral("/Pictures/trip");
    copyPictures(pictures, 4);
    setenv("KESTREL_VOLUMES", QFile::encodeName(world.write(QStringLiteral("volumes.tsv"),
                                                            card.toUtf8() + "\tremovable\tCARD\n")).constData(), 1);

    const QString configPath = world.file(QStringLiteral("kestrel.conf"));
    {
        ConfigStore store(configPath);
        CMarlin3Doc document;
        CMainFrame frame(store, document);
        frame.create(false);
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        CThumbView* view = frame.view();

        // The start-up card search finds the card and the view lists its picture folder.
        QTRY_VERIFY_WITH_TIMEOUT(!frame.cardRoot().isEmpty(), 10000);
        EXPECT_TRUE(view->currentFolder().endsWith(QStringLiteral("DCIM/100KSTRL")));
        QTRY_COMPARE_WITH_TIMEOUT(view->figures().displayed, 3, 10000);

        // Size from the view menu, layout from the view bar, sort and filter from the menus and buttons.
        clickMenuButton(frame, 1125);
        choose(frame, cmd::ThumbSize128 + 2);
        QTRY_COMPARE(view->thumbnailSize(), 64);
        QTest::mouseClick(frame.buttonBar(CMainFrame::ViewBar)->button(1147), Qt::LeftButton);
        EXPECT_EQ(view->layout(), 1);
        QTest::mouseClick(frame.buttonBar(CMainFrame::ViewBar)->button(1146), Qt::LeftButton);
        clickMenuButton(frame, 1125);
        choose(frame, cmd::SortKey0 + 2);
        QTRY_COMPARE(view->sortKey(), 2);
        QTest::mouseClick(frame.buttonBar(CMainFrame::FilterBar)->button(1133), Qt::LeftButton);
        EXPECT_EQ(view->filter(), 4);

        // A folder of the home volume, opened in the tree.
        ASSERT_TRUE(frame.folderBar()->tree()->selectPath(pictures));
        QTRY_COMPARE(view->currentFolder(), pictures);
        QTRY_COMPARE_WITH_TIMEOUT(view->figures().displayed, 4, 10000);
        QTRY_VERIFY(!view->isLoading());

        // Two pictures selected with the mouse and deleted with the Delete key: into the trash.
        COwnerDrawListCtrl* list = view->list();
        const QStringList before = QDir(pictures).entryList(QDir::Files, QDir::Name);
        QTest::mouseClick(list, Qt::LeftButton, {}, cellCentre(list, 0));
        QTest::mouseClick(list, Qt::LeftButton, Qt::ControlModifier, cellCentre(list, 1));
        const QStringList doomed = view->selectedNames();
        ASSERT_EQ(doomed.size(), 2);
        QTest::keyClick(list, Qt::Key_Delete);
        QTRY_COMPARE(QDir(pictures).entryList(QDir::Files).size(), 2);
        const QString trash = home + QStringLiteral("/.local/share/Trash/files");
        for (const QString& name : doomed) {
            EXPECT_FALSE(QFileInfo::exists(QDir(pictures).filePath(name)));
            EXPECT_TRUE(QFileInfo::exists(QDir(trash).filePath(name))) << name.toStdString();
        }
        QTRY_COMPARE_WITH_TIMEOUT(view->figures().displayed, 2, 10000);

        // Rename the first remaining picture from the edit menu, typing in the edit box.
        QTest::mouseClick(list, Qt::LeftButton, {}, cellCentre(list, 0));
        const QString oldName = view->selectedNames().value(0);
        clickMenuButton(frame, 1124);
        choose(frame, cmd::Rename);
        CPopupEditBox* edit = list->editBox();
        QTRY_VERIFY(edit->isVisible());
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("beach.jpg"));
        QTest::keyClick(edit, Qt::Key_Return);
        QTRY_VERIFY(QFileInfo::exists(pictures + QStringLiteral("/beach.jpg")));
        EXPECT_FALSE(QFileInfo::exists(QDir(pictures).filePath(oldName)));

        // Its properties from the file bar; the sheet is closed again by the user.
        QTRY_COMPARE_WITH_TIMEOUT(view->figures().displayed, 2, 10000);
        QTest::mouseClick(list, Qt::LeftButton, {}, cellCentre(list, 0));
        bool sheetSeen = false;
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
            sheetSeen = true;
            QApplication::activeModalWidget()->close();
        });
        QTest::mouseClick(frame.buttonBar(CMainFrame::FileBar)->button(1140), Qt::LeftButton);
        EXPECT_TRUE(sheetSeen);

        // The window: every bar shown, thumbnails painted in the grid.
        QTRY_VERIFY_WITH_TIMEOUT(!view->isLoading(), 10000);
        const QImage shot = frame.grab().toImage();
        for (int bar : {CMainFrame::TitleBar, CMainFrame::MenuBar, CMainFrame::FileBar, CMainFrame::FilterBar,
                        CMainFrame::StatusBar})
            EXPECT_TRUE(frame.toolBar(bar)->isVisible()) << bar;
        EXPECT_TRUE(frame.folderDock()->isVisible());
        const QRect cell = list->geometry().cellRect(0, list->topItem(), list->columns());
        const QRect picture = list->geometry().picture.translated(cell.topLeft());
        const QPoint inShot = list->mapTo(&frame, picture.center());
        EXPECT_NE(shot.pixel(inShot), qRgb(68, 68, 68));
        frame.close();
    }
    QSettings saved(configPath, QSettings::IniFormat);
    EXPECT_EQ(saved.value(QStringLiteral("MainConfigInfo/ViewSize")).toInt(), 3);
    EXPECT_EQ(saved.value(QStringLiteral("MainConfigInfo/ViewType")).toInt(), 1);
    EXPECT_EQ(saved.value(QStringLiteral("MainConfigInfo/ViewOrder")).toInt(), 3);
    EXPECT_EQ(saved.value(QStringLiteral("MainConfigInfo/ViewForm")).toInt(), 2);
    EXPECT_FALSE(saved.value(QStringLiteral("BarState/State")).isNull() && saved.childGroups().indexOf(QStringLiteral("BarState")) < 0);
    platform::setMessageSink({});
    unsetenv("KESTREL_VOLUMES");
    UiResources::unbind(UiResources::Bundle::Uibase);
    UiResources::unbind(UiResources::Bundle::Uires);
}
