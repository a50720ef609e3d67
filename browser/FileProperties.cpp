#include "browser/FileProperties.h"

#include "browser/CFilePropSheet.h"
#include "browser/ItemStore.h"

#include <iterator>
#include <optional>

std::unique_ptr<CFilePropSheet> makePropertySheet(QWidget* parent, const ItemStore& store, std::mutex* listLock,
                                                  const QString& folder, int current)
{
    if (current < 0)
        return nullptr;
    std::optional<FileItem> copy;
    {
        std::unique_lock<std::mutex> list;
        if (listLock)
            list = std::unique_lock(*listLock);
        std::lock_guard guard(store);
        const auto& order = store.displayOrder();
        if (static_cast<std::size_t>(current) >= order.size())
            return nullptr;
        const FileItem* item = store.find(*std::next(order.begin(), current));
        if (!item)
            return nullptr;
        copy = CFilePropSheet::copyItem(*item);
    }
    // The texts read the file system; the locks are free again by then, so the loader is not held up.
    return std::make_unique<CFilePropSheet>(folder, std::move(*copy), parent);
}

void showProperties(QWidget* parent, const ItemStore& store, std::mutex* listLock, const QString& folder, int current)
{
    if (auto sheet = makePropertySheet(parent, store, listLock, folder, current))
        sheet->exec();
}
