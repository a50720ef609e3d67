#pragma once
// What the view hands to the thumbnail loader for one pass, and what the loader asks back.

#include "browser/ItemFacts.h"
#include "browser/ItemSorting.h"

#include <QString>

#include <cstdint>
#include <mutex>

struct LoadRequest {
    QString folder;  // full path, without trailing slash
    std::uint64_t threadId = 0;  // written by the loader: the thread that started the pass
    int boxWidth = 128;
    int boxHeight = 128;
    int keepListingData = 1;     // after a decode, name, size and time are not read again
    int embeddedThumbnails = 1;  // Exif files may use their embedded thumbnail

    bool sameAs(const LoadRequest& other) const
    {
        return folder == other.folder && boxWidth == other.boxWidth && boxHeight == other.boxHeight &&
               keepListingData == other.keepListingData && embeddedThumbnails == other.embeddedThumbnails;
    }
};

// The view's settings at the start of a pass.
struct ViewSettings {
    int thumbnailSize = 128;
    int sortKey = SortByName;
    int sortDirection = Ascending;
    int filter = FilterAll;
};

// The worker's way back to the view. It is shared between the view and every worker, so a worker that
// outlives its pass never reaches a destroyed view: the view detaches the sink when it goes away.
// Everything here may be called from the worker thread.
class LoaderSink {
public:
    virtual ~LoaderSink() = default;

    // A snapshot of the view's sort, filter and size.
    virtual ViewSettings settings() = 0;
    // The display order changed: the view lays out again and repaints.
    virtual void layoutChanged() = 0;
    // One item's thumbnail arrived: the view repaints.
    virtual void itemChanged() = 0;
    // The pass of `passId` ended (once per pass with a non-empty folder).
    virtual void passCompleted(std::uint64_t passId) = 0;
    // Tells TIFF files with Exif from others for the filters.
    virtual ImageFormatProbe imageFormatProbe() = 0;
    // A library is missing where the worker cannot show a box: the view shows the message later, once,
    // from its own thread. A sink without a window lets it go.
    virtual void libraryMessage(const LibraryMessage& message) { (void)message; }

    // The list lock: held while an item's kind and thumbnail are written, and while the view reads them.
    std::mutex& listLock() { return listLock_; }

private:
    std::mutex listLock_;
};
