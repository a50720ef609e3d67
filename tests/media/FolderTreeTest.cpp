#include "media/CFolderTree.h"

#include "media/FakeCard.h"
#include "platform/MessageBox.h"
#include "resources/UiResources.h"

#include <QDir>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using media::CFolderTree;
using platform::PlaceKind;
using testing_support::FakeTree;
using testing_support::VolumeTable;

namespace {

QStringList childTexts(const QTreeWidgetItem* item)
{
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i)
        texts << item->child(i)->text(0);
    return texts;
}

// A system disk and a camera card in the card reader, and a tree over them.
class FolderTreeTest : public ::testing::Test {
protected:
    FolderTreeTest()
    {
        QDir(QDir::homePath() + QStringLiteral("/Desktop")).removeRecursively();
        card.makeDir("DCIM/100ABCDE");
        card.makeDir("DCIM/101ABCDE");
        card.makeDir("MISC");
        tree.initRoot();
    }

    QTreeWidgetItem* computerItem() const { return tree.topLevelItem(0)->child(1); }
    QTreeWidgetItem* cardItem() const { return tree.findItem(card.root()); }

    VolumeTable table;
    const FakeTree& system = table.addDrive("fixed", "root", true);
    const FakeTree& card = table.addDrive("removable", "EOS_DIGITAL");
    CFolderTree tree;
};

TEST_F(FolderTreeTest, RootShowsDesktopWithHomeAndComputerListedLazily)
{
    ASSERT_EQ(tree.topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree.topLevelItem(0);
    EXPECT_EQ(root->text(0), QStringLiteral("デスクトップ"));
    EXPECT_TRUE(root->isExpanded());
    EXPECT_EQ(tree.currentItem(), root);
    EXPECT_EQ(tree.currentPath(), QDir::cleanPath(QDir::homePath()));
    ASSERT_GE(root->childCount(), 2);
    EXPECT_EQ(tree.folderItem(root->child(0))->place.kind, PlaceKind::Home);
    EXPECT_EQ(root->child(1)->text(0), QStringLiteral("コンピュータ"));

    // The computer offers to open but has listed nothing yet.
    QTreeWidgetItem* computer = computerItem();
    EXPECT_EQ(computer->childCount(), 0);
    EXPECT_EQ(computer->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    tree.expandItem(computer);
    ASSERT_EQ(computer->childCount(), 2);
    EXPECT_EQ(computer->child(1)->text(0), QStringLiteral("リムーバブル ディスク (EOS_DIGITAL)"));
    EXPECT_EQ(tree.folderItem(computer->child(1))->parentFolder, QString());
    EXPECT_EQ(computer->child(1)->childCount(), 0);
    EXPECT_EQ(tree.currentPath(), QDir::cleanPath(QDir::homePath()));
}

TEST_F(FolderTreeTest, SelectPathWalksDownThroughUnlistedLevels)
{
    QSignalSpy selected(&tree, &CFolderTree::folderSelected);
    EXPECT_TRUE(tree.selectPath(card.path("DCIM/100ABCDE/")));
    EXPECT_EQ(tree.currentPath(), card.path("DCIM/100ABCDE"));
    EXPECT_EQ(tree.currentItem()->text(0), QStringLiteral("100ABCDE"));
    EXPECT_EQ(tree.currentItem()->parent()->text(0), QStringLiteral("DCIM"));
    EXPECT_EQ(tree.currentItem()->parent()->parent(), cardItem());
    EXPECT_TRUE(cardItem()->isExpanded());
    EXPECT_EQ(childTexts(cardItem()), (QStringList{"DCIM", "MISC"}));
    EXPECT_EQ(tree.folderItem(tree.currentItem())->parentFolder, card.path("DCIM"));
    // One announcement, for the folder reached.
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected[0][0].toString(), card.path("DCIM/100ABCDE"));
    EXPECT_EQ(selected[0][1].value<quint32>() & 0x80000000u, 0u);
    EXPECT_TRUE(selected[0][1].value<quint32>() & platform::SfgaoRemovable);
}

TEST_F(FolderTreeTest, SelectPathStopsAtTheDeepestExistingFolder)
{
    QDir(card.path("DCIM")).removeRecursively();
    EXPECT_FALSE(tree.selectPath(card.path("DCIM/100ABCDE/")));
    EXPECT_EQ(tree.currentItem(), cardItem());
    EXPECT_EQ(tree.currentPath(), card.root());

    EXPECT_FALSE(tree.selectPath(QStringLiteral("/no/such/volume/DCIM")));
    EXPECT_EQ(tree.currentItem(), tree.topLevelItem(0));
    EXPECT_TRUE(tree.selectPath(card.root()));
    EXPECT_EQ(tree.currentItem(), cardItem());
}

TEST_F(FolderTreeTest, RefreshAddsAndDropsFoldersKeepingTheSelection)
{
    ASSERT_TRUE(tree.selectPath(card.path("DCIM/100ABCDE")));
    card.makeDir("DCIM/102ABCDE");
    card.makeDir("DCIM/099ABCDE");
    QDir(card.path("DCIM/101ABCDE")).removeRecursively();
    QSignalSpy selected(&tree, &CFolderTree::folderSelected);

    tree.refresh();
    QTreeWidgetItem* dcim = tree.findItem(card.path("DCIM"));
    ASSERT_NE(dcim, nullptr);
    EXPECT_EQ(childTexts(dcim), (QStringList{"099ABCDE", "100ABCDE", "102ABCDE"}));
    EXPECT_TRUE(dcim->isExpanded());
    EXPECT_EQ(tree.currentPath(), card.path("DCIM/100ABCDE"));
    // The selected folder goes to the view again, once.
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected[0][0].toString(), card.path("DCIM/100ABCDE"));

    // A vanished selection falls back to its nearest surviving folder.
    QDir(card.path("DCIM")).removeRecursively();
    tree.refresh();
    EXPECT_EQ(tree.findItem(card.path("DCIM")), nullptr);
    EXPECT_EQ(tree.currentItem(), cardItem());
    EXPECT_EQ(childTexts(cardItem()), QStringList{"MISC"});
    EXPECT_EQ(selected.last()[0].toString(), card.root());

    // An emptied folder loses its expander.
    QDir(card.path("MISC")).removeRecursively();
    tree.refresh();
    EXPECT_EQ(cardItem()->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
}

TEST_F(FolderTreeTest, RefreshFoldsUpACardThatWasTakenOut)
{
    ASSERT_TRUE(tree.selectPath(card.path("DCIM/100ABCDE")));
    QDir(card.root()).removeRecursively();
    tree.refresh();
    QTreeWidgetItem* drive = cardItem();
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drive->childCount(), 0);
    EXPECT_FALSE(drive->isExpanded());
    EXPECT_EQ(drive->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_FALSE(tree.folderItem(drive)->expandedOnce);
    EXPECT_EQ(tree.currentItem(), drive);

    // Put back, it opens again.
    QDir().mkpath(card.path("DCIM/100ABCDE"));
    tree.expandItem(drive);
    EXPECT_EQ(childTexts(drive), QStringList{"DCIM"});
}

TEST_F(FolderTreeTest, RefreshRelabelsADriveWhoseMediumChanged)
{
    ASSERT_TRUE(tree.selectPath(card.path("DCIM")));
    VolumeTable swapped;
    swapped.add(system.root(), "fixed", QStringLiteral("root"), true);
    swapped.add(card.root(), "removable", QStringLiteral("NIKON"));
    tree.refresh();
    QTreeWidgetItem* drive = cardItem();
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drive->text(0), QStringLiteral("リムーバブル ディスク (NIKON)"));
    EXPECT_EQ(drive->childCount(), 0);
    EXPECT_EQ(tree.currentItem(), drive);
}

TEST_F(FolderTreeTest, RefreshDropsAnUnmountedDriveAndAddsANewOne)
{
    tree.expandItem(computerItem());
    ASSERT_EQ(computerItem()->childCount(), 2);
    VolumeTable other;
    other.add(system.root(), "fixed", QStringLiteral("root"), true);
    const FakeTree& disc = other.addDrive("cdrom", "TRIP");
    tree.refresh();
    ASSERT_EQ(computerItem()->childCount(), 2);
    EXPECT_EQ(computerItem()->child(1)->text(0), QStringLiteral("TRIP (TRIP)"));
    EXPECT_EQ(tree.findItem(card.root()), nullptr);
    EXPECT_NE(tree.findItem(disc.root()), nullptr);
}

TEST_F(FolderTreeTest, DrivesFollowTheVolumeOrderAfterRefresh)
{
    tree.expandItem(computerItem());
    const FakeTree& early = table.addDrive("removable", "AAA");
    const FakeTree& late = table.addDrive("removable", "ZZZ");
    tree.refresh();
    // The system volume first, then by root: the order the volume list gives.
    const std::vector<platform::Volume> volumes = platform::Volumes::list();
    ASSERT_EQ(computerItem()->childCount(), static_cast<int>(volumes.size()));
    for (size_t i = 0; i < volumes.size(); ++i)
        EXPECT_EQ(tree.folderItem(computerItem()->child(static_cast<int>(i)))->place.path, volumes[i].root) << i;
    EXPECT_NE(tree.findItem(early.root()), nullptr);
    EXPECT_NE(tree.findItem(late.root()), nullptr);
}

TEST_F(FolderTreeTest, DesktopFoldersAreReachedFromTheDesktop)
{
    const QString desktop = QDir::homePath() + QStringLiteral("/Desktop");
    QDir().mkpath(desktop + QStringLiteral("/trip/day1"));
    tree.initRoot();
    EXPECT_TRUE(tree.selectPath(desktop + QStringLiteral("/trip/day1")));
    EXPECT_EQ(tree.currentItem()->parent()->parent(), tree.topLevelItem(0));
    EXPECT_EQ(childTexts(tree.topLevelItem(0)).mid(1), (QStringList{"コンピュータ", "trip"}));
    QDir(desktop).removeRecursively();
}

TEST_F(FolderTreeTest, SelectionIsNotAnnouncedWhileDragging)
{
    ASSERT_TRUE(tree.selectPath(card.path("DCIM/100ABCDE")));
    QSignalSpy selected(&tree, &CFolderTree::folderSelected);
    tree.setDragging(true);
    tree.setCurrentItem(tree.findItem(card.path("DCIM/101ABCDE")));
    EXPECT_EQ(selected.count(), 0);
    tree.setDragging(false);
    tree.setCurrentItem(tree.findItem(card.path("DCIM")));
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected[0][0].toString(), card.path("DCIM"));
}

TEST_F(FolderTreeTest, NewFolderTakesTheFirstFreeNumberAndOpensItsLabel)
{
    const QString base = UiResources::string(CFolderTree::NewFolderNameString);
    ASSERT_FALSE(base.isEmpty());
    card.makeDir(QStringLiteral("DCIM/") + base);
    card.makeDir(QStringLiteral("DCIM/") + base + QStringLiteral(" (2)"));
    ASSERT_TRUE(tree.selectPath(card.path("DCIM")));

    ASSERT_TRUE(tree.newFolder());
    const QString made = card.path(QStringLiteral("DCIM/") + base + QStringLiteral(" (3)"));
    EXPECT_TRUE(QFileInfo(made).isDir());
    EXPECT_NE(tree.findItem(made), nullptr);
    EXPECT_EQ(tree.findItem(card.path("DCIM"))->childCount(), 5);
    QTRY_COMPARE_WITH_TIMEOUT(tree.currentPath(), made, 5000);
    EXPECT_TRUE(tree.isEditingLabel());
}

TEST_F(FolderTreeTest, NewFolderWhereAccessIsDeniedShowsTheMessage)
{
    std::vector<platform::MessageRecord> shown;
    const platform::MessageSink previous = platform::setMessageSink([&](const platform::MessageRecord& record) {
        shown.push_back(record);
        return int(platform::IdOk);
    });
    // Nobody, not even the super-user, makes folders at the top of sysfs.
    VolumeTable locked;
    locked.add(QStringLiteral("/sys/"), "fixed", QStringLiteral("sys"));
    ASSERT_TRUE(tree.selectPath(QStringLiteral("/sys/")));
    EXPECT_FALSE(tree.newFolder());
    platform::setMessageSink(previous);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, UiResources::string(CFolderTree::AccessDeniedString));
    EXPECT_EQ(shown[0].caption, UiResources::string(CFolderTree::ErrorCaptionString));
    EXPECT_EQ(shown[0].style & platform::MbIconMask, unsigned(platform::MbIconExclamation));

    // The computer is no folder: nothing to make there.
    tree.setCurrentItem(computerItem());
    EXPECT_FALSE(tree.newFolder());
}

TEST_F(FolderTreeTest, RenameChangesTheFolderAndItsItem)
{
    card.makeDir("DCIM/101ABCDE/sub");
    ASSERT_TRUE(tree.selectPath(card.path("DCIM/101ABCDE/sub")));
    QTreeWidgetItem* item = tree.findItem(card.path("DCIM/101ABCDE"));
    QSignalSpy renamed(&tree, &CFolderTree::folderRenamed);

    ASSERT_TRUE(tree.renameFolder(item, QStringLiteral("050TRIP_")));
    EXPECT_TRUE(QFileInfo(card.path("DCIM/050TRIP_/sub")).isDir());
    EXPECT_FALSE(card.exists("DCIM/101ABCDE"));
    EXPECT_EQ(item->text(0), QStringLiteral("050TRIP_"));
    EXPECT_EQ(tree.currentItem(), item);
    EXPECT_EQ(childTexts(item->parent()), (QStringList{"050TRIP_", "100ABCDE"}));
    // The children now live under the new name.
    EXPECT_NE(tree.findItem(card.path("DCIM/050TRIP_/sub")), nullptr);
    EXPECT_EQ(tree.findItem(card.path("DCIM/101ABCDE/sub")), nullptr);
    ASSERT_EQ(renamed.count(), 1);
    EXPECT_EQ(renamed[0][1].toString(), card.path("DCIM/050TRIP_"));

    // Another folder's name, a path, or a dot name change nothing.
    for (const char* bad : {"100ABCDE", "../escape", ".", ".."}) {
        EXPECT_FALSE(tree.renameFolder(item, QString::fromUtf8(bad))) << bad;
        EXPECT_EQ(item->text(0), QStringLiteral("050TRIP_"));
    }
    EXPECT_TRUE(QFileInfo(card.path("DCIM/100ABCDE")).isDir());
    EXPECT_TRUE(QFileInfo(card.path("DCIM/050TRIP_/sub")).isDir());
}

TEST_F(FolderTreeTest, LabelEditRenamesOnlyWhenTheFolderWasRenamed)
{
    tree.resize(400, 400);
    tree.show();
    ASSERT_TRUE(tree.selectPath(card.path("DCIM/101ABCDE")));
    QTreeWidgetItem* item = tree.currentItem();

    // Typing a new name and pressing Enter renames the folder.
    tree.editItem(item, 0);
    auto* editor = tree.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("102TRIP_"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(card.exists("DCIM/102TRIP_"), 5000);
    EXPECT_FALSE(card.exists("DCIM/101ABCDE"));
    EXPECT_EQ(item->text(0), QStringLiteral("102TRIP_"));

    // A name the file system refuses leaves folder and label as they were.
    tree.editItem(item, 0);
    editor = tree.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("100ABCDE"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(item->text(0), QStringLiteral("102TRIP_"));
    EXPECT_TRUE(card.exists("DCIM/102TRIP_"));
    EXPECT_TRUE(card.exists("DCIM/100ABCDE"));
}

TEST_F(FolderTreeTest, DeleteKeyTrashesTheSelectedFolder)
{
    ASSERT_TRUE(tree.selectPath(card.path("MISC")));
    QTest::keyClick(&tree, Qt::Key_Delete);
    EXPECT_FALSE(card.exists("MISC"));
    EXPECT_EQ(tree.currentItem(), cardItem());
}

TEST_F(FolderTreeTest, DrivesAndVirtualPlacesRefuseRenameAndDelete)
{
    ASSERT_TRUE(tree.selectPath(card.root()));
    QTreeWidgetItem* drive = cardItem();
    EXPECT_FALSE(tree.canRename(drive));
    EXPECT_FALSE(tree.canRename(computerItem()));
    EXPECT_FALSE(tree.canRename(tree.topLevelItem(0)));
    EXPECT_FALSE(tree.renameFolder(drive, QStringLiteral("other")));
    tree.editItem(drive, 0);
    EXPECT_FALSE(tree.isEditingLabel());
    EXPECT_FALSE(tree.deleteFolder());
    EXPECT_TRUE(QFileInfo(card.root()).isDir());
    EXPECT_TRUE(tree.canRename(tree.findItem(card.path("DCIM"))));
}

TEST_F(FolderTreeTest, DeleteMovesTheFolderToTheTrashAndSelectsItsParent)
{
    card.makeFile("DCIM/101ABCDE/IMG_0001.JPG", "picture");
    ASSERT_TRUE(tree.selectPath(card.path("DCIM/101ABCDE")));
    QSignalSpy deleted(&tree, &CFolderTree::folderDeleted);
    QSignalSpy selected(&tree, &CFolderTree::folderSelected);

    ASSERT_TRUE(tree.deleteFolder());
    EXPECT_FALSE(card.exists("DCIM/101ABCDE"));
    EXPECT_EQ(tree.findItem(card.path("DCIM/101ABCDE")), nullptr);
    EXPECT_EQ(tree.currentPath(), card.path("DCIM"));
    ASSERT_EQ(deleted.count(), 1);
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected[0][0].toString(), card.path("DCIM"));
    // Kept in the trash, with its content.
    const QString trashed = QDir::homePath() + QStringLiteral("/.local/share/Trash/files");
    bool found = false;
    for (const QString& name : QDir(trashed).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        found = found || QFile::exists(trashed + QLatin1Char('/') + name + QStringLiteral("/IMG_0001.JPG"));
    EXPECT_TRUE(found);

    // The last child gone, the parent loses its expander.
    ASSERT_TRUE(tree.selectPath(card.path("DCIM/100ABCDE")));
    ASSERT_TRUE(tree.deleteFolder());
    EXPECT_EQ(tree.findItem(card.path("DCIM"))->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
}

TEST_F(FolderTreeTest, DragOfAFolderIsAnnouncedAndBlocksSelection)
{
    // A tree whose drag records instead of running a real one.
    class RecordingTree : public CFolderTree {
    public:
        QStringList dragged;
        bool draggingDuringDrag = false;

    protected:
        void runFolderDrag(const QString& path) override
        {
            dragged << path;
            draggingDuringDrag = dragging();
        }
    };
    RecordingTree dragTree;
    dragTree.initRoot();
    dragTree.resize(400, 400);
    dragTree.show();
    ASSERT_TRUE(dragTree.selectPath(card.path("DCIM")));
    QTreeWidgetItem* item = dragTree.findItem(card.path("DCIM/100ABCDE"));
    ASSERT_NE(item, nullptr);
    QSignalSpy starting(&dragTree, &CFolderTree::dragStarting);
    QSignalSpy ended(&dragTree, &CFolderTree::dragEnded);

    const QPoint start = dragTree.visualItemRect(item).center();
    QTest::mousePress(dragTree.viewport(), Qt::LeftButton, {}, start);
    QMouseEvent move(QEvent::MouseMove, start + QPoint(30, 30), dragTree.viewport()->mapToGlobal(start + QPoint(30, 30)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dragTree.viewport(), &move);

    ASSERT_EQ(dragTree.dragged, QStringList{card.path("DCIM/100ABCDE")});
    EXPECT_TRUE(dragTree.draggingDuringDrag);
    EXPECT_FALSE(dragTree.dragging());
    EXPECT_EQ(starting.count(), 1);
    EXPECT_EQ(ended.count(), 1);
}

}  // namespace
