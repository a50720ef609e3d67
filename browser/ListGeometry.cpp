#include "browser/ListGeometry.h"

#include <algorithm>

namespace list {
namespace {

// Margins and gaps of the picture layouts and of the details rows (which sit under their header).
constexpr int kPictureMargin = 14;
constexpr int kPictureGapX = 4;
constexpr int kPictureGapY = 15;
constexpr int kDetailLeft = 0;
constexpr int kDetailTop = 20;
constexpr int kDetailGapX = 0;
constexpr int kDetailGapY = 3;
// The caption starts this far below the picture and ends font height + 10 below it.
constexpr int kCaptionGap = 8;
constexpr int kCaptionBottom = 10;

}  // namespace

int sizeIndexOf(int pixels)
{
    for (std::size_t i = 0; i < kThumbnailSizes.size(); ++i) {
        if (kThumbnailSizes[i] == pixels)
            return static_cast<int>(i);
    }
    return -1;
}

int cellSizeOfIndex(int index)
{
    if (index < 0 || index >= static_cast<int>(kThumbnailSizes.size()))
        index = 0;
    return kThumbnailSizes[static_cast<std::size_t>(index)] + kCellExtra;
}

ListGeometry ListGeometry::make(int layout, int sizeIndex, const QSize& client, int fontHeight)
{
    ListGeometry g;
    if (sizeIndex < 0 || sizeIndex >= static_cast<int>(kThumbnailSizes.size()))
        sizeIndex = 0;
    switch (layout) {
    case LayoutInformation: {
        g.layout = LayoutInformation;
        g.thumbnailSize = kInformationPicture;
        const int width = std::max(1, client.width() - (2 * kPictureMargin + kScrollBarWidth));
        g.cell = QSize(width, kInformationCellHeight);
        const int top = (kInformationCellHeight - kInformationPicture) / 2;
        g.picture = QRect(kPictureLeft, top, kInformationPicture, kInformationPicture);
        g.information = QRect(QPoint(kInformationTextLeft, top), QPoint(width - kPictureLeft - 1, top + kInformationPicture - 1));
        break;
    }
    case LayoutDetails:
        g.layout = LayoutDetails;
        g.thumbnailSize = kDetailSize;
        g.cell = QSize(std::max(1, client.width()), fontHeight + kDetailRowPadding);
        g.leftMargin = kDetailLeft;
        g.topMargin = kDetailTop;
        g.horizontalGap = kDetailGapX;
        g.verticalGap = kDetailGapY;
        return g;
    default: {
        const int size = kThumbnailSizes[static_cast<std::size_t>(sizeIndex)];
        g.thumbnailSize = size;
        g.cell = QSize(size + kCellExtra, size + kCellExtra);
        g.picture = QRect(kPictureLeft, kPictureTop, size, size);
        g.caption = QRect(QPoint(kPictureLeft, size + kCaptionGap),
                          QPoint(kPictureLeft + size - 1, size + kCaptionBottom + fontHeight - 1));
        break;
    }
    }
    g.leftMargin = kPictureMargin;
    g.topMargin = kPictureMargin;
    g.horizontalGap = kPictureGapX;
    g.verticalGap = kPictureGapY;
    return g;
}

int ListGeometry::columns(int clientWidth) const
{
    const int columns = (clientWidth + horizontalGap - leftMargin - kScrollBarWidth) / (cell.width() + horizontalGap);
    return std::max(1, columns);
}

int ListGeometry::visibleRows(int clientHeight) const
{
    return std::max(0, (clientHeight - topMargin) / rowPitch());
}

QRect ListGeometry::cellRect(int position, int topItem, int columns) const
{
    columns = std::max(1, columns);
    const int row = position / columns - topItem / columns;
    const int column = position % columns;
    return QRect(leftMargin + column * (cell.width() + horizontalGap), topMargin + row * rowPitch(), cell.width(),
                 cell.height());
}

int ListGeometry::hitTest(const QPoint& point, int topItem, int columns, int displayed) const
{
    columns = std::max(1, columns);
    const int x = point.x() - leftMargin;
    const int y = point.y() - topMargin;
    if (x < 0 || y < 0)
        return -1;
    const int column = x / (cell.width() + horizontalGap);
    if (column >= columns || x % (cell.width() + horizontalGap) >= cell.width())
        return -1;
    if (y % rowPitch() >= cell.height())
        return -1;
    const int position = (topItem / columns + y / rowPitch()) * columns + column;
    return position < displayed ? position : -1;
}

namespace scroll {

int maximum(int displayed, int columns)
{
    columns = std::max(1, columns);
    return std::max(0, (displayed - columns) / columns);
}

int rescale(int oldPosition, int oldMaximum, int newMaximum)
{
    if (oldMaximum <= 0 || newMaximum <= 0)
        return 0;
    const int scaled = static_cast<int>(static_cast<double>(oldPosition) / oldMaximum * newMaximum);
    return std::clamp(scaled, 0, newMaximum);
}

int rowForItem(int position, int columns, int maximum)
{
    columns = std::max(1, columns);
    const int row = (position - columns) / columns;
    if (row < 0)
        return 0;
    return std::min(row, std::max(0, maximum));
}

}  // namespace scroll

}  // namespace list
