#pragma once
// The thumbnail loader: one worker thread per pass over a folder.
//
// A pass lists the folder into the item store, sorts and filters it with the view's settings, then walks
// the items in map (sort) order and makes the thumbnail of each item that has none, one file at a time,
// sleeping after each picture so that a slow card reader leaves the user interface responsive. Thumbnails
// stay in the items' holders and survive a re-listing of the same folder.
//
// Pause and exit travel through two manual-reset events, checked by the worker before each file: a file
// being decoded is always finished. Stop waits for the worker (one second, ten while a TIFF decodes);
// a worker that does not end in time is abandoned: it owns shares of everything it touches (the pass
// state, the store, the sink, its decoders) and checks its exit event under the list lock before it
// writes, so it can never write into a later pass. Every pass with a non-empty folder reports its
// completion exactly once, also when it was stopped or found nothing.

#include "browser/DecodeResult.h"
#include "browser/LoadRequest.h"
#include "browser/ThumbDecoder.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class ItemStore;

using DecoderList = std::vector<std::unique_ptr<ThumbDecoder>>;
// Creates and binds the decoders in priority order, leaving out those that cannot bind. Unless `quiet`,
// a decoder whose library is missing shows its message.
using DecoderFactory = std::function<DecoderList(bool quiet)>;

class ThumbnailLoader {
public:
    struct Timing {
        // After each decoded picture, to space out the reads of a slow card.
        std::chrono::milliseconds afterPicture{99};
        // After a file shown by its icon, and after each file before the next.
        std::chrono::milliseconds afterIcon{1};
        // How long stop() waits for the worker.
        std::chrono::milliseconds stopWait{1000};
        std::chrono::milliseconds stopWaitTiff{10000};
    };

    enum StartResult { Started = 0, NoThread = 1, AlreadyRunning = 2 };

    // The sleeps are the program's; tests and benchmarks may pass others.
    ThumbnailLoader(std::shared_ptr<ItemStore> store, std::shared_ptr<LoaderSink> sink, DecoderFactory decoders,
                    Timing timing);
    ThumbnailLoader(std::shared_ptr<ItemStore> store, std::shared_ptr<LoaderSink> sink, DecoderFactory decoders);
    ~ThumbnailLoader();
    ThumbnailLoader(const ThumbnailLoader&) = delete;
    ThumbnailLoader& operator=(const ThumbnailLoader&) = delete;

    StartResult start(const LoadRequest& request);
    // true: the worker blocks before its next file; false: it goes on.
    void pause(bool paused);
    // Ends the running pass (see the class comment for the wait).
    void stop();
    bool setEnabled(bool enabled);
    bool isRunning() const;
    // The id of the pass most recently started (completion reports carry it).
    std::uint64_t currentPass() const;
    // Thumbnails made in the current pass.
    int count() const;
    // The number of workers given up on because they did not end in time.
    int abandonedWorkers() const;

    // Decodes one file with a loader of its own (all decoders bound again) into `result`: the name, size
    // and time are read from the file, and the facts its texts show. 0 on success, else the decode
    // status (1..5).
    static int decodeSingleFile(const QString& path, const DecoderFactory& decoders, DecodeResult& result,
                                int boxWidth = 128, int boxHeight = 128);

    // Decode status of one file.
    // SpecialFile: a pipe, a socket or a device, never opened (shown as an unknown file).
    enum DecodeStatus { Decoded = 0, NotAFile = 1, CannotOpen = 2, NoDecoder = 3, DecodeFailed = 4, SpecialFile = 5 };

    struct Pass;

private:
    void finishStop();

    std::shared_ptr<ItemStore> store_;
    std::shared_ptr<LoaderSink> sink_;
    DecoderFactory factory_;
    Timing timing_;
    std::shared_ptr<DecoderList> decoders_;
    mutable std::mutex mutex_;
    std::shared_ptr<Pass> pass_;
    std::thread worker_;
    LoadRequest request_;
    bool enabled_ = false;
    std::uint64_t passCounter_ = 0;
    int abandoned_ = 0;
};
