#include "platform/Trash.h"

#include "MountSandbox.h"
#include "media/FakeCard.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QUrl>

#include <gtest/gtest.h>

#include <unistd.h>

using platform::Trash;
using platform::TrashStatus;
using testing_support::FakeTree;
using testing_support::MountSandbox;

namespace {

// Points the user's data folder (and so the home trash) at a folder of the test.
class DataHome {
public:
    explicit DataHome(const QString& folder) : previous_(qgetenv("XDG_DATA_HOME"))
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(folder));
    }
    ~DataHome() { qputenv("XDG_DATA_HOME", previous_); }
    DataHome(const DataHome&) = delete;
    DataHome& operator=(const DataHome&) = delete;

private:
    QByteArray previous_;
};

struct TrashInfo {
    bool wellFormed = false;
    QString path;
    QDateTime deleted;
};

// Reads an info file the way a file manager restoring the entry would.
TrashInfo readInfo(const QString& infoFile)
{
    TrashInfo info;
    QFile file(infoFile);
    if (!file.open(QIODevice::ReadOnly))
        return info;
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.value(0) != "[Trash Info]")
        return info;
    for (const QByteArray& line : lines) {
        if (line.startsWith("Path="))
            info.path = QUrl::fromPercentEncoding(line.mid(5));
        else if (line.startsWith("DeletionDate="))
            info.deleted = QDateTime::fromString(QString::fromLatin1(line.mid(13)), Qt::ISODate);
    }
    info.wellFormed = !info.path.isEmpty() && info.deleted.isValid();
    return info;
}

QString uid()
{
    return QString::number(::getuid());
}

TEST(Trash, HomeTrashKeepsContentRecordsTheOriginAndNeverReusesAName)
{
    FakeTree data;
    FakeTree pictures;
    DataHome home(data.root() + QStringLiteral("share"));
    // The same awkward name twice, from two folders: blanks, a per-cent sign and Japanese.
    const QString first = pictures.makeFile(QStringLiteral("a/写真 100%.jpg"), "first");
    const QString second = pictures.makeFile(QStringLiteral("b/写真 100%.jpg"), "second");

    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    QString inTrash1;
    QString inTrash2;
    ASSERT_EQ(Trash::moveToTrash(first, &inTrash1), TrashStatus::Done);
    ASSERT_EQ(Trash::moveToTrash(second, &inTrash2), TrashStatus::Done);
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);

    const QString trash = data.root() + QStringLiteral("share/Trash");
    EXPECT_EQ(inTrash1, trash + QStringLiteral("/files/写真 100%.jpg"));
    EXPECT_EQ(inTrash2, trash + QStringLiteral("/files/写真 100% (2).jpg"));
    EXPECT_FALSE(QFile::exists(first));
    EXPECT_FALSE(QFile::exists(second));
    for (const auto& [entry, origin, content] :
         {std::tuple{inTrash1, first, QByteArray("first")}, std::tuple{inTrash2, second, QByteArray("second")}}) {
        QFile file(entry);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << entry.toStdString();
        EXPECT_EQ(file.readAll(), content);
        const TrashInfo info = readInfo(trash + QStringLiteral("/info/") + QFileInfo(entry).fileName() +
                                        QStringLiteral(".trashinfo"));
        ASSERT_TRUE(info.wellFormed) << entry.toStdString();
        EXPECT_EQ(info.path, QFileInfo(origin).absoluteFilePath());
        EXPECT_TRUE(info.deleted >= before && info.deleted <= after) << info.deleted.toString().toStdString();
    }
    // Nothing but the two entries and their two info files.
    EXPECT_EQ(QDir(trash + QStringLiteral("/files")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 2);
    EXPECT_EQ(QDir(trash + QStringLiteral("/info")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 2);
}

TEST(Trash, OtherVolumeUsesItsOwnTrashWithARelativeOrigin)
{
    FakeTree data;
    DataHome home(data.root() + QStringLiteral("share"));
    FakeTree outer;
    const QString volume = outer.makeDir(QStringLiteral("volume"));
    MountSandbox mounts;
    if (!mounts.mountTmpfs(volume))
        GTEST_SKIP() << "no second volume can be mounted here: " << MountSandbox::reason().toStdString();

    QDir().mkpath(volume + QStringLiteral("/DCIM/100ABCDE"));
    const QString picture = volume + QStringLiteral("/DCIM/100ABCDE/IMGA0001.JPG");
    QFile file(picture);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("card picture");
    file.close();

    EXPECT_EQ(Trash::mountPointOf(picture), volume);
    QString inTrash;
    ASSERT_EQ(Trash::moveToTrash(picture, &inTrash), TrashStatus::Done);
    const QString trash = volume + QStringLiteral("/.Trash-") + uid();
    EXPECT_EQ(inTrash, trash + QStringLiteral("/files/IMGA0001.JPG"));
    const TrashInfo info = readInfo(trash + QStringLiteral("/info/IMGA0001.JPG.trashinfo"));
    ASSERT_TRUE(info.wellFormed);
    EXPECT_EQ(info.path, QStringLiteral("DCIM/100ABCDE/IMGA0001.JPG"));
    EXPECT_FALSE(QDir(data.root() + QStringLiteral("share/Trash/files")).exists());
}

TEST(Trash, ReadOnlyVolumeWithAnOldTrashIsRefusedAtOnce)
{
    FakeTree data;
    DataHome home(data.root() + QStringLiteral("share"));
    FakeTree outer;
    const QString volume = outer.makeDir(QStringLiteral("volume"));
    MountSandbox mounts;
    if (!mounts.mountTmpfs(volume))
        GTEST_SKIP() << "no volume can be mounted here: " << MountSandbox::reason().toStdString();
    // The card was used before: its trash exists, but nothing more can be written on it.
    QDir().mkpath(volume + QStringLiteral("/.Trash-") + uid() + QStringLiteral("/files"));
    QDir().mkpath(volume + QStringLiteral("/.Trash-") + uid() + QStringLiteral("/info"));
    const QString picture = volume + QStringLiteral("/IMGA0001.JPG");
    QFile file(picture);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("card picture");
    file.close();
    ASSERT_TRUE(mounts.makeReadOnly(volume));

    EXPECT_EQ(Trash::check(picture), TrashStatus::ReadOnly);
    EXPECT_EQ(Trash::moveToTrash(picture), TrashStatus::ReadOnly);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("card picture"));
    EXPECT_TRUE(QDir(volume + QStringLiteral("/.Trash-") + uid() + QStringLiteral("/info")).isEmpty());
}

} // namespace
