// The main frame as the program builds it, driven through its bars and menus.

#include "app/CButtonBar.h"
#include "app/CMainFrame.h"
#include "app/CMarlin3Doc.h"
#include "app/CStatusBar.h"
#include "app/CTitleBar.h"
#include "app/Commands.h"
#include "app/ConfigStore.h"
#include "app/Launcher.h"
#include "app/LastFileOperation.h"
#include "app/MenuState.h"
#include "app/WindowPlacementFix.h"
#include "browser/COwnerDrawListCtrl.h"
#include "browser/CSearchDlg.h"
#include "media/CFolderTree.h"
#include "browser/CThumbView.h"
#include "design/CDesignButton.h"
#include "media/CFolderBar.h"
#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"
#include "resources/UiResources.h"

#include "TempFolder.h"
#include "WindowTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QUrl>
#include <QDockWidget>
#include <QMenu>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidgetItem>
#include <QTest>
#include <QTimer>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QDropEvent>
#include <QToolBar>

#include <gtest/gtest.h>

#include <climits>
#include <memory>

namespace {

class Frame : public WindowTest {
protected:
    void TearDown() override
    {
        frame.reset();
        WindowTest::TearDown();
    }
    QString configPath() const { return world.file(QStringLiteral("kestrel.conf")); }
    void writeConfig(const QString& key, const QVariant& value)
    {
        QSettings settings(configPath(), QSettings::IniFormat);
        settings.setValue(key, value);
    }
    QVariant readConfig(const QString& key) const
    {
        QSettings settings(configPath(), QSettings::IniFormat);
        return settings.value(key);
    }
    // Builds and shows the frame the way the program does.
    CMainFrame& start()
    {
        store = std::make_unique<ConfigStore>(configPath());
        frame = std::make_unique<CMainFrame>(*store, document);
        frame->create(false);
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        return *frame;
    }
    void close()
    {
        frame->close();
        frame.reset();
        store.reset();
    }
    // Records what the bars and menus send instead of running it.
    std::vector<int>& record()
    {
        frame->setCommandFilter([this](int id) {
            commands.push_back(id);
            return true;
        });
        return commands;
    }
    CDesignButton* button(int bar, int childId) const
    {
        if (bar == CMainFrame::TitleBar)
            return frame->titleBar()->button(childId);
        return frame->buttonBar(bar)->button(childId);
    }

    TempFolder world;
    CMarlin3Doc document;
    std::unique_ptr<ConfigStore> store;
    std::unique_ptr<CMainFrame> frame;
    std::vector<int> commands;
};

}  // namespace

TEST_F(Frame, EveryBarButtonSendsItsCommand)
{
    start();
    record();
    struct Row {
        int bar;
        int childId;
        int command;
    };
    const Row rows[] = {
        {CMainFrame::FileBar, 1140, cmd::Properties},  {CMainFrame::FileBar, 1141, cmd::Print},
        {CMainFrame::FileBar, 1142, cmd::PrintOrder},  {CMainFrame::HelpBar, 1143, cmd::About},
        {CMainFrame::HelpBar, 1144, cmd::OpenManual},  {CMainFrame::ViewBar, 1146, cmd::DisplayMode0},
        {CMainFrame::ViewBar, 1147, cmd::DisplayMode0 + 1}, {CMainFrame::ViewBar, 1148, cmd::DisplayMode0 + 2},
        {CMainFrame::ToolsBar, 1150, cmd::Backup},     {CMainFrame::ToolsBar, 1151, cmd::Refresh},
        {CMainFrame::ToolsBar, 1152, cmd::CardSearch},
    };
    for (const Row& row : rows) {
        commands.clear();
        QTest::mouseClick(button(row.bar, row.childId), Qt::LeftButton);
        ASSERT_EQ(commands, std::vector<int>{row.command}) << "button " << row.childId;
    }
    for (int k = 0; k < 8; ++k) {
        commands.clear();
        QTest::mouseClick(button(CMainFrame::FilterBar, 1132 + k), Qt::LeftButton);
        EXPECT_EQ(commands, std::vector<int>{cmd::FilterButton1 + k});
    }
    // The slide show button without any file: the message, no slide show.
    commands.clear();
    QTest::mouseClick(button(CMainFrame::ToolsBar, 1149), Qt::LeftButton);
    EXPECT_TRUE(commands.empty());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, UiResources::string(20405));
}

TEST_F(Frame, EveryMenuEntryOfTheMenuBarReachesTheFrame)
{
    start();
    record();
    for (int childId = 1123; childId <= 1127; ++childId) {
        QTest::mouseClick(button(CMainFrame::MenuBar, childId), Qt::LeftButton);
        QMenu* menu = frame->openPopup();
        ASSERT_NE(menu, nullptr) << childId;
        // The pop-up opens at the button's bottom-left corner.
        const CDesignButton* b = button(CMainFrame::MenuBar, childId);
        EXPECT_EQ(menu->pos(), b->mapToGlobal(QPoint(0, b->height())));
        const QList<QAction*> actions = menu->actions();
        menu->close();
        for (int i = 0; i < actions.size(); ++i) {
            QTest::mouseClick(button(CMainFrame::MenuBar, childId), Qt::LeftButton);
            menu = frame->openPopup();
            QAction* action = menu->actions().value(i);
            const int command = action ? action->property("command").toInt() : 0;
            if (!action || action->isSeparator() || action->menu() || !action->isEnabled()) {
                menu->close();
                continue;
            }
            commands.clear();
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            QTRY_COMPARE(commands.size(), size_t(1));
            EXPECT_EQ(commands[0], command) << action->text().toStdString();
        }
    }
}

TEST(MenuState, FollowsTreeFocusSelectionUndoAndClipboard)
{
    MenuContext tree;
    tree.treeFlags = folderattr::TreeFocus | folderattr::FileSystem | folderattr::CanCopy | folderattr::CanRename;
    EXPECT_TRUE(commandState(tree, cmd::NewFolder).enabled);
    EXPECT_TRUE(commandState(tree, cmd::Rename).enabled);
    EXPECT_TRUE(commandState(tree, cmd::EditCopy).enabled);
    EXPECT_FALSE(commandState(tree, cmd::EditCut).enabled);
    EXPECT_FALSE(commandState(tree, cmd::Delete).enabled);
    EXPECT_FALSE(commandState(tree, cmd::Properties).enabled);
    EXPECT_FALSE(commandState(tree, cmd::EditPaste).enabled);
    tree.clipboardHasFiles = true;
    EXPECT_TRUE(commandState(tree, cmd::EditPaste).enabled);
    tree.treeFlags |= folderattr::ReadOnly;
    EXPECT_FALSE(commandState(tree, cmd::NewFolder).enabled);
    EXPECT_FALSE(commandState(tree, cmd::EditPaste).enabled);

    MenuContext view;
    EXPECT_FALSE(commandState(view, cmd::Rename).enabled);
    EXPECT_FALSE(commandState(view, cmd::Delete).enabled);
    EXPECT_FALSE(commandState(view, cmd::Print).enabled);
    EXPECT_FALSE(commandState(view, cmd::Undo).enabled);
    EXPECT_TRUE(commandState(view, cmd::NewFolder).enabled);
    view.selectedNames = {QStringLiteral("MVI_0001.AVI")};
    EXPECT_TRUE(commandState(view, cmd::Rename).enabled);
    EXPECT_TRUE(commandState(view, cmd::Properties).enabled);
    EXPECT_FALSE(commandState(view, cmd::Print).enabled);
    EXPECT_FALSE(toolsPositionState(view, 3, {}).enabled);
    view.selectedNames << QStringLiteral("IMGA0001.JPG");
    EXPECT_TRUE(commandState(view, cmd::Print).enabled);
    EXPECT_TRUE(toolsPositionState(view, 3, {}).enabled);
    EXPECT_TRUE(toolsPositionState(view, 4, {}).enabled);
    EXPECT_FALSE(commandState(view, cmd::CopyIntoCard).enabled);
    view.cameraFolder = true;
    EXPECT_TRUE(commandState(view, cmd::CopyIntoCard).enabled);
    view.selectedNames = {QStringLiteral("scan.tif")};
    EXPECT_TRUE(toolsPositionState(view, 3, {}).enabled);
    EXPECT_FALSE(toolsPositionState(view, 4, {}).enabled);

    view.undoKind = 1;
    EXPECT_TRUE(commandState(view, cmd::Undo).enabled);
    EXPECT_EQ(undoLabel(QStringLiteral("元に戻す(&U)\tCtrl+Z"), 1),
              QStringLiteral("元に戻す(&U)") + UiResources::string(21014) + QStringLiteral("\tCtrl+Z"));
    view.figure1 = 3;
    EXPECT_FALSE(commandState(view, cmd::SlideShow).enabled);
    view.figure2 = 1;
    EXPECT_TRUE(commandState(view, cmd::SlideShow).enabled);
    view.slideShowRunning = true;
    EXPECT_FALSE(commandState(view, cmd::SlideShow).enabled);

    view.viewForm = 5;
    EXPECT_TRUE(commandState(view, cmd::FilterMenu1 + 4).checked);
    EXPECT_FALSE(commandState(view, cmd::FilterMenu1).checked);
}

TEST_F(Frame, ViewSettingsComeFromTheStoredValuesAndGoBack)
{
    writeConfig(QStringLiteral("MainConfigInfo/ViewForm"), 2);
    writeConfig(QStringLiteral("MainConfigInfo/ViewSize"), 4);
    start();
    EXPECT_EQ(frame->view()->filter(), 4);
    EXPECT_EQ(frame->view()->thumbnailSize(), 48);
    // The JPEG button: filter code 3, stored as 3.
    QTest::mouseClick(button(CMainFrame::FilterBar, 1135), Qt::LeftButton);
    EXPECT_EQ(frame->view()->filter(), 3);
    // The BMP button: filter code 1, stored as 6.
    QTest::mouseClick(button(CMainFrame::FilterBar, 1134), Qt::LeftButton);
    EXPECT_EQ(frame->view()->filter(), 1);
    QTest::mouseClick(button(CMainFrame::ViewBar, 1148), Qt::LeftButton);
    EXPECT_EQ(frame->view()->layout(), 2);
    close();
    EXPECT_EQ(readConfig(QStringLiteral("MainConfigInfo/ViewForm")).toInt(), 6);
    EXPECT_EQ(readConfig(QStringLiteral("MainConfigInfo/ViewType")).toInt(), 3);
}

TEST_F(Frame, ClosingWhileFillingTheWorkAreaOrMinimisedKeepsTheRightRectangle)
{
    start();
    const QRect normal = frame->geometry();
    QTest::mouseClick(button(CMainFrame::TitleBar, CTitleBar::kFillId), Qt::LeftButton);
    EXPECT_TRUE(frame->fillsWorkArea());
    EXPECT_TRUE(button(CMainFrame::TitleBar, CTitleBar::kRestoreId)->isVisible());
    EXPECT_FALSE(button(CMainFrame::TitleBar, CTitleBar::kFillId)->isVisible());
    const QRect area = frame->screen()->availableGeometry();
    EXPECT_EQ(frame->geometry(), area);
    close();
    EXPECT_EQ(readConfig(QStringLiteral("WindowInfo/ShowMax")).toInt(), 1);
    EXPECT_EQ(readConfig(QStringLiteral("WindowInfo/WindowPos.Right")).toInt(), area.left() + area.width());

    // The next start fills the work area again; restoring brings back the normal rectangle.
    start();
    EXPECT_TRUE(frame->fillsWorkArea());
    QTest::mouseDClick(frame->titleBar(), Qt::LeftButton, {}, QPoint(60, 10));
    EXPECT_FALSE(frame->fillsWorkArea());
    EXPECT_TRUE(button(CMainFrame::TitleBar, CTitleBar::kFillId)->isVisible());
    frame->setGeometry(normal);

    const QRect before = frame->geometry();
    frame->setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    frame->setGeometry(before.translated(400, 300));  // where the platform puts an icon
    close();
    EXPECT_EQ(readConfig(QStringLiteral("WindowInfo/ShowMax")).toInt(), 0);
    EXPECT_EQ(readConfig(QStringLiteral("WindowInfo/WindowPos.Left")).toInt(), before.left());
    EXPECT_EQ(readConfig(QStringLiteral("WindowInfo/WindowPos.Top")).toInt(), before.top());
}

TEST_F(Frame, AHostileStoredPositionStillGivesAReachableWindow)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    // Far off every screen, absurdly large, and the integer ends.
    const QRect rows[] = {QRect(-30000, -30000, 780, 550), QRect(5000, 5000, 700, 500)};
    for (const QRect& stored : rows) {
        writeConfig(QStringLiteral("WindowInfo/WindowPos.Left"), stored.left());
        writeConfig(QStringLiteral("WindowInfo/WindowPos.Top"), stored.top());
        writeConfig(QStringLiteral("WindowInfo/WindowPos.Right"), stored.left() + stored.width());
        writeConfig(QStringLiteral("WindowInfo/WindowPos.Bottom"), stored.top() + stored.height());
        start();
        const QRect caption(frame->geometry().topLeft(), QSize(frame->width(), CTitleBar::kHeight));
        EXPECT_TRUE(screen.contains(caption)) << stored.left();
        close();
    }
    writeConfig(QStringLiteral("WindowInfo/WindowPos.Left"), INT_MIN);
    writeConfig(QStringLiteral("WindowInfo/WindowPos.Top"), INT_MIN);
    writeConfig(QStringLiteral("WindowInfo/WindowPos.Right"), INT_MAX);
    writeConfig(QStringLiteral("WindowInfo/WindowPos.Bottom"), INT_MAX);
    start();
    EXPECT_TRUE(screen.intersects(frame->geometry()));
    EXPECT_LE(frame->width(), screen.width());
    close();
    // What was saved reads back as an ordinary rectangle.
    const int left = readConfig(QStringLiteral("WindowInfo/WindowPos.Left")).toInt();
    EXPECT_GT(readConfig(QStringLiteral("WindowInfo/WindowPos.Right")).toInt(), left);

    // A window partly on the screen with its caption above it comes down far enough to grab.
    const QRect moved = reachableRect(QRect(100, -400, 400, 550), {screen}, QSize(780, 550), CTitleBar::kHeight);
    EXPECT_TRUE(screen.contains(QRect(moved.topLeft(), QSize(moved.width(), CTitleBar::kHeight))));
    EXPECT_EQ(moved.left(), 100);
}

TEST_F(Frame, TheFolderBarsWidthComesBackAtTheNextStart)
{
    start();
    media::CFolderBar* bar = frame->folderBar();
    const int y = bar->height() / 2;
    const QPoint edge(bar->width() - 2, y);
    QTest::mousePress(bar, Qt::LeftButton, {}, edge);
    QMouseEvent move(QEvent::MouseMove, QPointF(300, y), bar->mapToGlobal(QPointF(300, y)), Qt::NoButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(bar, &move);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(300, y));
    QTRY_COMPARE(bar->width(), 300);
    close();
    EXPECT_EQ(readConfig(QStringLiteral("WindowInfo/DvFolderSize.cx")).toInt(), 300);
    start();
    QTRY_COMPARE(frame->folderBar()->width(), 300);
}

TEST(Launcher, OneProcessPerFileWithThePathAsOneArgument)
{
    TempFolder world;
    // A program that records its arguments, one file per run.
    const QString log = world.mkdir(QStringLiteral("log"));
    const QString program = world.write(QStringLiteral("my viewer/record"),
                                        "#!/bin/sh\nn=$(mktemp \"" + log.toUtf8() + "/run.XXXXXX\")\n"
                                        "printf '%s\\n' \"$#\" \"$@\" > \"$n\"\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QStringList files = {world.file(QStringLiteral("a b/IMGA0001.JPG")), world.file(QStringLiteral("say \"hi\".jpg")),
                               world.file(QStringLiteral("c.jpg"))};
    // The program text holds a space and is not quoted: it still names the program.
    EXPECT_EQ(launcher::run(program, files, QString()), 3);
    QTRY_COMPARE(QDir(log).entryList(QDir::Files).size(), 3);
    QStringList seen;
    for (const QString& name : QDir(log).entryList(QDir::Files)) {
        QFile file(QDir(log).filePath(name));
        ASSERT_TRUE(QTest::qWaitFor([&] { return file.size() > 0; }));
        file.open(QIODevice::ReadOnly);
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.value(0), QStringLiteral("1"));
        seen << lines.value(1);
    }
    seen.sort();
    QStringList expected = files;
    expected.sort();
    EXPECT_EQ(seen, expected);

    QDir(log).removeRecursively();
    QDir().mkpath(log);
    EXPECT_EQ(launcher::run(program, {}, QString()), 1);
    QTRY_COMPARE(QDir(log).entryList(QDir::Files).size(), 1);
    EXPECT_EQ(launcher::run(QString(), files, QString()), 0);

    // Quoted program texts keep their own arguments; the file comes last.
    const launcher::CommandLine line = launcher::parseProgramText(QStringLiteral("\"%1\" -x \"two words\"").arg(program), {});
    EXPECT_EQ(line.program, program);
    EXPECT_EQ(line.arguments, (QStringList{QStringLiteral("-x"), QStringLiteral("two words")}));
}

TEST(Undo, PutsBackACopyAMoveAndLeavesADelete)
{
    TempFolder world;
    const QString a = world.write(QStringLiteral("src/a.jpg"), "picture a");
    const QString copy = world.write(QStringLiteral("dst/a.jpg"), "picture a");
    LastFileOperation record;
    record.kind = LastFileOperation::Copy;
    record.sources = {a};
    record.destinations = {copy};
    EXPECT_TRUE(record.undo(nullptr));
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_TRUE(QFileInfo::exists(a));
    EXPECT_TRUE(record.isEmpty());

    const QString moved = world.write(QStringLiteral("dst/b.jpg"), "picture b");
    record.kind = LastFileOperation::Move;
    record.sources = {world.file(QStringLiteral("src/b.jpg"))};
    record.destinations = {moved};
    EXPECT_TRUE(record.undo(nullptr));
    EXPECT_FALSE(QFileInfo::exists(moved));
    QFile back(world.file(QStringLiteral("src/b.jpg")));
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(back.readAll(), QByteArray("picture b"));

    record.kind = LastFileOperation::Delete;
    record.sources = {a};
    EXPECT_TRUE(record.undo(nullptr));
    EXPECT_TRUE(QFileInfo::exists(a));
    EXPECT_TRUE(record.isEmpty());
}

TEST_F(Frame, ContextMenusOfTheViewAndTheTreeFollowTheSameRules)
{
    // A folder with pictures, listed in the view.
    const QString folder = world.mkdir(QStringLiteral("pictures"));
    for (const char* name : {"a.jpg", "b.jpg", "c.avi"})
        world.write(QStringLiteral("pictures/") + QLatin1String(name), "not really a picture");
    start();
    frame->view()->openFolder(folder);
    QTRY_COMPARE(frame->view()->figures().displayed, 3);
    COwnerDrawListCtrl* list = frame->view()->list();
    record();

    // A right click on the first item selects it and shows the view's menu there.
    const QPoint cell = list->geometry().cellRect(0, list->topItem(), list->columns()).center();
    QTest::mouseClick(list, Qt::RightButton, {}, cell);
    QMenu* menu = frame->openPopup();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->objectName(), QStringLiteral("menu141.0"));
    EXPECT_EQ(frame->view()->selectedNames(), QStringList{QStringLiteral("a.jpg")});
    QAction* properties = nullptr;
    QAction* paste = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->property("command").toInt() == cmd::Properties)
            properties = action;
        if (action->property("command").toInt() == cmd::EditPaste)
            paste = action;
    }
    ASSERT_TRUE(properties && paste);
    EXPECT_TRUE(properties->isEnabled());
    EXPECT_FALSE(paste->isEnabled());  // nothing on the clipboard
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(properties).center());
    QTRY_COMPARE(commands, std::vector<int>{cmd::Properties});

    // The tree's menu offers its own rename command.
    media::CFolderTree* tree = frame->folderBar()->tree();
    QTreeWidgetItem* item = tree->currentItem();
    ASSERT_NE(item, nullptr);
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, tree->visualItemRect(item).center());
    menu = frame->openPopup();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->objectName(), QStringLiteral("menu139.0"));
    menu->close();
}

TEST_F(Frame, TheLauncherStartsItsProgramOncePerSelectedFile)
{
    const QString log = world.mkdir(QStringLiteral("log"));
    const QString program = world.write(QStringLiteral("viewer"),
                                        "#!/bin/sh\nn=$(mktemp \"" + log.toUtf8() + "/run.XXXXXX\")\n"
                                        "printf '%s\\n' \"$#\" \"$@\" > \"$n\"\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    writeConfig(QStringLiteral("MainConfigInfo/LanchApp1"), program);
    const QString folder = world.mkdir(QStringLiteral("with space"));
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        world.write(QStringLiteral("with space/") + QLatin1String(name), "x");
    start();
    frame->view()->openFolder(folder);
    QTRY_COMPARE(frame->view()->figures().displayed, 3);
    // Nothing selected: the program alone.
    QTest::mouseClick(button(CMainFrame::LauncherBar, 1153), Qt::LeftButton);
    QTRY_COMPARE(QDir(log).entryList(QDir::Files).size(), 1);
    frame->view()->selectAll();
    QTest::mouseClick(button(CMainFrame::LauncherBar, 1153), Qt::LeftButton);
    QTRY_COMPARE(QDir(log).entryList(QDir::Files).size(), 4);
    int withFile = 0;
    for (const QString& name : QDir(log).entryList(QDir::Files)) {
        QFile file(QDir(log).filePath(name));
        ASSERT_TRUE(QTest::qWaitFor([&] { return file.size() > 0; }));
        file.open(QIODevice::ReadOnly);
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (lines.value(0) == QStringLiteral("1")) {
            EXPECT_TRUE(lines.value(1).startsWith(folder + QLatin1Char('/')));
            ++withFile;
        }
    }
    EXPECT_EQ(withFile, 3);
    // Program 2 is empty: its button starts nothing.
    EXPECT_TRUE(frame->launcherProgram(2).isEmpty());
}

TEST_F(Frame, TheDateSearchRefusesAnImpossibleDate)
{
    CSearchDlg dialog;
    dialog.pages()->setCurrentIndex(CSearchDlg::DatePage);
    dialog.show();
    dialog.findChild<QSpinBox*>(QStringLiteral("fromMonth"))->setValue(2);
    dialog.findChild<QSpinBox*>(QStringLiteral("fromDay"))->setValue(30);
    dialog.accept();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("不正な日付が設定されています。"));
    EXPECT_EQ(messages[0].caption, QStringLiteral("入力エラー"));
    EXPECT_TRUE(dialog.isVisible());
    dialog.findChild<QSpinBox*>(QStringLiteral("fromDay"))->setValue(28);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

namespace {

// What a file manager puts on the clipboard for a copy or a cut.
QMimeData* fileManagerClipboard(const QStringList& paths, bool cut)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    QByteArray gnome = cut ? "cut" : "copy";
    for (const QString& path : paths) {
        urls << QUrl::fromLocalFile(path);
        gnome += "\n" + QUrl::fromLocalFile(path).toEncoded();
    }
    data->setUrls(urls);
    data->setData(QStringLiteral("x-special/gnome-copied-files"), gnome);
    return data;
}

}  // namespace

TEST_F(Frame, PastedFilesFromAFileManagerAreCopiedOrMovedAndUndone)
{
    const QString from = world.mkdir(QStringLiteral("from"));
    const QString to = world.mkdir(QStringLiteral("to"));
    const QString a = world.write(QStringLiteral("from/a.txt"), "first");
    const QString b = world.write(QStringLiteral("from/b.txt"), "second");
    start();
    frame->view()->openFolder(to);
    frame->view()->setFocus();
    auto pasteFromMenu = [&] {
        QTest::mouseClick(button(CMainFrame::MenuBar, 1124), Qt::LeftButton);
        QMenu* menu = frame->openPopup();
        for (QAction* action : menu->actions()) {
            if (action->property("command").toInt() == cmd::EditPaste) {
                EXPECT_TRUE(action->isEnabled());
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            }
        }
    };

    QApplication::clipboard()->setMimeData(fileManagerClipboard({a}, false));
    pasteFromMenu();
    QTRY_VERIFY(QFileInfo::exists(to + QStringLiteral("/a.txt")));
    EXPECT_TRUE(QFileInfo::exists(a));
    EXPECT_EQ(frame->lastFileOperation().kind, LastFileOperation::Copy);
    // Undo takes the copy away again (into the trash), the original stays.
    frame->onCommand(cmd::Undo);
    EXPECT_FALSE(QFileInfo::exists(to + QStringLiteral("/a.txt")));
    EXPECT_TRUE(QFileInfo::exists(a));

    QApplication::clipboard()->setMimeData(fileManagerClipboard({b}, true));
    pasteFromMenu();
    QTRY_VERIFY(QFileInfo::exists(to + QStringLiteral("/b.txt")));
    EXPECT_FALSE(QFileInfo::exists(b));
    // A cut is pasted once.
    EXPECT_FALSE(QApplication::clipboard()->mimeData() && QApplication::clipboard()->mimeData()->hasUrls());
    EXPECT_EQ(frame->lastFileOperation().kind, LastFileOperation::Move);
    frame->onCommand(cmd::Undo);
    EXPECT_TRUE(QFileInfo::exists(b));
    EXPECT_FALSE(QFileInfo::exists(to + QStringLiteral("/b.txt")));

    // Copied in the program, the clipboard carries what file managers read.
    QTRY_COMPARE(frame->view()->figures().displayed, 0);
    frame->view()->openFolder(from);
    QTRY_COMPARE(frame->view()->figures().displayed, 2);
    frame->view()->selectAll();
    frame->onCommand(cmd::EditCopy);
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_TRUE(copied->data(QStringLiteral("x-special/gnome-copied-files")).startsWith("copy\n"));
    EXPECT_EQ(copied->urls().size(), 2);

    // A cut offers the files as such and draws them faded until they are pasted.
    COwnerDrawListCtrl* list = frame->view()->list();
    const QRect cell = list->geometry().cellRect(0, list->topItem(), list->columns());
    const QPoint centre = list->geometry().picture.translated(cell.topLeft()).center();
    const QImage before = list->render();
    frame->onCommand(cmd::EditCut);
    EXPECT_TRUE(QApplication::clipboard()->mimeData()->data(QStringLiteral("x-special/gnome-copied-files")).startsWith("cut\n"));
    const QImage after = list->render();
    EXPECT_NE(before.pixel(centre), after.pixel(centre));
}

TEST_F(Frame, DeletingOnACardFreesItsSpaceAndElsewhereFillsTheTrash)
{
    const QString card = world.mkdir(QStringLiteral("card"));
    world.mkdir(QStringLiteral("card/MISC"));
    const QString folder = world.mkdir(QStringLiteral("card/DCIM/100ABCDE"));
    world.write(QStringLiteral("card/DCIM/100ABCDE/IMGA0001.JPG"), "picture");
    world.write(QStringLiteral("card/DCIM/100ABCDE/IMGA0002.JPG"), "picture");
    setenv("KESTREL_VOLUMES", QFile::encodeName(world.write(QStringLiteral("volumes.tsv"),
                                                            card.toUtf8() + "\tremovable\tCARD\n")).constData(), 1);
    start();
    frame->view()->openFolder(folder);
    QTRY_COMPARE(frame->view()->figures().displayed, 2);
    COwnerDrawListCtrl* list = frame->view()->list();
    QTest::mouseClick(list, Qt::LeftButton, {}, list->geometry().cellRect(0, list->topItem(), list->columns()).center());
    QTest::keyClick(list, Qt::Key_Delete);
    QTRY_COMPARE(frame->view()->figures().displayed, 1);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("IMGA0002.JPG")});
    // Gone for good: no trash on the card, nothing in the home trash, and no undo that could not work.
    EXPECT_TRUE(QDir(card).entryList(QStringList{QStringLiteral(".Trash*")}, QDir::AllEntries | QDir::Hidden).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(QDir::homePath() + QStringLiteral("/.local/share/Trash/files/IMGA0001.JPG")));
    EXPECT_TRUE(frame->lastFileOperation().isEmpty());
    unsetenv("KESTREL_VOLUMES");
}

TEST_F(Frame, TheSlideShowButtonHandsTheListOverOrRaisesTheRunningShow)
{
    const QString folder = world.mkdir(QStringLiteral("show"));
    for (const char* name : {"b.jpg", "a.jpg", "c.jpg"})
        world.write(QStringLiteral("show/") + QLatin1String(name), "x");
    start();
    std::vector<QStringList> started;
    frame->setProgramStarter([&](const QString& program, const QStringList& arguments) {
        started.push_back(QStringList{program} + arguments);
        return true;
    });
    frame->view()->openFolder(folder);
    QTRY_COMPARE(frame->view()->figures().displayed, 3);
    // The settings dialog opens on "everything shown"; OK starts the show.
    QTimer::singleShot(0, [] {
        QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
        static_cast<QDialog*>(QApplication::activeModalWidget())->accept();
    });
    QTest::mouseClick(button(CMainFrame::ToolsBar, 1149), Qt::LeftButton);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].value(0), QStringLiteral(KESTREL_BIN_DIR "/Slidecast"));
    EXPECT_EQ(started[0].mid(1), (QStringList{QStringLiteral("/kst"), QStringLiteral("/h%1").arg(frame->winId())}));
    const QMimeData* list = QApplication::clipboard()->mimeData();
    ASSERT_NE(list, nullptr);
    QStringList paths;
    for (const QUrl& url : list->urls())
        paths << url.toLocalFile();
    EXPECT_EQ(paths, (QStringList{folder + QStringLiteral("/a.jpg"), folder + QStringLiteral("/b.jpg"),
                                  folder + QStringLiteral("/c.jpg")}));

    // While a show runs, the button only brings it to the front.
    platform::WindowMarker show(QStringLiteral("SLIDECAST"));
    bool raised = false;
    QObject::connect(&show, &platform::WindowMarker::raiseRequested, [&] { raised = true; });
    ASSERT_TRUE(show.mark());
    QTest::mouseClick(button(CMainFrame::ToolsBar, 1149), Qt::LeftButton);
    QTRY_VERIFY(raised);
    EXPECT_EQ(started.size(), 1u);
}

TEST_F(Frame, DropsOnTheViewMoveCopyOrLinkByTheKeys)
{
    const QString from = world.mkdir(QStringLiteral("from"));
    const QString to = world.mkdir(QStringLiteral("to"));
    const QString a = world.write(QStringLiteral("from/a.txt"), "a");
    const QString b = world.write(QStringLiteral("from/b.txt"), "b");
    const QString c = world.write(QStringLiteral("from/c.txt"), "c");
    start();
    frame->view()->openFolder(to);
    COwnerDrawListCtrl* list = frame->view()->list();
    auto dropOn = [&](const QString& path, Qt::KeyboardModifiers keys) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        const QPointF at(list->width() / 2.0, list->height() / 2.0);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data, Qt::LeftButton, keys);
        QApplication::sendEvent(list, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data, Qt::LeftButton, keys);
        QApplication::sendEvent(list, &drop);
        return drop.dropAction();
    };
    // Same volume, no key: a move.
    EXPECT_EQ(dropOn(a, {}), Qt::MoveAction);
    QTRY_VERIFY(QFileInfo::exists(to + QStringLiteral("/a.txt")));
    EXPECT_FALSE(QFileInfo::exists(a));
    // Ctrl: a copy.
    EXPECT_EQ(dropOn(b, Qt::ControlModifier), Qt::CopyAction);
    QTRY_VERIFY(QFileInfo::exists(to + QStringLiteral("/b.txt")));
    EXPECT_TRUE(QFileInfo::exists(b));
    // Ctrl+Shift: a link, named as a shortcut; a second one gets "(2)".
    EXPECT_EQ(dropOn(c, Qt::ControlModifier | Qt::ShiftModifier), Qt::LinkAction);
    const QString link = to + QStringLiteral("/c.txtへのショートカット");
    QTRY_VERIFY(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), c);
    dropOn(c, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY(QFileInfo(link + QStringLiteral(" (2)")).isSymLink());
}

TEST_F(Frame, TheDetailsListRenamesThroughTheDialog)
{
    const QString folder = world.mkdir(QStringLiteral("details"));
    world.write(QStringLiteral("details/IMGA0001.JPG"), "x");
    start();
    frame->view()->openFolder(folder);
    QTRY_COMPARE(frame->view()->figures().displayed, 1);
    QTest::mouseClick(button(CMainFrame::ViewBar, 1148), Qt::LeftButton);
    COwnerDrawListCtrl* list = frame->view()->list();
    QTest::mouseClick(list, Qt::LeftButton, {}, list->geometry().cellRect(0, list->topItem(), list->columns()).center());
    // The dialog gets a name with a forbidden character first (refused, stays open), then a good one.
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
        QWidget* dialog = QApplication::activeModalWidget();
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("1003"));
        ASSERT_NE(edit, nullptr);
        auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("1"));
        ASSERT_NE(ok, nullptr);
        edit->setText(QStringLiteral("a:b.JPG"));
        QTest::mouseClick(ok, Qt::LeftButton);
        EXPECT_TRUE(dialog->isVisible());
        edit->setText(QStringLiteral("beach.JPG..."));
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    frame->onCommand(cmd::Rename);
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/beach.JPG")));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/IMGA0001.JPG")));
    ASSERT_FALSE(messages.empty());
    EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("ファイル名には次の文字は使えません。")));
}

TEST_F(Frame, AProgramDroppedOnALauncherButtonBecomesItsProgram)
{
    const QString viewer = world.write(QStringLiteral("tools/my viewer"), "#!/bin/sh\n");
    const QString editor = world.write(QStringLiteral("tools/editor"), "#!/bin/sh\n");
    start();
    CButtonBar* launcher = frame->buttonBar(CMainFrame::LauncherBar);
    // A drag enters the bar (its buttons pass drags on to it), moves, and is dropped; the bar takes it
    // only over a button.
    auto dragTo = [&](const QPoint& enterAt, const QPoint& dropAt, const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(enterAt, actions, &data, Qt::LeftButton, {});
        QApplication::sendEvent(launcher, &enter);
        EXPECT_TRUE(enter.isAccepted()) << "files are welcome wherever they enter";
        QDragMoveEvent move(dropAt, actions, &data, Qt::LeftButton, {});
        QApplication::sendEvent(launcher, &move);
        if (!move.isAccepted())
            return false;
        QDropEvent drop(QPointF(dropAt), actions, &data, Qt::LeftButton, {});
        QApplication::sendEvent(launcher, &drop);
        EXPECT_EQ(drop.dropAction(), Qt::CopyAction) << "the dropped files stay where they are";
        return drop.isAccepted();
    };
    const QPoint margin(0, 0);
    const QPoint second = button(CMainFrame::LauncherBar, child::LauncherButton2)->geometry().center();
    const QPoint first = button(CMainFrame::LauncherBar, child::LauncherButton1)->geometry().center();
    ASSERT_EQ(launcher->childAt(margin), nullptr);
    const QString before = frame->launcherProgram(1);
    EXPECT_FALSE(dragTo(margin, margin, {editor})) << "outside the buttons nothing is taken";
    EXPECT_EQ(frame->launcherProgram(1), before);

    // Entering at the bar's edge and moving on to a button still lands.
    EXPECT_TRUE(dragTo(margin, second, {viewer}));
    EXPECT_EQ(frame->launcherProgram(2), viewer);
    // Several files on button 1: each is handed over in turn, the last one stays.
    EXPECT_TRUE(dragTo(first, first, {viewer, editor}));
    EXPECT_EQ(frame->launcherProgram(1), editor);
    EXPECT_EQ(frame->launcherProgram(2), viewer);

    close();
    EXPECT_EQ(readConfig(QStringLiteral("MainConfigInfo/LanchApp1")).toString(), editor);
    EXPECT_EQ(readConfig(QStringLiteral("MainConfigInfo/LanchApp2")).toString(), viewer);
}
