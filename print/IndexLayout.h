#pragma once
// The geometry of an index sheet: cells in columns and rows, each with a picture box and a caption
// below it, all in the printer's device units and worked out once per job from the printer's
// resolution and page size.

#include <QRect>

namespace print {

// The nominal cell at 300 dots per inch, and the fixed margins inside a cell, in device units.
constexpr int kNominalDpi = 300;
constexpr int kNominalCellWidth = 590;
constexpr int kNominalCellHeight = 677;
constexpr int kCellLeftIndent = 80;       // room between a cell's edge and its picture
constexpr int kPictureRightMargin = 96;   // the picture box stops short of the next cell
constexpr int kPictureBottomMargin = 160; // leaves the caption's line under the picture
constexpr int kCaptionGap = 32;           // from the picture's bottom to the caption's top
constexpr int kCaptionBottomPad = 16;
// The icon square of a cell without a picture, at 300 dots per inch.
constexpr int kIconSquare = 128;

// The caption font's measures in device units.
struct CaptionMetrics {
    int ascent = 0;
    int descent = 0;
    int height = 0;
    int internalLeading = 0;
    int externalLeading = 0;
    int sum() const { return ascent + descent + height + internalLeading + externalLeading; }
};

struct IndexCell {
    QRect cell;     // left already indented
    QRect picture;  // may be empty when the cell is too small to hold one
    QRect caption;
};

class IndexLayout {
public:
    // `dpiX` x `dpiY` resolution, `pageWidth` x `pageHeight` printable page in device units.
    IndexLayout(int dpiX, int dpiY, int pageWidth, int pageHeight, const CaptionMetrics& caption);

    double scaleX() const { return scaleX_; }
    double scaleY() const { return scaleY_; }
    int nominalWidth() const { return nominalWidth_; }
    int nominalHeight() const { return nominalHeight_; }
    int columns() const { return columns_; }
    int rows() const { return rows_; }
    int cellsPerPage() const { return columns_ * rows_; }
    int cellWidth() const { return cellsPerPage() ? pageWidth_ / columns_ : 0; }
    int cellHeight() const { return cellsPerPage() ? pageHeight_ / rows_ : 0; }
    // A job on a page with no whole cell does not start.
    bool canPrint() const { return cellsPerPage() > 0; }

    // The pages the print dialog offers for `itemCount` items: one more than the whole pages, so a
    // count that fills its pages exactly offers a page that will not print.
    int pagesOffered(int itemCount) const;
    // The pages that really carry items (at least one page, so an empty list still shows a sheet).
    int pagesNeeded(int itemCount) const;
    // The first item of 1-based `page`.
    int firstItemOfPage(int page) const;

    // Cell `index` (0-based, on its page).
    IndexCell cell(int index) const;
    // The icon square for a file without picture, before fitting into the picture box.
    int iconSquare() const { return static_cast<int>(kIconSquare * scaleX_); }

private:
    double scaleX_ = 0;
    double scaleY_ = 0;
    int nominalWidth_ = 0;
    int nominalHeight_ = 0;
    int pageWidth_ = 0;
    int pageHeight_ = 0;
    int columns_ = 0;
    int rows_ = 0;
    CaptionMetrics caption_;
};

}  // namespace print
