#include "fileops/ClipboardData.h"

#include "TempFolder.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

using namespace fileops::clipboard;

namespace {

const QStringList HostilePaths = {
    QStringLiteral("/card/DCIM/100ABCDE/IMGA0001.JPG"),
    QStringLiteral("/home/user/写真/夏 休み.jpg"),
    QStringLiteral("/tmp/a \"quoted\" name#1%20.jpg"),
    QStringLiteral("/tmp/line\nbreak.jpg"),
};

quint32 le32At(const QByteArray& block, int at)
{
    return quint8(block[at]) | quint8(block[at + 1]) << 8 | quint8(block[at + 2]) << 16 | quint32(quint8(block[at + 3])) << 24;
}

TEST(ClipboardData, DroppedFilesBlockHasTheFixedHeaderAndEndsWithAnEmptyString)
{
    const QByteArray block = dropFilesBlock({QStringLiteral("/a/b.jpg"), QStringLiteral("/c.txt")});
    ASSERT_EQ(block.size(), 20 + 9 + 7 + 1);
    EXPECT_EQ(le32At(block, 0), 20u);
    for (int field = 4; field < 20; field += 4)
        EXPECT_EQ(le32At(block, field), 0u) << field;
    EXPECT_EQ(block.mid(20), QByteArray("/a/b.jpg\0/c.txt\0\0", 17));
    EXPECT_EQ(dropFilesBlock({}), QByteArray(20, '\0').replace(0, 1, "\x14") + QByteArray(1, '\0'));

    EXPECT_EQ(parseDropFilesBlock(dropFilesBlock(HostilePaths)), HostilePaths);
}

TEST(ClipboardData, BlocksFromOtherWritersAndDamagedBlocks)
{
    // A wide block with its list further on, as another program may write it.
    QByteArray wide(24, '\0');
    wide[0] = 24;
    wide[16] = 1;
    for (const QString& path : {QStringLiteral("/x/夏.jpg"), QStringLiteral("/y")}) {
        for (QChar c : path)
            wide.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        wide.append(2, '\0');
    }
    wide.append(2, '\0');
    EXPECT_EQ(parseDropFilesBlock(wide), (QStringList{QStringLiteral("/x/夏.jpg"), QStringLiteral("/y")}));

    QByteArray narrow = dropFilesBlock({QStringLiteral("/one")});
    EXPECT_TRUE(parseDropFilesBlock(narrow.left(19)).isEmpty());
    QByteArray beyond = narrow;
    beyond[0] = char(0x7F);
    EXPECT_TRUE(parseDropFilesBlock(beyond).isEmpty());
    QByteArray inside = narrow;
    inside[0] = 4;  // points into the header
    EXPECT_TRUE(parseDropFilesBlock(inside).isEmpty());
    // Without its terminators the last path still ends at the buffer's end.
    narrow.chop(2);
    EXPECT_EQ(parseDropFilesBlock(narrow), QStringList{QStringLiteral("/one")});

    // A name that begins with a byte-order mark is read whole, and the block it is written to again reads
    // the same (once it read as an empty name, which ended the list).
    const QStringList marked{QStringLiteral("\uFEFF"), QStringLiteral("\uFEFFa.jpg"), QStringLiteral("/b")};
    EXPECT_EQ(parseDropFilesBlock(dropFilesBlock(marked)), marked);
    // A name cut inside a character still counts: it is not taken for the list's end.
    QByteArray cut = dropFilesBlock({QStringLiteral("/a")});
    cut.insert(20, QByteArray("\xE5\x00", 2));
    EXPECT_EQ(parseDropFilesBlock(cut), (QStringList{QStringLiteral("\uFFFD"), QStringLiteral("/a")}));
}

TEST(ClipboardData, WhatTheProgramPutsUpReadsBackInEveryForm)
{
    for (Action action : {Action::Copy, Action::Cut}) {
        std::unique_ptr<QMimeData> data(makeFileMimeData(HostilePaths, action));
        const bool cut = action == Action::Cut;
        EXPECT_EQ(data->data(KdeCutFormat), cut ? QByteArray("1") : QByteArray("0"));
        const QList<QByteArray> gnome = data->data(GnomeFormat).split('\n');
        ASSERT_EQ(gnome.size(), HostilePaths.size() + 1);
        EXPECT_EQ(gnome[0], cut ? QByteArray("cut") : QByteArray("copy"));
        EXPECT_EQ(parseDropFilesBlock(data->data(PrivateFormat)), HostilePaths);
        // Qt's own reading of the URI list, as any other program of the desktop does it.
        QStringList viaUrls;
        for (const QUrl& url : data->urls())
            viaUrls << url.toLocalFile();
        EXPECT_EQ(viaUrls, HostilePaths);

        const ClipboardFiles files = readFiles(data.get());
        EXPECT_TRUE(files.ours);
        EXPECT_EQ(files.cut, cut);
        EXPECT_EQ(files.paths, HostilePaths);
    }
    EXPECT_TRUE(readFiles(nullptr).paths.isEmpty());
}

TEST(ClipboardData, FileManagerClipboards)
{
    // A cut in a GNOME-style file manager: its list only, with a remote location among the files.
    QMimeData nautilus;
    nautilus.setData(GnomeFormat, "cut\nfile:///home/u/a%20b.jpg\nsftp://host/x.jpg\nfile:///home/u/c.JPG");
    nautilus.setText(QStringLiteral("/home/u/a b.jpg"));
    ClipboardFiles files = readFiles(&nautilus);
    EXPECT_FALSE(files.ours);
    EXPECT_TRUE(files.cut);
    EXPECT_EQ(files.paths, (QStringList{QStringLiteral("/home/u/a b.jpg"), QStringLiteral("/home/u/c.JPG")}));

    // A copy in a KDE-style file manager: a URI list with comments and CR LF, and the cut word "0".
    QMimeData dolphin;
    dolphin.setData(UriListFormat, "# comment\r\nfile:///media/card/DCIM/%E5%86%99.jpg\r\nhttp://x/y\r\n"
                                   "file://otherhost/z.jpg\r\nfile://localhost/tmp/q.jpg\r\n");
    dolphin.setData(KdeCutFormat, "0");
    files = readFiles(&dolphin);
    EXPECT_FALSE(files.cut);
    EXPECT_EQ(files.paths, (QStringList{QStringLiteral("/media/card/DCIM/写.jpg"), QStringLiteral("/tmp/q.jpg")}));
    dolphin.setData(KdeCutFormat, "1");
    EXPECT_TRUE(readFiles(&dolphin).cut);

    QMimeData textOnly;
    textOnly.setText(QStringLiteral("file:///etc/passwd"));
    EXPECT_TRUE(readFiles(&textOnly).paths.isEmpty());
}

TEST(ClipboardData, DropEffectByKeysAndVolume)
{
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    const Qt::KeyboardModifiers both = Qt::ControlModifier | Qt::ShiftModifier;
    struct Row {
        Qt::KeyboardModifiers keys;
        bool sameVolume;
        Qt::DropAction effect;
    };
    const Row rows[] = {
        {none, false, Qt::CopyAction}, {shift, false, Qt::MoveAction}, {both, false, Qt::LinkAction},
        {ctrl, false, Qt::CopyAction}, {none, true, Qt::MoveAction},   {ctrl, true, Qt::CopyAction},
        {shift, true, Qt::MoveAction}, {both, true, Qt::LinkAction},
    };
    for (const Row& row : rows)
        EXPECT_EQ(dropEffect(row.keys, row.sameVolume), row.effect) << int(row.keys) << ' ' << row.sameVolume;

    TempFolder folder;
    const QString file = folder.write(QStringLiteral("a.jpg"), "x");
    EXPECT_TRUE(onSameVolume(file, folder.path()));
    EXPECT_FALSE(onSameVolume(folder.file(QStringLiteral("missing")), folder.path()));
    if (QFileInfo(QStringLiteral("/proc/self")).exists()) {
        EXPECT_FALSE(onSameVolume(QStringLiteral("/proc/self/status"), folder.path()));
    }
}

TEST(ClipboardData, ShortcutsAreNumberedAndNeverReplaceAnything)
{
    TempFolder folder;
    const QString target = folder.write(QStringLiteral("src/IMGA0001.JPG"), "picture");
    const QString into = folder.mkdir(QStringLiteral("into"));
    const QString base = QStringLiteral("IMGA0001.JPGへのショートカット");
    // A dangling link already holds the plain name: it must be neither followed nor replaced.
    ASSERT_TRUE(QFile::link(folder.file(QStringLiteral("gone")), into + QLatin1Char('/') + base));

    const QStringList made = createShortcuts({target, target}, into);
    ASSERT_EQ(made.size(), 2);
    EXPECT_EQ(QFileInfo(made[0]).fileName(), base + QStringLiteral(" (2)"));
    EXPECT_EQ(QFileInfo(made[1]).fileName(), base + QStringLiteral(" (3)"));
    for (const QString& link : made) {
        EXPECT_TRUE(QFileInfo(link).isSymLink());
        EXPECT_EQ(QFileInfo(link).symLinkTarget(), target);
    }
    EXPECT_EQ(QFileInfo(into + QLatin1Char('/') + base).symLinkTarget(), folder.file(QStringLiteral("gone")));

    // The first failure stops the rest.
    EXPECT_TRUE(createShortcuts({target}, folder.file(QStringLiteral("no/such/folder"))).isEmpty());
}

}  // namespace
