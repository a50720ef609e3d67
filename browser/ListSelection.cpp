#include "browser/ListSelection.h"

#include "browser/ListGeometry.h"

#include <algorithm>

namespace list {

void deselectAll(const std::vector<FileItem*>& items)
{
    for (FileItem* item : items)
        item->flags &= ~FileItem::kSelected;
}

void selectAll(const std::vector<FileItem*>& items)
{
    for (FileItem* item : items)
        item->flags |= FileItem::kSelected;
}

void click(const std::vector<FileItem*>& items, int position, ClickKeys keys, int& anchor)
{
    const int count = static_cast<int>(items.size());
    if (position < 0 || position >= count)
        return;
    if (keys.shift) {
        if (anchor < 0 || anchor >= count)
            anchor = position;
        if (!keys.control)
            deselectAll(items);
        const int first = std::min(anchor, position);
        const int last = std::max(anchor, position);
        for (int i = first; i <= last; ++i)
            items[static_cast<std::size_t>(i)]->flags |= FileItem::kSelected;
        return;
    }
    FileItem* clicked = items[static_cast<std::size_t>(position)];
    if (!keys.control && !clicked->isSelected())
        deselectAll(items);
    clicked->flags |= FileItem::kSelected;
    anchor = position;
}

void selectTouched(const std::vector<FileItem*>& items, const ListGeometry& geometry, const QRect& band, int topItem,
                   int columns)
{
    const QRect normal = band.normalized();
    for (std::size_t i = 0; i < items.size(); ++i) {
        const QRect cell = geometry.cellRect(static_cast<int>(i), topItem, columns);
        if (cell.intersects(normal))
            items[i]->flags |= FileItem::kSelected;
        else
            items[i]->flags &= ~FileItem::kSelected;
    }
}

}  // namespace list
