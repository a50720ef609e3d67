// The program's decoders on a real folder: the sample card's pictures and movies of every kind, real
// camera files, and hostile rows that must end as unknown files.
#include "browser/BmpThumbDecoder.h"
#include "browser/ItemSorting.h"
#include "browser/ItemStore.h"
#include "browser/StandardDecoders.h"
#include "imaging/BmpFile.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"

#include "TempFolder.h"

#include <QDirIterator>

#include <gtest/gtest.h>

#include <condition_variable>

using namespace std::chrono_literals;

namespace {

const QString kSampleFolder = QStringLiteral(KESTREL_BUILD_DIR "/samples/card/DCIM/100KSTRL");
const QString kRealWorld = QStringLiteral(KESTREL_SHARED_DIR "/testdata/realworld");

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
        QFile::copy(kRealWorld + QStringLiteral("/jpeg_exif/Canon IXUS.jpg"), folder.file(QStringLiteral("CANON.JPG")));
        QFile::copy(kRealWorld + QStringLiteral("/jpeg_no_exif/olympus-d320l.jpg"), folder.file(QStringLiteral("olympus.Jpg")));
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
