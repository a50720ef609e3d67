#include "browser/ItemSearch.h"
#include "browser/ItemSorting.h"
#include "browser/ItemStore.h"
#include "platform/Names.h"

#include "TempFolder.h"

#include <QRandomGenerator>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

struct Listed {
    const char* name;
    std::uint64_t size = 0;
    FileTime time = 0;
};

void fill(ItemStore& store, std::initializer_list<Listed> listed)
{
    store.clear(true);
    for (const Listed& entry : listed) {
        auto item = std::make_unique<FileItem>();
        item->name = QString::fromUtf8(entry.name);
        item->size = entry.size;
        item->lastWrite = entry.time;
        store.add(std::move(item), -1);
    }
}

QStringList mapOrder(ItemStore& store)
{
    QStringList names;
    for (const auto& [number, item] : store.items())
        names << item->name;
    return names;
}

QStringList shown(ItemStore& store)
{
    QStringList names;
    for (std::int32_t number : store.displayOrder())
        names << store.find(number)->name;
    return names;
}

// The grouping of the type sort, with a literal neighbour-swapping bubble sort inside each group: the
// reference the fast sort must agree with.
QStringList bubbleTypeOrder(QStringList names, int direction)
{
    std::map<QByteArray, QStringList> groups;
    for (const QString& name : names) {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        QByteArray key = (dot < 0 ? QString() : name.mid(dot)).toUtf8();
        for (char& c : key)
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        groups[key] << name;
    }
    QStringList out;
    auto bubble = [&](QStringList group) {
        for (bool swapped = true; swapped;) {
            swapped = false;
            for (qsizetype i = 0; i + 1 < group.size(); ++i) {
                const int c = platform::compareNoCase(group[i], group[i + 1]);
                if (direction == Ascending ? c > 0 : c < 0) {
                    group.swapItemsAt(i, i + 1);
                    swapped = true;
                }
            }
        }
        out << group;
    };
    if (direction == Ascending) {
        for (auto& [key, group] : groups)
            bubble(group);
    } else {
        for (auto it = groups.rbegin(); it != groups.rend(); ++it)
            bubble(it->second);
    }
    return out;
}

}  // namespace

TEST(Sorting, SizeAndDateAreStableInBothDirections)
{
    ItemStore store;
    fill(store, {{"a", 30, 5}, {"b", 10, 7}, {"c", 30, 5}, {"d", 20, 1}});
    ASSERT_EQ(sortItems(store, SortBySize, Ascending, {}), 1);
    EXPECT_EQ(mapOrder(store), QStringList({"b", "d", "a", "c"}));
    ASSERT_EQ(sortItems(store, SortBySize, Descending, {}), 1);
    EXPECT_EQ(mapOrder(store), QStringList({"a", "c", "d", "b"}));

    ASSERT_EQ(sortItems(store, SortByDate, Ascending, {}), 1);
    EXPECT_EQ(mapOrder(store), QStringList({"d", "a", "c", "b"}));
    ASSERT_EQ(sortItems(store, SortByDate, Descending, {}), 1);
    EXPECT_EQ(mapOrder(store), QStringList({"b", "a", "c", "d"}));

    // The numbers stay where they were; only the items move.
    EXPECT_EQ(store.items().begin()->first, 0);
    EXPECT_EQ(sortItems(store, 4, Ascending, {}), 0);
    EXPECT_EQ(mapOrder(store), QStringList({"b", "a", "c", "d"}));
}

TEST(Sorting, NamesIgnoreCase)
{
    ItemStore store;
    fill(store, {{"b.JPG"}, {"A.jpg"}, {"a.jpg"}, {"C.jpg"}});
    sortItems(store, SortByName, Ascending, {});
    EXPECT_EQ(mapOrder(store), QStringList({"A.jpg", "a.jpg", "b.JPG", "C.jpg"}));
    sortItems(store, SortByName, Descending, {});
    EXPECT_EQ(mapOrder(store), QStringList({"C.jpg", "b.JPG", "A.jpg", "a.jpg"}));
}

TEST(Sorting, TypeGroupsByExtension)
{
    ItemStore store;
    fill(store, {{"M2.MOV"}, {"j2.jpg"}, {"A1.AVI"}, {"README"}, {"j1.JPG"}, {"m1.mov"}, {"x.jp"}});
    sortItems(store, SortByType, Ascending, {});
    EXPECT_EQ(mapOrder(store), QStringList({"README", "A1.AVI", "x.jp", "j1.JPG", "j2.jpg", "m1.mov", "M2.MOV"}));
    sortItems(store, SortByType, Descending, {});
    EXPECT_EQ(mapOrder(store), QStringList({"M2.MOV", "m1.mov", "j2.jpg", "j1.JPG", "x.jp", "A1.AVI", "README"}));
}

TEST(Sorting, TypeSortAgreesWithALiteralBubbleSort)
{
    auto* random = QRandomGenerator::global();
    const QStringList extensions{".jpg", ".JPG", ".avi", ".mov", ".Jpg", "", ".tif", ".jpg2", ".ttl"};
    for (int round = 0; round < 20; ++round) {
        QStringList names;
        for (int i = 0; i < 60; ++i) {
            QString stem;
            for (int c = 0, n = 1 + random->bounded(4); c < n; ++c)
                stem += QChar(random->bounded(2) ? 'a' + random->bounded(4) : 'A' + random->bounded(4));
            names << stem + extensions[random->bounded(extensions.size())];
        }
        for (int direction : {Ascending, Descending}) {
            ItemStore store;
            store.clear(true);
            for (const QString& name : names) {
                auto item = std::make_unique<FileItem>();
                item->name = name;
                store.add(std::move(item), -1);
            }
            sortItems(store, SortByType, direction, {});
            ASSERT_EQ(mapOrder(store), bubbleTypeOrder(names, direction)) << "round " << round;
        }
    }
}

TEST(Filtering, CodesKeepTheirItemsInSortedOrder)
{
    ItemStore store;
    fill(store, {{"a.bmp"}, {"b.avi"}, {"c.JPG"}, {"d.mov"}, {"e.dvf"}, {"f.ttl"}, {"g.dcf"}, {"h"}, {"i.jpg2"}});
    const auto noProbe = ImageFormatProbe();
    EXPECT_EQ(filterItems(store, FilterAll, {}, noProbe), 0);
    EXPECT_EQ(shown(store).size(), 9);
    filterItems(store, FilterPictures, {}, noProbe);
    EXPECT_EQ(shown(store), QStringList({"a.bmp", "c.JPG", "e.dvf", "f.ttl", "g.dcf", "i.jpg2"}));
    filterItems(store, FilterJpeg, {}, noProbe);
    EXPECT_EQ(shown(store), QStringList({"c.JPG", "i.jpg2"}));
    filterItems(store, FilterBmp, {}, noProbe);
    EXPECT_EQ(shown(store), QStringList({"a.bmp"}));
    filterItems(store, FilterDvf, {}, noProbe);
    EXPECT_EQ(shown(store), QStringList({"e.dvf"}));
    filterItems(store, FilterTtl, {}, noProbe);
    EXPECT_EQ(shown(store), QStringList({"f.ttl"}));

    store.find(1)->flags |= FileItem::kSelected;
    store.find(3)->flags |= FileItem::kSearchMark;
    filterItems(store, FilterSelected, {}, noProbe);
    EXPECT_EQ(shown(store), QStringList({"b.avi"}));
    filterItems(store, FilterMarked, {}, noProbe);
    EXPECT_EQ(shown(store), QStringList({"d.mov"}));

    EXPECT_EQ(filterItems(store, 8, {}, noProbe), -1);
    EXPECT_EQ(filterItems(store, -1, {}, noProbe), -1);
    EXPECT_EQ(shown(store), QStringList({"d.mov"}));  // unchanged
}

TEST(Filtering, TiffFilesShowOnlyWhenTheProbeCallsThemExif)
{
    ItemStore store;
    fill(store, {{"EXIF.TIF"}, {"PLAIN.TIF"}, {"scan.tiff"}});
    QStringList probed;
    const ImageFormatProbe probe = [&](const QString& path) {
        probed << path;
        return path.endsWith(QLatin1String("EXIF.TIF")) ? 16 : path.endsWith(QLatin1String("scan.tiff")) ? 17 : 2;
    };
    filterItems(store, FilterPictures, QStringLiteral("/card/DCIM/100ABCDE"), probe);
    EXPECT_EQ(shown(store), QStringList({"EXIF.TIF", "scan.tiff"}));
    EXPECT_TRUE(probed.contains(QStringLiteral("/card/DCIM/100ABCDE/PLAIN.TIF")));
    filterItems(store, FilterAll, {}, probe);
    EXPECT_EQ(shown(store).size(), 3);
}

TEST(Searching, ByNameWithScopes)
{
    ItemStore store;
    fill(store, {{"IMGA0001.JPG"}, {"imga0002.jpg"}, {"DSC_0003.JPG"}, {"MOV00004.AVI"}});
    filterItems(store, FilterAll, {}, {});
    EXPECT_EQ(searchByName(store, QStringLiteral("Imga"), MatchContains, ScopeDisplayed), 2);
    filterItems(store, FilterMarked, {}, {});
    EXPECT_EQ(shown(store), QStringList({"IMGA0001.JPG", "imga0002.jpg"}));

    // Narrowing searches only the marked items.
    EXPECT_EQ(searchByName(store, QStringLiteral("0002"), MatchContains, ScopeMarked), 1);
    filterItems(store, FilterAll, {}, {});
    EXPECT_EQ(searchByName(store, QStringLiteral("dsc_0003.jpg"), MatchEquals, ScopeWiden), 1);
    filterItems(store, FilterMarked, {}, {});
    EXPECT_EQ(shown(store), QStringList({"imga0002.jpg", "DSC_0003.JPG"}));

    filterItems(store, FilterAll, {}, {});
    EXPECT_EQ(searchByName(store, QStringLiteral("JPG"), MatchNotContains, ScopeDisplayed), 1);
    filterItems(store, FilterMarked, {}, {});
    EXPECT_EQ(shown(store), QStringList({"MOV00004.AVI"}));

    // Narrowing with no marks finds nothing and leaves no mark.
    store.setFlags(0, FileItem::kSearchMark);
    EXPECT_EQ(searchByName(store, QStringLiteral("A"), MatchContains, ScopeMarked), 0);
    filterItems(store, FilterMarked, {}, {});
    EXPECT_TRUE(shown(store).isEmpty());
}

TEST(Searching, ByDateFindsExactlyThatDay)
{
    TempFolder folder;
    const QDate day(2001, 3, 1);
    folder.write(QStringLiteral("before.jpg"), "x", QDateTime(day.addDays(-1), QTime(23, 59, 30)));
    folder.write(QStringLiteral("morning.jpg"), "x", QDateTime(day, QTime(0, 0, 5)));
    folder.write(QStringLiteral("night.jpg"), "x", QDateTime(day, QTime(23, 59, 0)));
    folder.write(QStringLiteral("after.jpg"), "x", QDateTime(day.addDays(1), QTime(0, 0, 1)));
    ItemStore store;
    fill(store, {{"before.jpg"}, {"morning.jpg"}, {"night.jpg"}, {"after.jpg"}, {"vanished.jpg"}});
    filterItems(store, FilterAll, {}, {});

    EXPECT_EQ(searchByDate(store, folder.path(), day, day, MatchContains, ScopeDisplayed), 2);
    filterItems(store, FilterMarked, {}, {});
    EXPECT_EQ(shown(store), QStringList({"morning.jpg", "night.jpg"}));

    filterItems(store, FilterAll, {}, {});
    EXPECT_EQ(searchByDate(store, folder.path(), day, day, MatchNotContains, ScopeDisplayed), 2);
    filterItems(store, FilterMarked, {}, {});
    EXPECT_EQ(shown(store), QStringList({"before.jpg", "after.jpg"}));
}

TEST(Searching, DateValidity)
{
    EXPECT_TRUE(isValidSearchDate(2024, 2, 29));
    EXPECT_FALSE(isValidSearchDate(2023, 2, 29));
    EXPECT_FALSE(isValidSearchDate(1900, 2, 29));
    EXPECT_TRUE(isValidSearchDate(2000, 2, 29));
    EXPECT_FALSE(isValidSearchDate(2024, 4, 31));
    EXPECT_FALSE(isValidSearchDate(2024, 13, 1));
    EXPECT_FALSE(isValidSearchDate(2024, 0, 1));
    EXPECT_FALSE(isValidSearchDate(0, 1, 1));
    EXPECT_FALSE(isValidSearchDate(2024, 1, 0));
    EXPECT_TRUE(isValidSearchDate(1, 12, 31));
}

TEST(Sorting, DirectionToggle)
{
    EXPECT_EQ(toggledDirection(Ascending), Descending);
    EXPECT_EQ(toggledDirection(Descending), Ascending);
    EXPECT_EQ(toggledDirection(7), Ascending);
}

TEST(Sorting, NameSortAgreesWithAPlainCaseInsensitiveSortOnMixedNames)
{
    // Plain ASCII names take a fast path; the rest must interleave with them exactly as the one
    // comparison of the program orders them.
    auto* random = QRandomGenerator::global();
    const QStringList pieces{"a", "A", "b", "_", "0", "9", "é", "É", "ü", "ß", "写真", "Z", "z", "~", ".", "-"};
    for (int round = 0; round < 20; ++round) {
        QStringList names;
        for (int i = 0; i < 80; ++i) {
            QString name;
            for (int c = 0, n = random->bounded(5); c < n; ++c)
                name += pieces[random->bounded(pieces.size())];
            names << name + QStringLiteral(".JPG");
        }
        for (int direction : {Ascending, Descending}) {
            ItemStore store;
            store.clear(true);
            for (const QString& name : names) {
                auto item = std::make_unique<FileItem>();
                item->name = name;
                store.add(std::move(item), -1);
            }
            QStringList expected = names;
            std::stable_sort(expected.begin(), expected.end(), [&](const QString& a, const QString& b) {
                const int c = platform::compareNoCase(a, b);
                return direction == Ascending ? c < 0 : c > 0;
            });
            sortItems(store, SortByName, direction, {});
            ASSERT_EQ(mapOrder(store), expected) << "round " << round;
        }
    }
}
