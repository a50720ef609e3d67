#include "browser/CListRenderer.h"

#include <QFontMetrics>
#include <QPainter>

QFont RenderContext::defaultCaptionFont()
{
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(kCaptionPixels);
    return font;
}

int RenderContext::captionHeight() const
{
    return captionFont.pixelSize() > 0 ? captionFont.pixelSize() : QFontMetrics(captionFont).height();
}

void CListRenderer::drawInformationLines(QPainter& painter, const QRect& cell, int top, const QStringList& lines)
{
    const int left = cell.left() + kInformationInset;
    const int width = cell.width() - 2 * kInformationInset;
    if (width <= 0)
        return;
    int y = top;
    for (const QString& line : lines) {
        const QRect box(left, y, width, kInformationLineHeight);
        painter.save();
        painter.setClipRect(box);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, line);
        painter.restore();
        y += kInformationLineHeight;
    }
}
