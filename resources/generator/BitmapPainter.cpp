#include "BitmapPainter.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace resgen {
namespace {

constexpr QRgb kCardFace = qRgb(236, 236, 228);
constexpr QRgb kHighlight = qRgb(120, 200, 140);

QFont uiFont(int pixelSize, bool bold = false)
{
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

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

}  // namespace

const std::map<int, Painter>& uiresBitmaps()
{
    static const std::map<int, Painter> table{
        {447, splash},
    };
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
