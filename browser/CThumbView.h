#pragma once
// The thumbnail view: the frame's central window. It owns the item store and the view settings that the
// frame applies to it.

#include "browser/ItemStore.h"

#include <QWidget>

class CThumbView : public QWidget {
public:
    // The view's dark ground.
    static constexpr QRgb kBackground = 0xFF444444;  // RGB(68, 68, 68)

    explicit CThumbView(QWidget* parent = nullptr);

    void setDisplayMode(int mode) { displayMode_ = mode; }
    void setThumbnailSize(int pixels) { thumbnailSize_ = pixels; }
    void setSortKey(int key) { sortKey_ = key; }
    void toggleSortDirection() { sortAscending_ = !sortAscending_; }
    void setFilter(int code) { filter_ = code; }

    int displayMode() const { return displayMode_; }
    int thumbnailSize() const { return thumbnailSize_; }
    int sortKey() const { return sortKey_; }
    bool sortAscending() const { return sortAscending_; }
    int filter() const { return filter_; }

    ItemStore& store() { return store_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ItemStore store_;
    int displayMode_ = 0;
    int thumbnailSize_ = 128;
    int sortKey_ = 0;
    bool sortAscending_ = true;
    int filter_ = 0;
};
