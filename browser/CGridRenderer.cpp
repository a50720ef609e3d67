#include "browser/CGridRenderer.h"

#include "browser/ItemTexts.h"
#include "browser/ShellFileInfo.h"
#include "imaging/DibResampler.h"
#include "imaging/FitRect.h"
#include "resources/UiResources.h"

#include <QPainter>

#include <algorithm>

namespace {

QImage resourceBitmap(int id)
{
    return UiResources::bitmap(id);
}

}  // namespace

void CGridRenderer::drawShadow(QPainter& painter, const QRect& drawn) const
{
    constexpr int w = kShadowWidth;
    const QImage& bottom = shadowBottom_;
    const QImage& corner = shadowCorner_;
    const QImage& right = shadowRight_;
    const int x = drawn.left();
    const int y = drawn.top();
    const int r = drawn.left() + drawn.width();
    const int b = drawn.top() + drawn.height();
    // The shadow falls to the lower right: it starts one shadow width in from the picture's corner.
    if (!bottom.isNull())
        painter.drawImage(QRect(x + w, b, drawn.width() - w, w), bottom);
    if (!corner.isNull())
        painter.drawImage(QRect(r, b, w, w), corner);
    if (!right.isNull())
        painter.drawImage(QRect(r, y + w, w, drawn.height() - w), right);
}

CGridRenderer::CGridRenderer(const list::ListGeometry& geometry)
    : geometry_(geometry),
      borderCorner_(resourceBitmap(kBorderCornerBitmap)),
      borderTop_(resourceBitmap(kBorderTopBitmap)),
      borderLeft_(resourceBitmap(kBorderLeftBitmap)),
      shadowBottom_(resourceBitmap(kShadowBottomBitmap)),
      shadowCorner_(resourceBitmap(kShadowCornerBitmap)),
      shadowRight_(resourceBitmap(kShadowRightBitmap))
{
    setSizeIndex(0);
}

void CGridRenderer::setSizeIndex(int sizeIndex)
{
    if (sizeIndex < 0 || sizeIndex >= static_cast<int>(list::kThumbnailSizes.size()))
        return;
    frame_ = resourceBitmap(kFrameBitmap128 + sizeIndex);
}

int CGridRenderer::lastVisible(const list::ListGeometry& geometry, const RenderContext& context, int columns)
{
    // One row more than fits whole: the bottom row may show in part.
    const int rows = geometry.visibleRows(context.clientSize.height()) + 1;
    const int last = context.topItem + rows * columns - 1;
    return std::min(last, static_cast<int>(context.items.size()) - 1);
}

namespace {
// How strongly a cut file's picture is covered with the ground colour.
constexpr int kCutFade = 140;
}  // namespace

void CGridRenderer::draw(QPainter& painter, const RenderContext& context)
{
    const int columns = geometry_.columns(context.clientSize.width());
    const int last = lastVisible(geometry_, context, columns);
    for (int position = context.topItem; position <= last; ++position) {
        if (!frame_.isNull())
            painter.drawImage(geometry_.cellRect(position, context.topItem, columns).topLeft(), frame_);
    }
    drawBorder(painter, context.clientSize);
    painter.setFont(context.captionFont);
    for (int position = context.topItem; position <= last; ++position) {
        const FileItem* item = context.items[static_cast<std::size_t>(position)];
        const QRect cell = geometry_.cellRect(position, context.topItem, columns);
        drawPicture(painter, context, *item, geometry_.picture.translated(cell.topLeft()));
        // A file offered by a cut is drawn faded until it is pasted, as file managers show it.
        if (item->flags & FileItem::kCutMark)
            painter.fillRect(geometry_.picture.translated(cell.topLeft()), QColor(68, 68, 68, kCutFade));
        // The shell's display name, so extensions follow the user's setting; drawText clips to the box.
        painter.setPen(context.captionColour);
        painter.drawText(geometry_.caption.translated(cell.topLeft()), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                         shell::displayName(item->name));
    }
    for (int position = context.topItem; position <= last; ++position) {
        if (context.items[static_cast<std::size_t>(position)]->isSelected())
            drawSelection(painter, geometry_.cellRect(position, context.topItem, columns));
    }
}

void CGridRenderer::drawBorder(QPainter& painter, const QSize& client) const
{
    const QImage& corner = borderCorner_;
    const QImage& top = borderTop_;
    const QImage& left = borderLeft_;
    if (!corner.isNull())
        painter.drawImage(0, 0, corner);
    for (int x = kBorderWidth; !top.isNull() && x < client.width(); x += kBorderTile)
        painter.drawImage(x, 0, top);
    for (int y = kBorderWidth; !left.isNull() && y < client.height(); y += kBorderTile)
        painter.drawImage(0, y, left);
}

void CGridRenderer::drawPicture(QPainter& painter, const RenderContext&, const FileItem& item,
                                const QRect& picture) const
{
    const imaging::PackedDib& dib = item.thumbnail->dib;
    if (item.kind == -1 || item.loadState == FileItem::kToLoad || !dib || !dib.isValid()) {
        // The icon of the item's type as far as it is known: nothing is looked up on disk here.
        const QRect icon(picture.left() + (picture.width() - kIconSize) / 2,
                         picture.top() + (picture.height() - kIconSize) / 2, kIconSize, kIconSize);
        const QPixmap pixmap = shell::mimeIcon(shownFacts(item).mimeName, kIconSize);
        painter.drawPixmap(icon, pixmap);
        return;
    }
    imaging::FitRectangle fitted;
    if (imaging::FitRect(dib.width(), dib.height(), picture.width(), picture.height(), false, fitted) != 0)
        return;
    const QRect drawn(picture.left() + fitted.left, picture.top() + fitted.top, fitted.width(), fitted.height());
    drawBlock(painter, dib, drawn);
    if (drawn.width() >= kShadowWidth && drawn.height() >= kShadowWidth)
        drawShadow(painter, drawn);
}

void CGridRenderer::drawBlock(QPainter& painter, const imaging::PackedDib& dib, const QRect& target)
{
    if (!dib || !dib.isValid())
        return;
    imaging::FitRectangle fitted;
    if (imaging::FitRect(dib.width(), dib.height(), target.width(), target.height(), true, fitted) != 0)
        return;
    const QPoint at(target.left() + fitted.left, target.top() + fitted.top);
    if (fitted.width() == dib.width() && fitted.height() == dib.height()) {
        painter.drawImage(at, dib.toImage());
        return;
    }
    imaging::PackedDib scaled = imaging::PackedDib::blank(fitted.width(), fitted.height(), 24);
    const imaging::FitRectangle whole{0, 0, fitted.width(), fitted.height()};
    if (!scaled || imaging::resampleDib(dib, scaled, whole, false) != imaging::kResampleOk)
        return;
    painter.drawImage(at, scaled.toImage());
}

void CGridRenderer::drawSelection(QPainter& painter, const QRect& cell)
{
    const QRect outer = cell.adjusted(-kSelectionPen, -kSelectionPen, kSelectionPen, kSelectionPen);
    const QColor colour = QColor::fromRgb(kSelectionColour);
    painter.fillRect(QRect(outer.left(), outer.top(), outer.width(), kSelectionPen), colour);
    painter.fillRect(QRect(outer.left(), outer.bottom() - kSelectionPen + 1, outer.width(), kSelectionPen), colour);
    painter.fillRect(QRect(outer.left(), outer.top(), kSelectionPen, outer.height()), colour);
    painter.fillRect(QRect(outer.right() - kSelectionPen + 1, outer.top(), kSelectionPen, outer.height()), colour);
}
