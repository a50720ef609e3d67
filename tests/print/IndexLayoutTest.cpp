// The index sheet's geometry per printer, and the page range of the printing loop.

#include "print/IndexLayout.h"
#include "print/PrintLoop.h"

#include <gtest/gtest.h>

using print::CaptionMetrics;
using print::IndexLayout;

namespace {
const CaptionMetrics Caption{30, 8, 38, 0, 2};  // sum 78
}

TEST(IndexLayout, LetterPageAt300And600Dpi)
{
    const IndexLayout at300(300, 300, 2400, 3300, Caption);
    EXPECT_EQ(at300.nominalWidth(), 590);
    EXPECT_EQ(at300.nominalHeight(), 677);
    EXPECT_EQ(at300.columns(), 4);
    EXPECT_EQ(at300.rows(), 4);
    EXPECT_EQ(at300.cellWidth(), 600);
    EXPECT_EQ(at300.cellHeight(), 825);

    // Twice the dots on the same paper: twice the nominal cell, the same grid.
    const IndexLayout at600(600, 600, 4800, 6600, Caption);
    EXPECT_EQ(at600.nominalWidth(), 1180);
    EXPECT_EQ(at600.nominalHeight(), 1354);
    EXPECT_EQ(at600.columns(), 4);
    EXPECT_EQ(at600.rows(), 4);
    EXPECT_EQ(at600.iconSquare(), 256);

    // Uneven resolutions truncate each way on its own: 590 x 0.24 = 141.6, 677 x 1.2 = 812.4.
    const IndexLayout odd(72, 360, 1000, 1000, Caption);
    EXPECT_EQ(odd.nominalWidth(), 141);
    EXPECT_EQ(odd.nominalHeight(), 812);
    EXPECT_EQ(odd.columns(), 7);
    EXPECT_EQ(odd.rows(), 1);
}

TEST(IndexLayout, PagesOfferedAndNeeded)
{
    const IndexLayout layout(300, 300, 2400, 3300, Caption);  // 16 cells
    EXPECT_EQ(layout.pagesOffered(16), 2);  // offered, but only one prints
    EXPECT_EQ(layout.pagesNeeded(16), 1);
    EXPECT_EQ(layout.pagesOffered(17), 2);
    EXPECT_EQ(layout.pagesNeeded(17), 2);
    EXPECT_EQ(layout.pagesOffered(0), 1);
    EXPECT_EQ(layout.pagesNeeded(0), 1);
    EXPECT_EQ(layout.firstItemOfPage(1), 0);
    EXPECT_EQ(layout.firstItemOfPage(3), 32);
}

TEST(IndexLayout, CellsPicturesAndCaptions)
{
    const IndexLayout layout(300, 300, 2400, 3300, Caption);
    const print::IndexCell first = layout.cell(0);
    EXPECT_EQ(first.cell, QRect(80, 0, 600, 825));
    EXPECT_EQ(first.picture, QRect(80, 0, 504, 665));  // less 96 right, 160 bottom
    // From the picture's bottom + 32 to its bottom + 16 + the caption measures added together.
    EXPECT_EQ(first.caption, QRect(80, 697, 504, 16 + 78 - 32));

    const print::IndexCell sixth = layout.cell(5);  // column 1, row 1
    EXPECT_EQ(sixth.cell.topLeft(), QPoint(680, 825));
    EXPECT_EQ(sixth.picture.bottomRight(), QPoint(680 + 504 - 1, 825 + 665 - 1));
}

TEST(IndexLayout, PagesWithoutWholeCellsDoNotPrint)
{
    EXPECT_FALSE(IndexLayout(300, 300, 589, 3300, Caption).canPrint());
    EXPECT_FALSE(IndexLayout(300, 300, 2400, 676, Caption).canPrint());
    EXPECT_FALSE(IndexLayout(0, 0, 2400, 3300, Caption).canPrint());  // a device without resolution
    const IndexLayout none(300, 300, 100, 100, Caption);
    EXPECT_EQ(none.pagesOffered(5), 0);
    EXPECT_TRUE(none.cell(0).cell.isNull());
    // A cell smaller than its margins gets an empty picture box, never a negative one.
    const IndexLayout tiny(30, 30, 590, 677, Caption);
    ASSERT_TRUE(tiny.canPrint());
    EXPECT_TRUE(tiny.cell(0).picture.isEmpty());
    EXPECT_EQ(tiny.cell(0).picture.width(), 0);
    EXPECT_EQ(tiny.cell(0).picture.height(), 0);
}

TEST(PrintLoop, PageRangeClamping)
{
    using print::clampPageRange;
    auto range = clampPageRange(0, 0, 1, 3);  // the dialog left the range open
    EXPECT_EQ(range.first, 1);
    EXPECT_EQ(range.last, 3);
    range = clampPageRange(2, 9, 1, 3);
    EXPECT_EQ(range.first, 2);
    EXPECT_EQ(range.last, 3);
    range = clampPageRange(-4, 1, 1, 3);
    EXPECT_EQ(range.first, 1);
    EXPECT_EQ(range.last, 1);
    EXPECT_TRUE(clampPageRange(5, 6, 1, 3).isEmpty());
}
