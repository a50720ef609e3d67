// ImgShift's conversions end to end: every source form into every target form, the naming rule that
// never overwrites, the DV options, and the libraries it loads from its own folder.

#include "siblings/SiblingTestSupport.h"

#include "ExifKit.h"
#include "ImgProbe.h"
#include "ImgShift.h"
#include "QuilJpeg.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <dlfcn.h>

using namespace siblingtest;

namespace {

struct Converted {
    uint16_t status = 0xFFFF;
    std::string output;
};

Converted convert(const QString& source, int32_t mode, const std::string& wanted = {})
{
    char buffer[IMGSHIFT_PATH_SIZE] = {};
    std::memcpy(buffer, wanted.c_str(), std::min(wanted.size(), sizeof buffer - 1));
    Converted c;
    c.status = _ImageConvert(source.toUtf8().constData(), buffer, mode);
    c.output = buffer;
    return c;
}

QString copyFixture(const QTemporaryDir& dir, const char* name)
{
    const QString target = dir.filePath(QLatin1String(name));
    QFile::copy(QString::fromStdString(fixture(name)), target);
    return target;
}

uint16_t formatOf(const std::string& path)
{
    uint16_t format = 0;
    _GetImageFormat(path.c_str(), &format);
    return format;
}

QString dvFrames()
{
    static const QString folder = [] {
        const QString out = QStringLiteral(KESTREL_BUILD_DIR "/fixtures/dv-frames");
        QProcess::execute(QStringLiteral(KESTREL_SOURCE_DIR "/scripts/fixtures/dv-frames.sh"), {out});
        return out;
    }();
    return folder;
}

// A title file written byte by byte from the format's description: 32-byte header, then the text.
std::string writeTitle(const QTemporaryDir& dir, const char* name, int width, int height, const QByteArray& text)
{
    QByteArray file(32, '\0');
    file.replace(0, 8, "TTL 1.00");
    const uint32_t total = 32 + static_cast<uint32_t>(text.size());
    const uint8_t header[] = {static_cast<uint8_t>(width >> 8), static_cast<uint8_t>(width), static_cast<uint8_t>(height >> 8),
                              static_cast<uint8_t>(height), static_cast<uint8_t>(total >> 24), static_cast<uint8_t>(total >> 16),
                              static_cast<uint8_t>(total >> 8), static_cast<uint8_t>(total), 0, 0, 0, 255, 255, 255};
    file.replace(8, sizeof header, reinterpret_cast<const char*>(header), sizeof header);
    file[24] = static_cast<char>(text.size() >> 8);
    file[25] = static_cast<char>(text.size());
    file += text;
    const QString path = dir.filePath(QLatin1String(name));
    QFile out(path);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(file);
    return path.toStdString();
}

bool haveVistra32()
{
    return QFileInfo::exists(QStringLiteral(KESTREL_BIN_DIR "/libVistra32.so"));
}

}  // namespace

TEST(ImgShift, JpegToBmpNeverOverwrites)
{
    QTemporaryDir dir;
    const QString source = copyFixture(dir, "jfif.jpg");
    Block reference(JpegDecoder(source.toUtf8().constData(), nullptr, nullptr));
    const std::string stem = dir.filePath(QStringLiteral("jfif")).toStdString();
    for (const char* expected : {".bmp", "(1).bmp", "(2).bmp"}) {
        const Converted c = convert(source, IMGSHIFT_MODE_BMP);
        ASSERT_EQ(c.status, IMGSHIFT_OK);
        EXPECT_EQ(c.output, stem + expected);
        const QByteArray bmp = readFile(c.output);
        EXPECT_EQ(static_cast<uint8_t>(bmp[28]), 24) << "24-bit";
        EXPECT_EQ(firstMismatch(bmpPixels(bmp), dibPixels(reference.get())), "");
    }
    // A 24-bit BMP is already what mode 0 makes.
    const Converted again = convert(dir.filePath(QStringLiteral("jfif.bmp")), IMGSHIFT_MODE_BMP);
    EXPECT_EQ(again.status, IMGSHIFT_ALREADY);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("jfif(3).bmp"))));
}

TEST(ImgShift, OtherBmpsBecomePlain24Bits)
{
    QTemporaryDir dir;
    for (const char* name : {"palette8.bmp", "v5.bmp"}) {
        SCOPED_TRACE(name);
        const QString source = copyFixture(dir, name);
        const Converted c = convert(source, IMGSHIFT_MODE_BMP);
        ASSERT_EQ(c.status, IMGSHIFT_OK);
        EXPECT_TRUE(QString::fromStdString(c.output).endsWith(QLatin1String("(1).bmp")));
        const QByteArray bmp = readFile(c.output);
        EXPECT_EQ(le32(reinterpret_cast<const uint8_t*>(bmp.constData()) + 14), 40u);
        EXPECT_EQ(static_cast<uint8_t>(bmp[28]), 24);
        EXPECT_EQ(convert(QString::fromStdString(c.output), IMGSHIFT_MODE_BMP).status, IMGSHIFT_ALREADY);
    }
    // The palette picture's colours survive (compared with ImageMagick's reading of the same file).
    const QByteArray made = readFile(dir.filePath(QStringLiteral("palette8(1).bmp")).toStdString());
    const QByteArray magick = runTool(QStringLiteral("convert"), {QString::fromStdString(fixture("palette8.bmp")), QStringLiteral("-type"),
                                                                  QStringLiteral("truecolor"), QStringLiteral("bmp3:-")});
    EXPECT_EQ(firstMismatch(bmpPixels(made), bmpPixels(magick)), "");
}

TEST(ImgShift, ExifAndJfifTargets)
{
    QTemporaryDir dir;
    const QString jfif = copyFixture(dir, "jfif.jpg");
    const QString exif = copyFixture(dir, "exif.jpg");
    const QString tiff = copyFixture(dir, "exif2.tif");

    EXPECT_EQ(convert(exif, IMGSHIFT_MODE_EXIF).status, IMGSHIFT_ALREADY);
    EXPECT_EQ(convert(jfif, IMGSHIFT_MODE_JFIF).status, IMGSHIFT_ALREADY);

    const Converted toExif = convert(jfif, IMGSHIFT_MODE_EXIF);
    ASSERT_EQ(toExif.status, IMGSHIFT_OK);
    EXPECT_EQ(toExif.output, dir.filePath(QStringLiteral("jfif(1).jpg")).toStdString()) << "the source keeps its name";
    EXPECT_EQ(formatOf(toExif.output), IMGPROBE_FORMAT_EXIF2_JPEG);
    EXPECT_EQ(exiv2Value(toExif.output, "Exif.Photo.PixelXDimension"), "97");

    const Converted toJfif = convert(exif, IMGSHIFT_MODE_JFIF);
    ASSERT_EQ(toJfif.status, IMGSHIFT_OK);
    EXPECT_EQ(formatOf(toJfif.output), IMGPROBE_FORMAT_JFIF);

    const Converted fromTiff = convert(tiff, IMGSHIFT_MODE_EXIF);
    ASSERT_EQ(fromTiff.status, IMGSHIFT_OK);
    EXPECT_EQ(fromTiff.output, dir.filePath(QStringLiteral("exif2.jpg")).toStdString());
    EXPECT_EQ(exiv2Value(fromTiff.output, "Exif.Photo.DateTimeOriginal"), "2001:02:03 04:05:06") << "the shooting date stays";
    Block picture(JpegDecoder(fromTiff.output.c_str(), nullptr, nullptr));
    ExifParams params{};
    params.size = sizeof params;
    ASSERT_EQ(Exif_GetPrimaryImage(tiff.toUtf8().constData(), &params, 0), EXIFKIT_OK);
    Block original(params.image);
    // Sharp colour edges of the pattern cost some accuracy at 4:2:0; a wrong decode would cost far more.
    EXPECT_LT(meanDifference(dibPixels(picture.get()), dibPixels(original.get())), 12.0);
}

TEST(ImgShift, ChosenOutputPathAndTitles)
{
    QTemporaryDir dir;
    const QString source = copyFixture(dir, "jfif.jpg");
    const std::string chosen = dir.filePath(QStringLiteral("chosen.bmp")).toStdString();
    EXPECT_EQ(convert(source, IMGSHIFT_MODE_BMP, chosen).output, chosen);
    EXPECT_EQ(convert(source, IMGSHIFT_MODE_BMP, chosen).output, dir.filePath(QStringLiteral("chosen(1).bmp")).toStdString());

    const std::string ttl = writeTitle(dir, "title.ttl", 200, 100, "Kestrel");
    const Converted card = convert(QString::fromStdString(ttl), IMGSHIFT_MODE_BMP);
    ASSERT_EQ(card.status, IMGSHIFT_OK);
    const Rgb rgb = bmpPixels(readFile(card.output));
    EXPECT_EQ(rgb.width, 200);
    EXPECT_EQ(rgb.height, 100);
}

TEST(ImgShift, FailuresWriteNothing)
{
    QTemporaryDir dir;
    const QString damaged = dir.filePath(QStringLiteral("damaged.jpg"));
    QFile file(damaged);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(readFile(fixture("jfif.jpg")).left(600));
    file.close();
    const QString png = dir.filePath(QStringLiteral("picture.png"));
    QFile::copy(QString::fromStdString(fixture("pattern.ppm")), png);
    const QString source = copyFixture(dir, "jfif.jpg");
    EXPECT_EQ(convert(damaged, IMGSHIFT_MODE_BMP).status, IMGSHIFT_FAILED);
    EXPECT_EQ(convert(png, IMGSHIFT_MODE_BMP).status, IMGSHIFT_FAILED);
    EXPECT_EQ(convert(dir.filePath(QStringLiteral("missing.jpg")), IMGSHIFT_MODE_BMP).status, IMGSHIFT_FAILED);
    EXPECT_EQ(convert(source, 3).status, IMGSHIFT_FAILED);
    EXPECT_EQ(convert(source, IMGSHIFT_MODE_BMP, dir.filePath(QStringLiteral("no/folder/x.bmp")).toStdString()).status, IMGSHIFT_FAILED);
    EXPECT_EQ(_ImageConvert(nullptr, nullptr, 0), IMGSHIFT_FAILED);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3) << "nothing was written";
}

TEST(ImgShift, DvStillsFollowTheKeptFilter)
{
    if (!haveVistra32())
        GTEST_SKIP() << "Vistra32 is not built";
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("frame.dvf"));
    ASSERT_TRUE(QFile::copy(dvFrames() + QStringLiteral("/testsrc2-525.dvf"), source));
    struct Case {
        int32_t a;
        ImgShiftRect crop;
        int width, height;
    };
    // Without a call: a 4:3 picture (640 x 480 from a 525/60 frame) with five columns dropped at each side.
    const Converted first = convert(source, IMGSHIFT_MODE_BMP);
    ASSERT_EQ(first.status, IMGSHIFT_OK);
    EXPECT_EQ(bmpPixels(readFile(first.output)).width, 630);
    for (const Case& c : {Case{0, {0, 0, 0, 0}, 720, 480}, Case{1, {5, 0, 5, 0}, 630, 480}, Case{3, {0, 10, 0, 20}, 640, 330}}) {
        SCOPED_TRACE(c.a);
        SetDvFilter(c.a, 0, c.crop);
        const Converted out = convert(source, IMGSHIFT_MODE_BMP);
        ASSERT_EQ(out.status, IMGSHIFT_OK);
        const Rgb rgb = bmpPixels(readFile(out.output));
        EXPECT_EQ(rgb.width, c.width);
        EXPECT_EQ(rgb.height, c.height);
    }
    // The picture as decoded, against ffmpeg's decode of the same frame: right way up, right colours.
    SetDvFilter(0, 0, {0, 0, 0, 0});
    const Rgb native = bmpPixels(readFile(convert(source, IMGSHIFT_MODE_BMP).output));
    const QByteArray ref = readFile((dvFrames() + QStringLiteral("/testsrc2-525.ref.bgr")).toStdString());
    Rgb reference{720, 480, std::vector<uint8_t>(720 * 480 * 3)};
    for (std::size_t i = 0; i + 2 < reference.pixels.size() && i + 2 < static_cast<std::size_t>(ref.size()); i += 3) {
        reference.pixels[i] = static_cast<uint8_t>(ref[static_cast<qsizetype>(i + 2)]);
        reference.pixels[i + 1] = static_cast<uint8_t>(ref[static_cast<qsizetype>(i + 1)]);
        reference.pixels[i + 2] = static_cast<uint8_t>(ref[static_cast<qsizetype>(i)]);
    }
    EXPECT_LT(meanDifference(native, reference), 8.0);
    SetDvFilter(1, 0, {5, 0, 5, 0});
}

TEST(ImgShift, LoadsItsHelpersFromItsOwnFolder)
{
    // A folder holding ImgShift alone: titles (and DV stills) then fail, other pictures still convert.
    // (This test program does not link Capline, so no copy of it is in the process already.)
    QTemporaryDir dir;
    const QString library = dir.filePath(QStringLiteral("libImgShift.so"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(KESTREL_BIN_DIR "/libImgShift.so"), library));
    void* handle = dlopen(library.toUtf8().constData(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    auto lonely = reinterpret_cast<decltype(&_ImageConvert)>(dlsym(handle, "_ImageConvert"));
    ASSERT_NE(lonely, nullptr);
    const std::string ttl = writeTitle(dir, "t.ttl", 32, 32, "A");
    char buffer[IMGSHIFT_PATH_SIZE] = {};
    EXPECT_EQ(lonely(ttl.c_str(), buffer, IMGSHIFT_MODE_BMP), IMGSHIFT_FAILED);
    const QString jpeg = copyFixture(dir, "jfif.jpg");
    EXPECT_EQ(lonely(jpeg.toUtf8().constData(), buffer, IMGSHIFT_MODE_BMP), IMGSHIFT_OK);
    ASSERT_TRUE(QFile::copy(QStringLiteral(KESTREL_BIN_DIR "/libCapline.so"), dir.filePath(QStringLiteral("libCapline.so"))));
    buffer[0] = '\0';
    EXPECT_EQ(lonely(ttl.c_str(), buffer, IMGSHIFT_MODE_BMP), IMGSHIFT_OK);
    dlclose(handle);
}
