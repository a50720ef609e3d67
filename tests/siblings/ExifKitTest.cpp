// ExifKit against exiv2 (what the files record) and djpeg (how the pictures decode), on real camera
// files and fixtures; the writers against exiv2 reading their output back.

#include "siblings/ExifParamsGuard.h"
#include "siblings/SiblingTestSupport.h"

#include "ExifKit.h"
#include "ImgProbe.h"
#include "QuilJpeg.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QFileDevice>
#include <QTemporaryDir>

#include <ctime>

using namespace siblingtest;

namespace {

int exivNumber(const std::string& path, const char* key)
{
    const std::string value = exiv2Value(path, key);
    return value.empty() ? 0 : std::atoi(value.c_str());
}

// "640 x 480" from exiv2's summary.
std::pair<int, int> exivImageSize(const std::string& path)
{
    const QByteArray out = runTool(QStringLiteral("exiv2"), {QStringLiteral("-q"), QStringLiteral("pr"), QString::fromStdString(path)});
    for (const QByteArray& line : out.split('\n'))
        if (line.startsWith("Image size")) {
            const QList<QByteArray> parts = line.split(':').value(1).trimmed().split(' ');
            return {parts.value(0).toInt(), parts.value(2).toInt()};
        }
    return {0, 0};
}

// The thumbnail's size as exiv2 sees it: the extracted JPEG's frame size, or the IFD1 tags for an
// uncompressed one.
std::pair<int, int> exivThumbnailSize(const std::string& path, const QString& folder)
{
    const QString copy = folder + QStringLiteral("/probe.jpg");
    QFile::remove(copy);
    QFile::copy(QString::fromStdString(path), copy);
    runTool(QStringLiteral("exiv2"), {QStringLiteral("-q"), QStringLiteral("-f"), QStringLiteral("-et"), copy});
    const QString jpegThumb = folder + QStringLiteral("/probe-thumb.jpg");
    if (QFile::exists(jpegThumb)) {
        const Rgb rgb = bmpPixels(djpegBmp(jpegThumb.toStdString()));
        QFile::remove(jpegThumb);
        return {rgb.width, rgb.height};
    }
    QFile::remove(folder + QStringLiteral("/probe-thumb.tif"));
    return {exivNumber(path, "Exif.Thumbnail.ImageWidth"), exivNumber(path, "Exif.Thumbnail.ImageLength")};
}

bool exivHasExif(const std::string& path)
{
    const QByteArray out = runTool(QStringLiteral("exiv2"), {QStringLiteral("-q"), QStringLiteral("-PEk"), QString::fromStdString(path)});
    return out.contains("Exif.");
}

// Fits a picture into w x h by averaging, the way a camera makes its thumbnail, for comparing contents.
Rgb shrink(const Rgb& in, int w, int h)
{
    Rgb out{w, h, std::vector<uint8_t>(static_cast<std::size_t>(w) * h * 3)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                const int x0 = x * in.width / w, x1 = std::max(x0 + 1, (x + 1) * in.width / w);
                const int y0 = y * in.height / h, y1 = std::max(y0 + 1, (y + 1) * in.height / h);
                long sum = 0;
                for (int sy = y0; sy < y1; ++sy)
                    for (int sx = x0; sx < x1; ++sx)
                        sum += in.at(sx, sy)[c];
                out.pixels[(static_cast<std::size_t>(y) * w + x) * 3 + c] = static_cast<uint8_t>(sum / ((x1 - x0) * (y1 - y0)));
            }
    return out;
}

// The compressed picture data: from the first start-of-scan marker to the end of the file.
QByteArray scanData(const QByteArray& jpeg)
{
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && static_cast<uint8_t>(jpeg[at]) == 0xFF) {
        const uint8_t marker = static_cast<uint8_t>(jpeg[at + 1]);
        if (marker == 0xDA)
            return jpeg.mid(at);
        at += 2 + (static_cast<uint8_t>(jpeg[at + 2]) << 8 | static_cast<uint8_t>(jpeg[at + 3]));
    }
    return {};
}

// The picture as seen under Exif orientation `tag`, worked out from the tag's definition (where the
// stored first row and first column end up on screen), one displayed pixel at a time.
Rgb turnedByHand(const Rgb& stored, int tag)
{
    const bool quarter = tag >= 5 && tag <= 8;
    const int w = quarter ? stored.height : stored.width;
    const int h = quarter ? stored.width : stored.height;
    Rgb out{w, h, std::vector<uint8_t>(static_cast<std::size_t>(w) * h * 3)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int sx = x, sy = y;
            switch (tag) {
            case 2: sx = w - 1 - x; break;                   // first column on the right
            case 3: sx = w - 1 - x, sy = h - 1 - y; break;   // first row at the bottom, column on the right
            case 4: sy = h - 1 - y; break;                   // first row at the bottom
            case 5: sx = y, sy = x; break;                   // first row on the left, column at the top
            case 6: sx = y, sy = w - 1 - x; break;           // first row on the right, column at the top
            case 7: sx = h - 1 - y, sy = w - 1 - x; break;   // first row on the right, column at the bottom
            case 8: sx = h - 1 - y, sy = x; break;           // first row on the left, column at the bottom
            default: break;
            }
            std::memcpy(out.pixels.data() + (static_cast<std::size_t>(y) * w + x) * 3, stored.at(sx, sy), 3);
        }
    return out;
}

QString copyInto(const QTemporaryDir& dir, const std::string& source, const QString& name)
{
    const QString target = dir.filePath(name);
    QFile::remove(target);
    EXPECT_TRUE(QFile::copy(QString::fromStdString(source), target));
    QFile(target).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return target;
}

}  // namespace

TEST(ExifKitRealFiles, CheckThumbnailAndPrimaryAgreeWithExiv2AndDjpeg)
{
    QTemporaryDir dir;
    std::vector<std::string> files = realJpegs("jpeg_exif");
    for (const auto& extra : {"jpeg_no_exif", "orientation"})
        for (const auto& file : realJpegs(extra))
            files.push_back(file);
    int thumbnails = 0;
    for (const auto& path : files) {
        SCOPED_TRACE(path);
        const bool exif = exivHasExif(path);
        EXPECT_EQ(Exif_CheckFormat(path.c_str()), exif ? EXIFKIT_EXIF_JPEG : EXIFKIT_NOT_EXIF);

        // Everything comes out upright: a quarter-turn tag exchanges the sides.
        const int tag = exivNumber(path, "Exif.Image.Orientation");
        const bool quarter = tag >= 5 && tag <= 8;
        auto [realWidth, realHeight] = exivImageSize(path);
        int pixelX = exivNumber(path, "Exif.Photo.PixelXDimension");
        int pixelY = exivNumber(path, "Exif.Photo.PixelYDimension");
        if (quarter) {
            std::swap(realWidth, realHeight);
            std::swap(pixelX, pixelY);
        }
        const int reportedWidth = pixelX > 0 && pixelY > 0 ? pixelX : realWidth;
        const int reportedHeight = pixelX > 0 && pixelY > 0 ? pixelY : realHeight;

        ParamsGuard primary;
        ASSERT_EQ(Exif_GetPrimaryImage(path.c_str(), &primary.params, 0), EXIFKIT_OK);
        const Rgb picture = dibPixels(primary.params.image);
        EXPECT_EQ(firstMismatch(picture, turnedByHand(bmpPixels(djpegBmp(path)), tag)), "");
        EXPECT_EQ(picture.width, realWidth);
        EXPECT_EQ(picture.height, realHeight);
        EXPECT_EQ(primary.params.width, reportedWidth);
        EXPECT_EQ(primary.params.height, reportedHeight);

        auto [thumbWidth, thumbHeight] = exif ? exivThumbnailSize(path, dir.path()) : std::pair{0, 0};
        if (quarter)
            std::swap(thumbWidth, thumbHeight);
        ParamsGuard small;
        const int32_t status = Exif_GetThumbnail(path.c_str(), &small.params, 0);
        if (thumbWidth == 0) {
            EXPECT_NE(status, EXIFKIT_OK);
            EXPECT_EQ(small.params.thumbnail, nullptr);
            continue;
        }
        ++thumbnails;
        ASSERT_EQ(status, EXIFKIT_OK);
        const Rgb thumbnail = dibPixels(small.params.thumbnail);
        EXPECT_EQ(thumbnail.width, thumbWidth);
        EXPECT_EQ(thumbnail.height, thumbHeight);
        EXPECT_EQ(small.params.width, reportedWidth);
        EXPECT_EQ(small.params.height, reportedHeight);
        // The camera's thumbnail shows the same scene as the picture; a wrongly decoded one (swapped
        // channels, YCbCr taken as RGB, shifted rows) would be far off.
        EXPECT_LT(meanDifference(thumbnail, shrink(picture, thumbWidth, thumbHeight)), 20.0);
    }
    EXPECT_GE(thumbnails, 8) << "JPEG and uncompressed (RGB and YCbCr) thumbnails were all decoded";
}

TEST(ExifKitOrientation, TurnedCameraPicturesComeOutUpright)
{
    QTemporaryDir dir;
    const std::vector<std::string> files = realJpegs("orientation");
    int seen6 = 0, seen8 = 0;
    for (const auto& path : files) {
        SCOPED_TRACE(path);
        const int tag = exivNumber(path, "Exif.Image.Orientation");
        seen6 += tag == 6;
        seen8 += tag == 8;
        const Rgb stored = bmpPixels(djpegBmp(path));

        ParamsGuard primary;
        ASSERT_EQ(Exif_GetPrimaryImage(path.c_str(), &primary.params, 0), EXIFKIT_OK);
        EXPECT_EQ(primary.params.orientation, tag);
        const Rgb upright = dibPixels(primary.params.image);
        ASSERT_EQ(upright.width, stored.height) << "a quarter turn: portrait from landscape";
        ASSERT_EQ(upright.height, stored.width);
        EXPECT_EQ(firstMismatch(upright, turnedByHand(stored, tag)), "");
        EXPECT_EQ(primary.params.width, upright.width);
        EXPECT_EQ(primary.params.height, upright.height);
        // Qt's own reader turns by the tag too: the same picture, up to its decoder's rounding.
        QImageReader reader(QString::fromStdString(path));
        reader.setAutoTransform(true);
        QImage qt = reader.read();
        ASSERT_FALSE(qt.isNull());
        qt = qt.convertToFormat(QImage::Format_RGB888);
        ASSERT_EQ(qt.size(), QSize(upright.width, upright.height));
        Rgb fromQt{qt.width(), qt.height(), {}};
        for (int y = 0; y < qt.height(); ++y)
            fromQt.pixels.insert(fromQt.pixels.end(), qt.constScanLine(y), qt.constScanLine(y) + qt.width() * 3);
        EXPECT_LT(meanDifference(upright, fromQt), 3.0);

        // The thumbnail was made from the stored pixels: it turns the same way and shows the same scene.
        ParamsGuard small;
        ASSERT_EQ(Exif_GetThumbnail(path.c_str(), &small.params, 0), EXIFKIT_OK);
        const Rgb thumbnail = dibPixels(small.params.thumbnail);
        EXPECT_GT(thumbnail.height, thumbnail.width);
        EXPECT_EQ(small.params.width, primary.params.width);
        EXPECT_EQ(small.params.height, primary.params.height);
        EXPECT_LT(meanDifference(thumbnail, shrink(upright, thumbnail.width, thumbnail.height)), 20.0);
    }
    EXPECT_EQ(seen6, 1);
    EXPECT_EQ(seen8, 1);
}

TEST(ExifKitOrientation, EveryTagValueTurnsJpegAndTiffPictures)
{
    QTemporaryDir dir;
    const Rgb jpegStored = bmpPixels(djpegBmp(fixture("exif.jpg")));
    const QByteArray ppm = readFile(fixture("pattern.ppm"));
    const qsizetype header = ppm.indexOf("255\n") + 4;
    Rgb tiffStored{97, 61, {}};
    tiffStored.pixels.assign(ppm.begin() + header, ppm.end());
    ASSERT_EQ(tiffStored.pixels.size(), 97u * 61 * 3);

    for (int tag = 1; tag <= 8; ++tag) {
        SCOPED_TRACE(tag);
        const QString jpeg = copyInto(dir, fixture("exif.jpg"), QStringLiteral("turned.jpg"));
        const QString tiff = copyInto(dir, fixture("exif2.tif"), QStringLiteral("turned.tif"));
        for (const QString& file : {jpeg, tiff})
            runTool(QStringLiteral("exiv2"),
                    {QStringLiteral("-q"), QStringLiteral("-M"),
                     QStringLiteral("set Exif.Image.Orientation Short %1").arg(tag), file});
        ASSERT_EQ(exivNumber(jpeg.toStdString(), "Exif.Image.Orientation"), tag);
        ASSERT_EQ(exivNumber(tiff.toStdString(), "Exif.Image.Orientation"), tag);

        ParamsGuard fromJpeg;
        ASSERT_EQ(Exif_GetPrimaryImage(jpeg.toUtf8().constData(), &fromJpeg.params, 0), EXIFKIT_OK);
        EXPECT_EQ(firstMismatch(dibPixels(fromJpeg.params.image), turnedByHand(jpegStored, tag)), "");
        ParamsGuard fromTiff;
        ASSERT_EQ(Exif_GetPrimaryImage(tiff.toUtf8().constData(), &fromTiff.params, 0), EXIFKIT_OK);
        EXPECT_EQ(firstMismatch(dibPixels(fromTiff.params.image), turnedByHand(tiffStored, tag)), "");
        const bool quarter = tag >= 5;
        EXPECT_EQ(fromTiff.params.width, quarter ? 61 : 97);
        EXPECT_EQ(fromTiff.params.height, quarter ? 97 : 61);
    }
}

TEST(ExifKitRealFiles, ShootingDateInTheBlockIsExiv2s)
{
    for (const auto& path : realJpegs("jpeg_exif")) {
        SCOPED_TRACE(path);
        std::string expected = exiv2Value(path, "Exif.Photo.DateTimeOriginal");
        if (expected.size() < 19 || !std::isdigit(static_cast<unsigned char>(expected[0])))
            expected = exiv2Value(path, "Exif.Image.DateTime");
        if (expected.size() < 19 || !std::isdigit(static_cast<unsigned char>(expected[0])))
            expected.clear();
        ParamsGuard primary;
        ASSERT_EQ(Exif_GetPrimaryImage(path.c_str(), &primary.params, 0), EXIFKIT_OK);
        EXPECT_EQ(std::string(primary.params.dateTime), expected);
    }
}

TEST(ExifKitTiff, ExifTiffIsExifAndDecodesToItsPixels)
{
    EXPECT_EQ(Exif_CheckFormat(fixture("exif2.tif").c_str()), EXIFKIT_EXIF_TIFF);
    EXPECT_EQ(Exif_CheckFormat(fixture("exif1.tif").c_str()), EXIFKIT_EXIF_TIFF);
    EXPECT_EQ(Exif_CheckFormat(fixture("plain.tif").c_str()), EXIFKIT_NOT_EXIF);
    EXPECT_EQ(Exif_CheckFormat(fixture("v5.bmp").c_str()), EXIFKIT_NOT_EXIF);
    EXPECT_EQ(Exif_CheckFormat(fixture("jfif.jpg").c_str()), EXIFKIT_NOT_EXIF);
    EXPECT_EQ(Exif_CheckFormat(fixture("exif.jpg").c_str()), EXIFKIT_EXIF_JPEG);
    EXPECT_EQ(Exif_CheckFormat(nullptr), EXIFKIT_NOT_EXIF);

    // The PPM pattern is the TIFF's exact content.
    const QByteArray ppm = readFile(fixture("pattern.ppm"));
    const qsizetype header = ppm.indexOf("255\n") + 4;
    for (const char* name : {"exif2.tif", "lzw.tif"}) {
        SCOPED_TRACE(name);
        ParamsGuard primary;
        ASSERT_EQ(Exif_GetPrimaryImage(fixture(name).c_str(), &primary.params, 0), EXIFKIT_OK);
        const Rgb picture = dibPixels(primary.params.image);
        ASSERT_EQ(picture.width, 97);
        ASSERT_EQ(picture.height, 61);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(picture.pixels.data()), static_cast<qsizetype>(picture.pixels.size())),
                  ppm.mid(header));
        EXPECT_EQ(primary.params.width, 97);
    }
    ParamsGuard dated;
    ASSERT_EQ(Exif_GetPrimaryImage(fixture("exif2.tif").c_str(), &dated.params, 0), EXIFKIT_OK);
    EXPECT_STREQ(dated.params.dateTime, "2001:02:03 04:05:06");
    ParamsGuard none;
    EXPECT_EQ(Exif_GetThumbnail(fixture("exif2.tif").c_str(), &none.params, 0), EXIFKIT_NO_THUMBNAIL);
}

TEST(ExifKitArguments, WrongBlocksAndFilesAreRefused)
{
    ExifParams params = freshParams();
    params.size = 118;  // the size of the block on another platform is not this block
    const std::string exif = realJpegs("jpeg_exif").front();
    EXPECT_EQ(Exif_GetThumbnail(exif.c_str(), &params, 0), EXIFKIT_BAD_ARGUMENT);
    EXPECT_EQ(Exif_GetPrimaryImage(exif.c_str(), nullptr, 0), EXIFKIT_BAD_ARGUMENT);
    EXPECT_EQ(Exif_SetOrientation(exif.c_str(), 1, &params), EXIFKIT_BAD_ARGUMENT);
    ParamsGuard guard;
    EXPECT_EQ(Exif_GetPrimaryImage("/no/such/file.jpg", &guard.params, 0), EXIFKIT_OPEN_FAILED);
    EXPECT_EQ(Exif_GetPrimaryImage(fixture("v5.bmp").c_str(), &guard.params, 0), EXIFKIT_NOT_EXIF);
    EXPECT_EQ(Exif_GetThumbnail(fixture("jfif.jpg").c_str(), &guard.params, 0), EXIFKIT_NOT_EXIF);
    EXPECT_EQ(guard.params.image, nullptr);
    EXPECT_EQ(guard.params.thumbnail, nullptr);
}

TEST(ExifKitOrientation, TurnsComposeWithTheTagAndLeaveThePictureDataAlone)
{
    QTemporaryDir dir;
    const std::string source = realJpegs("orientation").back();  // IMG_1038.JPG, orientation 6
    ASSERT_EQ(exiv2Value(source, "Exif.Image.Orientation"), "6");
    const QString path = copyInto(dir, source, QStringLiteral("turn.jpg"));
    const QByteArray pictureData = scanData(readFile(source));
    ASSERT_FALSE(pictureData.isEmpty());
    // 6 is a quarter turn clockwise: another quarter makes a half turn (3), then three quarters (8),
    // then none (1), then a quarter again (6). 180 and 270 degree turns compose the same way.
    const std::vector<std::pair<int32_t, const char*>> steps = {
        {EXIFKIT_TURN_90, "3"}, {EXIFKIT_TURN_90, "8"}, {EXIFKIT_TURN_90, "1"}, {EXIFKIT_TURN_90, "6"},
        {EXIFKIT_TURN_180, "8"}, {EXIFKIT_TURN_270, "3"}, {EXIFKIT_TURN_270, "6"}};
    for (const auto& [direction, expected] : steps) {
        ExifParams params = freshParams();
        ASSERT_EQ(Exif_SetOrientation(path.toUtf8().constData(), direction, &params), EXIFKIT_OK);
        EXPECT_EQ(exiv2Value(path.toStdString(), "Exif.Image.Orientation"), expected);
        EXPECT_EQ(scanData(readFile(path.toStdString())), pictureData) << "the compressed picture is untouched";
    }
    EXPECT_EQ(exiv2Value(path.toStdString(), "Exif.Photo.DateTimeOriginal"), exiv2Value(source, "Exif.Photo.DateTimeOriginal"));
    EXPECT_TRUE(QFileInfo(path).permissions().testFlag(QFileDevice::WriteOwner));
}

TEST(ExifKitOrientation, MirroredValuesAndAMissingTagCompose)
{
    QTemporaryDir dir;
    // exif.jpg has no orientation tag: it counts as 1, and a quarter turn makes it 6.
    const QString plain = copyInto(dir, fixture("exif.jpg"), QStringLiteral("plain.jpg"));
    ExifParams params = freshParams();
    ASSERT_EQ(Exif_SetOrientation(plain.toUtf8().constData(), EXIFKIT_TURN_90, &params), EXIFKIT_OK);
    EXPECT_EQ(exiv2Value(plain.toStdString(), "Exif.Image.Orientation"), "6");
    // A mirrored picture stays mirrored: 2 turned a quarter is 7, 4 turned a quarter is 5, and four
    // quarter turns give the start again.
    for (const auto& [start, expected] : std::vector<std::pair<const char*, const char*>>{{"2", "7"}, {"4", "5"}, {"5", "2"}, {"7", "4"}}) {
        SCOPED_TRACE(start);
        runTool(QStringLiteral("exiv2"), {QStringLiteral("-q"), QStringLiteral("-M"),
                                          QStringLiteral("set Exif.Image.Orientation Short %1").arg(QLatin1String(start)), plain});
        ExifParams turn = freshParams();
        ASSERT_EQ(Exif_SetOrientation(plain.toUtf8().constData(), EXIFKIT_TURN_90, &turn), EXIFKIT_OK);
        EXPECT_EQ(exiv2Value(plain.toStdString(), "Exif.Image.Orientation"), expected);
        for (int i = 0; i < 3; ++i)
            Exif_SetOrientation(plain.toUtf8().constData(), EXIFKIT_TURN_90, &turn);
        EXPECT_EQ(exiv2Value(plain.toStdString(), "Exif.Image.Orientation"), start);
    }
}

TEST(ExifKitOrientation, FailuresLeaveTheFileAsItWas)
{
    QTemporaryDir dir;
    const QString jfif = copyInto(dir, fixture("jfif.jpg"), QStringLiteral("jfif.jpg"));
    const QByteArray before = readFile(jfif.toStdString());
    ExifParams params = freshParams();
    EXPECT_EQ(Exif_SetOrientation(jfif.toUtf8().constData(), EXIFKIT_TURN_90, &params), EXIFKIT_NOT_EXIF);
    EXPECT_EQ(readFile(jfif.toStdString()), before);
    const QString exif = copyInto(dir, fixture("exif.jpg"), QStringLiteral("exif.jpg"));
    EXPECT_EQ(Exif_SetOrientation(exif.toUtf8().constData(), 3, &params), EXIFKIT_BAD_ARGUMENT);
    EXPECT_EQ(Exif_SetOrientation(exif.toUtf8().constData(), -1, &params), EXIFKIT_BAD_ARGUMENT);
    // A folder that cannot take the temporary file: the original stays whole (not for root, who may
    // write anywhere).
    if (geteuid() != 0) {
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const QByteArray original = readFile(exif.toStdString());
        EXPECT_EQ(Exif_SetOrientation(exif.toUtf8().constData(), EXIFKIT_TURN_90, &params), EXIFKIT_WRITE_FAILED);
        EXPECT_EQ(readFile(exif.toStdString()), original);
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
}

TEST(ExifKitOutput, WritesExif22WithThumbnailDimensionsAndToday)
{
    QTemporaryDir dir;
    Block picture(JpegDecoder(fixture("jfif.jpg").c_str(), nullptr, nullptr));
    ASSERT_NE(picture.get(), nullptr);
    ExifParams params = freshParams();
    params.image = picture.get();
    int32_t written = 0;
    const std::string out = dir.filePath(QStringLiteral("out.jpg")).toStdString();
    char today[16];
    const std::time_t now = std::time(nullptr);
    std::strftime(today, sizeof today, "%Y:%m:%d", std::localtime(&now));
    ASSERT_EQ(Exif_OutputFromDib(&params, out.c_str(), &written), EXIFKIT_OK);
    EXPECT_EQ(params.image, picture.get()) << "the picture stays the caller's";
    EXPECT_EQ(written, readFile(out).size());

    EXPECT_EQ(exiv2Value(out, "Exif.Photo.ExifVersion"), "48 50 50 48");
    EXPECT_EQ(exivNumber(out, "Exif.Photo.PixelXDimension"), 97);
    EXPECT_EQ(exivNumber(out, "Exif.Photo.PixelYDimension"), 61);
    EXPECT_EQ(exiv2Value(out, "Exif.Image.DateTime").substr(0, 10), today);
    EXPECT_EQ(exiv2Value(out, "Exif.Photo.DateTimeOriginal").substr(0, 10), today);
    EXPECT_EQ(exivThumbnailSize(out, dir.path()), (std::pair{160, 120}));
    EXPECT_FALSE(readFile(out).contains(QByteArray("JFIF\0", 5))) << "an Exif file starts with its APP1";
    uint16_t format = 0;
    EXPECT_EQ(_GetImageFormat(out.c_str(), &format), IMGPROBE_OK);
    EXPECT_EQ(format, IMGPROBE_FORMAT_EXIF2_JPEG);
    EXPECT_EQ(Exif_CheckFormat(out.c_str()), EXIFKIT_EXIF_JPEG);

    ParamsGuard back;
    ASSERT_EQ(Exif_GetPrimaryImage(out.c_str(), &back.params, 0), EXIFKIT_OK);
    EXPECT_LT(meanDifference(dibPixels(back.params.image), dibPixels(picture.get())), 5.0);
    ASSERT_EQ(Exif_GetThumbnail(out.c_str(), &back.params, 0), EXIFKIT_OK);
    // 97 x 61 fitted into 160 x 120: 160 x 101, centred on black bands of 9 and 10 lines.
    const Rgb thumbnail = dibPixels(back.params.thumbnail);
    EXPECT_LT(thumbnail.at(80, 2)[0] + thumbnail.at(80, 2)[1] + thumbnail.at(80, 2)[2], 30);
    EXPECT_LT(thumbnail.at(80, 117)[0] + thumbnail.at(80, 117)[1] + thumbnail.at(80, 117)[2], 30);

    params.image = nullptr;
    EXPECT_EQ(Exif_OutputFromDib(&params, out.c_str(), &written), EXIFKIT_BAD_ARGUMENT);
}
