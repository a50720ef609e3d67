// BMP files: what the reader takes and refuses, the writer's naming rule, and its behaviour when a write
// fails.

#include "imaging/ImagingTestSupport.h"

#include "imaging/BmpFile.h"
#include "imaging/SiblingMessages.h"

#include "resources/UiResources.h"

#include <QFileInfo>

#include <csignal>

#include <sys/resource.h>

using namespace imaging;
using namespace imagingtest;

namespace {

QString writeBytes(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

// A BMP file image of a packed DIB: "BM", size, reserved, pixel offset, then the DIB.
QByteArray bmpOf(const PackedDib& dib)
{
    QByteArray file(14, '\0');
    file[0] = 'B', file[1] = 'M';
    const uint32_t size = static_cast<uint32_t>(14 + dib.totalBytes()), offset = static_cast<uint32_t>(14 + dib.bitsOffset());
    std::memcpy(file.data() + 2, &size, 4);
    std::memcpy(file.data() + 10, &offset, 4);
    return file + QByteArray(static_cast<const char*>(dib.get()), static_cast<qsizetype>(dib.totalBytes()));
}

}  // namespace

TEST(BmpFile, EveryDepthRoundTripsAndGetsItsFieldsFilledIn)
{
    QTemporaryDir dir;
    for (const unsigned bits : {1u, 4u, 8u, 16u, 24u, 32u}) {
        SCOPED_TRACE(bits);
        PackedDib dib = makeDib({13, 5, bits, bits <= 8 ? (1u << bits) : 0u, false, 0}, bits);
        dib.header().sizeImage = 0;  // both left for the reader to fill in
        dib.header().clrUsed = 0;
        const QString path = dir.filePath(QStringLiteral("d%1.bmp").arg(bits));
        ASSERT_TRUE(writeBmpFile(path, dib, true));
        const QByteArray file = readFile(path.toStdString());
        EXPECT_EQ(file.left(2), QByteArray("BM"));
        EXPECT_EQ(siblingtest::le32(reinterpret_cast<const uint8_t*>(file.constData()) + 2), static_cast<uint32_t>(file.size()));
        PackedDib back = readBmpFile(path);
        ASSERT_TRUE(back.isValid());
        EXPECT_EQ(back.header().sizeImage, dibRowBytes(13, bits) * 5);
        EXPECT_EQ(back.header().clrUsed, bits <= 8 ? (1u << bits) : 0u);
        EXPECT_EQ(std::memcmp(back.bits(), dib.bits(), dib.imageBytes()), 0);
        EXPECT_EQ(std::memcmp(back.colourTable(), dib.colourTable(), dib.colourEntries() * 4), 0);
    }
}

TEST(BmpFile, WritingTwiceWithoutOverwritingNumbersTheNames)
{
    QTemporaryDir dir;
    PackedDib dib = makeDib({4, 4, 24, 0, false, 0}, 1);
    const QString path = dir.filePath(QStringLiteral("IMG.bmp"));
    QString written;
    ASSERT_TRUE(writeBmpFile(path, dib, false, &written));
    EXPECT_EQ(written, path);
    ASSERT_TRUE(writeBmpFile(path, dib, false, &written));
    EXPECT_EQ(written, dir.filePath(QStringLiteral("IMG(1).bmp")));
    ASSERT_TRUE(writeBmpFile(path, dib, false, &written));
    EXPECT_EQ(written, dir.filePath(QStringLiteral("IMG(2).bmp")));
    // Any four last characters give way to the number and ".bmp".
    EXPECT_EQ(numberedBmpName(QStringLiteral("/a/frame.dvf"), 3), QStringLiteral("/a/frame(3).bmp"));
}

TEST(BmpFile, TopDownRleAndBrokenFilesAreNotRead)
{
    QTemporaryDir dir;
    MessageLog log;
    const QString topDown = writeBytes(dir, QStringLiteral("top.bmp"), bmpOf(makeDib({4, 4, 24, 0, true, 0}, 1)));
    EXPECT_TRUE(readBmpFile(topDown).isNull());
    EXPECT_TRUE(readBmpFile(QString::fromStdString(fixture("rle8.bmp"))).isNull());
    const QByteArray good = bmpOf(makeDib({40, 30, 24, 0, false, 0}, 2));
    EXPECT_TRUE(readBmpFile(writeBytes(dir, QStringLiteral("short.bmp"), good.left(good.size() - 1))).isNull())
        << "pixels missing at the end";
    EXPECT_TRUE(readBmpFile(writeBytes(dir, QStringLiteral("tiny.bmp"), good.left(30))).isNull());
    QByteArray notBm = good;
    notBm[0] = 'X';
    EXPECT_TRUE(readBmpFile(writeBytes(dir, QStringLiteral("x.bmp"), notBm)).isNull());
    QByteArray wide = good;
    wide[14 + 7] = 0x40;  // a width in the billions
    EXPECT_TRUE(readBmpFile(writeBytes(dir, QStringLiteral("w.bmp"), wide)).isNull());
    EXPECT_TRUE(log.records.empty()) << "unreadable pictures are refused without a message";

    EXPECT_TRUE(readBmpFile(dir.filePath(QStringLiteral("missing.bmp"))).isNull());
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_FALSE(UiResources::string(strings::kCannotOpenFile).isEmpty()) << "the Uires bundle is bound";
    EXPECT_EQ(log.records[0].text, UiResources::string(strings::kCannotOpenFile));
    EXPECT_EQ(log.records[0].caption, applicationTitle());
    EXPECT_EQ(log.records[0].style & platform::MbIconMask, platform::MbIconExclamation);
}

TEST(BmpFile, LongerHeadersAndGapsAreNormalised)
{
    // ImageMagick writes a 124-byte header; ImageMagick's own reading of it is the oracle.
    PackedDib v5 = readBmpFile(QString::fromStdString(fixture("v5.bmp")));
    ASSERT_TRUE(v5.isValid());
    EXPECT_EQ(v5.header().size, 40u);
    const QByteArray magick = siblingtest::runTool(QStringLiteral("convert"), {QString::fromStdString(fixture("v5.bmp")), QStringLiteral("bmp3:-")});
    EXPECT_EQ(siblingtest::firstMismatch(siblingtest::dibPixels(v5.get()), siblingtest::bmpPixels(magick)), "");

    // Pixels placed behind a gap: the file header's offset says where.
    QTemporaryDir dir;
    PackedDib dib = makeDib({5, 3, 8, 256, false, 0}, 3);
    QByteArray file = bmpOf(dib);
    const qsizetype pixelsAt = static_cast<qsizetype>(14 + dib.bitsOffset());
    file.insert(pixelsAt, QByteArray(10, '\x55'));
    const uint32_t offset = static_cast<uint32_t>(pixelsAt + 10);
    std::memcpy(file.data() + 10, &offset, 4);
    PackedDib back = readBmpFile(writeBytes(dir, QStringLiteral("gap.bmp"), file));
    ASSERT_TRUE(back.isValid());
    EXPECT_EQ(std::memcmp(back.bits(), dib.bits(), dib.imageBytes()), 0);
}

TEST(BmpFile, FailedWritesReportAndLeaveNothingBroken)
{
    QTemporaryDir dir;
    MessageLog log;
    PackedDib dib = makeDib({64, 64, 24, 0, false, 0}, 4);
    EXPECT_FALSE(writeBmpFile(dir.filePath(QStringLiteral("no/folder/a.bmp")), dib, false));
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0].text, UiResources::string(strings::kCannotOpenFile));

    // A file-size limit makes the write itself fail (not for want of space: string 20014), and what was
    // written is removed; an existing file being replaced stays as it was.
    const QString existing = dir.filePath(QStringLiteral("keep.bmp"));
    ASSERT_TRUE(writeBmpFile(existing, makeDib({2, 2, 24, 0, false, 0}, 5), true));
    const QByteArray before = readFile(existing.toStdString());
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = old;
    limit.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool newFile = writeBmpFile(dir.filePath(QStringLiteral("big.bmp")), dib, false);
    const bool replaced = writeBmpFile(existing, dib, true);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(newFile);
    EXPECT_FALSE(replaced);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("big.bmp"))));
    EXPECT_EQ(readFile(existing.toStdString()), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("keep.bmp")});
    ASSERT_EQ(log.records.size(), 3u);
    EXPECT_EQ(log.records[1].text, UiResources::string(strings::kCannotOpenFile));
    EXPECT_EQ(log.records[2].text, UiResources::string(strings::kCannotOpenFile));

    EXPECT_FALSE(writeBmpFile(dir.filePath(QStringLiteral("x.bmp")), PackedDib(), false)) << "nothing to write";
}
