// ImgProbe's format codes and Exif information against what exiv2 and the files' own bytes say.

#include "siblings/SiblingTestSupport.h"

#include "ImgProbe.h"

#include <QTemporaryDir>

using namespace siblingtest;

namespace {

uint16_t formatOf(const std::string& path)
{
    uint16_t format = 0xFFFF;
    EXPECT_EQ(_GetImageFormat(path.c_str(), &format), IMGPROBE_OK) << path;
    return format;
}

bool hasJfif(const QByteArray& file)
{
    return file.size() > 11 && static_cast<uint8_t>(file[2]) == 0xFF && static_cast<uint8_t>(file[3]) == 0xE0
           && file.mid(6, 5) == QByteArray("JFIF\0", 5);
}

}  // namespace

TEST(ImgProbeFormat, RealCameraJpegsByExifVersionAndJfif)
{
    std::vector<std::string> files = realJpegs("jpeg_exif");
    for (const auto& extra : {"jpeg_no_exif", "orientation"})
        for (const auto& file : realJpegs(extra))
            files.push_back(file);
    std::set<uint16_t> seen;
    for (const auto& path : files) {
        SCOPED_TRACE(path);
        const std::string version = exiv2Value(path, "Exif.Photo.ExifVersion");  // "48 50 50 48" for 0220
        uint16_t expected;
        if (!version.empty())
            expected = version.rfind("48 50", 0) == 0 || version.rfind("48 51", 0) == 0 ? IMGPROBE_FORMAT_EXIF2_JPEG
                                                                                         : IMGPROBE_FORMAT_EXIF1_JPEG;
        else
            expected = hasJfif(readFile(path)) ? IMGPROBE_FORMAT_JFIF : IMGPROBE_FORMAT_JPEG;
        const uint16_t format = formatOf(path);
        EXPECT_EQ(format, expected);
        seen.insert(format);
    }
    EXPECT_EQ(seen, (std::set<uint16_t>{6, 7, 8, 9}));
}

TEST(ImgProbeFormat, TiffBmpAndOtherFiles)
{
    EXPECT_EQ(formatOf(fixture("exif2.tif")), IMGPROBE_FORMAT_EXIF2_TIFF);
    EXPECT_EQ(formatOf(fixture("exif1.tif")), IMGPROBE_FORMAT_EXIF1_TIFF);
    EXPECT_EQ(formatOf(fixture("plain.tif")), IMGPROBE_FORMAT_TIFF);
    EXPECT_EQ(formatOf(fixture("lzw.tif")), IMGPROBE_FORMAT_TIFF);
    EXPECT_EQ(formatOf(fixture("v5.bmp")), IMGPROBE_FORMAT_BMP);
    EXPECT_EQ(formatOf(fixture("rle8.bmp")), IMGPROBE_FORMAT_BMP);
    EXPECT_EQ(formatOf(fixture("pattern.ppm")), IMGPROBE_FORMAT_OTHER);
    // The content decides, not the name: a JPEG called .tif is a JPEG.
    QTemporaryDir dir;
    const QString renamed = dir.filePath(QStringLiteral("photo.tif"));
    QFile::copy(QString::fromStdString(fixture("jfif.jpg")), renamed);
    EXPECT_EQ(formatOf(renamed.toStdString()), IMGPROBE_FORMAT_JFIF);

    uint16_t format = 99;
    EXPECT_EQ(_GetImageFormat("/no/such/file", &format), IMGPROBE_OPEN_FAILED);
    EXPECT_EQ(format, IMGPROBE_FORMAT_OTHER);
    EXPECT_EQ(_GetImageFormat(nullptr, &format), IMGPROBE_BAD_ARGUMENT);
    EXPECT_EQ(_GetImageFormat(fixture("jfif.jpg").c_str(), nullptr), IMGPROBE_BAD_ARGUMENT);
}

TEST(ImgProbeExifInfo, ShootingDateAndFieldsAgreeWithExiv2)
{
    int dated = 0;
    for (const auto& path : realJpegs("jpeg_exif")) {
        SCOPED_TRACE(path);
        std::vector<char> block(IMGPROBE_EXIF_INFO_SIZE, 'x');
        const uint16_t status = _GetExifInfo(path.c_str(), block.data());
        const auto* info = reinterpret_cast<const ImgProbeExifInfo*>(block.data());
        std::string expected = exiv2Value(path, "Exif.Photo.DateTimeOriginal");
        if (expected.size() < 19 || !std::isdigit(static_cast<unsigned char>(expected[0])))
            expected = exiv2Value(path, "Exif.Image.DateTime");
        if (expected.size() >= 19 && std::isdigit(static_cast<unsigned char>(expected[0]))) {
            ASSERT_EQ(status, IMGPROBE_OK);
            EXPECT_EQ(std::string(block.data() + 48, 19), expected.substr(0, 19));
            EXPECT_EQ(block[48 + 19], '\0');
            // The numbers the program reads from offsets 0, 5, 8, 11, 14, 17 of the text.
            EXPECT_GE(std::atoi(block.data() + 48), 1990);
            ++dated;
        } else {
            EXPECT_EQ(status, IMGPROBE_NO_DATE) << "blank or missing dates are no dates";
            EXPECT_EQ(info->dateTime[0], '\0');
        }
        EXPECT_EQ(std::string(info->make), exiv2Value(path, "Exif.Image.Make").substr(0, 63));
        EXPECT_EQ(info->format, IMGPROBE_FORMAT_EXIF1_JPEG + (info->exifVersion[1] >= '2' ? 1 : 0));
        EXPECT_EQ(block.back(), '\0') << "the whole block is cleared";
    }
    EXPECT_GE(dated, 6);
    std::vector<char> block(IMGPROBE_EXIF_INFO_SIZE);
    EXPECT_EQ(_GetExifInfo(fixture("jfif.jpg").c_str(), block.data()), IMGPROBE_NO_EXIF);
    EXPECT_EQ(_GetExifInfo(fixture("exif2.tif").c_str(), block.data()), IMGPROBE_OK);
    EXPECT_EQ(std::string(block.data() + 48), "2001:02:03 04:05:06");
    EXPECT_EQ(_GetExifInfo("/no/such/file", block.data()), IMGPROBE_OPEN_FAILED);
    EXPECT_EQ(_GetExifInfo(fixture("jfif.jpg").c_str(), nullptr), IMGPROBE_BAD_ARGUMENT);
}
