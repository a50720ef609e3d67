#include "fileops/CardCopy.h"

#include "fileops/Progress.h"
#include "imaging/ExifKitBinding.h"
#include "imaging/PackedDib.h"
#include "media/FakeCard.h"
#include "platform/MessageBox.h"

#include "TestData.h"

#include <QDir>
#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using testing_support::FakeTree;
using testing_support::VolumeTable;

namespace {

[[maybe_unused]] const bool librariesPinned = testing_support::pinLibraries({"ExifKit", "ImgShift"});

QString realFile(const std::string& relative)
{
    return QString::fromStdString(testdata::realWorld(relative));
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The shooting date as the exiv2 tool reads it: an oracle apart from the library under test.
QString exifTag(const QString& path, const char* key)
{
    QProcess tool;
    tool.start(QStringLiteral("exiv2"), {QStringLiteral("-q"), QStringLiteral("-K"), QLatin1String(key),
                                         QStringLiteral("-P"), QStringLiteral("v"), path});
    tool.waitForFinished(30000);
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

// Answers "cancel" from the given poll on, and records what the window was told.
class ScriptedProgress : public fileops::Progress {
public:
    explicit ScriptedProgress(int cancelAtPoll = -1) : cancelAtPoll_(cancelAtPoll) {}
    void open(const QString& text) override
    {
        ++opened;
        this->text = text;
    }
    void setItem(const QString& name) override { items << name; }
    void setProgress(qint64, qint64) override {}
    bool cancelRequested() override { return cancelAtPoll_ >= 0 && polls++ >= cancelAtPoll_; }
    void close() override { ++closed; }

    int opened = 0, closed = 0, polls = 0;
    QString text;
    QStringList items;

private:
    int cancelAtPoll_;
};

class CardCopyTest : public ::testing::Test {
protected:
    CardCopyTest()
    {
        volumes.add(card.root(), "removable", QStringLiteral("CARD"));
        folder = card.makeDir(QStringLiteral("DCIM/100ABCDE"));
        previousSink_ = platform::setMessageSink([this](const platform::MessageRecord& record) {
            messages << record.text;
            return platform::defaultAnswer(record.style);
        });
    }
    ~CardCopyTest() override { platform::setMessageSink(previousSink_); }

    QStringList cardFiles() const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }

    QString source(const QString& name, const QString& from)
    {
        const QString path = sources.path(name);
        EXPECT_TRUE(QFile::copy(from, path)) << from.toStdString();
        return path;
    }

    FakeTree card;
    FakeTree sources;
    VolumeTable volumes;
    QString folder;
    QStringList messages;

private:
    platform::MessageSink previousSink_;
};

TEST_F(CardCopyTest, PicturesBecomeNumberedExifJpegsAndTheMovieIsHandedBack)
{
    card.makeFile(QStringLiteral("DCIM/100ABCDE/IMGA0007.JPG"), "old picture");
    const QString jfif = source(QStringLiteral("plain.jpg"), realFile("jpeg_no_exif/digicam_corpus/Sony/FD5/MY_PHOTO/MVC-002F.JPG"));
    const QString exifJpeg = source(QStringLiteral("camera.jpg"), realFile("jpeg_exif/Canon IXUS.jpg"));
    const QString tiff = sources.path(QStringLiteral("scan.tif"));
    ASSERT_TRUE(testing_support::makeTiff(tiff, true));
    const QString movie = source(QStringLiteral("MVI_0121.AVI"),
                                 realFile("movies_mjpeg/digicam_corpus/Canon/PowerShot S40/MVI_0121.AVI"));
    const QByteArray jfifBefore = contents(jfif);

    ScriptedProgress progress;
    fileops::CardCopy copy(&progress);
    const fileops::CardCopyResult result = copy.run({jfif, exifJpeg, movie, tiff}, folder);

    EXPECT_FALSE(result.stopped);
    EXPECT_EQ(result.remaining, QStringList{movie});
    EXPECT_EQ(cardFiles(), (QStringList{"IMGA0007.JPG", "IMGA0008.JPG", "IMGA0009.JPG", "IMGA0010.JPG"}));
    EXPECT_EQ(progress.opened, 1);
    EXPECT_EQ(progress.closed, 1);
    EXPECT_EQ(progress.items, (QStringList{"plain.jpg", "camera.jpg", "scan.tif"}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'|').toStdString();

    imaging::ExifKitBinding exif;
    ASSERT_TRUE(exif.bind(imaging::ExifKitBinding::CheckFormat | imaging::ExifKitBinding::GetThumbnail,
                          imaging::ExifKitBinding::Messages::None));
    for (const char* name : {"IMGA0008.JPG", "IMGA0009.JPG", "IMGA0010.JPG"}) {
        const QString path = QDir(folder).filePath(QLatin1String(name));
        EXPECT_EQ(exif.checkFormat(path), EXIFKIT_EXIF_JPEG) << name;
        ExifParams params = imaging::makeExifParams();
        EXPECT_EQ(exif.getThumbnail(path, params), EXIFKIT_OK) << name;
        const imaging::PackedDib thumbnail = imaging::PackedDib::adopt(params.thumbnail);
        EXPECT_TRUE(thumbnail) << name;
    }
    // The JFIF picture is the same picture, the Exif JPEG the very same bytes, the TIFF keeps its date.
    EXPECT_EQ(QImage(QDir(folder).filePath("IMGA0008.JPG")).size(), QImage(jfif).size());
    EXPECT_EQ(contents(QDir(folder).filePath("IMGA0009.JPG")), contents(exifJpeg));
    EXPECT_EQ(QImage(QDir(folder).filePath("IMGA0010.JPG")).size(), QSize(16, 12));
    EXPECT_EQ(exifTag(QDir(folder).filePath("IMGA0010.JPG"), "Exif.Photo.DateTimeOriginal"),
              QStringLiteral("2001:02:03 04:05:06"));
    // The sources are untouched.
    EXPECT_EQ(contents(jfif), jfifBefore);
    EXPECT_TRUE(QFileInfo::exists(tiff));
}

TEST_F(CardCopyTest, AFullFolderStopsWithTheMessageAndWritesNothing)
{
    const QByteArray base = QFile::encodeName(folder) + "/IMGA";
    for (int n = 1; n <= 9999; ++n) {
        const QByteArray name = base + QByteArray::number(n).rightJustified(4, '0') + ".JPG";
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    const QString jfif = source(QStringLiteral("plain.jpg"), realFile("jpeg_no_exif/digicam_corpus/Sony/FD5/MY_PHOTO/MVC-002F.JPG"));
    const QString text = sources.makeFile(QStringLiteral("notes.txt"));

    ScriptedProgress progress;
    const fileops::CardCopyResult result = fileops::CardCopy(&progress).run({text, jfif}, folder);
    EXPECT_TRUE(result.stopped);
    EXPECT_TRUE(result.remaining.isEmpty());  // the non-pictures are not copied either
    EXPECT_EQ(fileops::CardCopy::asList(result), QStringList{QStringLiteral("Directory Not Found")});
    EXPECT_EQ(messages, QStringList{fileops::CardCopy::FullFolderMessage});
    EXPECT_EQ(progress.closed, progress.opened);
    EXPECT_EQ(cardFiles().size(), 9999);
}

TEST_F(CardCopyTest, CancelLeavesOnlyWholeFiles)
{
    const QString jfif = realFile("jpeg_no_exif/digicam_corpus/Sony/FD5/MY_PHOTO/MVC-002F.JPG");
    const QStringList files = {source(QStringLiteral("a.jpg"), jfif), source(QStringLiteral("b.jpg"), jfif),
                               source(QStringLiteral("c.jpg"), jfif)};
    ScriptedProgress progress(1);  // the second question after the window opened is answered "cancel"
    const fileops::CardCopyResult result = fileops::CardCopy(&progress).run(files, folder);

    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(cardFiles(), (QStringList{"IMGA0001.JPG", "IMGA0002.JPG"}));
    for (const QString& name : cardFiles())
        EXPECT_FALSE(QImage(QDir(folder).filePath(name)).isNull()) << name.toStdString();
    EXPECT_EQ(progress.closed, 1);
}

TEST_F(CardCopyTest, OtherFoldersHandEverythingBack)
{
    const QString jfif = source(QStringLiteral("plain.jpg"), realFile("jpeg_no_exif/digicam_corpus/Sony/FD5/MY_PHOTO/MVC-002F.JPG"));
    for (const char* relative : {"DCIM/100ABCDE/sub", "IM00ABCD", "DCIM"}) {
        const QString other = card.makeDir(QLatin1String(relative));
        ScriptedProgress progress;
        const fileops::CardCopyResult result = fileops::CardCopy(&progress).run({jfif}, other);
        EXPECT_FALSE(result.stopped) << relative;
        EXPECT_EQ(result.remaining, QStringList{jfif}) << relative;
        EXPECT_EQ(progress.opened, 0) << relative;
    }
    EXPECT_TRUE(cardFiles().isEmpty());
}

}  // namespace
