#include "browser/IconThumbDecoder.h"
#include "browser/ItemStore.h"
#include "browser/ThumbnailLoader.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <map>
#include <thread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// Waits (with a generous bound) until `done` holds, re-checking whenever `changed` is notified.
template <typename Predicate>
bool waitUntil(std::mutex& mutex, std::condition_variable& changed, Predicate done)
{
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, 20s, done);
}

// The view side of the loader: records what the worker reports.
class RecordingSink : public LoaderSink {
public:
    ViewSettings settings() override
    {
        std::lock_guard guard(mutex);
        return viewSettings;
    }
    void layoutChanged() override { ++layouts; }
    void itemChanged() override
    {
        std::lock_guard guard(mutex);
        ++items;
        changed.notify_all();
    }
    void passCompleted(std::uint64_t passId) override
    {
        std::lock_guard guard(mutex);
        ++completions[passId];
        changed.notify_all();
    }
    ImageFormatProbe imageFormatProbe() override { return {}; }

    int completionsOf(std::uint64_t passId)
    {
        std::lock_guard guard(mutex);
        return completions[passId];
    }
    bool waitForCompletion(std::uint64_t passId)
    {
        return waitUntil(mutex, changed, [&] { return completions[passId] > 0; });
    }
    bool waitForItems(int count)
    {
        return waitUntil(mutex, changed, [&] { return items >= count; });
    }

    std::mutex mutex;
    std::condition_variable changed;
    ViewSettings viewSettings;
    std::atomic<int> layouts{0};
    int items = 0;
    std::map<std::uint64_t, int> completions;
};

// A decoder of ".pic" files whose decodes the test can hold at a gate and count.
struct DecoderLog {
    std::mutex mutex;
    std::condition_variable changed;
    std::map<QString, int> decodes;
    bool gateOpen = true;
    int waiting = 0;

    void open()
    {
        std::lock_guard guard(mutex);
        gateOpen = true;
        changed.notify_all();
    }
    void close()
    {
        std::lock_guard guard(mutex);
        gateOpen = false;
    }
    int decodesOf(const QString& name)
    {
        std::lock_guard guard(mutex);
        return decodes[name];
    }
    int total()
    {
        std::lock_guard guard(mutex);
        int sum = 0;
        for (const auto& [name, count] : decodes)
            sum += count;
        return sum;
    }
    bool waitForWaiting(int count)
    {
        return waitUntil(mutex, changed, [&] { return waiting >= count; });
    }
};

class PicDecoder : public ThumbDecoder {
public:
    explicit PicDecoder(std::shared_ptr<DecoderLog> log) : log_(std::move(log)) {}
    bool bind(bool) override { return true; }
    void unbind() override {}
    bool identify(QFile&, const QString& path, const LoadRequest&) override
    {
        return path.endsWith(QLatin1String(".pic"), Qt::CaseInsensitive);
    }
    int decode(QFile& file, const QString& path, DecodeResult& result) override
    {
        std::unique_lock lock(log_->mutex);
        ++log_->waiting;
        log_->changed.notify_all();
        log_->changed.wait(lock, [&] { return log_->gateOpen; });
        --log_->waiting;
        ++log_->decodes[QFileInfo(path).fileName()];
        const QByteArray contents = file.readAll();
        if (contents.startsWith("bad"))
            return 1;
        result.width = 160;
        result.height = 120;
        result.bitCount = 24;
        result.kind = KindJpeg;
        return 0;
    }
    int draw(QPainter&, int, int, DecodeResult&) override { return 0; }
    int render(imaging::PackedDib& target, int, int, DecodeResult&) override
    {
        // Paints the first pixel so that the test sees the thumbnail came from here.
        target.bits()[0] = 0xAB;
        return 0;
    }
    void release() override {}

private:
    std::shared_ptr<DecoderLog> log_;
};

class LoaderTest : public testing::Test {
protected:
    LoaderTest() { sink->viewSettings.sortKey = SortByName; }

    DecoderFactory factory()
    {
        return [log = log](bool) {
            DecoderList list;
            list.push_back(std::make_unique<PicDecoder>(log));
            list.push_back(std::make_unique<IconThumbDecoder>());
            for (auto& decoder : list)
                decoder->bind(true);
            return list;
        };
    }

    std::unique_ptr<ThumbnailLoader> makeLoader(std::chrono::milliseconds stopWait = 10s)
    {
        ThumbnailLoader::Timing timing;
        timing.afterPicture = 0ms;
        timing.afterIcon = 0ms;
        timing.stopWait = stopWait;
        return std::make_unique<ThumbnailLoader>(store, sink, factory(), timing);
    }

    LoadRequest request(const QString& path) const
    {
        LoadRequest made;
        made.folder = path;
        return made;
    }

    FileItem* byName(const QString& name)
    {
        std::lock_guard guard(*store);
        for (auto& [number, item] : store->items()) {
            if (item->name == name)
                return item.get();
        }
        return nullptr;
    }

    std::shared_ptr<ItemStore> store = std::make_shared<ItemStore>();
    std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
    std::shared_ptr<DecoderLog> log = std::make_shared<DecoderLog>();
};

}  // namespace

TEST_F(LoaderTest, APassGivesEveryFileItsKindAndCompletesOnce)
{
    TempFolder folder;
    folder.write(QStringLiteral("B.pic"), "picture");
    folder.write(QStringLiteral("A.pic"), "picture");
    folder.write(QStringLiteral("notes.txt"), "text");
    folder.write(QStringLiteral("C.pic"), "bad picture");
    auto loader = makeLoader();
    ASSERT_EQ(loader->start(request(folder.path())), ThumbnailLoader::Started);
    const auto pass = loader->currentPass();
    ASSERT_TRUE(sink->waitForCompletion(pass));
    loader->stop();

    const FileItem* a = byName(QStringLiteral("A.pic"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->kind, KindJpeg);
    EXPECT_EQ(a->loadState, FileItem::kLoaded);
    EXPECT_EQ(a->thumbnail->width, 160);  // the source's size
    ASSERT_TRUE(a->thumbnail->dib);
    EXPECT_EQ(a->thumbnail->dib.bits()[0], 0xAB);
    EXPECT_EQ(a->thumbnail->dib.width(), 128);  // 160 x 120 fitted into 128 x 128: 128 x 96
    EXPECT_EQ(a->thumbnail->dib.height(), 96);
    EXPECT_EQ(a->thumbnail->dib.bitCount(), 24u);

    const FileItem* text = byName(QStringLiteral("notes.txt"));
    EXPECT_EQ(text->kind, KindUnknown);
    EXPECT_TRUE(text->thumbnail->present);
    EXPECT_FALSE(text->thumbnail->dib);
    EXPECT_EQ(text->loadState, FileItem::kLoaded);

    // A failing decode waits for the next pass.
    const FileItem* bad = byName(QStringLiteral("C.pic"));
    EXPECT_EQ(bad->loadState, FileItem::kToLoad);
    EXPECT_FALSE(bad->thumbnail->present);

    EXPECT_EQ(sink->completionsOf(pass), 1);
    EXPECT_EQ(sink->layouts.load(), 1);
    EXPECT_EQ(store->displayOrder().size(), 4u);
    EXPECT_FALSE(loader->isRunning());
}

TEST_F(LoaderTest, RelistingDecodesOnlyWhatChanged)
{
    TempFolder folder;
    folder.write(QStringLiteral("A.pic"), "picture", QDateTime::currentDateTime().addSecs(-100));
    folder.write(QStringLiteral("B.pic"), "picture", QDateTime::currentDateTime().addSecs(-100));
    folder.write(QStringLiteral("C.pic"), "bad");
    auto loader = makeLoader();
    loader->start(request(folder.path()));
    ASSERT_TRUE(sink->waitForCompletion(loader->currentPass()));

    folder.write(QStringLiteral("B.pic"), "rewritten picture", QDateTime::currentDateTime());
    store->clearForRelisting();
    loader->start(request(folder.path()));
    ASSERT_TRUE(sink->waitForCompletion(loader->currentPass()));
    EXPECT_EQ(log->decodesOf(QStringLiteral("A.pic")), 1);
    EXPECT_EQ(log->decodesOf(QStringLiteral("B.pic")), 2);
    EXPECT_EQ(log->decodesOf(QStringLiteral("C.pic")), 2);  // a failure is tried at every pass
}

TEST_F(LoaderTest, EmptyPathNeverCompletesAndAVanishedFolderCompletesOnce)
{
    auto loader = makeLoader();
    ASSERT_EQ(loader->start(request(QString())), ThumbnailLoader::Started);
    const auto emptyPass = loader->currentPass();
    loader->stop();
    EXPECT_EQ(sink->completionsOf(emptyPass), 0);

    ASSERT_EQ(loader->start(request(QStringLiteral("/nonexistent/folder/DCIM"))), ThumbnailLoader::Started);
    const auto gonePass = loader->currentPass();
    ASSERT_TRUE(sink->waitForCompletion(gonePass));
    loader->stop();
    EXPECT_EQ(sink->completionsOf(gonePass), 1);
    EXPECT_EQ(store->size(), 0u);
    EXPECT_NE(emptyPass, gonePass);
}

TEST_F(LoaderTest, UnreadableFileShowsAsUnknownAndIsNotRetried)
{
    TempFolder folder;
    folder.write(QStringLiteral("A.pic"), "picture");
    // A socket is listed like a file but cannot be opened for reading (as root, permissions would not do).
    const QByteArray socketPath = QFile::encodeName(folder.file(QStringLiteral("B.pic")));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.constData(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    auto loader = makeLoader();
    loader->start(request(folder.path()));
    ASSERT_TRUE(sink->waitForCompletion(loader->currentPass()));
    const FileItem* b = byName(QStringLiteral("B.pic"));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->kind, KindUnknown);
    EXPECT_EQ(b->loadState, FileItem::kLoaded);
    EXPECT_TRUE(b->thumbnail->present);
    EXPECT_EQ(log->decodesOf(QStringLiteral("B.pic")), 0);

    // The next pass over the same listing leaves it alone.
    store->clearForRelisting();
    loader->start(request(folder.path()));
    ASSERT_TRUE(sink->waitForCompletion(loader->currentPass()));
    EXPECT_EQ(byName(QStringLiteral("B.pic"))->kind, KindUnknown);
    EXPECT_EQ(log->decodesOf(QStringLiteral("A.pic")), 1);
    ::close(fd);
}

TEST_F(LoaderTest, PauseLetsTheCurrentDecodeFinishAndHoldsTheNext)
{
    TempFolder folder;
    folder.write(QStringLiteral("A.pic"), "picture");
    folder.write(QStringLiteral("B.pic"), "picture");
    log->close();
    auto loader = makeLoader();
    loader->start(request(folder.path()));
    ASSERT_TRUE(log->waitForWaiting(1));  // A is being decoded

    loader->pause(true);
    log->open();
    ASSERT_TRUE(sink->waitForItems(1));
    EXPECT_EQ(byName(QStringLiteral("A.pic"))->loadState, FileItem::kLoaded);
    EXPECT_TRUE(loader->isRunning());
    EXPECT_EQ(log->total(), 1);  // B is held

    loader->pause(false);
    ASSERT_TRUE(sink->waitForCompletion(loader->currentPass()));
    EXPECT_EQ(log->decodesOf(QStringLiteral("B.pic")), 1);
}

TEST_F(LoaderTest, StartWhileRunningIsRefusedAndStopEndsThePassWithItsCompletion)
{
    TempFolder folder;
    folder.write(QStringLiteral("A.pic"), "picture");
    folder.write(QStringLiteral("B.pic"), "picture");
    log->close();
    auto loader = makeLoader();
    loader->start(request(folder.path()));
    const auto first = loader->currentPass();
    ASSERT_TRUE(log->waitForWaiting(1));
    EXPECT_EQ(loader->start(request(folder.path())), ThumbnailLoader::AlreadyRunning);

    // Switching folders: the running pass is stopped (its decode allowed to finish) before the next.
    std::thread opener([&] {
        std::this_thread::yield();
        log->open();
    });
    loader->stop();
    opener.join();
    EXPECT_FALSE(loader->isRunning());
    EXPECT_EQ(sink->completionsOf(first), 1);
    EXPECT_EQ(loader->abandonedWorkers(), 0);
    EXPECT_EQ(log->decodesOf(QStringLiteral("B.pic")), 0);

    TempFolder other;
    other.write(QStringLiteral("C.pic"), "picture");
    store->clear(true);
    ASSERT_EQ(loader->start(request(other.path())), ThumbnailLoader::Started);
    ASSERT_TRUE(sink->waitForCompletion(loader->currentPass()));
    EXPECT_EQ(log->decodesOf(QStringLiteral("C.pic")), 1);
}

TEST_F(LoaderTest, AWorkerThatOutlivesItsTimeIsAbandonedAndNeverWritesAgain)
{
    TempFolder folder;
    folder.write(QStringLiteral("A.pic"), "picture");
    log->close();
    auto loader = makeLoader(/*stopWait=*/20ms);
    loader->start(request(folder.path()));
    const auto stuck = loader->currentPass();
    ASSERT_TRUE(log->waitForWaiting(1));
    loader->stop();
    EXPECT_EQ(loader->abandonedWorkers(), 1);
    EXPECT_FALSE(loader->isRunning());

    // A new pass over another folder runs with decoders of its own while the old worker hangs.
    TempFolder other;
    other.write(QStringLiteral("Z.txt"), "text");
    store->clear(true);
    loader->start(request(other.path()));
    ASSERT_TRUE(sink->waitForCompletion(loader->currentPass()));
    const FileItem* z = byName(QStringLiteral("Z.txt"));
    ASSERT_NE(z, nullptr);

    // Let the old worker go: it finishes its pass without touching the new listing.
    log->open();
    ASSERT_TRUE(sink->waitForCompletion(stuck));
    EXPECT_EQ(sink->completionsOf(stuck), 1);
    EXPECT_EQ(byName(QStringLiteral("A.pic")), nullptr);
    EXPECT_EQ(store->size(), 1u);
}

TEST_F(LoaderTest, SingleFileDecodeReadsItsListingData)
{
    TempFolder folder;
    const QString path = folder.write(QStringLiteral("NEW.pic"), "picture");
    DecodeResult result;
    ASSERT_EQ(ThumbnailLoader::decodeSingleFile(path, factory(), result), ThumbnailLoader::Decoded);
    EXPECT_EQ(result.name, QStringLiteral("NEW.pic"));
    EXPECT_EQ(result.size, 7u);
    EXPECT_NE(result.lastWrite, 0u);
    EXPECT_EQ(result.fromDecoder, DecodeResult::kFromDecoder);
    EXPECT_TRUE(result.thumbnail);

    DecodeResult text;
    const QString other = folder.write(QStringLiteral("x.txt"), "t");
    ASSERT_EQ(ThumbnailLoader::decodeSingleFile(other, factory(), text), ThumbnailLoader::Decoded);
    EXPECT_EQ(text.fromDecoder, DecodeResult::kFromIcon);
    EXPECT_EQ(text.kind, KindUnknown);
    EXPECT_FALSE(text.thumbnail);

    DecodeResult none;
    EXPECT_EQ(ThumbnailLoader::decodeSingleFile(folder.path(), factory(), none), ThumbnailLoader::NotAFile);
    EXPECT_EQ(ThumbnailLoader::decodeSingleFile(folder.file(QStringLiteral("gone.pic")), factory(), none),
              ThumbnailLoader::CannotOpen);
}

TEST_F(LoaderTest, PipesSocketsAndDevicesShowAsUnknownAtOnceAndNeverHoldThePass)
{
    TempFolder folder;
    folder.write(QStringLiteral("A.pic"), "picture");
    folder.write(QStringLiteral("M.pic"), "picture");
    folder.write(QStringLiteral("Z.pic"), "picture");
    // Named like pictures, so a decoder would take them if anything opened them. Nothing ever writes
    // into the pipe: opening it for reading would wait for ever.
    std::vector<QString> specials;
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.file(QStringLiteral("B.pic"))).constData(), 0600), 0);
    specials.push_back(QStringLiteral("B.pic"));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(folder.file(QStringLiteral("C.pic"))).constData(),
                 sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    specials.push_back(QStringLiteral("C.pic"));
    // The null device: reading it never blocks, but it is no picture either.
    if (::mknod(QFile::encodeName(folder.file(QStringLiteral("D.pic"))).constData(), S_IFCHR | 0600, makedev(1, 3)) == 0)
        specials.push_back(QStringLiteral("D.pic"));
    else
        std::fprintf(stderr, "[ row skipped ] making a device node needs root; the device row is left out\n");
    // A link to the pipe is the pipe.
    ASSERT_EQ(::symlink("B.pic", QFile::encodeName(folder.file(QStringLiteral("L.pic"))).constData()), 0);
    specials.push_back(QStringLiteral("L.pic"));

    // The program's own stop wait: leaving the folder must never need more.
    auto loader = makeLoader(ThumbnailLoader::Timing{}.stopWait);
    ASSERT_EQ(loader->start(request(folder.path())), ThumbnailLoader::Started);
    ASSERT_TRUE(sink->waitForCompletion(loader->currentPass()));
    for (const char* name : {"A.pic", "M.pic", "Z.pic"}) {
        const FileItem* item = byName(QLatin1String(name));
        ASSERT_NE(item, nullptr) << name;
        EXPECT_EQ(item->kind, KindJpeg) << name;
        EXPECT_TRUE(item->thumbnail->dib) << name;
        ASSERT_TRUE(item->thumbnail->facts) << name;
        EXPECT_EQ(item->thumbnail->facts->size, 7u) << name;
    }
    for (const QString& name : specials) {
        const FileItem* item = byName(name);
        ASSERT_NE(item, nullptr) << name.toStdString();
        EXPECT_EQ(item->kind, KindUnknown) << name.toStdString();
        EXPECT_EQ(item->loadState, FileItem::kLoaded) << name.toStdString();
        EXPECT_TRUE(item->thumbnail->present) << name.toStdString();
        EXPECT_EQ(log->decodesOf(name), 0) << name.toStdString();
    }

    // Leaving the folder while a pass runs over it: the worker ends in time, none is given up on.
    log->close();
    store->clearForRelisting();
    folder.write(QStringLiteral("A.pic"), "rewritten picture", QDateTime::currentDateTime().addSecs(60));
    ASSERT_EQ(loader->start(request(folder.path())), ThumbnailLoader::Started);
    const auto second = loader->currentPass();
    ASSERT_TRUE(log->waitForWaiting(1));
    std::thread opener([&] { log->open(); });
    loader->stop();
    opener.join();
    EXPECT_EQ(loader->abandonedWorkers(), 0);
    EXPECT_EQ(sink->completionsOf(second), 1);

    // A pass with no folder at all ends without making stop() wait.
    ASSERT_EQ(loader->start(request(QString())), ThumbnailLoader::Started);
    loader->stop();
    EXPECT_EQ(loader->abandonedWorkers(), 0);
    ::close(fd);
}
