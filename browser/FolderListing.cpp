#include "browser/FolderListing.h"

#include "browser/ItemStore.h"
#include "platform/Names.h"

#include <QFile>
#include <QHash>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <mutex>
#include <vector>

namespace {

// One directory entry that is a file.
struct DirEntry {
    QString name;
    std::uint64_t size;
    FileTime lastWrite;
};

// What the re-listing remembers of an item of the previous listing.
struct KeptEntry {
    QString name;
    std::unique_ptr<ThumbnailHolder> holder;
    std::int32_t kind;
    std::uint32_t flags;
    FileTime lastWrite;
};

class DirReader {
public:
    explicit DirReader(const QString& folder)
    {
        fd_ = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ >= 0)
            dir_ = ::fdopendir(fd_);
        if (!dir_ && fd_ >= 0)
            ::close(fd_);
    }
    ~DirReader()
    {
        if (dir_)
            ::closedir(dir_);
    }
    DirReader(const DirReader&) = delete;
    DirReader& operator=(const DirReader&) = delete;

    bool isOpen() const { return dir_ != nullptr; }

    // The next file of the folder; false at the end. Folders, "." and ".." are passed over, and so are
    // entries that vanish while they are read.
    bool next(DirEntry& entry)
    {
        while (const dirent* raw = ::readdir(dir_)) {
            struct stat info;
            if (::fstatat(fd_, raw->d_name, &info, 0) != 0 || S_ISDIR(info.st_mode))
                continue;
            entry.name = QFile::decodeName(raw->d_name);
            entry.size = static_cast<std::uint64_t>(info.st_size);
            entry.lastWrite = fileTimeFromTimespec(info.st_mtim);
            return true;
        }
        return false;
    }

private:
    int fd_ = -1;
    DIR* dir_ = nullptr;
};

std::unique_ptr<FileItem> makeItem(const DirEntry& entry)
{
    auto item = std::make_unique<FileItem>();
    item->name = entry.name;
    item->size = entry.size;
    item->lastWrite = entry.lastWrite;
    return item;
}

void listFresh(DirReader& reader, ItemStore& store, const ExitCheck& exitRequested)
{
    DirEntry entry;
    while (reader.next(entry)) {
        store.add(makeItem(entry), -1);
        if (exitRequested && exitRequested())
            return;
    }
}

void listAgain(DirReader& reader, ItemStore& store, const ExitCheck& exitRequested)
{
    std::vector<KeptEntry> kept;
    kept.reserve(store.items().size());
    QMultiHash<QString, std::size_t> byName;
    for (auto& [number, item] : store.items()) {
        byName.insert(platform::foldedName(item->name), kept.size());
        kept.push_back({item->name, std::move(item->thumbnail), item->kind, item->flags, item->lastWrite});
    }
    store.clear(false);

    DirEntry entry;
    while (reader.next(entry)) {
        auto item = makeItem(entry);
        // Two names that differ only in case both match; each kept entry serves one file only, the
        // earliest listed first.
        KeptEntry* previous = nullptr;
        for (std::size_t index : byName.values(platform::foldedName(entry.name))) {
            if (kept[index].holder && (!previous || index < static_cast<std::size_t>(previous - kept.data())))
                previous = &kept[index];
        }
        if (previous) {
            item->kind = previous->kind;
            item->flags = previous->flags;
            if (previous->lastWrite == entry.lastWrite) {
                item->thumbnail = std::move(previous->holder);
                item->loadState = item->thumbnail->present ? FileItem::kLoaded : FileItem::kToLoad;
            } else {
                previous->holder.reset();  // the file changed: its thumbnail is made again
            }
        }
        store.add(std::move(item), -1);
        if (exitRequested && exitRequested())
            break;
    }
    // Holders still in `kept` belong to files that went away; they are freed with it.
}

}  // namespace

ListResult listFolder(const QString& folder, ItemStore& store, const ExitCheck& exitRequested)
{
    std::lock_guard guard(store);
    DirReader reader(folder);
    if (!reader.isOpen()) {
        if (!store.isFresh())
            store.clear(true);
        return ListResult::NotFound;
    }
    if (store.isFresh())
        listFresh(reader, store, exitRequested);
    else
        listAgain(reader, store, exitRequested);
    return ListResult::Listed;
}
