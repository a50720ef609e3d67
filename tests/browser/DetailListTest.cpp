// The details list: its header, the width table and its notifications, fitting columns to their texts,
// and rows drawn into an off-screen image.
#include "browser/CHeaderCtrlEx.h"
#include "browser/CRenderDetail.h"
#include "browser/ItemTexts.h"

#include "DetailsSupport.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

using namespace details;

namespace {

constexpr QRgb kBackground = qRgb(68, 68, 68);
constexpr QRgb kRow = qRgb(47, 47, 47);
constexpr QRgb kBlue = qRgb(0, 0, 255);

class DetailList : public testing::Test {
protected:
    DetailList()
    {
        useJapaneseTime();
        list_.resize(400, 200);
        context_.folder = folder_.path();
        context_.clientSize = list_.size();
    }

    // Adds an item whose file exists in the folder.
    FileItem& add(const QString& name, bool selected = false)
    {
        folder_.write(name, QByteArray(3000, 'x'));
        items_.push_back(makeItem(name, KindJpeg, 640, 480, 24));
        if (selected)
            items_.back()->flags |= FileItem::kSelected;
        context_.items.push_back(items_.back().get());
        return *items_.back();
    }

    QImage render(CRenderDetail& renderer)
    {
        QImage image(context_.clientSize, QImage::Format_RGB32);
        image.fill(kBackground);
        QPainter painter(&image);
        renderer.draw(painter, context_);
        return image;
    }

    // Whether any pixel of `area` differs from `colour`.
    static bool hasInk(const QImage& image, const QRect& area, QRgb colour)
    {
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (image.pixel(x, y) != (colour | 0xFF000000u))
                    return true;
        return false;
    }

    TempFolder folder_;
    QWidget list_;
    RenderContext context_;
    std::vector<std::unique_ptr<FileItem>> items_;
};

}  // namespace

TEST_F(DetailList, HeaderHasTheFiveColumnsAndFollowsTheList)
{
    CRenderDetail renderer(&list_);
    auto* header = list_.findChild<CHeaderCtrlEx*>(QStringLiteral("5000"));
    ASSERT_EQ(header, renderer.header());
    EXPECT_EQ(header->geometry(), QRect(0, 0, 381, 16));
    EXPECT_FALSE(header->isHidden());
    EXPECT_EQ(header->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    const char* texts[] = {"名前", "サイズ", "種類", "更新日時", "画像情報"};
    const int widths[] = {150, 60, 100, 120, 120};
    ASSERT_EQ(header->count(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(header->model()->headerData(i, Qt::Horizontal).toString(), QString::fromUtf8(texts[i]));
        EXPECT_EQ(header->sectionSize(i), widths[i]);
        EXPECT_EQ(renderer.widths()[static_cast<std::size_t>(i)], widths[i]);
    }

    list_.resize(600, 300);
    context_.clientSize = list_.size();
    renderer.notify(CRenderDetail::ListResized, 0, context_);
    EXPECT_EQ(header->geometry(), QRect(0, 0, 581, 16));
    // A list narrower than the scroll bar leaves no header to see, not a negative one.
    context_.clientSize = QSize(10, 10);
    renderer.notify(CRenderDetail::ListResized, 0, context_);
    EXPECT_EQ(header->width(), 0);
}

TEST_F(DetailList, DraggedColumnEdgesReachTheWidthTableAndTheRows)
{
    add(QStringLiteral("a.jpg"));
    CRenderDetail renderer(&list_);
    renderer.header()->resizeSection(ColumnSize, 90);
    EXPECT_EQ(renderer.widths()[ColumnSize], 90);
    EXPECT_EQ(renderer.widths()[ColumnName], 150);

    // The columns after it move: each starts 4 pixels right of the text rectangle before it.
    const QRect row = renderer.rowRect(0, context_);
    EXPECT_EQ(row, QRect(0, 20, 400, 16));
    EXPECT_EQ(renderer.columnRect(ColumnName, row), QRect(18, 20, 130, 16));
    EXPECT_EQ(renderer.columnRect(ColumnSize, row), QRect(152, 20, 90, 16));
    EXPECT_EQ(renderer.columnRect(ColumnType, row), QRect(246, 20, 100, 16));
    EXPECT_EQ(renderer.columnRect(ColumnModified, row).left(), 350);
    EXPECT_EQ(renderer.columnRect(ColumnPicture, row).left(), 474);
}

TEST_F(DetailList, FittingAColumnTakesTheWidestTextOfTheDisplayedItems)
{
    add(QStringLiteral("a.jpg"));
    add(QStringLiteral("a much longer file name.jpg"));
    CRenderDetail renderer(&list_);
    const QFontMetrics metrics(context_.captionFont);

    renderer.notify(CRenderDetail::FitColumn, ColumnName, context_);
    const int nameWidth = metrics.horizontalAdvance(QStringLiteral("a much longer file name.jpg")) + 20;
    EXPECT_EQ(renderer.widths()[ColumnName], nameWidth);
    EXPECT_EQ(renderer.header()->sectionSize(ColumnName), nameWidth);

    renderer.notify(CRenderDetail::FitColumn, ColumnPicture, context_);
    EXPECT_EQ(renderer.widths()[ColumnPicture],
              metrics.horizontalAdvance(QStringLiteral("W: 640 x H: 480  24 bit color")) + 4);

    // Column 5 does not exist: nothing changes.
    const ColumnWidths before = renderer.widths();
    renderer.notify(CRenderDetail::FitColumn, 5, context_);
    renderer.notify(CRenderDetail::FitColumn, -1, context_);
    EXPECT_EQ(renderer.widths(), before);

    // Without items the widths fall to their floor: the icon's room, and 12 pixels.
    context_.items.clear();
    renderer.notify(CRenderDetail::FitColumn, ColumnName, context_);
    renderer.notify(CRenderDetail::FitColumn, ColumnSize, context_);
    EXPECT_EQ(renderer.widths()[ColumnName], 20);
    EXPECT_EQ(renderer.widths()[ColumnSize], 12);
    EXPECT_EQ(renderer.header()->sectionSize(ColumnSize), 12);
}

TEST_F(DetailList, RowsAreFilledAndSelectedRowsOutlinedInBlue)
{
    add(QStringLiteral("first.jpg"));
    add(QStringLiteral("second.jpg"), true);
    add(QStringLiteral("third.jpg"));
    CRenderDetail renderer(&list_);
    const QImage image = render(renderer);

    // Rows: 16 high (12 + 4), 3 apart, the first 20 below the top.
    const int rowTops[] = {20, 39, 58};
    // Between the icon and the name nothing is written: the row colour shows.
    EXPECT_EQ(image.pixel(16, 19), kBackground | 0xFF000000u);
    EXPECT_EQ(image.pixel(16, rowTops[0]), kRow | 0xFF000000u);
    EXPECT_EQ(image.pixel(16, rowTops[0] + 8), kRow | 0xFF000000u);
    EXPECT_EQ(image.pixel(16, rowTops[0] + 15), kRow | 0xFF000000u);
    EXPECT_EQ(image.pixel(16, rowTops[2] + 8), kRow | 0xFF000000u);

    // The selected row: a 6-pixel blue outline around its rectangle, the fill inside.
    EXPECT_EQ(image.pixel(16, rowTops[1] + 1), kBlue | 0xFF000000u);
    EXPECT_EQ(image.pixel(1, rowTops[1] + 8), kBlue | 0xFF000000u);
    EXPECT_EQ(image.pixel(200, rowTops[1] + 14), kBlue | 0xFF000000u);
    EXPECT_EQ(image.pixel(16, rowTops[1] + 8), kRow | 0xFF000000u);
    // The unselected rows carry no outline.
    EXPECT_FALSE(image.pixelColor(1, rowTops[0] + 8) == QColor(kBlue));

    // Scrolled by one row, the second item is drawn first.
    context_.topItem = 1;
    const QImage scrolled = render(renderer);
    EXPECT_EQ(scrolled.pixel(16, 20 + 1), kBlue | 0xFF000000u);
    EXPECT_EQ(scrolled.pixel(16, 39 + 8), kRow | 0xFF000000u);
    EXPECT_EQ(scrolled.pixel(16, 58 + 8), kBackground | 0xFF000000u);
}

TEST_F(DetailList, ALongNameEndsInAnEllipsisInsideItsColumn)
{
    const QString longName = QStringLiteral("a very long name that cannot possibly fit into sixty pixels.jpg");
    add(longName);
    CRenderDetail renderer(&list_);
    renderer.header()->resizeSection(ColumnName, 60);
    const QImage image = render(renderer);
    const QRect name = renderer.columnRect(ColumnName, renderer.rowRect(0, context_));
    ASSERT_EQ(name, QRect(18, 20, 40, 16));
    EXPECT_TRUE(hasInk(image, name, kRow));
    // Nothing spills between the name and the right-aligned size.
    EXPECT_FALSE(hasInk(image, QRect(name.right() + 1, 20, 10, 16), kRow));

    // The name's pixels are those of the elided text, not of the full name cut off.
    const QString elided = QFontMetrics(context_.captionFont).elidedText(longName, Qt::ElideRight, name.width());
    ASSERT_TRUE(elided.endsWith(QChar(0x2026)));
    items_.back()->name = elided;
    const QImage expected = render(renderer);
    EXPECT_EQ(image.copy(name), expected.copy(name));
}

TEST_F(DetailList, AColumnNarrowerThanTheIconCoversTheRestOfIt)
{
    add(QStringLiteral("picture.jpg"));
    CRenderDetail renderer(&list_);
    const QRect iconRest(8, 20, 8, 16);
    EXPECT_TRUE(hasInk(render(renderer), QRect(0, 20, 16, 16), kRow)) << "the icon is drawn";
    renderer.header()->resizeSection(ColumnName, 8);
    EXPECT_FALSE(hasInk(render(renderer), iconRest, kRow));
}
