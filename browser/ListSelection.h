#pragma once
// The list's selection rules. The selection lives in the items' selected flag bit, so the store, the
// file operations and the painting all see one truth; these functions only decide which bits change.
// `items` are the displayed items in display order (resolved under the store's lock by the caller).

#include "browser/FileItem.h"

#include <QRect>

#include <vector>

namespace list {

struct ListGeometry;

// The keys held with a click.
struct ClickKeys {
    bool shift = false;
    bool control = false;
};

void deselectAll(const std::vector<FileItem*>& items);
void selectAll(const std::vector<FileItem*>& items);

// A left click on display position `position`:
// - with Shift, the range from `anchor` to the clicked item is selected (without Ctrl the old selection
//   is dropped first); the anchor stays, so further Shift-clicks re-shape the same range;
// - without Shift, Ctrl adds the item to the selection, a plain click on an unselected item makes it
//   the only selected one (a plain click on a selected item keeps the selection, for dragging), and the
//   item becomes the anchor.
// An anchor outside the list counts as the clicked item itself.
void click(const std::vector<FileItem*>& items, int position, ClickKeys keys, int& anchor);

// Selects exactly the items whose cells the rubber band touches. `band` is in client coordinates with
// `topItem` the first visible cell; cells scrolled away are found as well (their rows lie above 0).
void selectTouched(const std::vector<FileItem*>& items, const ListGeometry& geometry, const QRect& band, int topItem,
                   int columns);

}  // namespace list
