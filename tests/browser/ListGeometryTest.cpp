// The list's cell geometry, its row scrolling and its selection rules, without widgets.

#include "browser/ListGeometry.h"
#include "browser/ListSelection.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

using namespace list;

namespace {

constexpr int kFont = 12;
const QSize kClient(800, 600);

}  // namespace

TEST(ListGeometry, GridCellsFollowTheSizeTable)
{
    const int cells[] = {154, 122, 90, 74, 58};
    for (int index = 0; index < 5; ++index) {
        const int size = kThumbnailSizes[static_cast<std::size_t>(index)];
        EXPECT_EQ(sizeIndexOf(size), index);
        EXPECT_EQ(cellSizeOfIndex(index), cells[index]);
        const ListGeometry g = ListGeometry::make(LayoutGrid, index, kClient, kFont);
        EXPECT_EQ(g.cell, QSize(cells[index], cells[index]));
        EXPECT_EQ(g.picture, QRect(13, 4, size, size));
        // The caption runs from size + 8 to size + 10 + font height.
        EXPECT_EQ(g.caption, QRect(QPoint(13, size + 8), QPoint(13 + size - 1, size + 10 + kFont - 1)));
        EXPECT_EQ(g.thumbnailSize, size);
        EXPECT_EQ(g.leftMargin, 14);
        EXPECT_EQ(g.topMargin, 14);
        EXPECT_EQ(g.horizontalGap, 4);
        EXPECT_EQ(g.verticalGap, 15);
    }
    EXPECT_EQ(sizeIndexOf(100), -1);
    EXPECT_EQ(sizeIndexOf(0), -1);
    // Columns leave 19 pixels for the scroll bar: 800 + 4 − 14 − 19 = 771.
    EXPECT_EQ(ListGeometry::make(LayoutGrid, 0, kClient, kFont).columns(800), 771 / 158);
    EXPECT_EQ(ListGeometry::make(LayoutGrid, 4, kClient, kFont).columns(800), 771 / 62);
    EXPECT_EQ(ListGeometry::make(LayoutGrid, 0, kClient, kFont).visibleRows(600), (600 - 14) / 169);
}

TEST(ListGeometry, InformationAndDetailLayouts)
{
    const ListGeometry info = ListGeometry::make(LayoutInformation, 3, kClient, kFont);
    EXPECT_EQ(info.thumbnailSize, 128);  // whatever the grid's size
    EXPECT_EQ(info.cell, QSize(800 - 47, 154));
    EXPECT_EQ(info.picture, QRect(13, 13, 128, 128));
    EXPECT_EQ(info.information.left(), 141);
    EXPECT_EQ(info.information.right() + 1, 753 - 13);
    EXPECT_EQ(info.information.top(), info.picture.top());
    EXPECT_EQ(info.information.bottom(), info.picture.bottom());
    EXPECT_EQ(info.columns(800), 1);

    const ListGeometry detail = ListGeometry::make(LayoutDetails, 0, kClient, kFont);
    EXPECT_EQ(detail.cell, QSize(800, kFont + 4));
    EXPECT_EQ(detail.leftMargin, 0);
    EXPECT_EQ(detail.topMargin, 20);
    EXPECT_EQ(detail.verticalGap, 3);
    EXPECT_TRUE(detail.picture.isEmpty());
    EXPECT_EQ(detail.visibleRows(600), 580 / 19);
    EXPECT_EQ(detail.cellRect(2, 0, detail.columns(800)).top(), 20 + 2 * 19);
}

TEST(ListGeometry, ANarrowWindowStillShowsOneColumn)
{
    for (int width : {0, 1, 60, 154}) {
        EXPECT_EQ(ListGeometry::make(LayoutGrid, 0, QSize(width, 300), kFont).columns(width), 1) << width;
        const ListGeometry info = ListGeometry::make(LayoutInformation, 0, QSize(width, 300), kFont);
        EXPECT_GE(info.cell.width(), 1) << width;
        EXPECT_EQ(info.columns(width), 1) << width;
        EXPECT_GE(ListGeometry::make(LayoutDetails, 0, QSize(width, 300), kFont).cell.width(), 1);
    }
}

TEST(ListGeometry, CellsAndHitsAgreeAndGapsHitNothing)
{
    const ListGeometry g = ListGeometry::make(LayoutGrid, 0, kClient, kFont);
    const int columns = g.columns(800);
    EXPECT_EQ(g.cellRect(5, 0, columns), QRect(14 + 158, 14 + 169, 154, 154));
    // Scrolled down one row, position 5 sits in the first visible row.
    EXPECT_EQ(g.cellRect(5, columns, columns).top(), 14);
    for (int position = 0; position < 12; ++position) {
        const QRect cell = g.cellRect(position, 0, columns);
        EXPECT_EQ(g.hitTest(cell.center(), 0, columns, 12), position);
        EXPECT_EQ(g.hitTest(cell.topLeft(), 0, columns, 12), position);
        EXPECT_EQ(g.hitTest(cell.bottomRight(), 0, columns, 12), position);
    }
    EXPECT_EQ(g.hitTest(QPoint(14 + 155, 50), 0, columns, 12), -1);  // the gap between two cells
    EXPECT_EQ(g.hitTest(QPoint(50, 14 + 160), 0, columns, 12), -1);  // the gap between two rows
    EXPECT_EQ(g.hitTest(QPoint(5, 5), 0, columns, 12), -1);          // the margin
    EXPECT_EQ(g.hitTest(g.cellRect(12, 0, columns).center(), 0, columns, 12), -1);  // past the last item
    EXPECT_EQ(g.hitTest(QPoint(14 + columns * 158 + 2, 50), 0, columns, 100), -1);  // right of the columns
    EXPECT_EQ(g.hitTest(g.cellRect(9, 4, columns).center(), 4, columns, 12), 9);
}

TEST(ListScroll, RangeRescaleAndScrollTo)
{
    EXPECT_EQ(scroll::maximum(0, 4), 0);
    EXPECT_EQ(scroll::maximum(3, 4), 0);
    EXPECT_EQ(scroll::maximum(10, 4), 1);
    EXPECT_EQ(scroll::maximum(100, 4), 24);
    EXPECT_EQ(scroll::maximum(5, 0), 4);  // never a division by zero columns

    // An empty old range has no share to keep (and must not divide by zero).
    EXPECT_EQ(scroll::rescale(3, 0, 5), 0);
    EXPECT_EQ(scroll::rescale(2, 4, 8), 4);
    EXPECT_EQ(scroll::rescale(4, 4, 2), 2);
    EXPECT_EQ(scroll::rescale(1, 3, 10), 3);  // trunc(3.33)
    EXPECT_EQ(scroll::rescale(9, 4, 2), 2);   // clamped
    EXPECT_EQ(scroll::rescale(-1, 4, 2), 0);
    EXPECT_EQ(scroll::rescale(3, 4, 0), 0);

    EXPECT_EQ(scroll::rowForItem(0, 4, 10), 0);
    EXPECT_EQ(scroll::rowForItem(3, 4, 10), 0);
    EXPECT_EQ(scroll::rowForItem(8, 4, 10), 1);
    EXPECT_EQ(scroll::rowForItem(13, 4, 10), 2);
    EXPECT_EQ(scroll::rowForItem(100, 4, 10), 10);
}

namespace {

struct Items {
    explicit Items(int count)
    {
        for (int i = 0; i < count; ++i) {
            owned.push_back(std::make_unique<FileItem>());
            items.push_back(owned.back().get());
        }
    }
    std::set<int> selected() const
    {
        std::set<int> positions;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i]->isSelected())
                positions.insert(static_cast<int>(i));
        }
        return positions;
    }
    std::vector<std::unique_ptr<FileItem>> owned;
    std::vector<FileItem*> items;
};

}  // namespace

TEST(ListSelection, ClicksFollowTheAnchor)
{
    Items list(10);
    int anchor = -1;
    click(list.items, 2, {}, anchor);
    EXPECT_EQ(list.selected(), (std::set<int>{2}));
    EXPECT_EQ(anchor, 2);

    click(list.items, 5, {false, true}, anchor);  // Ctrl adds, and moves the anchor
    EXPECT_EQ(list.selected(), (std::set<int>{2, 5}));
    EXPECT_EQ(anchor, 5);

    // Shift after a Ctrl-click ranges from the Ctrl-clicked item; without Ctrl the rest goes.
    click(list.items, 8, {true, false}, anchor);
    EXPECT_EQ(list.selected(), (std::set<int>{5, 6, 7, 8}));
    EXPECT_EQ(anchor, 5);
    click(list.items, 3, {true, false}, anchor);  // backwards from the same anchor
    EXPECT_EQ(list.selected(), (std::set<int>{3, 4, 5}));

    click(list.items, 0, {true, true}, anchor);  // Ctrl+Shift keeps what was selected
    EXPECT_EQ(list.selected(), (std::set<int>{0, 1, 2, 3, 4, 5}));

    // A plain click on a selected item keeps the selection (it may start a drag).
    click(list.items, 1, {}, anchor);
    EXPECT_EQ(list.selected().size(), 6u);
    EXPECT_EQ(anchor, 1);
    click(list.items, 9, {}, anchor);
    EXPECT_EQ(list.selected(), (std::set<int>{9}));

    click(list.items, 10, {}, anchor);  // outside the list: nothing
    click(list.items, -1, {}, anchor);
    EXPECT_EQ(list.selected(), (std::set<int>{9}));

    int stale = 40;  // an anchor from a longer listing
    click(list.items, 4, {true, false}, stale);
    EXPECT_EQ(list.selected(), (std::set<int>{4}));

    selectAll(list.items);
    EXPECT_EQ(list.selected().size(), 10u);
    deselectAll(list.items);
    EXPECT_TRUE(list.selected().empty());
}

TEST(ListSelection, RubberBandSelectsTheCellsItTouches)
{
    Items list(12);
    const ListGeometry g = ListGeometry::make(LayoutGrid, 0, kClient, kFont);
    const int columns = g.columns(800);  // 4
    list.items[11]->flags |= FileItem::kSelected;
    // From the margin into the first cell of the second row's second column.
    selectTouched(list.items, g, QRect(QPoint(5, 5), QPoint(14 + 158 + 1, 14 + 169 + 1)), 0, columns);
    EXPECT_EQ(list.selected(), (std::set<int>{0, 1, 4, 5}));
    // Dragged upwards and leftwards it is the same band.
    selectTouched(list.items, g, QRect(QPoint(14 + 158 + 1, 14 + 169 + 1), QPoint(5, 5)), 0, columns);
    EXPECT_EQ(list.selected(), (std::set<int>{0, 1, 4, 5}));
    // Inside the gaps only: nothing.
    selectTouched(list.items, g, QRect(QPoint(14 + 155, 20), QPoint(14 + 156, 60)), 0, columns);
    EXPECT_TRUE(list.selected().empty());
    // Scrolled one row down, a band reaching above the client area takes the hidden row too.
    selectTouched(list.items, g, QRect(QPoint(20, -100), QPoint(30, 20)), columns, columns);
    EXPECT_EQ(list.selected(), (std::set<int>{0, 4}));
}
