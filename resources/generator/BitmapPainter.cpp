#include "BitmapPainter.h"

#include "BarPainter.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>

namespace resgen {
namespace {

constexpr QRgb kCardFace = qRgb(236, 236, 228);
constexpr QRgb kHighlight = qRgb(120, 200, 140);

// The kestrel in flight: a swept-wing silhouette inside a box of the given size.
QPainterPath birdPath(const QRectF& box)
{
    auto at = [&](qreal x, qreal y) { return QPointF(box.left() + x * box.width(), box.top() + y * box.height()); };
    QPainterPath path;
    path.moveTo(at(0.50, 0.30));
    path.cubicTo(at(0.38, 0.10), at(0.16, 0.12), at(0.00, 0.22));
    path.cubicTo(at(0.20, 0.26), at(0.34, 0.36), at(0.42, 0.50));
    path.lineTo(at(0.40, 0.86));
    path.lineTo(at(0.50, 0.78));
    path.lineTo(at(0.60, 0.86));
    path.lineTo(at(0.58, 0.50));
    path.cubicTo(at(0.66, 0.36), at(0.80, 0.26), at(1.00, 0.22));
    path.cubicTo(at(0.84, 0.12), at(0.62, 0.10), at(0.50, 0.30));
    path.closeSubpath();
    return path;
}

// A memory card with its cut corner and contacts.
void drawCard(QPainter& p, const QRectF& box)
{
    const qreal cut = box.width() * 0.22;
    QPainterPath card;
    card.moveTo(box.left(), box.top());
    card.lineTo(box.right() - cut, box.top());
    card.lineTo(box.right(), box.top() + cut);
    card.lineTo(box.right(), box.bottom());
    card.lineTo(box.left(), box.bottom());
    card.closeSubpath();
    p.setPen(QPen(QColor(kCaption), qMax(1.0, box.width() / 24)));
    p.setBrush(QColor(kCardFace));
    p.drawPath(card);
    const qreal contactWidth = box.width() / 9;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 170, 60));
    for (int i = 0; i < 4; ++i) {
        p.drawRect(QRectF(box.left() + contactWidth * (0.8 + i * 1.6), box.top() + box.height() * 0.06,
                          contactWidth, box.height() * 0.18));
    }
}

QImage splash()
{
    QImage image(420, 260, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient ground(0, 0, 0, image.height());
    ground.setColorAt(0, QColor(kGround).lighter(125));
    ground.setColorAt(1, QColor(kGround).darker(130));
    p.fillRect(image.rect(), ground);

    drawCard(p, QRectF(36, 58, 110, 140));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(kCaption));
    p.drawPath(birdPath(QRectF(50, 110, 82, 62)));

    p.setPen(QColor(kCaption));
    p.setFont(uiFont(46, true));
    p.drawText(QRectF(170, 60, 240, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Kestrel"));
    p.setPen(QColor(230, 230, 230));
    p.setFont(uiFont(15));
    p.drawText(QRectF(172, 122, 240, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("デジタルカメラ カードブラウザ"));
    p.setPen(QColor(kHighlight));
    p.setFont(uiFont(12));
    p.drawText(QRectF(172, 150, 240, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Version 1.0"));

    p.setPen(QPen(QColor(kCaption), 2));
    p.drawLine(QPointF(16, 226), QPointF(image.width() - 16, 226));
    p.setPen(QColor(170, 170, 170));
    p.setFont(uiFont(11));
    p.drawText(QRectF(16, 230, image.width() - 32, 24), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Quilvaret"));
    return image;
}

QImage programIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawCard(p, QRectF(size * 0.12, size * 0.06, size * 0.76, size * 0.88));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(kCaption).darker(115));
    p.drawPath(birdPath(QRectF(size * 0.18, size * 0.40, size * 0.64, size * 0.46)));
    return image;
}

// The thumbnail list's pieces. A cell frame is a raised panel a shade lighter than the ground, with a
// sunken well where the picture sits; the picture is 13 pixels in from the left and 4 from the top.
constexpr int kCellExtra = 26;
constexpr int kPictureLeft = 13;
constexpr int kPictureTop = 4;
constexpr QRgb kPanel = qRgb(78, 78, 78);
constexpr QRgb kPanelLight = qRgb(96, 96, 96);
constexpr QRgb kPanelDark = qRgb(52, 52, 52);
constexpr QRgb kWell = qRgb(60, 60, 60);

QImage cellFrame(int size)
{
    const int cell = size + kCellExtra;
    QImage image(cell, cell, QImage::Format_RGB32);
    image.fill(kPanel);
    QPainter p(&image);
    p.setPen(QColor(kPanelLight));
    p.drawLine(0, 0, cell - 1, 0);
    p.drawLine(0, 0, 0, cell - 1);
    p.setPen(QColor(kPanelDark));
    p.drawLine(1, cell - 1, cell - 1, cell - 1);
    p.drawLine(cell - 1, 1, cell - 1, cell - 1);
    p.fillRect(QRect(kPictureLeft - 1, kPictureTop - 1, size + 2, size + 2), QColor(kWell));
    return image;
}

// The list's top and left border: a dark rule fading into the ground, so the cells look set into it.
QImage borderTile(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    const bool horizontal = width >= height;
    const int depth = horizontal ? height : width;
    for (int i = 0; i < depth; ++i) {
        const int shade = 40 + (68 - 40) * i / std::max(1, depth - 1);
        p.setPen(QColor(shade, shade, shade));
        if (horizontal)
            p.drawLine(0, i, width - 1, i);
        else
            p.drawLine(i, 0, i, height - 1);
    }
    return image;
}

// The drop shadow under a picture: darkest next to the picture, fading out over seven pixels.
int shadowShade(int distance)
{
    return 30 + (68 - 30) * distance / 6;
}

QImage shadowStrip(bool bottom)
{
    const int length = 124;
    const int depth = 7;
    QImage image(bottom ? length : depth, bottom ? depth : length, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int shade = shadowShade(bottom ? y : x);
            image.setPixel(x, y, qRgb(shade, shade, shade));
        }
    }
    return image;
}

QImage shadowCorner()
{
    QImage image(7, 7, QImage::Format_RGB32);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 7; ++x) {
            const int shade = shadowShade(std::max(x, y));
            image.setPixel(x, y, qRgb(shade, shade, shade));
        }
    }
    return image;
}

// The list's scroll bar, 19 pixels wide: a dark track, arrow buttons and a green-edged thumb.
constexpr int kBarWidth = 19;

QImage scrollTrack()
{
    QImage image(kBarWidth, 64, QImage::Format_RGB32);
    image.fill(kPanelDark);
    QPainter p(&image);
    p.setPen(QColor(kPanel));
    p.drawLine(0, 0, 0, image.height() - 1);
    return image;
}

QImage scrollArrow(bool up)
{
    QImage image(kBarWidth, 16, QImage::Format_RGB32);
    image.fill(kPanel);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(kCaption));
    const qreal mid = kBarWidth / 2.0;
    QPolygonF arrow;
    if (up)
        arrow << QPointF(mid, 4) << QPointF(mid + 5, 11) << QPointF(mid - 5, 11);
    else
        arrow << QPointF(mid, 12) << QPointF(mid + 5, 5) << QPointF(mid - 5, 5);
    p.drawPolygon(arrow);
    return image;
}

QImage scrollThumb()
{
    QImage image(kBarWidth, 24, QImage::Format_RGB32);
    image.fill(kPanelLight);
    QPainter p(&image);
    p.setPen(QColor(kCaption));
    p.drawRect(0, 0, kBarWidth - 1, image.height() - 1);
    return image;
}

}  // namespace

QFont uiFont(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

const std::map<int, Painter>& uiresBitmaps()
{
    static const std::map<int, Painter> table = [] {
        std::map<int, Painter> bitmaps{
        {431, scrollTrack},
        {432, [] { return scrollArrow(true); }},
        {433, [] { return scrollArrow(false); }},
        {434, scrollThumb},
        {447, splash},
        {500, [] { return cellFrame(128); }},
        {501, [] { return cellFrame(96); }},
        {502, [] { return cellFrame(64); }},
        {503, [] { return cellFrame(48); }},
        {504, [] { return cellFrame(32); }},
        {505, [] { return borderTile(4, 4); }},
        {506, [] { return borderTile(124, 4); }},
        {507, [] { return borderTile(4, 124); }},
        {508, [] { return shadowStrip(true); }},
        {509, shadowCorner},
        {510, [] { return shadowStrip(false); }},
        };
        addBarBitmaps(bitmaps);
        return bitmaps;
    }();
    return table;
}

const std::map<int, Painter>& uibaseIcons()
{
    static const std::map<int, Painter> table{
        {130, [] { return programIcon(32); }},
    };
    return table;
}

}  // namespace resgen
