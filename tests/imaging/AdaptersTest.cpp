// The image adapters with every library present: JPEG saving and decoding by flags, the picture
// window's choices, 24-bit conversion, icons, DV stills and the rotate command's per-file work.

#include "imaging/ImagingTestSupport.h"

#include "imaging/BmpFile.h"
#include "imaging/DibConvert.h"
#include "imaging/DvStillDecoder.h"
#include "imaging/ExifKitBinding.h"
#include "imaging/ImageFiles.h"
#include "imaging/QuilJpegBinding.h"
#include "imaging/Rotation.h"
#include "imaging/SiblingMessages.h"
#include "imaging/TurnkitBinding.h"

#include "resources/UiResources.h"

#include <QFileInfo>
#include <QPixmap>

using namespace imaging;
using namespace imagingtest;

namespace {

siblingtest::Rgb pixelsOf(const PackedDib& dib)
{
    return siblingtest::dibPixels(dib.get());
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

bool haveVistra32()
{
    return QFileInfo::exists(QStringLiteral(KESTREL_BIN_DIR "/libVistra32.so"));
}

// The compressed picture data of a JPEG: from its first start-of-scan marker to the end.
QByteArray scanData(const QByteArray& jpeg)
{
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && static_cast<uint8_t>(jpeg[at]) == 0xFF) {
        if (static_cast<uint8_t>(jpeg[at + 1]) == 0xDA)
            return jpeg.mid(at);
        at += 2 + (static_cast<uint8_t>(jpeg[at + 2]) << 8 | static_cast<uint8_t>(jpeg[at + 3]));
    }
    return {};
}

}  // namespace

TEST(SaveAsJpeg, WritesOverAnExistingFileOrReportsTheFolder)
{
    QTemporaryDir dir;
    MessageLog log;
    const PackedDib picture = decodeJpegFile(QString::fromStdString(fixture("jfif.jpg")));
    ASSERT_TRUE(picture.isValid());
    const QString target = dir.filePath(QStringLiteral("out.jpg"));
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old contents");
    old.close();
    ASSERT_TRUE(saveAsJpeg(target, picture));
    const PackedDib back = decodeJpegFile(target);
    EXPECT_LT(siblingtest::meanDifference(pixelsOf(back), pixelsOf(picture)), 6.0);
    EXPECT_FALSE(saveAsJpeg(dir.filePath(QStringLiteral("none/x.jpg")), picture));
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0].text, UiResources::string(strings::kCannotOpenFile));
    EXPECT_EQ(log.records[0].style, platform::MbOk | platform::MbIconExclamation);
}

TEST(DecodeImageFile, FlagsChooseThumbnailPrimaryOrJpegDecoder)
{
    MessageLog log;
    const QString ixus = QString::fromStdString(siblingtest::realJpegs("jpeg_exif").front());  // Canon IXUS, 640 x 480
    ASSERT_TRUE(ixus.endsWith(QLatin1String("Canon IXUS.jpg")));
    EXPECT_EQ(decodeImageFile(ixus, kPictureWindowJpegFlags).width(), 640);
    EXPECT_EQ(decodeImageFile(ixus, kDecodeWithExifKit | kDecodeExifThumbnail | kDecodeExifPrimary).width(), 160);
    EXPECT_EQ(decodeImageFile(ixus, kDecodeWithQuilJpeg).width(), 640);
    // No thumbnail: the primary picture follows; neither asked for: nothing.
    const QString ricoh = QString::fromStdString(siblingtest::realJpegs("jpeg_exif")[4]);
    ASSERT_TRUE(ricoh.contains(QLatin1String("Ricoh")));
    EXPECT_EQ(decodeImageFile(ricoh, kDecodeWithExifKit | kDecodeExifThumbnail | kDecodeExifPrimary).width(), 640);
    EXPECT_TRUE(decodeImageFile(ricoh, kDecodeWithExifKit | kDecodeExifThumbnail).isNull());
    EXPECT_TRUE(decodeImageFile(QString::fromStdString(fixture("pattern.ppm")), kPictureWindowJpegFlags).isNull());
    EXPECT_TRUE(log.records.empty());
}

TEST(DecodePictureFile, ByExtensionWithTheTiffWarning)
{
    QTemporaryDir dir;
    MessageLog log;
    EXPECT_EQ(decodePictureFile(copyFixture(dir, "jfif.jpg", QStringLiteral("A.JPG")), DvStillOptions::none()).width(), 97);
    EXPECT_EQ(decodePictureFile(copyFixture(dir, "palette8.bmp", QStringLiteral("b.Bmp")), DvStillOptions::none()).width(), 97);
    EXPECT_EQ(decodePictureFile(copyFixture(dir, "exif2.tif"), DvStillOptions::none()).width(), 97);
    EXPECT_TRUE(log.records.empty());
    // A TIFF without Exif is announced, then shown all the same.
    EXPECT_EQ(decodePictureFile(copyFixture(dir, "plain.tif"), DvStillOptions::none()).width(), 97);
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0].text, UiResources::string(strings::kTiffWithoutExif));
    EXPECT_EQ(log.records[0].caption, applicationTitle());
    EXPECT_EQ(log.records[0].style, platform::MbOk | platform::MbIconExclamation);
    EXPECT_TRUE(decodePictureFile(copyFixture(dir, "jfif.jpg", QStringLiteral("c.jpeg")), DvStillOptions::none()).isNull());
}

TEST(ConvertTo24Bits, PalettesAndMasksBecomeColours)
{
    // 1 bit, two entries.
    PackedDib mono = PackedDib::blank(9, 2, 1);
    uint8_t* table = static_cast<uint8_t*>(mono.get()) + 40;
    table[0] = 10, table[1] = 20, table[2] = 30;
    table[4] = 200, table[5] = 210, table[6] = 220;
    mono.row(0)[0] = 0x80;
    mono.header().xPelsPerMeter = 1234;
    const PackedDib mono24 = convertTo24Bits(mono);
    ASSERT_TRUE(mono24.isValid());
    EXPECT_EQ(mono24.bitCount(), 24u);
    EXPECT_EQ(mono24.header().clrUsed, 0u);
    EXPECT_EQ(mono24.header().sizeImage, dibRowBytes(9, 24) * 2);
    EXPECT_EQ(mono24.header().xPelsPerMeter, 1234);
    EXPECT_EQ(std::vector<int>(mono24.row(0), mono24.row(0) + 6), (std::vector<int>{200, 210, 220, 10, 20, 30}));
    // 16 bits with 5-6-5 masks: pure green is 0x07E0.
    PackedDib fields = makeDib({2, 1, 16, 0, false, 3}, 1);
    const uint16_t greens[] = {0x07E0, 0xF800};
    std::memcpy(fields.bits(), greens, 4);
    const PackedDib fields24 = convertTo24Bits(fields);
    ASSERT_TRUE(fields24.isValid());
    EXPECT_EQ(std::vector<int>(fields24.row(0), fields24.row(0) + 6), (std::vector<int>{0, 255, 0, 0, 0, 255}));
    // A top-down source comes out bottom-up with the same picture.
    PackedDib down = makeDib({5, 4, 24, 0, true, 0}, 2);
    const PackedDib up = convertTo24Bits(down);
    ASSERT_FALSE(up.isTopDown());
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(std::memcmp(up.row(y), down.row(y), 15), 0);
    EXPECT_TRUE(convertTo24Bits(PackedDib()).isNull());
    EXPECT_TRUE(convertTo24Bits(makeDib({4, 4, 8, 256, false, 1}, 1)).isNull()) << "RLE";
}

TEST(IconToDib, IconOverWhite)
{
    QPixmap red(16, 16);
    red.fill(Qt::red);
    const PackedDib dib = iconToDib(QIcon(red), 32);
    ASSERT_TRUE(dib.isValid());
    EXPECT_EQ(dib.width(), 32);
    EXPECT_EQ(dib.bitCount(), 24u);
    const uint8_t* corner = dib.row(0);
    EXPECT_EQ(std::vector<int>(corner, corner + 3), (std::vector<int>{255, 255, 255}));
    const uint8_t* centre = dib.row(16) + 16 * 3;
    EXPECT_EQ(std::vector<int>(centre, centre + 3), (std::vector<int>{0, 0, 255}));
    EXPECT_TRUE(iconToDib(QIcon(red), 0).isNull());
}

TEST(DvStill, FlagsAndTrimsFromTheOptions)
{
    EXPECT_EQ(dvDecodeFlags(DvStillOptions::none()), 0x4000121u);
    EXPECT_EQ(dvVerticalTrim(DvStillOptions::none()), 0u);
    EXPECT_EQ(dvHorizontalTrim(DvStillOptions::none()), 0u);
    struct Row {
        int a, b, c;
        uint32_t flags;
    };
    for (const Row& row : {Row{1, 0, 2, 0x4010120}, Row{1, 0, 0, 0x4020120}, Row{1, 0, 1, 0x4000120}, Row{2, 1, 0, 0x4010180},
                           Row{3, 2, 0, 0x4020140}, Row{7, 3, 2, 0x4040110}, Row{0, 3, 0, 0x4080110}, Row{1, 3, 1, 0x4000120},
                           Row{1, 4, 0, 0x4040120}, Row{1, 5, 2, 0x4080120}, Row{1, 6, 0, 0x4000120}}) {
        SCOPED_TRACE(std::to_string(row.a) + " " + std::to_string(row.b) + " " + std::to_string(row.c));
        EXPECT_EQ(dvDecodeFlags(DvStillOptions::from(row.a, row.b, row.c, 0, 0, 0, 0)), row.flags);
    }
    const DvStillOptions cropped = DvStillOptions::from(1, 0, 0, 5, 2, 6, 3);
    EXPECT_EQ(dvVerticalTrim(cropped), 0x00030002u);
    EXPECT_EQ(dvHorizontalTrim(cropped), 0x00060005u);
}

TEST(DvStill, DecodesFramesAndRefusesBrokenOnes)
{
    if (!haveVistra32())
        GTEST_SKIP() << "Vistra32 is not built";
    MessageLog log;
    const QString frame = dvFrames() + QStringLiteral("/testsrc2-525.dvf");
    const PackedDib plain = decodeDvStill(frame, DvStillOptions::none());
    ASSERT_TRUE(plain.isValid());
    EXPECT_EQ(plain.width(), 640);
    EXPECT_EQ(plain.height(), 480);
    const PackedDib cropped = decodeDvStill(frame, DvStillOptions::from(1, 0, 0, 5, 0, 5, 0));
    EXPECT_EQ(cropped.width(), 630);
    const PackedDib pal = decodeDvStill(dvFrames() + QStringLiteral("/bars-625.dvf"), DvStillOptions::none());
    EXPECT_EQ(pal.width(), 720);
    EXPECT_EQ(pal.height(), 540);

    QTemporaryDir dir;
    QFile source(frame);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray bytes = source.readAll();
    const QString shortFile = dir.filePath(QStringLiteral("short.dvf"));
    QFile out(shortFile);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes.left(bytes.size() - 100));  // the header claims more than the file holds
    out.close();
    EXPECT_TRUE(decodeDvStill(shortFile, DvStillOptions::none()).isNull());
    QByteArray garbage = bytes;
    garbage[0] = 'X';
    QFile bad(dir.filePath(QStringLiteral("bad.dvf")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(garbage);
    bad.close();
    EXPECT_TRUE(decodeDvStill(bad.fileName(), DvStillOptions::none()).isNull());
    EXPECT_TRUE(log.records.empty());
    EXPECT_TRUE(decodeDvStill(dir.filePath(QStringLiteral("missing.dvf")), DvStillOptions::none()).isNull());
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0].text, UiResources::string(strings::kCannotOpenFile));
}

TEST(Rotate, BmpFilesTurnInPlaceAndFourTurnsGiveTheOriginal)
{
    QTemporaryDir dir;
    const QString path = copyFixture(dir, "palette8.bmp", QStringLiteral("pic.BMP"));
    const PackedDib before = readBmpFile(path);
    ASSERT_TRUE(before.isValid());
    auto samePicture = [&](const PackedDib& now) {
        return now.isValid() && now.width() == before.width() && now.height() == before.height()
               && std::memcmp(now.colourTable(), before.colourTable(), before.colourEntries() * 4) == 0
               && std::memcmp(now.bits(), before.bits(), before.imageBytes()) == 0;
    };
    const RotateOutcome first = rotateFile(path, kTurn90, DvStillOptions::none());
    EXPECT_TRUE(first.refresh);
    EXPECT_TRUE(first.newFile.isEmpty());
    const PackedDib turned = readBmpFile(path);
    EXPECT_EQ(turned.width(), 61);
    EXPECT_EQ(turned.height(), 97);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(rotateFile(path, kTurn90, DvStillOptions::none()).refresh);
    EXPECT_TRUE(samePicture(readBmpFile(path))) << "four quarter turns";
    // A half turn (also any unknown direction) twice, then three quarters and one quarter.
    rotateFile(path, kTurn180, DvStillOptions::none());
    rotateFile(path, 9, DvStillOptions::none());
    EXPECT_TRUE(samePicture(readBmpFile(path)));
    rotateFile(path, kTurn270, DvStillOptions::none());
    EXPECT_FALSE(samePicture(readBmpFile(path)));
    rotateFile(path, kTurn90, DvStillOptions::none());
    EXPECT_TRUE(samePicture(readBmpFile(path)));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("pic.BMP")});
}

TEST(Rotate, JfifJpegIsReencodedTurned)
{
    QTemporaryDir dir;
    const QString path = copyFixture(dir, "jfif.jpg");
    const PackedDib original = decodeJpegFile(path);
    EXPECT_EQ(rotateJpeg(path, kTurn90), path);
    const PackedDib turned = decodeJpegFile(path);
    ASSERT_TRUE(turned.isValid());
    EXPECT_EQ(turned.width(), 61);
    EXPECT_EQ(turned.height(), 97);
    const PackedDib expected = turnDib(original, kTurn90);
    // Re-encoded at quality 75 with halved colour: the pattern's sharp colour edges lose a little, a
    // wrongly turned picture would differ by far more.
    EXPECT_LT(siblingtest::meanDifference(pixelsOf(turned), pixelsOf(expected)), 10.0);
    const QByteArray bytes = readFile(path.toStdString());
    EXPECT_EQ(bytes.mid(6, 5), QByteArray("JFIF\0", 5));
}

TEST(Rotate, ExifJpegChangesOnlyItsOrientation)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("IMG_1038.JPG"));
    ASSERT_TRUE(QFile::copy(QString::fromStdString(siblingtest::realJpegs("orientation").back()), path));
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray before = scanData(readFile(path.toStdString()));
    const RotateOutcome outcome = rotateFile(path, kTurn90, DvStillOptions::none());
    EXPECT_TRUE(outcome.refresh);
    EXPECT_EQ(siblingtest::exiv2Value(path.toStdString(), "Exif.Image.Orientation"), "3");
    EXPECT_EQ(scanData(readFile(path.toStdString())), before);
    EXPECT_EQ(rotateJpeg(path, kTurn270), path);
    EXPECT_EQ(siblingtest::exiv2Value(path.toStdString(), "Exif.Image.Orientation"), "6");
    EXPECT_TRUE(rotateJpeg(path, 7).isEmpty()) << "only the three directions turn an Exif file";
    EXPECT_EQ(siblingtest::exiv2Value(path.toStdString(), "Exif.Image.Orientation"), "6");
}

TEST(Rotate, DvStillsBecomeNewBmpsBesideThem)
{
    if (!haveVistra32())
        GTEST_SKIP() << "Vistra32 is not built";
    QTemporaryDir dir;
    const QString frame = dir.filePath(QStringLiteral("frame.dvf"));
    ASSERT_TRUE(QFile::copy(dvFrames() + QStringLiteral("/testsrc2-525.dvf"), frame));
    const QByteArray before = readFile(frame.toStdString());
    const RotateOutcome first = rotateFile(frame, kTurn90, DvStillOptions::none());
    EXPECT_FALSE(first.refresh);
    EXPECT_EQ(first.newFile, dir.filePath(QStringLiteral("frame.bmp")));
    const RotateOutcome second = rotateFile(frame, kTurn90, DvStillOptions::none());
    EXPECT_EQ(second.newFile, dir.filePath(QStringLiteral("frame(1).bmp")));
    const PackedDib bmp = readBmpFile(first.newFile);
    EXPECT_EQ(bmp.width(), 480);
    EXPECT_EQ(bmp.height(), 640);
    EXPECT_EQ(readFile(frame.toStdString()), before) << "the DV still itself is untouched";
    EXPECT_TRUE(rotateFile(dir.filePath(QStringLiteral("other.png")), kTurn90, DvStillOptions::none()).newFile.isEmpty());
}

TEST(DvStill, TheKeptWorkAreaGivesWhatAFreshOneGives)
{
    if (!haveVistra32())
        GTEST_SKIP() << "Vistra32 is not built";
    const QString ntsc = dvFrames() + QStringLiteral("/testsrc2-525.dvf");
    const QString pal = dvFrames() + QStringLiteral("/bars-625.dvf");
    const DvStillOptions cropped = DvStillOptions::from(1, 0, 0, 5, 0, 5, 0);
    auto bytes = [](const PackedDib& dib) {
        return dib ? QByteArray(reinterpret_cast<const char*>(dib.bits()), static_cast<qsizetype>(dib.imageBytes())) : QByteArray();
    };
    // A thread of its own starts with a fresh work area for each of these.
    auto fresh = [&](const QString& path, const DvStillOptions& options) {
        QByteArray result;
        std::thread([&] { result = bytes(decodeDvStill(path, options)); }).join();
        return result;
    };
    // Alternating modes and frames on this thread, with a failed call between them.
    const QByteArray first = bytes(decodeDvStill(ntsc, DvStillOptions::none()));
    const QByteArray narrow = bytes(decodeDvStill(ntsc, cropped));
    EXPECT_TRUE(decodeDvStill(QStringLiteral("/dev/null"), DvStillOptions::none()).isNull());
    const QByteArray again = bytes(decodeDvStill(ntsc, DvStillOptions::none()));
    const QByteArray other = bytes(decodeDvStill(pal, DvStillOptions::none()));
    // Shapes that resample use tables of their own.
    const DvStillOptions wide = DvStillOptions::from(3, 0, 1, 0, 0, 0, 0);
    const DvStillOptions square = DvStillOptions::from(1, 0, 1, 0, 0, 0, 0);
    const QByteArray wideFirst = bytes(decodeDvStill(ntsc, wide));
    const QByteArray squareAfter = bytes(decodeDvStill(ntsc, square));
    EXPECT_EQ(wideFirst, fresh(ntsc, wide));
    EXPECT_EQ(squareAfter, fresh(ntsc, square));
    EXPECT_NE(wideFirst, squareAfter);
    EXPECT_EQ(first, fresh(ntsc, DvStillOptions::none()));
    EXPECT_EQ(narrow, fresh(ntsc, cropped));
    EXPECT_EQ(again, first);
    EXPECT_EQ(other, fresh(pal, DvStillOptions::none()));
}
