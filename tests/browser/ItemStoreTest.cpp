#include "browser/DecodeResult.h"
#include "browser/FileKind.h"
#include "browser/ItemStore.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::unique_ptr<FileItem> item(const char* name)
{
    auto made = std::make_unique<FileItem>();
    made->name = QString::fromUtf8(name);
    return made;
}

std::vector<std::int32_t> order(const ItemStore& store)
{
    return {store.displayOrder().begin(), store.displayOrder().end()};
}

}  // namespace

TEST(ItemStore, NumbersItemsFromTheCounterAndPlacesThemInTheDisplayOrder)
{
    ItemStore store;
    EXPECT_EQ(store.add(nullptr, 0), -1);
    EXPECT_EQ(store.add(item("a"), -1), 0);  // not displayed
    EXPECT_EQ(store.add(item("b"), 0), 1);
    EXPECT_EQ(store.add(item("c"), 99), 2);  // past the end: appended
    EXPECT_EQ(store.add(item("d"), 1), 3);   // before the entry at position 1
    EXPECT_EQ(order(store), (std::vector<std::int32_t>{1, 3, 2}));
    EXPECT_EQ(store.find(3)->name, QStringLiteral("d"));
    EXPECT_EQ(store.find(7), nullptr);

    EXPECT_EQ(store.remove(3), 1);
    EXPECT_EQ(store.remove(3), 0);
    EXPECT_EQ(order(store), (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(store.size(), 3u);
}

TEST(ItemStore, ClearingAndFlags)
{
    ItemStore store;
    store.add(item("a"), -1);
    store.add(item("b"), 0);
    store.find(0)->flags = FileItem::kSelected | FileItem::kSearchMark | 0x10;
    store.setFlags(0x4, 0x10);
    EXPECT_EQ(store.find(0)->flags, FileItem::kSelected | FileItem::kSearchMark | 0x4);

    store.clearForRelisting();
    EXPECT_FALSE(store.isFresh());
    EXPECT_EQ(store.counter(), 0);
    EXPECT_TRUE(store.displayOrder().empty());
    EXPECT_EQ(store.size(), 2u);  // the items wait for the listing
    EXPECT_EQ(store.find(0)->flags, FileItem::kSearchMark);

    store.clear(true);
    EXPECT_TRUE(store.isFresh());
    EXPECT_EQ(store.size(), 0u);
    EXPECT_EQ(store.add(item("c"), -1), 0);
}

TEST(ItemStore, AddDecodedTakesTheResultAndAnnouncesTheChange)
{
    ItemStore store;
    int changes = 0;
    store.setChangedCallback([&] { ++changes; });

    DecodeResult result;
    result.name = QStringLiteral("IMGA0001.JPG");
    result.thumbnail = imaging::PackedDib::blank(8, 8, 24);
    result.width = 640;
    result.height = 480;
    result.bitCount = 24;
    result.kind = KindExifJpeg;
    result.size = 5'000'000'000ULL;
    result.fromDecoder = DecodeResult::kFromDecoder;
    const auto number = store.addDecoded(result, 0);

    const FileItem* added = store.find(number);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(added->loadState, FileItem::kLoaded);
    EXPECT_TRUE(added->thumbnail->present);
    EXPECT_TRUE(added->thumbnail->dib);
    EXPECT_EQ(added->thumbnail->width, 640);
    EXPECT_EQ(added->size, 5'000'000'000ULL);
    EXPECT_EQ(order(store), (std::vector<std::int32_t>{number}));

    // The icon fallback leaves the item to be made again; an unknown kind keeps no picture.
    DecodeResult fallback;
    fallback.name = QStringLiteral("NOTES.TXT");
    fallback.thumbnail = imaging::PackedDib::blank(2, 2, 24);
    fallback.kind = KindUnknown;
    fallback.fromDecoder = DecodeResult::kFromIcon;
    const FileItem* other = store.find(store.addDecoded(fallback, -1));
    EXPECT_EQ(other->loadState, FileItem::kToLoad);
    EXPECT_FALSE(other->thumbnail->dib);
    EXPECT_TRUE(other->thumbnail->present);
}

TEST(FileKind, NamesOfTheTenCodes)
{
    EXPECT_EQ(fileKindName(KindExifJpeg), QStringLiteral("JPEG フォーマット(Exif)"));
    EXPECT_EQ(fileKindName(KindExifTiff), fileKindName(KindExifTiff2));
    EXPECT_EQ(fileKindName(KindMotionJpeg), QStringLiteral("Motion-JPEG フォーマット"));
    EXPECT_TRUE(fileKindName(KindUnknown).isEmpty());
    EXPECT_TRUE(fileKindName(10).isEmpty());
}

TEST(ThumbnailHolder, CopyDuplicatesThePicture)
{
    ThumbnailHolder holder;
    imaging::PackedDib block = imaging::PackedDib::blank(2, 2, 24);
    block.bits()[3] = 0x5A;
    holder.store(std::move(block), KindBmp, 10, 20, 8);
    const ThumbnailHolder copy = holder.copy();
    ASSERT_TRUE(copy.dib);
    EXPECT_NE(copy.dib.get(), holder.dib.get());
    EXPECT_EQ(copy.dib.bits()[3], 0x5A);
    EXPECT_EQ(copy.height, 20);
    holder.clear();
    EXPECT_FALSE(holder.present);
    EXPECT_TRUE(copy.present);
}
