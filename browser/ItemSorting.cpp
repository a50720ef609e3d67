#include "browser/ItemSorting.h"

#include "browser/ItemStore.h"
#include "browser/RegularFile.h"
#include "imaging/ImgProbeBinding.h"
#include "platform/MessageBox.h"
#include "platform/Names.h"

#include <QStringList>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

namespace {

using ItemList = std::vector<std::unique_ptr<FileItem>>;

// Orders by a three-way comparison, stably: equal items keep their order in both directions.
template <typename Compare>
void stableOrder(ItemList& items, int direction, Compare compare)
{
    if (direction == Ascending) {
        std::stable_sort(items.begin(), items.end(), [&](const auto& a, const auto& b) { return compare(*a, *b) < 0; });
    } else {
        std::stable_sort(items.begin(), items.end(), [&](const auto& a, const auto& b) { return compare(*a, *b) > 0; });
    }
}

template <typename T>
int threeWay(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// platform::compareNoCase, fast on the ASCII names cameras write: letters are folded in place while
// both names are ASCII, and only a name with other characters is handed to the full comparison (which
// agrees on the ASCII prefix both share), so the order stays exactly that of the one comparison.
int compareNames(const QString& a, const QString& b)
{
    const qsizetype common = std::min(a.size(), b.size());
    const QChar* left = a.constData();
    const QChar* right = b.constData();
    for (qsizetype i = 0; i < common; ++i) {
        char16_t x = left[i].unicode();
        char16_t y = right[i].unicode();
        if (x > 0x7F || y > 0x7F)
            return platform::compareNoCase(a, b);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char16_t>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char16_t>(y - 'A' + 'a');
        if (x != y)
            return x < y ? -1 : 1;
    }
    return threeWay(a.size(), b.size());
}

// Orders by name, case-insensitively, stably.
void orderByName(ItemList& items, int direction)
{
    stableOrder(items, direction, [](const FileItem& a, const FileItem& b) { return compareNames(a.name, b.name); });
}

class NameSorter : public Sorter {
public:
    void sort(ItemList& items, int direction, const QString&) override { orderByName(items, direction); }
};

class SizeSorter : public Sorter {
public:
    void sort(ItemList& items, int direction, const QString&) override
    {
        stableOrder(items, direction, [](const FileItem& a, const FileItem& b) { return threeWay(a.size, b.size); });
    }
};

class DateSorter : public Sorter {
public:
    void sort(ItemList& items, int direction, const QString&) override
    {
        stableOrder(items, direction, [](const FileItem& a, const FileItem& b) { return threeWay(a.lastWrite, b.lastWrite); });
    }
};

// Lower-cases the ASCII letters of the extension's bytes and leaves every other byte as it is.
QByteArray typeKey(const QString& name)
{
    QByteArray key = extensionOf(name).toUtf8();
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

// Groups by extension (byte order of the lower-cased extension, shorter first on a common prefix, no
// extension first), names in order within each group; descending reverses both. Within a group this is
// the order a bubble sort of neighbours by the case-insensitive comparison gives: a stable sort. One
// stable sort by (extension, name) gives the same order, the groups' and the names' direction together,
// without building the groups.
class TypeSorter : public Sorter {
    // Past this many spellings of extensions the keys are made item by item.
    static constexpr std::size_t kMaxSpellings = 64;

public:
    void sort(ItemList& items, int direction, const QString&) override
    {
        struct TypedItem {
            std::unique_ptr<FileItem> item;
            int type;  // the rank of the item's type key among the folder's type keys
        };
        // A folder holds a handful of extensions: each spelling is turned into its key once, and the
        // keys into ranks, so that the comparisons compare numbers.
        std::vector<std::pair<QString, int>> spellings;
        std::vector<QByteArray> keys;
        std::vector<int> keyOfItem;
        keyOfItem.reserve(items.size());
        for (const auto& item : items) {
            const qsizetype dot = item->name.lastIndexOf(QLatin1Char('.'));
            const QStringView extension = dot < 0 ? QStringView() : QStringView(item->name).mid(dot);
            auto known = std::find_if(spellings.begin(), spellings.end(),
                                      [&](const auto& spelling) { return spelling.first == extension; });
            if (known == spellings.end() || spellings.size() > kMaxSpellings) {
                keys.push_back(typeKey(item->name));
                if (spellings.size() <= kMaxSpellings)
                    spellings.emplace_back(extension.toString(), static_cast<int>(keys.size() - 1));
                keyOfItem.push_back(static_cast<int>(keys.size() - 1));
            } else {
                keyOfItem.push_back(known->second);
            }
        }
        std::vector<QByteArray> ordered = keys;
        std::sort(ordered.begin(), ordered.end());
        std::vector<TypedItem> typed;
        typed.reserve(items.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            const QByteArray& type = keys[static_cast<std::size_t>(keyOfItem[i])];
            const int rank = static_cast<int>(std::lower_bound(ordered.begin(), ordered.end(), type) - ordered.begin());
            typed.push_back({std::move(items[i]), rank});
        }
        auto compare = [](const TypedItem& a, const TypedItem& b) {
            return a.type != b.type ? threeWay(a.type, b.type) : compareNames(a.item->name, b.item->name);
        };
        if (direction == Ascending)
            std::stable_sort(typed.begin(), typed.end(), [&](const TypedItem& a, const TypedItem& b) { return compare(a, b) < 0; });
        else
            std::stable_sort(typed.begin(), typed.end(), [&](const TypedItem& a, const TypedItem& b) { return compare(a, b) > 0; });
        for (std::size_t i = 0; i < typed.size(); ++i)
            items[i] = std::move(typed[i].item);
    }
};

bool keptByExtensions(const QString& name, const QStringList& entries, bool& needsProbe)
{
    // Looked at in place: a filter runs over every item of a folder at every command.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const QStringView extension = QStringView(name).mid(dot);
    for (const QString& entry : entries) {
        // An entry matches over its own length: ".jpg" also keeps ".jpg2".
        if (extension.startsWith(entry, Qt::CaseInsensitive)) {
            needsProbe = entry == QLatin1String(".tif");
            return true;
        }
    }
    return false;
}

QStringList extensionsOf(int code)
{
    switch (code) {
    case FilterBmp:
        return {QStringLiteral(".bmp")};
    case FilterDvf:
        return {QStringLiteral(".dvf")};
    case FilterJpeg:
        return {QStringLiteral(".jpg")};
    case FilterPictures:
        return QStringLiteral(".bmp;.dvf;.dcf;.jpg;.ttl;.tif").split(QLatin1Char(';'));
    case FilterTtl:
        return {QStringLiteral(".ttl")};
    default:
        return {};
    }
}

// Exif-TIFF codes of the image-format probe.
constexpr int kExif2Tiff = 16;
constexpr int kExif1Tiff = 17;

}  // namespace

SorterRegistry& SorterRegistry::instance()
{
    static SorterRegistry registry;
    return registry;
}

SorterRegistry::SorterRegistry()
{
    add(SortByName, [] { return std::make_unique<NameSorter>(); });
    add(SortByType, [] { return std::make_unique<TypeSorter>(); });
    add(SortBySize, [] { return std::make_unique<SizeSorter>(); });
    add(SortByDate, [] { return std::make_unique<DateSorter>(); });
}

void SorterRegistry::add(int key, Factory factory)
{
    factories_.emplace_back(key, std::move(factory));
}

std::unique_ptr<Sorter> SorterRegistry::create(int key) const
{
    for (const auto& [registered, factory] : factories_) {
        if (registered == key)
            return factory();
    }
    return nullptr;
}

ImageFormatProbe libraryImageFormatProbe(LibraryMessageFn notice)
{
    return [notice = std::move(notice)](const QString& path) {
        // ImgProbe opens the path itself: a pipe named ".tif" would hold it for ever.
        if (!isRegularFile(path))
            return 0;
        imaging::ProbeMessageReport report;
        if (notice) {
            report = [&notice](const char* text, const char* caption) {
                notice(LibraryMessage{QStringLiteral("ImgProbe"), QString::fromUtf8(text), QString::fromUtf8(caption),
                                      platform::MbOk});
            };
        }
        uint16_t format = 0;
        return imaging::getImageFormat(path, &format, report) == 0 ? static_cast<int>(format) : 0;
    };
}

QString extensionOf(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

int sortItems(ItemStore& store, int key, int direction, const QString& folder)
{
    std::unique_ptr<Sorter> sorter = SorterRegistry::instance().create(key);
    if (!sorter)
        return 0;
    std::lock_guard guard(store);
    ItemList items;
    items.reserve(store.items().size());
    for (auto& [number, item] : store.items())
        items.push_back(std::move(item));
    sorter->sort(items, direction, folder);
    auto slot = store.items().begin();
    for (auto& item : items)
        (slot++)->second = std::move(item);
    return 1;
}

int filterItems(ItemStore& store, int code, const QString& folder, const ImageFormatProbe& probe)
{
    if (code < FilterAll || code > FilterTtl)
        return -1;
    const QStringList entries = extensionsOf(code);
    std::lock_guard guard(store);
    auto& order = store.displayOrder();
    order.clear();
    for (const auto& [number, item] : store.items()) {
        bool keep = false;
        switch (code) {
        case FilterAll:
            keep = true;
            break;
        case FilterSelected:
            keep = item->flags & FileItem::kSelected;
            break;
        case FilterMarked:
            keep = item->flags & FileItem::kSearchMark;
            break;
        default: {
            bool needsProbe = false;
            keep = keptByExtensions(item->name, entries, needsProbe);
            if (keep && needsProbe) {
                const int format = probe ? probe(folder + QLatin1Char('/') + item->name) : 0;
                keep = format == kExif2Tiff || format == kExif1Tiff;
            }
        }
        }
        if (keep)
            order.push_back(number);
    }
    return 0;
}
