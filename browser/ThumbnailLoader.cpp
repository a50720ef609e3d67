#include "browser/ThumbnailLoader.h"

#include "browser/FolderListing.h"
#include "browser/ItemSorting.h"
#include "browser/ItemStore.h"
#include "browser/RegularFile.h"
#include "imaging/FitRect.h"
#include "platform/ManualResetEvent.h"
#include "platform/Threads.h"

#include <QFileInfo>
#include <QStringList>

#include <atomic>
#include <system_error>

#include <sys/stat.h>

namespace {

using Clock = std::chrono::steady_clock;

bool isDotEntry(const QString& name)
{
    return name == QLatin1String(".") || name == QLatin1String("..");
}

// Reads the file's name, size and last write time into the result again.
void readListingData(const QString& path, DecodeResult& result)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return;
    result.name = QFileInfo(path).fileName();
    result.size = static_cast<std::uint64_t>(info.st_size);
    result.lastWrite = fileTimeFromTimespec(info.st_mtim);
}

// Decodes one file with the first decoder that takes it, and renders its thumbnail.
int decodeFile(DecoderList& decoders, const LoadRequest& request, const QString& path, bool isDirectory,
               DecodeResult& result)
{
    const QString name = QFileInfo(path).fileName();
    if (isDotEntry(name) || isDirectory)
        return ThumbnailLoader::NotAFile;
    QFile file(path);
    EntryType type = EntryType::Missing;
    if (!openRegularFile(file, path, &type)) {
        if (type == EntryType::Directory)
            return ThumbnailLoader::NotAFile;
        return type == EntryType::Special ? ThumbnailLoader::SpecialFile : ThumbnailLoader::CannotOpen;
    }

    ThumbDecoder* decoder = nullptr;
    for (auto& candidate : decoders) {
        file.seek(0);
        if (candidate->identify(file, path, request)) {
            decoder = candidate.get();
            break;
        }
    }
    if (!decoder)
        return ThumbnailLoader::NoDecoder;

    file.seek(0);
    result.enlarge = 0;
    if (decoder->decode(file, path, result) != 0) {
        decoder->release();
        return ThumbnailLoader::DecodeFailed;
    }
    imaging::PackedDib thumbnail;
    imaging::FitRectangle fitted;
    if (result.kind != KindUnknown &&
        imaging::FitRect(result.width, result.height, request.boxWidth, request.boxHeight, result.enlarge != 0,
                         fitted) == 0) {
        thumbnail = imaging::PackedDib::blank(fitted.width(), fitted.height(), 24);
        if (!thumbnail || decoder->render(thumbnail, request.boxWidth, request.boxHeight, result) != 0)
            thumbnail = imaging::PackedDib();
    }
    decoder->release();
    result.thumbnail = std::move(thumbnail);
    result.fromDecoder = decoder->isIconFallback() ? DecodeResult::kFromIcon : DecodeResult::kFromDecoder;
    if (!request.keepListingData)
        readListingData(path, result);
    return ThumbnailLoader::Decoded;
}

std::uint64_t currentThreadNumber()
{
    return static_cast<std::uint64_t>(std::hash<std::thread::id>{}(std::this_thread::get_id()));
}

}  // namespace

struct ThumbnailLoader::Pass {
    Pass(std::uint64_t passId, const LoadRequest& passRequest, std::shared_ptr<ItemStore> passStore,
         std::shared_ptr<LoaderSink> passSink, std::shared_ptr<DecoderList> passDecoders, Timing passTiming,
         const void* loader)
        : id(passId),
          request(passRequest),
          store(std::move(passStore)),
          sink(std::move(passSink)),
          decoders(std::move(passDecoders)),
          timing(passTiming),
          pauseRequest(QStringLiteral("PauseRequest %1").arg(quintptr(loader), 0, 16).toStdString(), true),
          exitRequest(QStringLiteral("ExitRequest %1").arg(quintptr(loader), 0, 16).toStdString(), false)
    {
    }

    const std::uint64_t id;
    const LoadRequest request;
    const std::shared_ptr<ItemStore> store;
    const std::shared_ptr<LoaderSink> sink;
    const std::shared_ptr<DecoderList> decoders;
    const Timing timing;
    platform::ManualResetEvent pauseRequest;  // set: go on; reset: hold before the next file
    platform::ManualResetEvent exitRequest;
    platform::ManualResetEvent finished{"", false};
    std::atomic<bool> running{true};
    std::atomic<bool> decodingTiff{false};
    std::atomic<int> count{0};
    bool abandoned = false;  // guarded by the sink's list lock

    // Sleeps the pacing pause, cut short by an exit request.
    void pace(std::chrono::milliseconds duration) const
    {
        if (duration.count() > 0)
            exitRequest.waitFor(duration);
    }

    // Stores one result (or, with none, only the file's facts) into the item it was made for, found
    // again by its number and name: the store may have been sorted meanwhile, or the item removed.
    void storeResult(std::int32_t number, const QString& name, DecodeResult* result,
                     std::shared_ptr<const ItemFacts> facts)
    {
        std::lock_guard list(sink->listLock());
        if (abandoned)
            return;
        std::lock_guard guard(*store);
        FileItem* item = store->find(number);
        if (!item || item->name != name) {
            item = nullptr;
            for (auto& [other, candidate] : store->items()) {
                if (candidate->name == name) {
                    item = candidate.get();
                    break;
                }
            }
        }
        if (!item)
            return;
        if (result) {
            item->kind = result->kind;
            item->thumbnail->store(std::move(result->thumbnail), result->kind, result->width, result->height,
                                   result->bitCount);
            item->loadState = FileItem::kLoaded;
        }
        if (facts)
            item->thumbnail->facts = std::move(facts);
    }

    // The texts' facts of one file, read here so that no paint ever has to. Nothing once the pass is
    // asked to end: a stop should not wait for them.
    std::shared_ptr<const ItemFacts> readFacts(const QString& path) const
    {
        if (exitRequest.isSet())
            return nullptr;
        const std::shared_ptr<LoaderSink> target = sink;
        return std::make_shared<const ItemFacts>(
            readItemFacts(path, [target](const LibraryMessage& message) { target->libraryMessage(message); }));
    }

    void run()
    {
        const QString& folder = request.folder;
        if (folder.isEmpty()) {
            // Nothing to report, but stop() must not wait its whole limit for a worker already done.
            finish();
            finished.set();
            return;
        }
        const auto exitRequested = [this] { return exitRequest.isSet(); };
        if (listFolder(folder, *store, exitRequested) == ListResult::Listed && !exitRequest.isSet()) {
            const ViewSettings settings = sink->settings();
            sortItems(*store, settings.sortKey, settings.sortDirection, folder);
            filterItems(*store, settings.filter, folder, sink->imageFormatProbe());
            sink->layoutChanged();
            walk();
        }
        finish();
        sink->passCompleted(id);
        finished.set();
    }

    void walk()
    {
        std::int32_t previous = -1;
        bool started = false;
        for (;;) {
            pauseRequest.wait();
            if (exitRequest.isSet())
                return;
            std::int32_t number = 0;
            QString name;
            bool skip = false;
            bool hasFacts = false;
            {
                std::lock_guard guard(*store);
                auto next = started ? store->items().upper_bound(previous) : store->items().begin();
                if (next == store->items().end())
                    return;
                number = next->first;
                name = next->second->name;
                skip = next->second->loadState != FileItem::kToLoad && next->second->thumbnail->present;
                hasFacts = next->second->thumbnail->facts != nullptr;
            }
            previous = number;
            started = true;
            if (skip)
                continue;

            const QString path = request.folder + QLatin1Char('/') + name;
            // Pipes, sockets and devices are never opened: they show as unknown files at once.
            const EntryType type = entryTypeOf(path);
            const bool isDirectory = type == EntryType::Directory;
            decodingTiff = name.endsWith(QLatin1String(".tif"), Qt::CaseInsensitive);

            DecodeResult result;
            result.store = store.get();
            const int status = type == EntryType::Special ? SpecialFile
                                                          : decodeFile(*decoders, request, path, isDirectory, result);
            const bool byIcon = (status == Decoded && result.kind == KindUnknown) || status == SpecialFile;
            // Facts already read stay: the holder that keeps them is new whenever the file changed.
            std::shared_ptr<const ItemFacts> facts = status == NotAFile || hasFacts ? nullptr : readFacts(path);
            pace(byIcon ? timing.afterIcon : timing.afterPicture);
            if (status == Decoded) {
                storeResult(number, name, &result, std::move(facts));
                sink->itemChanged();
                ++count;
            } else if ((status == CannotOpen && !isDirectory) || status == SpecialFile) {
                // Shown as an unknown file and not tried again in this pass.
                DecodeResult unknown;
                storeResult(number, name, &unknown, std::move(facts));
                sink->itemChanged();
            } else if (facts) {
                // The picture is tried again at the next pass; its texts are known now.
                storeResult(number, name, nullptr, std::move(facts));
                sink->itemChanged();
            }
            decodingTiff = false;
            pace(timing.afterIcon);
            if (!running)
                return;
        }
    }

    void finish()
    {
        pauseRequest.set();
        exitRequest.set();
        running = false;
        decodingTiff = false;
    }
};

ThumbnailLoader::ThumbnailLoader(std::shared_ptr<ItemStore> store, std::shared_ptr<LoaderSink> sink,
                                 DecoderFactory decoders, Timing timing)
    : store_(std::move(store)), sink_(std::move(sink)), factory_(std::move(decoders)), timing_(timing)
{
    // The decoders are made (and their libraries bound) with the loader, once.
    decoders_ = std::make_shared<DecoderList>(factory_ ? factory_(false) : DecoderList());
}

ThumbnailLoader::ThumbnailLoader(std::shared_ptr<ItemStore> store, std::shared_ptr<LoaderSink> sink,
                                 DecoderFactory decoders)
    : ThumbnailLoader(std::move(store), std::move(sink), std::move(decoders), Timing{})
{
}

ThumbnailLoader::~ThumbnailLoader()
{
    stop();
}

ThumbnailLoader::StartResult ThumbnailLoader::start(const LoadRequest& request)
{
    std::lock_guard guard(mutex_);
    if (pass_ && pass_->running)
        return AlreadyRunning;
    if (worker_.joinable())
        worker_.join();  // the previous pass ended by itself
    if (!request.sameAs(request_))
        request_ = request;
    request_.threadId = currentThreadNumber();
    if (!decoders_) {
        // The previous set went with a worker that was given up on; this one is bound without messages.
        decoders_ = std::make_shared<DecoderList>(factory_ ? factory_(true) : DecoderList());
    }
    auto pass = std::make_shared<Pass>(++passCounter_, request_, store_, sink_, decoders_, timing_, this);
    try {
        worker_ = std::thread([pass] {
            platform::lowerThisThreadsShare();
            pass->run();
        });
    } catch (const std::system_error&) {
        return NoThread;
    }
    pass_ = std::move(pass);
    enabled_ = true;
    return Started;
}

void ThumbnailLoader::pause(bool paused)
{
    std::lock_guard guard(mutex_);
    if (!pass_ || !pass_->running)
        return;
    if (paused)
        pass_->pauseRequest.reset();
    else
        pass_->pauseRequest.set();
}

void ThumbnailLoader::stop()
{
    std::lock_guard guard(mutex_);
    if (!pass_)
        return;
    std::shared_ptr<Pass> pass = std::move(pass_);
    pass->pauseRequest.set();
    pass->exitRequest.set();
    if (worker_.joinable()) {
        const auto limit = pass->decodingTiff ? timing_.stopWaitTiff : timing_.stopWait;
        if (pass->finished.waitFor(limit)) {
            worker_.join();
        } else {
            {
                std::lock_guard list(sink_->listLock());
                pass->abandoned = true;
            }
            worker_.detach();
            ++abandoned_;
            decoders_.reset();  // still in the abandoned worker's hands
        }
    }
    pass->running = false;
}

bool ThumbnailLoader::setEnabled(bool enabled)
{
    std::lock_guard guard(mutex_);
    return std::exchange(enabled_, enabled);
}

bool ThumbnailLoader::isRunning() const
{
    std::lock_guard guard(mutex_);
    return pass_ && worker_.joinable() && pass_->running;
}

std::uint64_t ThumbnailLoader::currentPass() const
{
    std::lock_guard guard(mutex_);
    return passCounter_;
}

int ThumbnailLoader::count() const
{
    std::lock_guard guard(mutex_);
    return pass_ ? pass_->count.load() : 0;
}

int ThumbnailLoader::abandonedWorkers() const
{
    std::lock_guard guard(mutex_);
    return abandoned_;
}

int ThumbnailLoader::decodeSingleFile(const QString& path, const DecoderFactory& decoders, DecodeResult& result,
                                      int boxWidth, int boxHeight)
{
    DecoderList list = decoders ? decoders(false) : DecoderList();
    LoadRequest request;
    request.folder = QFileInfo(path).absolutePath();
    request.boxWidth = boxWidth;
    request.boxHeight = boxHeight;
    request.keepListingData = 0;
    const QFileInfo info(path);
    const int status = decodeFile(list, request, path, info.isDir(), result);
    if (status == Decoded && result.name.isEmpty())
        result.name = info.fileName();
    if (status == Decoded)
        result.facts = std::make_shared<const ItemFacts>(readItemFacts(path));
    return status;
}
