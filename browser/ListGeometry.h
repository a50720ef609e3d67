#pragma once
// Where the list control puts things: the cells of its three layouts, how many fit, which rows are
// scrolled away and which cell lies under a point. Widget-free, so the numbers can be checked alone.
//
// Cells are laid out row by row from the top-left margin; the list scrolls in whole rows, so the first
// visible cell (the top item) is always the first item of a row. Rectangles inside a cell are relative
// to the cell's top-left corner; cell rectangles are in client coordinates.

#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>

namespace list {

enum Layout { LayoutGrid = 0, LayoutInformation = 1, LayoutDetails = 2 };

// The thumbnail sizes by size index, and the grid cell that frames each (the size plus 26).
inline constexpr std::array<int, 5> kThumbnailSizes{128, 96, 64, 48, 32};
inline constexpr int kCellExtra = 26;
// The index of `pixels` in the size table, or -1 for a size the list does not show.
int sizeIndexOf(int pixels);
int cellSizeOfIndex(int index);

// Room the vertical scroll bar takes on the right of the client area.
inline constexpr int kScrollBarWidth = 19;
// The information layout's fixed picture and cell heights, and where its text starts.
inline constexpr int kInformationPicture = 128;
inline constexpr int kInformationCellHeight = 154;
inline constexpr int kInformationTextLeft = 141;
// The picture's inset from the cell's left edge (and the text's from its right edge).
inline constexpr int kPictureLeft = 13;
inline constexpr int kPictureTop = 4;
// The details rows are the caption font's height plus this.
inline constexpr int kDetailRowPadding = 4;
// The nominal thumbnail size of the details layout (its icons).
inline constexpr int kDetailSize = 16;

struct ListGeometry {
    int layout = LayoutGrid;
    int thumbnailSize = 128;
    QSize cell{154, 154};
    int leftMargin = 14;
    int topMargin = 14;
    int horizontalGap = 4;
    int verticalGap = 15;
    QRect picture;      // empty in the details layout
    QRect caption;      // layout 0 only
    QRect information;  // layout 1 only

    // The geometry of `layout` for a client area `client`, the grid at `sizeIndex`, captions
    // `fontHeight` pixels high. An unknown layout or size index is taken as the grid at 128.
    static ListGeometry make(int layout, int sizeIndex, const QSize& client, int fontHeight);

    int columns(int clientWidth) const;
    int visibleRows(int clientHeight) const;
    // Distance from one row's top to the next.
    int rowPitch() const { return cell.height() + verticalGap; }

    // The cell of display position `position` when `topItem` is the first visible cell.
    QRect cellRect(int position, int topItem, int columns) const;
    // The display position whose cell holds `point`, or -1 (gaps and margins hold none; neither do
    // positions at or past `displayed`).
    int hitTest(const QPoint& point, int topItem, int columns, int displayed) const;
};

// Scrolling in whole rows.
namespace scroll {

// The last row that can be the top one: max(0, (displayed − columns) / columns).
int maximum(int displayed, int columns);
// The position after a layout change: trunc(old position / old maximum × new maximum), clamped to
// 0..new maximum. An old range of 0 rows leaves nothing to scale: the new position is 0.
int rescale(int oldPosition, int oldMaximum, int newMaximum);
// The row that brings display position `position` near the top: (position − columns) / columns,
// within 0..maximum.
int rowForItem(int position, int columns, int maximum);

}  // namespace scroll

}  // namespace list
