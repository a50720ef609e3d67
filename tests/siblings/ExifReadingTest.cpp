// What ExifKit and ImgProbe read of a file: the metadata questions (is it Exif, its thumbnail, its
// facts) must cost the metadata, not the picture, as counted by the kernel in /proc/self/io; a thumbnail
// a camera put past its Exif segment must still be found; names that are no regular files are refused
// at once.

#include "siblings/ExifParamsGuard.h"
#include "siblings/SiblingTestSupport.h"

#include "ExifKit.h"
#include "ImgProbe.h"
#include "QuilJpeg.h"

#include <QTemporaryDir>

#include <fstream>

#include <sys/stat.h>

using namespace siblingtest;

namespace {

// Bytes this process has asked the kernel to read so far (read, pread and the like).
uint64_t bytesReadSoFar()
{
    std::ifstream io("/proc/self/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    return 0;
}

// An Exif JPEG of noise, so that the compressed picture is large beside its metadata.
std::string writeNoisyExifJpeg(const QTemporaryDir& dir, int width, int height)
{
    DibSpec shape;
    shape.width = width;
    shape.height = height;
    Block picture(makeDib(shape, 7));
    ExifParams params = freshParams();
    params.image = picture.get();
    const std::string path = dir.filePath(QStringLiteral("noise.jpg")).toStdString();
    EXPECT_EQ(Exif_OutputFromDib(&params, path.c_str(), nullptr), EXIFKIT_OK);
    return path;
}

// The JPEG segments of a file image: marker and where the segment starts (at its FF).
struct Segment {
    uint8_t marker;
    qsizetype at;
    qsizetype length;  // of the whole segment, marker included
};

std::vector<Segment> segmentsOf(const QByteArray& jpeg)
{
    std::vector<Segment> segments;
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && static_cast<uint8_t>(jpeg[at]) == 0xFF) {
        const uint8_t marker = static_cast<uint8_t>(jpeg[at + 1]);
        const qsizetype length = 2 + (static_cast<uint8_t>(jpeg[at + 2]) << 8 | static_cast<uint8_t>(jpeg[at + 3]));
        segments.push_back({marker, at, length});
        if (marker == 0xDA)
            break;
        at += length;
    }
    return segments;
}

// Little- or big-endian fields of the TIFF data inside an Exif segment.
struct Tiff {
    QByteArray* file;
    qsizetype base;  // where the TIFF header starts in the file
    bool big;

    uint32_t get(qsizetype offset, int bytes) const
    {
        uint32_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            const uint32_t b = static_cast<uint8_t>((*file)[base + offset + (big ? i : bytes - 1 - i)]);
            value = value << 8 | b;
        }
        return value;
    }
    void put32(qsizetype offset, uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            (*file)[base + offset + (big ? i : 3 - i)] = static_cast<char>(value >> (8 * (3 - i)));
    }
    // Where the value of `tag` sits in IFD1 (offset from the TIFF header), or -1.
    qsizetype ifd1Value(uint16_t tag) const
    {
        const uint32_t ifd0 = get(4, 4);
        const uint32_t ifd1 = get(ifd0 + 2 + get(ifd0, 2) * 12, 4);
        for (uint32_t i = 0; i < get(ifd1, 2); ++i)
            if (get(ifd1 + 2 + i * 12, 2) == tag)
                return ifd1 + 2 + i * 12 + 8;
        return -1;
    }
};

}  // namespace

TEST(ExifReading, MetadataQuestionsReadTheMetadataOnly)
{
    // 1200 x 900 of noise is about a megabyte of picture behind an Exif segment of a few kilobytes.
    QTemporaryDir dir;
    const std::string path = writeNoisyExifJpeg(dir, 1200, 900);
    const QByteArray file = readFile(path);
    ASSERT_GT(file.size(), 512 << 10);
    const std::vector<Segment> segments = segmentsOf(file);
    ASSERT_FALSE(segments.empty());
    ASSERT_EQ(segments.front().marker, 0xE1);
    // The Exif segment (with its embedded thumbnail), the few small segments before the frame header,
    // rounded up generously to 64 KiB.
    const uint64_t allowed = static_cast<uint64_t>(segments.front().length) + (64u << 10);

    ParamsGuard warmUp;  // whatever a first call loads or sets up is not the file's cost
    ASSERT_EQ(Exif_GetThumbnail(path.c_str(), &warmUp.params, 0), EXIFKIT_OK);

    const auto cost = [](const auto& call) {
        const uint64_t before = bytesReadSoFar();
        call();
        return bytesReadSoFar() - before;
    };
    ParamsGuard small;
    const uint64_t thumbnail = cost([&] { EXPECT_EQ(Exif_GetThumbnail(path.c_str(), &small.params, 0), EXIFKIT_OK); });
    EXPECT_LE(thumbnail, allowed);
    EXPECT_EQ(dibPixels(small.params.thumbnail).width, 160);
    EXPECT_EQ(small.params.width, 1200);
    EXPECT_EQ(small.params.height, 900);

    EXPECT_LE(cost([&] { EXPECT_EQ(Exif_CheckFormat(path.c_str()), EXIFKIT_EXIF_JPEG); }), allowed);
    uint16_t format = 0;
    EXPECT_LE(cost([&] { EXPECT_EQ(_GetImageFormat(path.c_str(), &format), IMGPROBE_OK); }), allowed);
    EXPECT_EQ(format, IMGPROBE_FORMAT_EXIF2_JPEG);
    ImgProbeExifInfo info;
    EXPECT_LE(cost([&] { EXPECT_EQ(_GetExifInfo(path.c_str(), &info), IMGPROBE_OK); }), allowed);
    EXPECT_EQ(info.width, 1200);
    EXPECT_EQ(std::string(info.dateTime).size(), 19u);

    // The picture itself does need the file, and the counter sees it.
    ParamsGuard primary;
    EXPECT_GE(cost([&] { EXPECT_EQ(Exif_GetPrimaryImage(path.c_str(), &primary.params, 0), EXIFKIT_OK); }),
              static_cast<uint64_t>(file.size()));
}

TEST(ExifReading, TiffFactsReadTheDirectoriesOnly)
{
    // A 1200 x 900 uncompressed TIFF (about 3 MB of strips) given Exif data by exiv2.
    QTemporaryDir dir;
    const QString tiff = dir.filePath(QStringLiteral("big.tif"));
    int exitCode = -1;
    runTool(QStringLiteral("convert"), {QStringLiteral("-size"), QStringLiteral("1200x900"), QStringLiteral("plasma:"),
                                        QStringLiteral("-depth"), QStringLiteral("8"), tiff}, &exitCode);
    ASSERT_EQ(exitCode, 0);
    runTool(QStringLiteral("exiv2"), {QStringLiteral("-q"), QStringLiteral("-M"),
                                      QStringLiteral("set Exif.Photo.DateTimeOriginal Ascii 2001:02:03 04:05:06"), tiff},
            &exitCode);
    ASSERT_EQ(exitCode, 0);
    const std::string path = tiff.toStdString();
    ASSERT_GT(readFile(path).size(), 3000000);

    EXPECT_EQ(Exif_CheckFormat(path.c_str()), EXIFKIT_EXIF_TIFF);  // a first call sets up what it must
    const uint64_t before = bytesReadSoFar();
    EXPECT_EQ(Exif_CheckFormat(path.c_str()), EXIFKIT_EXIF_TIFF);
    ImgProbeExifInfo info;
    ASSERT_EQ(_GetExifInfo(path.c_str(), &info), IMGPROBE_OK);
    ParamsGuard none;
    EXPECT_EQ(Exif_GetThumbnail(path.c_str(), &none.params, 0), EXIFKIT_NO_THUMBNAIL);
    EXPECT_LE(bytesReadSoFar() - before, 64u << 10);
    EXPECT_EQ(std::string(info.dateTime), "2001:02:03 04:05:06");
    EXPECT_EQ(info.width, 1200);
    EXPECT_EQ(info.height, 900);
    EXPECT_EQ(info.format, IMGPROBE_FORMAT_EXIF1_TIFF);  // no ExifVersion recorded
}

TEST(ExifReading, ThumbnailPastTheExifSegmentIsFound)
{
    // Some cameras (a Sony DCR-PC110, for one) point IFD1's thumbnail at bytes that lie in the file but
    // past the end of the Exif segment. Made here from a well-formed Exif JPEG: its thumbnail is moved
    // into a segment of its own after the Exif segment (the old place is blanked), or after the end
    // of the picture; IFD1 points there. The picture stays a valid JPEG.
    QTemporaryDir dir;
    const std::string source = writeNoisyExifJpeg(dir, 120, 90);
    const QByteArray original = readFile(source);
    const std::vector<Segment> segments = segmentsOf(original);
    ASSERT_EQ(segments.front().marker, 0xE1);
    const Segment exif = segments.front();
    QByteArray head = original.left(exif.at + exif.length);
    const QByteArray rest = original.mid(exif.at + exif.length);
    Tiff tiff{&head, exif.at + 10, head.mid(exif.at + 10, 2) == "MM"};
    const qsizetype offsetField = tiff.ifd1Value(0x0201);
    const qsizetype lengthField = tiff.ifd1Value(0x0202);
    ASSERT_GT(offsetField, 0);
    ASSERT_GT(lengthField, 0);
    const uint32_t offset = tiff.get(offsetField, 4);
    const uint32_t length = tiff.get(lengthField, 4);
    const QByteArray thumbnailJpeg = head.mid(tiff.base + offset, length);
    ASSERT_TRUE(thumbnailJpeg.startsWith("\xFF\xD8"));
    head.replace(tiff.base + offset, length, QByteArray(length, '\0'));
    const qsizetype segmentEnd = exif.at + exif.length - tiff.base;  // relative to the TIFF header

    const QString thumbPath = dir.filePath(QStringLiteral("thumb.jpg"));
    QFile thumbFile(thumbPath);
    ASSERT_TRUE(thumbFile.open(QIODevice::WriteOnly));
    thumbFile.write(thumbnailJpeg);
    thumbFile.close();
    const Rgb expected = bmpPixels(djpegBmp(thumbPath.toStdString()));
    ASSERT_EQ(expected.width, 160);

    struct Layout {
        const char* name;
        QByteArray file;
    };
    std::vector<Layout> layouts;
    {
        // In an APP2 segment right after the Exif segment: the thumbnail starts 4 bytes past its end.
        Tiff moved = tiff;
        QByteArray file = head;
        moved.file = &file;
        moved.put32(offsetField, static_cast<uint32_t>(segmentEnd + 4));
        const qsizetype app2Length = thumbnailJpeg.size() + 2;
        file += QByteArray("\xFF\xE2", 2) + static_cast<char>(app2Length >> 8) + static_cast<char>(app2Length & 0xFF);
        layouts.push_back({"segment", file + thumbnailJpeg + rest});
    }
    {
        // After the picture's end-of-image marker.
        Tiff moved = tiff;
        QByteArray file = head;
        moved.file = &file;
        moved.put32(offsetField, static_cast<uint32_t>(segmentEnd + rest.size()));
        layouts.push_back({"trailer", file + rest + thumbnailJpeg});
    }
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.name);
        const QString path = dir.filePath(QString::fromLatin1(layout.name) + QStringLiteral(".jpg"));
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(layout.file);
        out.close();
        const std::string p = path.toStdString();
        ParamsGuard guard;
        ASSERT_EQ(Exif_GetThumbnail(p.c_str(), &guard.params, 0), EXIFKIT_OK);
        EXPECT_EQ(firstMismatch(dibPixels(guard.params.thumbnail), expected), "");
        // Still a picture every decoder takes, and still the same one.
        ASSERT_EQ(Exif_GetPrimaryImage(p.c_str(), &guard.params, 0), EXIFKIT_OK);
        EXPECT_EQ(firstMismatch(dibPixels(guard.params.image), bmpPixels(djpegBmp(source))), "");
    }

    // Pointing past the end of the file, or at bytes that are no JPEG, finds no thumbnail (and reads
    // nothing it should not).
    for (const uint32_t pointer : {static_cast<uint32_t>(segmentEnd + rest.size() + 10), static_cast<uint32_t>(segmentEnd + 20)}) {
        SCOPED_TRACE(pointer);
        QByteArray file = head;
        Tiff moved = tiff;
        moved.file = &file;
        moved.put32(offsetField, pointer);
        const QString path = dir.filePath(QStringLiteral("lost.jpg"));
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(file + rest);
        out.close();
        ParamsGuard guard;
        EXPECT_EQ(Exif_GetThumbnail(path.toStdString().c_str(), &guard.params, 0), EXIFKIT_NO_THUMBNAIL);
        EXPECT_EQ(guard.params.thumbnail, nullptr);
    }
}

TEST(ExifReading, NamesThatAreNoRegularFilesAreRefusedAtOnce)
{
    // Nobody ever writes into the FIFO: a library that opened it for reading would wait for ever (the
    // test's time-out is the guard).
    QTemporaryDir dir;
    const std::string fifo = dir.filePath(QStringLiteral("IMG_0001.JPG")).toStdString();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, dir.path().toStdString(), std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(Exif_CheckFormat(path.c_str()), EXIFKIT_NOT_EXIF);
        ParamsGuard guard;
        EXPECT_EQ(Exif_GetThumbnail(path.c_str(), &guard.params, 0), EXIFKIT_OPEN_FAILED);
        EXPECT_EQ(Exif_GetPrimaryImage(path.c_str(), &guard.params, 0), EXIFKIT_OPEN_FAILED);
        EXPECT_EQ(Exif_SetOrientation(path.c_str(), EXIFKIT_TURN_90, &guard.params), EXIFKIT_OPEN_FAILED);
        uint16_t format = 99;
        EXPECT_EQ(_GetImageFormat(path.c_str(), &format), IMGPROBE_OPEN_FAILED);
        EXPECT_EQ(format, IMGPROBE_FORMAT_OTHER);
        ImgProbeExifInfo info;
        EXPECT_EQ(_GetExifInfo(path.c_str(), &info), IMGPROBE_OPEN_FAILED);
        int32_t width = 0, height = 0;
        EXPECT_EQ(JpegDecoder(path.c_str(), &width, &height), nullptr);
    }
}
