#pragma once
// Lists a folder's files into the item store: afresh, or again with the thumbnails of unchanged files
// kept (when the store was prepared with clearForRelisting).

#include <QString>

#include <functional>

class ItemStore;

// Asked after every entry; true ends the listing early (the loader was told to stop).
using ExitCheck = std::function<bool()>;

enum class ListResult {
    Listed,    // the folder was read (it may have held no files)
    NotFound,  // the folder could not be read at all: the loader ends its pass
};

// Lists `folder` (no trailing slash needed) into `store`, which decides fresh or re-listing by its
// isFresh(). Sub-folders and "." / ".." never become items. Holds the store's lock throughout.
ListResult listFolder(const QString& folder, ItemStore& store, const ExitCheck& exitRequested = {});
