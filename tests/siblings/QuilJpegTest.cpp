// QuilJpeg against djpeg (same libjpeg-turbo, same defaults) on real camera files and on fixtures of
// every JPEG form, and against itself for the writer.

#include "siblings/SiblingTestSupport.h"

#include "QuilJpeg.h"

#include <QFile>
#include <QTemporaryDir>

using namespace siblingtest;

namespace {

struct Decoded {
    Block block;
    int32_t width = -1;
    int32_t height = -1;
};

void decode(const std::string& path, Decoded& out)
{
    out.block.reset(JpegDecoder(path.c_str(), &out.width, &out.height));
}

unsigned bitCount(const void* dib)
{
    const auto* p = static_cast<const uint8_t*>(dib);
    return p[14] | p[15] << 8;
}

// The sampling factors of the first component in the frame header (high nibble horizontal).
int lumaSampling(const QByteArray& jpeg)
{
    for (qsizetype i = 2; i + 11 < jpeg.size(); ++i)
        if (static_cast<uint8_t>(jpeg[i]) == 0xFF && (static_cast<uint8_t>(jpeg[i + 1]) & 0xF0) == 0xC0
            && static_cast<uint8_t>(jpeg[i + 1]) != 0xC4 && static_cast<uint8_t>(jpeg[i + 1]) != 0xC8
            && static_cast<uint8_t>(jpeg[i + 1]) != 0xCC)
            return static_cast<uint8_t>(jpeg[i + 11]);
    return -1;
}

bool hasMarker(const QByteArray& jpeg, uint8_t marker)
{
    for (qsizetype i = 0; i + 1 < jpeg.size(); ++i)
        if (static_cast<uint8_t>(jpeg[i]) == 0xFF && static_cast<uint8_t>(jpeg[i + 1]) == marker)
            return true;
    return false;
}

}  // namespace

TEST(QuilJpegDecoder, RealCameraFilesEqualDjpegPixelForPixel)
{
    std::vector<std::string> files = realJpegs("jpeg_exif");
    for (const auto& extra : {"jpeg_no_exif", "orientation"})
        for (const auto& file : realJpegs(extra))
            files.push_back(file);
    ASSERT_GE(files.size(), 14u);
    for (const auto& path : files) {
        SCOPED_TRACE(path);
        Decoded decoded;
        decode(path, decoded);
        ASSERT_NE(decoded.block.get(), nullptr);
        const Rgb reference = bmpPixels(djpegBmp(path));
        const Rgb ours = dibPixels(decoded.block.get());
        EXPECT_EQ(decoded.width, reference.width);
        EXPECT_EQ(decoded.height, reference.height);
        EXPECT_EQ(bitCount(decoded.block.get()), 24u);
        EXPECT_EQ(firstMismatch(ours, reference), "");
    }
}

TEST(QuilJpegDecoder, EveryCodingFormEqualsDjpeg)
{
    for (const char* name : {"jfif.jpg", "progressive.jpg", "arith.jpg", "grey.jpg"}) {
        SCOPED_TRACE(name);
        Decoded decoded;
        decode(fixture(name), decoded);
        ASSERT_NE(decoded.block.get(), nullptr);
        EXPECT_EQ(decoded.width, 97);
        EXPECT_EQ(decoded.height, 61);
        EXPECT_EQ(firstMismatch(dibPixels(decoded.block.get()), bmpPixels(djpegBmp(fixture(name)))), "");
    }
}

TEST(QuilJpegDecoder, GreyscaleGivesEightBitsWithGreyTable)
{
    Decoded decoded;
    decode(fixture("grey.jpg"), decoded);
    ASSERT_NE(decoded.block.get(), nullptr);
    const auto* dib = static_cast<const uint8_t*>(decoded.block.get());
    EXPECT_EQ(bitCount(dib), 8u);
    EXPECT_EQ(le32(dib + 32), 256u);
    for (int i = 0; i < 256; ++i) {
        const uint8_t* entry = dib + 40 + i * 4;
        ASSERT_TRUE(entry[0] == i && entry[1] == i && entry[2] == i) << "entry " << i;
    }
}

TEST(QuilJpegDecoder, CmykIsConvertedToColour)
{
    Decoded cmyk, rgb;
    decode(fixture("cmyk.jpg"), cmyk);
    decode(fixture("jfif.jpg"), rgb);
    ASSERT_NE(cmyk.block.get(), nullptr);
    ASSERT_NE(rgb.block.get(), nullptr);
    EXPECT_EQ(bitCount(cmyk.block.get()), 24u);
    // Two lossy codings of one pattern through different colour models: close, not equal. Inverted
    // channels would be far off (about 128 on average).
    EXPECT_LT(meanDifference(dibPixels(cmyk.block.get()), dibPixels(rgb.block.get())), 12.0);
}

TEST(QuilJpegDecoder, DamagedAndForeignFilesGiveNull)
{
    QTemporaryDir dir;
    const QByteArray good = readFile(fixture("progressive.jpg"));
    const QByteArray baseline = readFile(realJpegs("jpeg_exif").front());
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const std::vector<Case> cases = {
        {"empty", {}},
        {"text", "not a picture at all"},
        {"only SOI", QByteArray::fromHex("FFD8")},
        {"truncated progressive", good.left(good.size() / 2)},
        {"truncated baseline", baseline.left(baseline.size() * 3 / 4)},
        {"PNG", QByteArray::fromHex("89504E470D0A1A0A0000000D49484452")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.bytes);
        file.close();
        int32_t width = -7, height = -7;
        EXPECT_EQ(JpegDecoder(path.toUtf8().constData(), &width, &height), nullptr);
        EXPECT_EQ(width, -7) << "sizes are written only on success";
    }
    EXPECT_EQ(JpegDecoder(dir.filePath(QStringLiteral("missing.jpg")).toUtf8().constData(), nullptr, nullptr), nullptr);
    EXPECT_EQ(JpegDecoder(nullptr, nullptr, nullptr), nullptr);
}

TEST(QuilJpegCoder, WritesBaselineJfifThatDecodesToThePicture)
{
    QTemporaryDir dir;
    Decoded source;
    decode(fixture("jfif.jpg"), source);
    ASSERT_NE(source.block.get(), nullptr);
    for (const uint16_t sampling : {QUILJPEG_SAMPLING_420, QUILJPEG_SAMPLING_444}) {
        SCOPED_TRACE(sampling);
        const std::string out = dir.filePath(QStringLiteral("out%1.jpg").arg(sampling)).toStdString();
        ASSERT_EQ(JpegCoder(out.c_str(), source.block.get(), 75, sampling), QUILJPEG_OK);
        const QByteArray bytes = readFile(out);
        EXPECT_TRUE(bytes.startsWith(QByteArray::fromHex("FFD8FFE0")) && bytes.mid(6, 5) == QByteArray("JFIF\0", 5));
        EXPECT_TRUE(hasMarker(bytes, 0xC0)) << "baseline frame header";
        EXPECT_FALSE(hasMarker(bytes, 0xC2)) << "no progressive frame";
        EXPECT_EQ(lumaSampling(bytes), sampling == QUILJPEG_SAMPLING_420 ? 0x22 : 0x11);
        Decoded back;
        decode(out, back);
        ASSERT_NE(back.block.get(), nullptr);
        EXPECT_LT(meanDifference(dibPixels(back.block.get()), dibPixels(source.block.get())), 6.0);
    }
}

TEST(QuilJpegCoder, EveryDepthIsWrittenAndGreysStayGrey)
{
    QTemporaryDir dir;
    for (const unsigned bits : {1u, 4u, 8u, 16u, 24u, 32u}) {
        SCOPED_TRACE(bits);
        Block dib(makeDib({33, 17, bits, bits <= 8 ? (1u << bits) : 0u, bits == 16, 0}, bits));
        const std::string out = dir.filePath(QStringLiteral("d%1.jpg").arg(bits)).toStdString();
        ASSERT_EQ(JpegCoder(out.c_str(), dib.get(), 90, QUILJPEG_SAMPLING_444), QUILJPEG_OK);
        Decoded back;
        decode(out, back);
        ASSERT_NE(back.block.get(), nullptr);
        EXPECT_EQ(back.width, 33);
        EXPECT_EQ(back.height, 17);
    }
    // A grey table makes a one-component file, which decodes to 8 bits again.
    Decoded grey;
    decode(fixture("grey.jpg"), grey);
    const std::string out = dir.filePath(QStringLiteral("grey.jpg")).toStdString();
    ASSERT_EQ(JpegCoder(out.c_str(), grey.block.get(), 75, QUILJPEG_SAMPLING_420), QUILJPEG_OK);
    Decoded back;
    decode(out, back);
    ASSERT_NE(back.block.get(), nullptr);
    EXPECT_EQ(bitCount(back.block.get()), 8u);
}

TEST(QuilJpegCoder, RefusalsLeaveAnExistingFileAlone)
{
    QTemporaryDir dir;
    const std::string out = dir.filePath(QStringLiteral("keep.jpg")).toStdString();
    QFile file(QString::fromStdString(out));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("precious");
    file.close();
    Block dib(makeDib({8, 8, 24, 0, false, 0}, 1));
    EXPECT_EQ(JpegCoder(out.c_str(), dib.get(), 0, 1), QUILJPEG_BAD_ARGUMENT);
    EXPECT_EQ(JpegCoder(out.c_str(), dib.get(), 101, 1), QUILJPEG_BAD_ARGUMENT);
    EXPECT_EQ(JpegCoder(out.c_str(), dib.get(), 75, 2), QUILJPEG_BAD_ARGUMENT);
    EXPECT_EQ(JpegCoder(out.c_str(), nullptr, 75, 1), QUILJPEG_BAD_ARGUMENT);
    Block rle(makeDib({8, 8, 8, 256, false, 1}, 2));
    EXPECT_EQ(JpegCoder(out.c_str(), rle.get(), 75, 1), QUILJPEG_BAD_ARGUMENT);
    EXPECT_EQ(readFile(out), QByteArray("precious"));
    const std::string nowhere = dir.filePath(QStringLiteral("no/such/folder/x.jpg")).toStdString();
    EXPECT_EQ(JpegCoder(nowhere.c_str(), dib.get(), 75, 1), QUILJPEG_WRITE_FAILED);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("keep.jpg")})
        << "no temporary file is left behind";
}
