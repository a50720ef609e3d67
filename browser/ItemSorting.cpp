#include "browser/ItemSorting.h"

#include "browser/ItemStore.h"
#include "imaging/ImgProbeBinding.h"
#include "platform/Names.h"

#include <QStringList>

#include <algorithm>
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

class NameSorter : public Sorter {
public:
    void sort(ItemList& items, int direction, const QString&) override
    {
        stableOrder(items, direction, [](const FileItem& a, const FileItem& b) { return platform::compareNoCase(a.name, b.name); });
    }
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
// the order a bubble sort of neighbours by the case-insensitive comparison gives: a stable sort.
class TypeSorter : public Sorter {
public:
    void sort(ItemList& items, int direction, const QString&) override
    {
        std::map<QByteArray, ItemList> groups;
        for (auto& item : items) {
            QByteArray key = typeKey(item->name);
            groups[std::move(key)].push_back(std::move(item));
        }
        items.clear();
        auto writeGroup = [&](ItemList& group) {
            stableOrder(group, direction, [](const FileItem& a, const FileItem& b) { return platform::compareNoCase(a.name, b.name); });
            for (auto& item : group)
                items.push_back(std::move(item));
        };
        if (direction == Ascending) {
            for (auto& [key, group] : groups)
                writeGroup(group);
        } else {
            for (auto it = groups.rbegin(); it != groups.rend(); ++it)
                writeGroup(it->second);
        }
    }
};

bool keptByExtensions(const QString& name, const QStringList& entries, bool& needsProbe)
{
    const QString extension = extensionOf(name).toLower();
    if (extension.isEmpty())
        return false;
    for (const QString& entry : entries) {
        // An entry matches over its own length: ".jpg" also keeps ".jpg2".
        if (extension.startsWith(entry)) {
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

ImageFormatProbe libraryImageFormatProbe()
{
    return [](const QString& path) {
        uint16_t format = 0;
        return imaging::getImageFormat(path, &format) == 0 ? static_cast<int>(format) : 0;
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
