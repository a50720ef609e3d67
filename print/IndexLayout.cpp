#include "print/IndexLayout.h"

#include <algorithm>

namespace print {

IndexLayout::IndexLayout(int dpiX, int dpiY, int pageWidth, int pageHeight, const CaptionMetrics& caption)
    : scaleX_(static_cast<double>(dpiX) / kNominalDpi),
      scaleY_(static_cast<double>(dpiY) / kNominalDpi),
      nominalWidth_(static_cast<int>(kNominalCellWidth * scaleX_)),
      nominalHeight_(static_cast<int>(kNominalCellHeight * scaleY_)),
      pageWidth_(pageWidth),
      pageHeight_(pageHeight),
      caption_(caption)
{
    // A device reporting no resolution or no page gives no cells rather than a division by zero.
    if (nominalWidth_ > 0 && nominalHeight_ > 0 && pageWidth_ > 0 && pageHeight_ > 0) {
        columns_ = pageWidth_ / nominalWidth_;
        rows_ = pageHeight_ / nominalHeight_;
    }
    if (columns_ == 0 || rows_ == 0)
        columns_ = rows_ = 0;
}

int IndexLayout::pagesOffered(int itemCount) const
{
    return canPrint() ? std::max(itemCount, 0) / cellsPerPage() + 1 : 0;
}

int IndexLayout::pagesNeeded(int itemCount) const
{
    if (!canPrint())
        return 0;
    return std::max(1, (std::max(itemCount, 0) + cellsPerPage() - 1) / cellsPerPage());
}

int IndexLayout::firstItemOfPage(int page) const
{
    return std::max(page - 1, 0) * cellsPerPage();
}

IndexCell IndexLayout::cell(int index) const
{
    IndexCell out;
    if (!canPrint())
        return out;
    const int column = index % columns_;
    const int row = index / columns_;
    const int left = column * cellWidth() + kCellLeftIndent;
    const int top = row * cellHeight();
    out.cell = QRect(left, top, cellWidth(), cellHeight());
    // Rectangles as (left, top, right, bottom) with exclusive right and bottom, like the device's own.
    const int pictureRight = left + cellWidth() - kPictureRightMargin;
    const int pictureBottom = top + cellHeight() - kPictureBottomMargin;
    out.picture = QRect(left, top, std::max(pictureRight - left, 0), std::max(pictureBottom - top, 0));
    const int captionTop = pictureBottom + kCaptionGap;
    const int captionBottom = pictureBottom + kCaptionBottomPad + caption_.sum();
    out.caption = QRect(left, captionTop, std::max(pictureRight - left, 0), std::max(captionBottom - captionTop, 0));
    return out;
}

}  // namespace print
