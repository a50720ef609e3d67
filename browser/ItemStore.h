#pragma once
// All items of the current folder and the order in which the view shows them.
//
// Items are numbered from a counter that starts at 0; the map keeps them in ascending number order, and
// that order is the order of the current sort: sorting re-assigns which item each number holds and
// leaves the numbers where they are. The loader walks the map in this order.
//
// The view, the loader thread and the file operations share the store. Every operation takes the
// store's lock for its whole run; the lock is recursive, and callers that need several operations to
// stay together (listing, sorting, filtering) hold it around them with lock()/unlock().

#include "browser/FileItem.h"

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>

struct DecodeResult;

class ItemStore {
public:
    using ItemMap = std::map<std::int32_t, std::unique_ptr<FileItem>>;

    ItemStore() = default;
    ItemStore(const ItemStore&) = delete;
    ItemStore& operator=(const ItemStore&) = delete;

    // Gives the item the next number and takes it over; with a position other than -1 the number also
    // joins the display order (at the end when past it, else before the entry at that position).
    // Returns the number, or -1 for a null item.
    std::int32_t add(std::unique_ptr<FileItem> item, int position);
    // 1 when the item was removed (with its holder and its first display entry), 0 when not present.
    int remove(std::int32_t number);
    // The item, or null. The pointer stays valid while the caller holds the lock and the item stays.
    FileItem* find(std::int32_t number) const;
    // Empties the display order and the map. Holders go with their items; with dropThumbnails false the
    // caller has taken the holders it wants to keep out of the items first.
    void clear(bool dropThumbnails);
    // Prepares a re-listing of the same folder: every flag but the search mark cleared, the display order
    // emptied, the counter reset; the items stay until the listing replaces them.
    void clearForRelisting();
    // flags = (flags | set) & ~clear, on every item.
    void setFlags(std::uint32_t set, std::uint32_t clear);
    // Builds an item from a decode result and adds it at `position`; then calls the change callback so
    // that the view lays out and repaints. Returns the number.
    std::int32_t addDecoded(DecodeResult& result, int position);

    // Called after addDecoded (the view's lay-out and repaint).
    void setChangedCallback(std::function<void()> callback);

    bool isFresh() const;
    std::int32_t counter() const;
    std::size_t size() const;

    void lock() const { mutex_.lock(); }
    void unlock() const { mutex_.unlock(); }
    bool try_lock() const { return mutex_.try_lock(); }

    // Direct access for the listing, the sorters and the filters; hold the lock while using them.
    ItemMap& items() { return items_; }
    const ItemMap& items() const { return items_; }
    std::list<std::int32_t>& displayOrder() { return displayOrder_; }
    const std::list<std::int32_t>& displayOrder() const { return displayOrder_; }
    std::list<std::int32_t>& searchHits() { return searchHits_; }
    std::list<std::int32_t>& searchWork() { return searchWork_; }
    void setFresh(bool fresh) { fresh_ = fresh; }

private:
    mutable std::recursive_mutex mutex_;
    ItemMap items_;
    std::list<std::int32_t> displayOrder_;
    std::list<std::int32_t> searchHits_;
    std::list<std::int32_t> searchWork_;
    std::int32_t counter_ = 0;
    bool fresh_ = true;
    std::function<void()> changed_;
};
