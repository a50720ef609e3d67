#include "browser/ItemStore.h"

#include "browser/DecodeResult.h"

#include <iterator>

using Guard = std::lock_guard<std::recursive_mutex>;

std::int32_t ItemStore::add(std::unique_ptr<FileItem> item, int position)
{
    if (!item)
        return -1;
    Guard guard(mutex_);
    const std::int32_t number = counter_;
    if (!items_.emplace(number, std::move(item)).second)
        return -1;
    ++counter_;
    if (position != -1) {
        auto where = displayOrder_.end();
        if (position >= 0 && static_cast<std::size_t>(position) < displayOrder_.size())
            where = std::next(displayOrder_.begin(), position);
        displayOrder_.insert(where, number);
    }
    return number;
}

int ItemStore::remove(std::int32_t number)
{
    Guard guard(mutex_);
    const auto found = items_.find(number);
    if (found == items_.end())
        return 0;
    items_.erase(found);
    for (auto it = displayOrder_.begin(); it != displayOrder_.end(); ++it) {
        if (*it == number) {
            displayOrder_.erase(it);
            break;
        }
    }
    return 1;
}

FileItem* ItemStore::find(std::int32_t number) const
{
    Guard guard(mutex_);
    const auto found = items_.find(number);
    return found == items_.end() ? nullptr : found->second.get();
}

void ItemStore::clear(bool dropThumbnails)
{
    Guard guard(mutex_);
    // A holder still attached to its item goes with it either way; a re-listing that keeps thumbnails
    // has taken its holders out of the items before it clears.
    (void)dropThumbnails;
    displayOrder_.clear();
    items_.clear();
    counter_ = 0;
    fresh_ = true;
}

void ItemStore::clearForRelisting()
{
    Guard guard(mutex_);
    for (auto& [number, item] : items_)
        item->flags &= FileItem::kSearchMark | FileItem::kCutMark;
    displayOrder_.clear();
    counter_ = 0;
    fresh_ = false;
}

void ItemStore::setFlags(std::uint32_t set, std::uint32_t clear)
{
    Guard guard(mutex_);
    for (auto& [number, item] : items_)
        item->flags = (item->flags | set) & ~clear;
}

std::int32_t ItemStore::addDecoded(DecodeResult& result, int position)
{
    auto item = std::make_unique<FileItem>();
    item->name = result.name;
    item->thumbnail->store(std::move(result.thumbnail), result.kind, result.width, result.height, result.bitCount);
    item->thumbnail->facts = result.facts;
    item->size = result.size;
    item->lastWrite = result.lastWrite;
    item->kind = result.kind;
    item->loadState = result.fromDecoder == DecodeResult::kFromDecoder ? FileItem::kLoaded : FileItem::kToLoad;
    std::int32_t number;
    std::function<void()> changed;
    {
        Guard guard(mutex_);
        number = add(std::move(item), position);
        changed = changed_;
    }
    if (changed)
        changed();
    return number;
}

void ItemStore::setChangedCallback(std::function<void()> callback)
{
    Guard guard(mutex_);
    changed_ = std::move(callback);
}

bool ItemStore::isFresh() const
{
    Guard guard(mutex_);
    return fresh_;
}

std::int32_t ItemStore::counter() const
{
    Guard guard(mutex_);
    return counter_;
}

std::size_t ItemStore::size() const
{
    Guard guard(mutex_);
    return items_.size();
}
