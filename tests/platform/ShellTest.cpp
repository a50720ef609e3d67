#include "platform/Shell.h"

#include "media/FakeCard.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>

#include <unistd.h>

using platform::PlaceKind;
using platform::Shell;
using platform::ShellItem;
using platform::Volume;
using platform::VolumeType;
using testing_support::FakeTree;
using testing_support::VolumeTable;

namespace {

QStringList namesOf(const std::vector<ShellItem>& items)
{
    QStringList names;
    for (const ShellItem& item : items)
        names << item.displayName;
    return names;
}

std::vector<ShellItem> childrenOf(const ShellItem& parent)
{
    std::vector<ShellItem> out;
    EXPECT_TRUE(Shell::children(parent, out)) << parent.path.toStdString();
    return out;
}

// A desktop folder in the test's home for the length of one test.
class DesktopFolder {
public:
    DesktopFolder() : path_(QDir::homePath() + QStringLiteral("/Desktop")) { QDir().mkpath(path_); }
    ~DesktopFolder() { QDir(path_).removeRecursively(); }
    DesktopFolder(const DesktopFolder&) = delete;
    DesktopFolder& operator=(const DesktopFolder&) = delete;
    QString path() const { return path_; }
    void makeDir(const char* name) const { QDir().mkpath(path_ + QLatin1Char('/') + QLatin1String(name)); }

private:
    QString path_;
};

TEST(ShellVolumeLabels, CardDrivesAndDiscsAreLabelledTheFixedWay)
{
    const auto volume = [](const char* root, VolumeType type, const char* label) {
        Volume v;
        v.root = QString::fromUtf8(root);
        v.type = type;
        v.label = QString::fromUtf8(label);
        return v;
    };
    // A removable drive never shows its medium's label as its name, only as its tag.
    EXPECT_EQ(Shell::volumeDisplayName(volume("/media/u/EOS/", VolumeType::Removable, "EOS_DIGITAL")),
              QStringLiteral("リムーバブル ディスク (EOS_DIGITAL)"));
    EXPECT_EQ(Shell::volumeDisplayName(volume("/media/u/sdcard/", VolumeType::Removable, "")),
              QStringLiteral("リムーバブル ディスク (sdcard)"));
    EXPECT_EQ(Shell::volumeDisplayName(volume("/media/cdrom/", VolumeType::CdRom, "PHOTOS")),
              QStringLiteral("PHOTOS (PHOTOS)"));
    EXPECT_EQ(Shell::volumeDisplayName(volume("/media/cdrom/", VolumeType::CdRom, "")),
              QStringLiteral("CD ドライブ (cdrom)"));
    EXPECT_EQ(Shell::volumeDisplayName(volume("/", VolumeType::Fixed, "")), QStringLiteral("ローカル ディスク (/)"));
    EXPECT_EQ(Shell::volumeDisplayName(volume("/data/", VolumeType::Fixed, "Data")), QStringLiteral("Data (Data)"));
}

TEST(ShellPlaces, DesktopHoldsHomeComputerThenItsOwnFolders)
{
    VolumeTable table;
    const FakeTree& system = table.addDrive("fixed", "root", true);
    const FakeTree& card = table.addDrive("removable", "CARD");
    const FakeTree& disc = table.addDrive("cdrom", "");
    DesktopFolder desktopFolder;
    desktopFolder.makeDir("b10");
    desktopFolder.makeDir("B9");
    desktopFolder.makeDir("a");
    desktopFolder.makeDir(".hidden");
    QFile(desktopFolder.path() + QStringLiteral("/note.txt")).open(QIODevice::WriteOnly);

    const ShellItem desktop = Shell::desktop();
    EXPECT_EQ(desktop.kind, PlaceKind::Desktop);
    EXPECT_EQ(desktop.path, QDir::cleanPath(desktopFolder.path()));
    const std::vector<ShellItem> top = childrenOf(desktop);
    ASSERT_EQ(top.size(), 5u);
    EXPECT_EQ(top[0].kind, PlaceKind::Home);
    EXPECT_EQ(top[0].path, QDir::cleanPath(QDir::homePath()));
    EXPECT_EQ(top[1].kind, PlaceKind::Computer);
    EXPECT_EQ(top[1].displayName, QStringLiteral("コンピュータ"));
    EXPECT_EQ(namesOf(top).mid(2), (QStringList{"a", "B9", "b10"}));

    const std::vector<ShellItem> drives = childrenOf(top[1]);
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_EQ(drives[0].path, system.root());
    EXPECT_EQ(drives[1].path, QDir::cleanPath(card.root()) < QDir::cleanPath(disc.root()) ? card.root() : disc.root());
    for (size_t i = 0; i < drives.size(); ++i)
        EXPECT_EQ(drives[i].volumeIndex, static_cast<int>(i));
    for (const ShellItem& drive : drives) {
        EXPECT_EQ(drive.kind, PlaceKind::Volume);
        // Drives are never renamed or deleted from the tree, and always offer to be opened.
        EXPECT_FALSE(drive.attributes & (platform::SfgaoCanRename | platform::SfgaoCanDelete));
        EXPECT_TRUE(drive.has(platform::SfgaoHasSubFolder | platform::SfgaoFolder | platform::SfgaoFileSystem));
        if (drive.path == card.root()) {
            EXPECT_EQ(drive.displayName, QStringLiteral("リムーバブル ディスク (CARD)"));
            EXPECT_TRUE(drive.has(platform::SfgaoRemovable));
        } else if (drive.path == disc.root()) {
            EXPECT_EQ(drive.displayName, QStringLiteral("CD ドライブ (") + QDir(disc.root()).dirName() + ")");
            EXPECT_TRUE(drive.has(platform::SfgaoRemovable));
        } else {
            EXPECT_FALSE(drive.has(platform::SfgaoRemovable));
        }
    }
}

TEST(ShellPlaces, WithoutADesktopFolderTheHomeFolderIsTheDesktop)
{
    QDir(QDir::homePath() + QStringLiteral("/Desktop")).removeRecursively();
    EXPECT_EQ(Shell::desktopFolder(), QDir::cleanPath(QDir::homePath()));
    EXPECT_EQ(Shell::desktop().displayName, QStringLiteral("デスクトップ"));
}

TEST(ShellChildren, OnlyVisibleFoldersInNaturalOrderWithTheirBits)
{
    VolumeTable table;
    const FakeTree& card = table.addDrive("removable", "CARD");
    card.makeDir("DCIM/100ABCDE");
    card.makeDir("DCIM/99ZZZZZZ");
    card.makeDir("DCIM/img10");
    card.makeDir("DCIM/IMG2/inner");
    card.makeDir("DCIM/.thumbnails");
    card.makeFile("DCIM/IMG_0001.JPG");
    card.makeFile("DCIM/zz.txt");

    const std::vector<ShellItem> folders = childrenOf(Shell::folder(card.path("DCIM")));
    EXPECT_EQ(namesOf(folders), (QStringList{"99ZZZZZZ", "100ABCDE", "IMG2", "img10"}));
    for (const ShellItem& folder : folders) {
        EXPECT_EQ(folder.kind, PlaceKind::Folder);
        EXPECT_EQ(folder.path, card.path(QStringLiteral("DCIM/") + folder.displayName));
        EXPECT_TRUE(folder.has(platform::SfgaoRemovable | platform::SfgaoCanRename | platform::SfgaoCanDelete));
        // Only IMG2 holds a folder; a hidden one would not count.
        EXPECT_EQ(folder.has(platform::SfgaoHasSubFolder), folder.displayName == QLatin1String("IMG2"))
            << folder.displayName.toStdString();
    }
    EXPECT_TRUE(Shell::folder(card.path("DCIM")).has(platform::SfgaoHasSubFolder));

    std::vector<ShellItem> out{Shell::computer()};
    EXPECT_FALSE(Shell::children(Shell::folder(card.path("gone")), out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(Shell::children(Shell::folder(card.path("DCIM/zz.txt")), out));
}

TEST(ShellChildren, AMountPointIsNeitherRenamedNorDeleted)
{
    VolumeTable table;
    const FakeTree& disk = table.addDrive("fixed", "data", true);
    disk.makeDir("mnt/card/DCIM");
    disk.makeDir("mnt/plain");
    table.add(disk.path("mnt/card/"), "removable", QStringLiteral("CARD"));

    const std::vector<ShellItem> folders = childrenOf(Shell::folder(disk.path("mnt")));
    ASSERT_EQ(namesOf(folders), (QStringList{"card", "plain"}));
    EXPECT_FALSE(folders[0].attributes & (platform::SfgaoCanRename | platform::SfgaoCanDelete));
    EXPECT_TRUE(folders[0].has(platform::SfgaoRemovable));
    EXPECT_TRUE(folders[1].has(platform::SfgaoCanRename | platform::SfgaoCanDelete));
    EXPECT_FALSE(folders[1].has(platform::SfgaoRemovable));
}

TEST(ShellChildren, UnreadableFolderCannotBeListed)
{
    if (::getuid() == 0)
        GTEST_SKIP() << "permissions do not stop the super-user";
    FakeTree tree;
    const QString locked = tree.makeDir("locked/inner");
    QFile::setPermissions(tree.path("locked"), QFile::ExeOwner);
    std::vector<ShellItem> out;
    EXPECT_FALSE(Shell::children(Shell::folder(tree.path("locked")), out));
    QFile::setPermissions(tree.path("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(ShellCompare, NaturalOrderIgnoresCaseAndCountsNumbers)
{
    const struct {
        const char* a;
        const char* b;
        int expected;
    } rows[] = {
        {"img2", "IMG10", -1}, {"IMG10", "img2", 1},   {"abc", "ABD", -1},   {"100ABCDE", "99ZZZZZZ", 1},
        {"a01", "a1", -1},     {"A1", "a1", -1},       {"a1", "a1", 0},      {"a", "a0", -1},
        {"", "a", -1},         {"x9y", "x09z", -1},    {"00", "0", -1},      {"写真2", "写真10", -1},
        {"a 2", "a 10", -1},   {"b", "A", 1},          {"1", "a", -1},
    };
    for (const auto& row : rows) {
        const int result = Shell::naturalCompare(QString::fromUtf8(row.a), QString::fromUtf8(row.b));
        EXPECT_EQ(result, row.expected) << row.a << " vs " << row.b;
        EXPECT_EQ(Shell::naturalCompare(QString::fromUtf8(row.b), QString::fromUtf8(row.a)), -row.expected)
            << row.b << " vs " << row.a;
    }
}

TEST(ShellChain, CardPathGoesThroughTheComputerAndItsDrive)
{
    VolumeTable table;
    table.addDrive("fixed", "root", true);
    const FakeTree& card = table.addDrive("removable", "CARD");

    const std::vector<ShellItem> chain = Shell::chainTo(card.path("DCIM/100ABCDE/"));
    ASSERT_EQ(chain.size(), 5u);
    EXPECT_EQ(chain[0].kind, PlaceKind::Desktop);
    EXPECT_EQ(chain[1].kind, PlaceKind::Computer);
    EXPECT_EQ(chain[2].kind, PlaceKind::Volume);
    EXPECT_EQ(chain[2].path, card.root());
    EXPECT_EQ(chain[3].path, card.path("DCIM"));
    EXPECT_EQ(chain[4].path, card.path("DCIM/100ABCDE"));
    EXPECT_EQ(chain[4].displayName, QStringLiteral("100ABCDE"));

    // The drive root alone ends at the drive.
    EXPECT_EQ(Shell::chainTo(card.root()).size(), 3u);
}

TEST(ShellChain, HomeAndDesktopPathsGoThroughTheirOwnPlaces)
{
    VolumeTable table;
    table.add(QStringLiteral("/"), "fixed", QStringLiteral("root"));
    const QString home = QDir::cleanPath(QDir::homePath());

    std::vector<ShellItem> chain = Shell::chainTo(home + QStringLiteral("/Pictures/2024/"));
    ASSERT_EQ(chain.size(), 4u);
    EXPECT_EQ(chain[1].kind, PlaceKind::Home);
    EXPECT_EQ(chain[2].path, home + QStringLiteral("/Pictures"));
    EXPECT_EQ(chain[3].path, home + QStringLiteral("/Pictures/2024"));

    DesktopFolder desktopFolder;
    chain = Shell::chainTo(desktopFolder.path() + QStringLiteral("/trip"));
    ASSERT_EQ(chain.size(), 2u);
    EXPECT_EQ(chain[1].kind, PlaceKind::Folder);
    EXPECT_EQ(chain[1].path, desktopFolder.path() + QStringLiteral("/trip"));
    EXPECT_EQ(Shell::chainTo(desktopFolder.path()).size(), 1u);

    // Outside home and desktop, the system volume is reached through the computer.
    chain = Shell::chainTo(QStringLiteral("/usr/share"));
    ASSERT_EQ(chain.size(), 5u);
    EXPECT_EQ(chain[1].kind, PlaceKind::Computer);
    EXPECT_EQ(chain[2].path, QStringLiteral("/"));
    EXPECT_EQ(chain[4].path, QStringLiteral("/usr/share"));
}

TEST(ShellChain, PathOnNoVolumeReachesOnlyTheDesktop)
{
    VolumeTable table;
    table.addDrive("removable", "CARD");
    EXPECT_EQ(Shell::chainTo(QStringLiteral("/nowhere/at/all")).size(), 1u);
}

TEST(ShellIcons, EveryKindHasBothSizes)
{
    VolumeTable table;
    const FakeTree& card = table.addDrive("removable", "CARD");
    card.makeDir("DCIM");
    std::vector<ShellItem> drives;
    ASSERT_TRUE(Shell::children(Shell::computer(), drives));
    ASSERT_EQ(drives.size(), 1u);
    for (const ShellItem& place : {Shell::desktop(), Shell::home(), Shell::computer(), drives[0],
                                   Shell::folder(card.path("DCIM"))}) {
        for (const auto size : {platform::IconSize::Small, platform::IconSize::Large}) {
            const QIcon icon = Shell::icon(place, size);
            ASSERT_FALSE(icon.isNull()) << place.displayName.toStdString();
            EXPECT_EQ(icon.availableSizes().value(0).width(), static_cast<int>(size));
        }
    }
}

}  // namespace

namespace {

TEST(ShellTrash, FolderGoesToTheHomeTrashWithItsContent)
{
    FakeTree tree;
    tree.makeFile("album/IMG_0001.JPG", "picture");
    QString trashed;
    ASSERT_TRUE(Shell::moveToTrash(tree.path("album"), &trashed));
    EXPECT_FALSE(tree.exists("album"));
    EXPECT_TRUE(trashed.startsWith(QDir::homePath())) << trashed.toStdString();
    QFile content(trashed + QStringLiteral("/IMG_0001.JPG"));
    ASSERT_TRUE(content.open(QIODevice::ReadOnly));
    EXPECT_EQ(content.readAll(), QByteArray("picture"));
}

TEST(ShellTrash, WithoutAUsableTrashTheFolderStaysWhereItWas)
{
    FakeTree tree;
    tree.makeFile("album/IMG_0001.JPG", "picture");
    // A data folder that cannot exist (its parent is a file) leaves no home trash to use.
    const QString blocker = tree.makeFile("blocker");
    const QByteArray previousData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(blocker + QStringLiteral("/data")));
    const QString previousCurrent = QDir::currentPath();
    const QString work = tree.makeDir("work");
    QDir::setCurrent(work);

    EXPECT_FALSE(Shell::moveToTrash(tree.path("album")));

    QDir::setCurrent(previousCurrent);
    if (previousData.isEmpty())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", previousData);
    EXPECT_EQ(tree.read("album/IMG_0001.JPG"), QByteArray("picture"));
    EXPECT_EQ(QDir(work).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

}  // namespace
