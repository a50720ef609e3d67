// The program's decoders on a real folder: the sample card's pictures and movies of every kind, real
// camera files, and hostile rows that must end as unknown files.
#include "browser/BmpThumbDecoder.h"
#include "browser/ExifFileThumbDecoder.h"
#include "browser/ItemSorting.h"
#include "browser/ItemStore.h"
#include "browser/StandardDecoders.h"
#include "imaging/BmpFile.h"
#include "platform/MessageBox.h"
#include "platform/Library.h"
#include "platform/Paths.h"
#include "siblings/ExifKit/ExifKit.h"

#include "TempFolder.h"

#include "TestData.h"

#include <QDirIterator>

#include <gtest/gtest.h>

#include <condition_variable>

using namespace std::chrono_literals;

namespace {

const QString kSampleFolder = QStringLiteral(KESTREL_BUILD_DIR "/samples/card/DCIM/100KSTRL");

class CountingSink : public LoaderSink {
public:
    ViewSettings settings() override { return {}; }
    void layoutChanged() override {}
    void itemChanged() override
    {
        std::lock_guard guard(mutex);
        ++items;
    }
    void passCompleted(std::uint64_t passId) override
    {
        std::lock_guard guard(mutex);
        completed = passId;
        changed.notify_all();
    }
    ImageFormatProbe imageFormatProbe() override { return {}; }
    bool waitFor(std::uint64_t passId)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 60s, [&] { return completed == passId; });
    }
    std::mutex mutex;
    std::condition_variable changed;
    std::uint64_t completed = 0;
    int items = 0;
};

struct MessageLog {
    MessageLog()
    {
        platform::setMessageSink([this](const platform::MessageRecord& record) {
            std::lock_guard guard(mutex);
            records.push_back(record);
            return platform::defaultAnswer(record.style);
        });
    }
    ~MessageLog() { platform::setMessageSink({}); }
    std::mutex mutex;
    std::vector<platform::MessageRecord> records;
};

// A bitmap with a header that says top-down (negative height).
QByteArray topDownBitmap()
{
    QByteArray file(14 + 40 + 4 * 4, '\0');
    auto put32 = [&](int at, qint32 value) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = static_cast<char>(value >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, file.size());
    put32(10, 54);
    put32(14, 40);
    put32(18, 4);
    put32(22, -1);
    file[26] = 1;
    file[28] = 32;
    return file;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class Decoders : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(kSampleFolder).exists()) << "the sample card is built with the tests";
        QDirIterator it(kSampleFolder, QDir::Files);
        while (it.hasNext()) {
            const QString path = it.next();
            ASSERT_TRUE(QFile::copy(path, folder.file(QFileInfo(path).fileName())));
        }
        QFile::copy(QString::fromStdString(testdata::realWorld("jpeg_exif/Canon IXUS.jpg")), folder.file(QStringLiteral("CANON.JPG")));
        QFile::copy(QString::fromStdString(testdata::require("made/jpeg_no_exif/jfxx-app12.jpg")), folder.file(QStringLiteral("olympus.Jpg")));
        const QByteArray jpeg = readAll(folder.file(QStringLiteral("olympus.Jpg")));
        folder.write(QStringLiteral("LONGNAME.jpeg"), jpeg);           // not a JPEG name for any decoder
        folder.write(QStringLiteral("FAKE.BMP"), QByteArray(200, 'x'));  // no "BM"
        folder.write(QStringLiteral("SHORT.bmp"), QByteArray("BM") + QByteArray(40, '\0'));
        folder.write(QStringLiteral("UPSIDE.bmp"), topDownBitmap());
        folder.write(QStringLiteral("BAD.DCF"), QByteArray("DCF 0.99") + QByteArray(100, '\0'));
        folder.write(QStringLiteral("EMPTY.JPG"), QByteArray());
        folder.write(QStringLiteral("TRUNC.JPG"), jpeg.left(2000));
    }

    // One pass with the program's decoders; returns the items by name.
    std::map<QString, const FileItem*> runPass(const DecoderFactory& factory)
    {
        ThumbnailLoader::Timing timing;
        timing.afterPicture = 0ms;
        timing.afterIcon = 0ms;
        ThumbnailLoader loader(store, sink, factory, timing);
        EXPECT_EQ(loader.start(LoadRequest{folder.path()}), ThumbnailLoader::Started);
        EXPECT_TRUE(sink->waitFor(loader.currentPass()));
        loader.stop();
        std::map<QString, const FileItem*> byName;
        for (const auto& [number, item] : store->items())
            byName[item->name] = item.get();
        return byName;
    }

    TempFolder folder;
    std::shared_ptr<ItemStore> store = std::make_shared<ItemStore>();
    std::shared_ptr<CountingSink> sink = std::make_shared<CountingSink>();
};

}  // namespace

TEST_F(Decoders, EveryKindGetsItsDecoderSizeAndKind)
{
    MessageLog log;
    const auto items = runPass(standardDecoderFactory());
    EXPECT_TRUE(log.records.empty());

    struct Expected {
        const char* name;
        int kind;
        int width;   // 0: not checked
        int height;
    };
    const Expected expected[] = {
        {"IMGA0001.JPG", KindExifJpeg, 0, 0}, {"IMGA0006.TIF", KindExifTiff, 0, 0},
        {"IMGA0007.BMP", KindBmp, 0, 0},      {"DVSD0008.DVF", KindDvf, 0, 0},
        {"DVSD0009.DVF", KindDvf, 0, 0},  {"MVI_0010.AVI", KindMotionJpeg, 0, 0},
        {"MVI_0011.MOV", KindMotionJpeg, 0, 0}, {"STIL0012.DCF", KindDcf, 0, 0},
        {"TITL0013.TTL", KindTtl, 0, 0},      {"MEMO0014.TXT", KindUnknown, 0, 0},
        {"CANON.JPG", KindExifJpeg, 640, 480}, {"olympus.Jpg", KindJpeg, 0, 0},
        {"LONGNAME.jpeg", KindUnknown, 0, 0}, {"FAKE.BMP", KindUnknown, 0, 0},
        {"SHORT.bmp", KindUnknown, 0, 0},     {"BAD.DCF", KindUnknown, 0, 0},
        {"EMPTY.JPG", KindUnknown, 0, 0},
    };
    for (const Expected& e : expected) {
        const auto found = items.find(QString::fromLatin1(e.name));
        ASSERT_NE(found, items.end()) << e.name;
        const FileItem* item = found->second;
        EXPECT_EQ(item->kind, e.kind) << e.name;
        EXPECT_EQ(item->loadState, FileItem::kLoaded) << e.name;
        if (e.kind == KindUnknown) {
            EXPECT_FALSE(item->thumbnail->dib) << e.name;
            continue;
        }
        const imaging::PackedDib& dib = item->thumbnail->dib;
        ASSERT_TRUE(dib.isValid()) << e.name;
        EXPECT_EQ(dib.bitCount(), 24u) << e.name;
        // Shrunk to touch the box, or kept at its own size when smaller.
        EXPECT_TRUE(dib.width() == 128 || dib.height() == 128 ||
                    (dib.width() == item->thumbnail->width && dib.height() == item->thumbnail->height))
            << e.name;
        EXPECT_GT(item->thumbnail->bitCount, 0) << e.name;
        if (e.width) {
            EXPECT_EQ(item->thumbnail->width, e.width) << e.name;
            EXPECT_EQ(item->thumbnail->height, e.height) << e.name;
        }
    }

    // A portrait shot whose embedded thumbnail is a banded landscape one is made from its primary
    // picture: upright, filling the box's height.
    const FileItem* portrait = items.at(QStringLiteral("IMGA0003.JPG"));
    ASSERT_TRUE(portrait->thumbnail->dib);
    EXPECT_GT(portrait->thumbnail->height, portrait->thumbnail->width);
    EXPECT_EQ(portrait->thumbnail->dib.height(), 128);
    EXPECT_LT(portrait->thumbnail->dib.width(), 128);

    // A top-down bitmap and a cut-off JPEG fail to decode: they wait for the next pass.
    for (const char* name : {"UPSIDE.bmp", "TRUNC.JPG"}) {
        const FileItem* item = items.at(QString::fromLatin1(name));
        EXPECT_EQ(item->loadState, FileItem::kToLoad) << name;
        EXPECT_FALSE(item->thumbnail->present) << name;
    }
}

TEST_F(Decoders, RelistingMakesNoThumbnailTwice)
{
    runPass(standardDecoderFactory());
    const int first = sink->items;
    ASSERT_GT(first, 10);
    store->clearForRelisting();
    runPass(standardDecoderFactory());
    // Only the two files that fail every time were tried again.
    EXPECT_EQ(sink->items, first);
}

TEST_F(Decoders, MissingLibrariesFallThroughToLaterDecoders)
{
    // A program folder with every library but QuilJpeg and Capline.
    TempFolder libraries;
    QDirIterator it(QStringLiteral(KESTREL_BIN_DIR), {QStringLiteral("lib*.so")}, QDir::Files);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = QFileInfo(path).fileName();
        if (name != QLatin1String("libQuilJpeg.so") && name != QLatin1String("libCapline.so"))
            QFile::copy(path, libraries.file(name));
    }
    platform::setProgramFolder(libraries.path());
    MessageLog log;
    const auto items = runPass(standardDecoderFactory());
    platform::setProgramFolder(QString());

    EXPECT_EQ(items.at(QStringLiteral("olympus.Jpg"))->kind, KindUnknown);
    EXPECT_EQ(items.at(QStringLiteral("TITL0013.TTL"))->kind, KindUnknown);
    EXPECT_EQ(items.at(QStringLiteral("IMGA0001.JPG"))->kind, KindExifJpeg);
    // QuilJpeg says so once, as the loader is made; Capline's absence is silent.
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0].text, QStringLiteral("QuilJpeg.dll がロードできません。"));
    EXPECT_EQ(log.records[0].caption, QStringLiteral("エラー"));
    EXPECT_TRUE(log.records[0].style & platform::MbTaskModal);
}

TEST(BmpThumbDecoder, IdentifiesByNameHeaderAndLength)
{
    TempFolder folder;
    const QByteArray bitmap = QByteArray("BM") + QByteArray(52, '\0');
    const struct {
        const char* name;
        QByteArray contents;
        bool taken;
    } rows[] = {
        {"a.bmp", bitmap, true},   {"b.BMP", bitmap, true},     {"c.Bmp", bitmap, true},
        {"d.bmpx", bitmap, false}, {"e.bmp", bitmap.left(53), false}, {"f.bmp", "XM" + bitmap.mid(2), false},
        {"g.jpg", bitmap, false},  {"h.bmp.txt", bitmap, false},
    };
    BmpThumbDecoder decoder;
    for (const auto& row : rows) {
        const QString path = folder.write(QString::fromLatin1(row.name), row.contents);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(decoder.identify(file, path, LoadRequest{}), row.taken) << row.name;
    }
}

TEST_F(Decoders, TheProgramsProbeShowsOnlyExifTiffs)
{
    // A TIFF of one white pixel without any Exif directory.
    const QByteArray plainTiff = QByteArray::fromHex(
        "49492a000800000008000001030001000000010000000101030001000000010000000201030001000000080000000301"
        "0300010000000100000006010300010000000100000011010400010000006e0000001501030001000000010000001701"
        "04000100000001000000000000ff");
    folder.write(QStringLiteral("PLAIN.TIF"), plainTiff);
    runPass(standardDecoderFactory());
    filterItems(*store, FilterPictures, folder.path(), libraryImageFormatProbe());
    QStringList shown;
    for (std::int32_t number : store->displayOrder())
        shown << store->find(number)->name;
    EXPECT_TRUE(shown.contains(QStringLiteral("IMGA0006.TIF")));
    EXPECT_FALSE(shown.contains(QStringLiteral("PLAIN.TIF")));
    EXPECT_TRUE(shown.contains(QStringLiteral("FAKE.BMP")));  // a listed extension is enough for the filter
    EXPECT_FALSE(shown.contains(QStringLiteral("MVI_0010.AVI")));
    filterItems(*store, FilterAll, folder.path(), libraryImageFormatProbe());
    EXPECT_EQ(store->displayOrder().size(), store->size());
}

TEST(ExifThumbnails, ABandedThumbnailOfA3To2PictureLosesItsBandsAndKeepsThePicture)
{
    // A 3:2 picture: a blue strip along the top, a yellow one along the bottom, red between. ExifKit
    // writes it with a 160 x 120 thumbnail of the picture fitted and centred on black, as 3:2 cameras do.
    constexpr QRgb kTop = qRgb(20, 40, 230);
    constexpr QRgb kMiddle = qRgb(220, 30, 30);
    constexpr QRgb kBottom = qRgb(240, 220, 20);
    QImage picture(600, 400, QImage::Format_RGB32);
    picture.fill(kMiddle);
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            picture.setPixel(x, y, kTop);
            picture.setPixel(x, picture.height() - 1 - y, kBottom);
        }
    }
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("IMG_3TO2.JPG"));
    platform::Library exifKit(QStringLiteral("ExifKit"));
    auto output = exifKit.function<decltype(&Exif_OutputFromDib)>("Exif_OutputFromDib");
    auto thumbnailOf = exifKit.function<decltype(&Exif_GetThumbnail)>("Exif_GetThumbnail");
    ASSERT_TRUE(output && thumbnailOf);
    imaging::PackedDib source = imaging::PackedDib::fromImage(picture);
    ExifParams params{};
    params.size = sizeof params;
    params.image = source.get();
    ASSERT_EQ(output(&params, QFile::encodeName(path).constData(), nullptr), EXIFKIT_OK);

    // The fixture is what it should be: a 4:3 thumbnail whose first and last rows are black bands.
    ExifParams read{};
    read.size = sizeof read;
    ASSERT_EQ(thumbnailOf(QFile::encodeName(path).constData(), &read, 0), EXIFKIT_OK);
    const QImage embedded = imaging::PackedDib::adopt(read.thumbnail).toImage();
    ASSERT_EQ(embedded.size(), QSize(160, 120));
    EXPECT_LT(qGray(embedded.pixel(80, 1)), 16);
    EXPECT_LT(qGray(embedded.pixel(80, 118)), 16);

    DecodeResult result;
    ASSERT_EQ(ThumbnailLoader::decodeSingleFile(path, standardDecoderFactory(), result), ThumbnailLoader::Decoded);
    EXPECT_EQ(result.kind, KindExifJpeg);
    EXPECT_EQ(result.width, 600);
    EXPECT_EQ(result.height, 400);
    const QImage thumbnail = result.thumbnail.toImage();
    ASSERT_EQ(thumbnail.size(), QSize(128, 85));
    // Top to bottom the whole picture: its blue top and yellow bottom strips at the very edges, no black.
    auto near = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) < 60 && std::abs(qGreen(a) - qGreen(b)) < 60 && std::abs(qBlue(a) - qBlue(b)) < 60;
    };
    for (int x : {4, 64, 120}) {
        EXPECT_TRUE(near(thumbnail.pixel(x, 0), kTop)) << x << ": " << std::hex << thumbnail.pixel(x, 0);
        EXPECT_TRUE(near(thumbnail.pixel(x, 42), kMiddle)) << x;
        EXPECT_TRUE(near(thumbnail.pixel(x, 84), kBottom)) << x << ": " << std::hex << thumbnail.pixel(x, 84);
    }
    // The strips keep their share of the picture (60 of 400 rows: about 13 of 85).
    int blueRows = 0;
    for (int y = 0; y < thumbnail.height(); ++y)
        blueRows += near(thumbnail.pixel(64, y), kTop) ? 1 : 0;
    EXPECT_NEAR(blueRows, 13, 2);
}

TEST(ExifThumbnails, CroppingToTheSameShapeOrToATinyDifferenceKeepsTheThumbnail)
{
    QImage grey(160, 120, QImage::Format_Grayscale8);
    grey.fill(128);
    imaging::PackedDib dib = imaging::PackedDib::fromImage(grey);
    void* before = dib.get();
    dib = ExifFileThumbDecoder::cropToShape(std::move(dib), 1600, 1200);
    EXPECT_EQ(dib.get(), before);
    dib = ExifFileThumbDecoder::cropToShape(std::move(dib), 1601, 1200);
    EXPECT_EQ(dib.get(), before);
    // A wide picture: the thumbnail keeps its middle rows in the picture's shape.
    dib = ExifFileThumbDecoder::cropToShape(std::move(dib), 1920, 1080);
    EXPECT_EQ(dib.width(), 160);
    EXPECT_EQ(dib.height(), 90);
    // A tall shape out of a wide thumbnail: the middle columns.
    dib = ExifFileThumbDecoder::cropToShape(std::move(dib), 100, 200);
    EXPECT_EQ(dib.width(), 45);
    EXPECT_EQ(dib.height(), 90);
    EXPECT_TRUE(dib.isValid());
}
