#pragma once
// Sorting and filtering the item store.
//
// A sort takes the items out of the map in map order, orders them, and puts them back under the same
// item numbers, so the map's order becomes the sorted order; the filter then walks the map and rebuilds
// the display order. Both run under the store's lock.

#include "browser/ItemFacts.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class ItemStore;
struct FileItem;

enum SortKey : int { SortByName = 0, SortByType = 1, SortBySize = 2, SortByDate = 3 };
enum SortDirection : int { Descending = 0, Ascending = 1 };

// The view's direction command: 1 becomes 0, anything else 1.
inline int toggledDirection(int direction)
{
    return direction == Ascending ? Descending : Ascending;
}

// Orders a list of items in place; stable.
class Sorter {
public:
    virtual ~Sorter() = default;
    virtual void sort(std::vector<std::unique_ptr<FileItem>>& items, int direction, const QString& folder) = 0;
};

// The sorters by key, filled with the four standard keys at first use.
class SorterRegistry {
public:
    using Factory = std::function<std::unique_ptr<Sorter>()>;
    static SorterRegistry& instance();
    void add(int key, Factory factory);
    std::unique_ptr<Sorter> create(int key) const;

private:
    SorterRegistry();
    std::vector<std::pair<int, Factory>> factories_;
};

// Sorts the store by `key` in `direction`. Returns 1, or 0 for an unknown key (nothing changes).
int sortItems(ItemStore& store, int key, int direction, const QString& folder);

// The extension of a name as the type sort and the filters see it: from the last '.' on, dot included;
// empty when there is none.
QString extensionOf(const QString& name);

// Asks the image-format probe about a file: the codes of _GetImageFormat (16 and 17 are Exif-TIFF).
using ImageFormatProbe = std::function<int(const QString& path)>;
// The program's probe: ImgProbe's _GetImageFormat, bound for each call (0 when it cannot run, and for
// anything but a regular file). A missing library is told to `notice`, or shown at once without one.
ImageFormatProbe libraryImageFormatProbe(LibraryMessageFn notice = {});

enum FilterCode : int {
    FilterAll = 0,
    FilterBmp = 1,
    FilterDvf = 2,
    FilterJpeg = 3,
    FilterPictures = 4,
    FilterSelected = 5,
    FilterMarked = 6,
    FilterTtl = 7,
};

// Rebuilds the display order with the items that `code` keeps, in map order. 0, or -1 for a code
// outside 0..7 (nothing changes then). TIFF files are shown only when `probe` calls them Exif-TIFF; a
// null probe hides them.
int filterItems(ItemStore& store, int code, const QString& folder, const ImageFormatProbe& probe);
