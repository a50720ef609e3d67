#include "fileops/CardPictures.h"

#include "media/FakeCard.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"

#include "TestData.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>

using testing_support::FakeTree;

namespace {

[[maybe_unused]] const bool librariesPinned = testing_support::pinLibraries({"ExifKit", "ImgShift"});
// A real camera file, or one of the made pictures, from the test data of the checkout.
QString testFile(const std::string& relative)
{
    return QString::fromStdString(testdata::require(relative));
}

class CardPicturesTest : public ::testing::Test {
protected:
    CardPicturesTest()
    {
        previousSink_ = platform::setMessageSink([this](const platform::MessageRecord& record) {
            messages.push_back(record.text);
            return platform::defaultAnswer(record.style);
        });
    }
    ~CardPicturesTest() override
    {
        platform::setMessageSink(previousSink_);
        platform::setProgramFolder(QString());
    }

    QString copyIn(const QString& from, const QString& name) const
    {
        const QString to = folder.path(name);
        EXPECT_TRUE(QFile::copy(from, to)) << from.toStdString();
        return to;
    }

    QStringList filesInFolder() const { return QDir(folder.root()).entryList(QDir::Files, QDir::Name); }

    int checkFormat(const QString& path) const
    {
        imaging::ExifKitBinding exif;
        EXPECT_TRUE(exif.bind(imaging::ExifKitBinding::CheckFormat, imaging::ExifKitBinding::Messages::None));
        return exif.checkFormat(path);
    }

    // Mean difference per channel between two pictures of the same size (decoded by Qt, independently
    // of the libraries under test).
    static double meanDifference(const QString& a, const QString& b)
    {
        const QImage first = QImage(a).convertToFormat(QImage::Format_RGB32);
        const QImage second = QImage(b).convertToFormat(QImage::Format_RGB32);
        if (first.isNull() || first.size() != second.size())
            return 1e9;
        double sum = 0;
        for (int y = 0; y < first.height(); ++y) {
            for (int x = 0; x < first.width(); ++x) {
                const QRgb p = first.pixel(x, y), q = second.pixel(x, y);
                sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
            }
        }
        return sum / (3.0 * first.width() * first.height());
    }

    FakeTree folder;
    QStringList messages;

private:
    platform::MessageSink previousSink_;
};

TEST_F(CardPicturesTest, AnExifJpegGoesAsItIs)
{
    const QString source = copyIn(testFile("realworld/jpeg_exif/Canon IXUS.jpg"), QStringLiteral("copy.jpg"));
    QString output;
    ASSERT_TRUE(fileops::convertToExifJpeg(source, &output));
    EXPECT_EQ(output, source);
    EXPECT_EQ(filesInFolder(), QStringList{"copy.jpg"});
}

TEST_F(CardPicturesTest, AJfifJpegBecomesAnExifJpegOfTheSamePicture)
{
    const QString source =
        copyIn(testFile("made/jpeg_no_exif/jfxx-app12.jpg"), QStringLiteral("plain.jpg"));
    QString output;
    ASSERT_TRUE(fileops::convertToExifJpeg(source, &output));
    EXPECT_NE(output, source);
    EXPECT_TRUE(QFileInfo(output).fileName().startsWith(QLatin1String("KESTRELDSC")));
    EXPECT_TRUE(output.endsWith(QLatin1String(".jpg")));
    EXPECT_EQ(checkFormat(output), EXIFKIT_EXIF_JPEG);
    EXPECT_LT(meanDifference(source, output), 4.0);
    // No intermediate picture is left behind.
    EXPECT_EQ(filesInFolder().size(), 2);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(CardPicturesTest, BmpAndExifTiffAreConverted)
{
    QImage scene(120, 90, QImage::Format_RGB32);
    scene.fill(QColor(40, 90, 160));
    QPainter painter(&scene);
    painter.setBrush(QColor(240, 200, 40));
    painter.drawEllipse(QPoint(60, 45), 30, 30);
    painter.end();
    const QString bmp = folder.path("scene.bmp");
    ASSERT_TRUE(scene.save(bmp, "BMP"));

    QString output;
    ASSERT_TRUE(fileops::convertToExifJpeg(bmp, &output));
    EXPECT_EQ(checkFormat(output), EXIFKIT_EXIF_JPEG);
    EXPECT_LT(meanDifference(bmp, output), 4.0);
    EXPECT_TRUE(QFileInfo::exists(bmp)); // the source is the caller's

    const QString tiff = folder.path("exif.tif");
    ASSERT_TRUE(testing_support::makeTiff(tiff, true));
    ASSERT_TRUE(fileops::convertToExifJpeg(tiff, &output));
    EXPECT_NE(output, tiff);
    EXPECT_EQ(checkFormat(output), EXIFKIT_EXIF_JPEG);
    EXPECT_EQ(QImage(output).size(), QSize(16, 12));
}

TEST_F(CardPicturesTest, ADamagedPictureFailsAndLeavesNothing)
{
    static const char brokenJpeg[] = "\xFF\xD8\xFF\xE0 not really a picture";
    static const char brokenBmp[] = "BM\x10\x00\x00\x00";
    folder.makeFile("broken.jpg", QByteArray(brokenJpeg, sizeof brokenJpeg - 1));
    folder.makeFile("broken.bmp", QByteArray(brokenBmp, sizeof brokenBmp - 1));
    QString output;
    EXPECT_FALSE(fileops::convertToExifJpeg(folder.path("broken.jpg"), &output));
    EXPECT_FALSE(fileops::convertToExifJpeg(folder.path("broken.bmp"), &output));
    EXPECT_EQ(filesInFolder(), (QStringList{"broken.bmp", "broken.jpg"}));
}

TEST_F(CardPicturesTest, MissingLibrariesFailQuietly)
{
    const QString source =
        copyIn(testFile("made/jpeg_no_exif/jfxx-app12.jpg"), QStringLiteral("plain.jpg"));
    FakeTree libraries;
    QString output;
    platform::setProgramFolder(libraries.root());
    EXPECT_FALSE(fileops::convertToExifJpeg(source, &output)); // no ExifKit

    ASSERT_TRUE(QFile::copy(QStringLiteral(KESTREL_BIN_DIR "/libExifKit.so"), libraries.path("libExifKit.so")));
    EXPECT_FALSE(fileops::convertToExifJpeg(source, &output)); // ExifKit, but no ImgShift
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(filesInFolder(), QStringList{"plain.jpg"});
}

TEST_F(CardPicturesTest, WhichFilesArePictures)
{
    ASSERT_TRUE(testing_support::makeTiff(folder.path("exif.TIF"), true));
    ASSERT_TRUE(testing_support::makeTiff(folder.path("plain.tif"), false));
    imaging::ExifKitBinding exif;
    ASSERT_TRUE(exif.bind(imaging::ExifKitBinding::CheckFormat, imaging::ExifKitBinding::Messages::None));
    for (const char* name : {"a.bmp", "A.JPG", "clip.Dvf", "title.TTL", "exif.TIF"})
        EXPECT_TRUE(fileops::isCardPicture(folder.path(QString::fromLatin1(name)), exif)) << name;
    for (const char* name : {"plain.tif", "missing.tif", "a.jpeg", "a.png", "notes.txt", "movie.avi", "jpg"})
        EXPECT_FALSE(fileops::isCardPicture(folder.path(QString::fromLatin1(name)), exif)) << name;
}

TEST_F(CardPicturesTest, UniqueNamesFromAPattern)
{
    EXPECT_EQ(fileops::uniqueNameFromPattern(folder.path("plain.jpg")), folder.path("plain.jpg"));
    EXPECT_FALSE(folder.exists("plain.jpg"));

    QStringList names;
    for (int i = 0; i < 20; ++i) {
        const QString name = fileops::uniqueNameFromPattern(folder.path("KESTRELDSC%lu.jpg"));
        ASSERT_FALSE(name.isEmpty());
        EXPECT_TRUE(QFileInfo::exists(name)); // reserved on the spot
        EXPECT_TRUE(
            QFileInfo(name).fileName().contains(QRegularExpression(QStringLiteral("^KESTRELDSC[0-9]+\\.jpg$"))));
        names << name;
    }
    names.removeDuplicates();
    EXPECT_EQ(names.size(), 20);
    EXPECT_TRUE(fileops::uniqueNameFromPattern(folder.path("missing/KESTRELDSC%lu.jpg")).isEmpty());
}

} // namespace
