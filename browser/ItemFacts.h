#pragma once
// What the information lines and the details list show about an item beyond its thumbnail holder: the
// type, the size, the dates. Reading them can mean opening the file (the MIME type's magic, an Exif
// shooting date, a movie header), so they are read once, off the paint path - by the loader's worker
// next to the item's thumbnail, or when a single file is decoded - and kept in the item's holder, which
// survives a re-listing of an unchanged file. Until they arrive the painters show what the listing knows.

#include "browser/FileTime.h"

#include <QString>

#include <cstdint>
#include <functional>

// A message about a missing library, met where no box may be shown (the worker, a paint, a lock).
struct LibraryMessage {
    QString library;  // the library's base name ("ImgProbe"): each library is reported once
    QString text;
    QString caption;
    unsigned style = 0;
};
// Receives such messages; an empty one means "show the box here and now".
using LibraryMessageFn = std::function<void(const LibraryMessage&)>;

struct ItemFacts {
    bool found = false;       // false: the file was gone when it was read
    bool complete = false;    // false: taken from the listing alone; the file's own facts are still to come
    std::uint64_t size = 0;
    FileTime lastWrite = 0;
    QString mimeName;         // the key of the icon
    QString typeName;         // the MIME type's description
    QString shootingDate;     // as the information lines show it ("2001年02月03日  13:05:06")
};

// Reads the facts of the file at `path`; `notice` receives what a missing library would have said.
ItemFacts readItemFacts(const QString& path, const LibraryMessageFn& notice = {});
