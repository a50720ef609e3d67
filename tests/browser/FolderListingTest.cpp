#include "browser/FolderListing.h"
#include "browser/ItemStore.h"

#include "TempFolder.h"

#include <QSet>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const QDateTime kMorning(QDate(2024, 5, 1), QTime(9, 0), Qt::UTC);

// Lists into a fresh store.
void listFresh(const QString& folder, ItemStore& store)
{
    store.clear(true);
    EXPECT_EQ(listFolder(folder, store), ListResult::Listed);
}

FileItem* byName(ItemStore& store, const QString& name)
{
    for (auto& [number, item] : store.items()) {
        if (item->name == name)
            return item.get();
    }
    return nullptr;
}

// Gives every item a "thumbnail", as the loader would.
void makeThumbnails(ItemStore& store)
{
    for (auto& [number, item] : store.items()) {
        item->thumbnail->store(imaging::PackedDib::blank(4, 4, 24), 1, 100, 80, 24);
        item->kind = 1;
        item->loadState = FileItem::kLoaded;
    }
}

}  // namespace

TEST(FolderListing, ListsFilesButNotFolders)
{
    TempFolder folder;
    folder.write(QStringLiteral("IMGA0001.JPG"), QByteArray(1234, 'x'), kMorning);
    folder.write(QStringLiteral("名前.bmp"), "b");
    folder.mkdir(QStringLiteral("SUB"));

    ItemStore store;
    listFresh(folder.path(), store);
    ASSERT_EQ(store.size(), 2u);
    const FileItem* jpeg = byName(store, QStringLiteral("IMGA0001.JPG"));
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(jpeg->size, 1234u);
    EXPECT_EQ(jpeg->kind, -1);
    EXPECT_EQ(jpeg->loadState, FileItem::kToLoad);
    // 2024-05-01 09:00 UTC in 100-ns ticks since 1601.
    EXPECT_EQ(jpeg->lastWrite, (static_cast<FileTime>(kMorning.toSecsSinceEpoch()) * kTicksPerSecond) + kUnixEpochTicks);
    EXPECT_NE(byName(store, QStringLiteral("名前.bmp")), nullptr);
    EXPECT_TRUE(store.displayOrder().empty());  // the sort and filter fill it
}

TEST(FolderListing, EmptyAndUnreadableFoldersGiveAnEmptyStore)
{
    TempFolder folder;
    ItemStore store;
    listFresh(folder.path(), store);
    EXPECT_EQ(store.size(), 0u);

    store.clear(true);
    EXPECT_EQ(listFolder(folder.file(QStringLiteral("missing")), store), ListResult::NotFound);
    EXPECT_EQ(store.size(), 0u);

    // A file is no folder to list.
    const QString plain = folder.write(QStringLiteral("plain.jpg"), "x");
    EXPECT_EQ(listFolder(plain, store), ListResult::NotFound);
}

TEST(FolderListing, StopsWhenTheExitIsRequested)
{
    TempFolder folder;
    for (int i = 0; i < 10; ++i)
        folder.write(QStringLiteral("F%1.JPG").arg(i), "x");
    ItemStore store;
    int asked = 0;
    EXPECT_EQ(listFolder(folder.path(), store, [&] { return ++asked == 3; }), ListResult::Listed);
    EXPECT_EQ(store.size(), 3u);
}

TEST(FolderListing, RelistingKeepsTheThumbnailsOfUnchangedFiles)
{
    TempFolder folder;
    for (const char* name : {"A.JPG", "B.JPG", "C.JPG", "D.JPG"})
        folder.write(QString::fromLatin1(name), "old", kMorning);

    ItemStore store;
    listFresh(folder.path(), store);
    makeThumbnails(store);
    QSet<const ThumbnailHolder*> before;
    for (auto& [number, item] : store.items())
        before.insert(item->thumbnail.get());
    byName(store, QStringLiteral("A.JPG"))->flags = FileItem::kSelected | FileItem::kSearchMark;

    folder.write(QStringLiteral("B.JPG"), "rewritten", kMorning.addSecs(60));  // changed
    folder.remove(QStringLiteral("C.JPG"));                                    // gone
    folder.write(QStringLiteral("E.JPG"), "new", kMorning);                     // new

    store.clearForRelisting();
    ASSERT_EQ(listFolder(folder.path(), store), ListResult::Listed);
    ASSERT_EQ(store.size(), 4u);

    const FileItem* a = byName(store, QStringLiteral("A.JPG"));
    EXPECT_TRUE(before.contains(a->thumbnail.get()));
    EXPECT_EQ(a->loadState, FileItem::kLoaded);
    EXPECT_EQ(a->flags, FileItem::kSearchMark);  // selection cleared, search mark kept
    EXPECT_TRUE(before.contains(byName(store, QStringLiteral("D.JPG"))->thumbnail.get()));

    const FileItem* b = byName(store, QStringLiteral("B.JPG"));
    EXPECT_FALSE(before.contains(b->thumbnail.get()));
    EXPECT_FALSE(b->thumbnail->present);
    EXPECT_EQ(b->loadState, FileItem::kToLoad);
    EXPECT_EQ(b->kind, 1);  // the kind stays until the file is decoded again
    EXPECT_EQ(b->size, 9u);

    const FileItem* e = byName(store, QStringLiteral("E.JPG"));
    EXPECT_EQ(e->kind, -1);
    EXPECT_EQ(e->loadState, FileItem::kToLoad);
    EXPECT_EQ(e->flags, 0u);
    EXPECT_EQ(byName(store, QStringLiteral("C.JPG")), nullptr);
}

TEST(FolderListing, RelistingMatchesNamesWithoutRegardToCase)
{
    TempFolder folder;
    folder.write(QStringLiteral("IMGA0001.JPG"), "x", kMorning);
    ItemStore store;
    listFresh(folder.path(), store);
    makeThumbnails(store);
    const ThumbnailHolder* kept = store.items().begin()->second->thumbnail.get();

    // The card was written by a camera that lower-cases names.
    ASSERT_TRUE(QFile::rename(folder.file(QStringLiteral("IMGA0001.JPG")), folder.file(QStringLiteral("imga0001.jpg"))));
    store.clearForRelisting();
    listFolder(folder.path(), store);
    ASSERT_EQ(store.size(), 1u);
    const FileItem* item = store.items().begin()->second.get();
    EXPECT_EQ(item->name, QStringLiteral("imga0001.jpg"));
    EXPECT_EQ(item->thumbnail.get(), kept);

    // Two files whose names differ only in case each get a holder of their own.
    folder.write(QStringLiteral("IMGA0001.JPG"), "y", kMorning);
    store.clearForRelisting();
    listFolder(folder.path(), store);
    ASSERT_EQ(store.size(), 2u);
    int keptCount = 0;
    for (auto& [number, listed] : store.items()) {
        ASSERT_NE(listed->thumbnail, nullptr);
        keptCount += listed->thumbnail.get() == kept;
    }
    EXPECT_EQ(keptCount, 1);
}

TEST(FolderListing, RelistingAVanishedFolderEmptiesTheStore)
{
    ItemStore store;
    {
        TempFolder folder;
        folder.write(QStringLiteral("A.JPG"), "x");
        listFresh(folder.path(), store);
        makeThumbnails(store);
        store.clearForRelisting();
        EXPECT_EQ(listFolder(folder.path() + QStringLiteral("/../gone-folder"), store), ListResult::NotFound);
    }
    EXPECT_EQ(store.size(), 0u);
}
