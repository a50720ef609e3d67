#pragma once
// The thumbnail view: the frame's central window. It owns the item store, the thumbnail loader and the
// view settings that the frame applies to it, and paints the displayed items as a grid of thumbnails
// with their names on the view's dark ground.

#include "browser/ItemSorting.h"
#include "browser/ItemStore.h"

#include <QWidget>

#include <memory>

class ThumbnailLoader;

class CThumbView : public QWidget {
public:
    // The view's dark ground and the colour of the names under the thumbnails.
    static constexpr QRgb kBackground = 0xFF444444;  // RGB(68, 68, 68)
    static constexpr QRgb kCaption = 0xFF4AA764;     // RGB(74, 167, 100)
    // The loader's thumbnail box; the view scales the thumbnails to its display size.
    static constexpr int kThumbnailBox = 128;

    explicit CThumbView(QWidget* parent = nullptr);
    ~CThumbView() override;

    void setDisplayMode(int mode) { displayMode_ = mode; }
    void setThumbnailSize(int pixels);
    void setSortKey(int key);
    void toggleSortDirection();
    void setFilter(int code);

    int displayMode() const { return displayMode_; }
    int thumbnailSize() const { return thumbnailSize_; }
    int sortKey() const { return sortKey_; }
    bool sortAscending() const { return sortDirection_ == Ascending; }
    int filter() const { return filter_; }

    // Lists `folder` and starts making its thumbnails: the store is emptied for another folder and kept
    // (thumbnails of unchanged files) for the same one.
    void openFolder(const QString& folder);
    QString currentFolder() const { return folder_; }
    // Ends the loader's pass (closing, or before file operations touch the folder).
    void stopLoading();
    bool isLoading() const;

    ItemStore& store() { return *store_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    class Sink;
    void resortAndFilter();
    void passCompleted(std::uint64_t passId);

    std::shared_ptr<ItemStore> store_;
    std::shared_ptr<Sink> sink_;
    std::unique_ptr<ThumbnailLoader> loader_;
    QString folder_;
    int displayMode_ = 0;
    int thumbnailSize_ = 128;
    int sortKey_ = SortByName;
    int sortDirection_ = Ascending;
    int filter_ = FilterAll;
};
