#include "BarPainter.h"

#include "BitmapPainter.h"
#include "resources/BarBitmaps.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace resgen {
namespace {

using namespace barbitmaps;

constexpr QRgb kBarLight = qRgb(255, 255, 255);
constexpr QRgb kBarShade = qRgb(226, 230, 226);
constexpr QRgb kInk = qRgb(48, 48, 48);
constexpr QRgb kInkDisabled = qRgb(168, 168, 168);
constexpr QRgb kTitleInk = qRgb(236, 236, 236);

// Every button of the bars: its size and its label. The menu-bar buttons are flat words, the rest
// rounded plates.
struct ButtonFace {
    int id;
    int width;
    int height;
    const char* label;
    bool flat;
};

const ButtonFace kButtons[] = {
    {1123, 76, 22, "ファイル(F)", true},
    {1124, 64, 22, "編集(E)", true},
    {1125, 64, 22, "表示(V)", true},
    {1126, 68, 22, "ツール(T)", true},
    {1127, 72, 22, "ヘルプ(H)", true},
    {1132, 64, 22, "すべて", false},
    {1133, 64, 22, "画像", false},
    {1134, 64, 22, "BMP", false},
    {1135, 64, 22, "JPEG", false},
    {1136, 64, 22, "DVF", false},
    {1137, 64, 22, "タイトル", false},
    {1138, 64, 22, "選択", false},
    {1139, 64, 22, "検索結果", false},
    {1140, 54, 24, "プロパティ", false},
    {1141, 32, 24, "印刷", false},
    {1142, 38, 24, "DPOF", false},
    {1143, 36, 24, "Ver.", false},
    {1144, 44, 24, "説明書", false},
    {1146, 54, 24, "サムネイル", false},
    {1147, 32, 24, "情報", false},
    {1148, 32, 24, "詳細", false},
    {1149, 50, 24, "スライド", false},
    {1150, 60, 24, "バックアップ", false},
    {1151, 32, 24, "更新", false},
    {1152, 58, 24, "カード検索", false},
    {1153, 60, 24, "起動 1", false},
    {1154, 60, 24, "起動 2", false},
};

QImage buttonFace(const ButtonFace& face, ButtonState state)
{
    QImage image(face.width, face.height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(image.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill = face.flat ? QColor(Qt::transparent) : QColor(kBarShade);
    QColor edge = face.flat ? QColor(Qt::transparent) : QColor(kCaption).lighter(130);
    QColor ink = QColor(kInk);
    switch (state) {
    case Pressed:
        fill = QColor(kCaption).darker(110);
        edge = QColor(kCaption).darker(140);
        ink = QColor(kBarLight);
        break;
    case Highlighted:
        fill = QColor(kCaption).lighter(170);
        edge = QColor(kCaption);
        break;
    case Disabled:
        ink = QColor(kInkDisabled);
        break;
    case Normal:
        break;
    }
    p.setPen(edge.alpha() ? QPen(edge, 1) : QPen(Qt::NoPen));
    p.setBrush(fill);
    p.drawRoundedRect(box, 4, 4);
    p.setPen(ink);
    p.setFont(uiFont(face.height < 24 ? 12 : 11, state == Highlighted || state == Pressed));
    p.drawText(image.rect(), Qt::AlignCenter, QString::fromUtf8(face.label));
    return image;
}

QImage barGround()
{
    QImage image(8, 32, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient ground(0, 0, 0, image.height());
    ground.setColorAt(0, QColor(kBarLight));
    ground.setColorAt(1, QColor(kBarShade));
    p.fillRect(image.rect(), ground);
    p.setPen(QColor(kBarShade).darker(112));
    p.drawLine(0, image.height() - 1, image.width() - 1, image.height() - 1);
    return image;
}

// The title bar: the house ground with a green rule at its foot, the bird and the name at the left.
QImage titleStrip(int width, bool withName)
{
    QImage image(width, 32, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient ground(0, 0, 0, image.height());
    ground.setColorAt(0, QColor(kGround).lighter(130));
    ground.setColorAt(1, QColor(kGround));
    p.fillRect(image.rect(), ground);
    p.setPen(QPen(QColor(kCaption), 2));
    p.drawLine(0, image.height() - 1, width, image.height() - 1);
    if (withName) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(kCaption));
        QPainterPath bird;
        const QRectF b(8, 6, 26, 20);
        bird.moveTo(b.left() + 0.5 * b.width(), b.top() + 0.3 * b.height());
        bird.cubicTo(b.left() + 0.3 * b.width(), b.top(), b.left(), b.top() + 0.2 * b.height(), b.left(),
                     b.top() + 0.25 * b.height());
        bird.lineTo(b.left() + 0.45 * b.width(), b.bottom());
        bird.lineTo(b.left() + 0.55 * b.width(), b.bottom());
        bird.lineTo(b.right(), b.top() + 0.25 * b.height());
        bird.cubicTo(b.right(), b.top() + 0.2 * b.height(), b.left() + 0.7 * b.width(), b.top(),
                     b.left() + 0.5 * b.width(), b.top() + 0.3 * b.height());
        p.drawPath(bird);
        p.setPen(QColor(kTitleInk));
        p.setFont(uiFont(15, true));
        p.drawText(QRect(42, 0, width - 42, image.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Kestrel"));
    }
    return image;
}

enum class Glyph { Minimise, Maximise, Restore, Close };

QImage titleButton(Glyph glyph, ButtonState state)
{
    QImage image(28, 22, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (state == Pressed || state == Highlighted) {
        const QColor plate = glyph == Glyph::Close ? QColor(200, 60, 60) : QColor(kCaption);
        p.setPen(Qt::NoPen);
        p.setBrush(state == Pressed ? plate.darker(125) : plate);
        p.drawRoundedRect(QRectF(image.rect()).adjusted(1, 1, -1, -1), 3, 3);
    }
    p.setPen(QPen(QColor(kTitleInk), 1.6));
    p.setBrush(Qt::NoBrush);
    switch (glyph) {
    case Glyph::Minimise:
        p.drawLine(QPointF(9, 15), QPointF(19, 15));
        break;
    case Glyph::Maximise:
        p.drawRect(QRectF(9, 6, 10, 10));
        break;
    case Glyph::Restore:
        p.drawRect(QRectF(8, 9, 8, 8));
        p.drawPolyline(QPolygonF({QPointF(11, 9), QPointF(11, 6), QPointF(19, 6), QPointF(19, 14), QPointF(16, 14)}));
        break;
    case Glyph::Close:
        p.drawLine(QPointF(9, 6), QPointF(19, 16));
        p.drawLine(QPointF(19, 6), QPointF(9, 16));
        break;
    }
    return image;
}

QImage folderCaption(int width, bool withName)
{
    QImage image(width, 20, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient ground(0, 0, 0, image.height());
    ground.setColorAt(0, QColor(kCaption).lighter(115));
    ground.setColorAt(1, QColor(kCaption).darker(110));
    p.fillRect(image.rect(), ground);
    if (withName) {
        p.setPen(QColor(kBarLight));
        p.setFont(uiFont(12, true));
        p.drawText(QRect(8, 0, width - 8, image.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("フォルダ"));
    }
    return image;
}

QImage folderClose(ButtonState state)
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (state == Pressed || state == Highlighted) {
        p.setPen(Qt::NoPen);
        p.setBrush(state == Pressed ? QColor(kCaption).darker(150) : QColor(kCaption).darker(120));
        p.drawRoundedRect(QRectF(0, 0, 16, 16), 3, 3);
    }
    p.setPen(QPen(state == Disabled ? QColor(kInkDisabled) : QColor(kBarLight), 1.8));
    p.drawLine(QPointF(4.5, 4.5), QPointF(11.5, 11.5));
    p.drawLine(QPointF(11.5, 4.5), QPointF(4.5, 11.5));
    return image;
}

QImage statusPiece(int width, bool pane)
{
    QImage image(width, 20, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(image.rect(), QColor(kGround));
    p.setPen(QPen(QColor(kCaption), 2));
    p.drawLine(0, 0, width, 0);
    if (pane) {
        p.setPen(QColor(kGround).darker(130));
        p.drawRect(2, 3, width - 5, image.height() - 6);
        p.setPen(QColor(kGround).lighter(140));
        p.drawLine(width - 2, 3, width - 2, image.height() - 3);
    }
    return image;
}

QImage sizeBoxPart(int width, bool text, ButtonState state)
{
    QImage image(width, 22, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(image.rect(), text ? QColor(kGround) : (state == Pressed      ? QColor(kCaption).darker(120)
                                                        : state == Highlighted ? QColor(kCaption).lighter(120)
                                                                               : QColor(kCaption)));
    p.setPen(QColor(kGround).darker(140));
    p.drawRect(0, 0, width - 1, image.height() - 1);
    if (!text) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(kBarLight));
        const qreal mid = width / 2.0;
        p.drawPolygon(QPolygonF({QPointF(mid - 4, 9), QPointF(mid + 4, 9), QPointF(mid, 14)}));
    }
    return image;
}

}  // namespace

void addBarBitmaps(std::map<int, Painter>& table)
{
    table[kBarGround] = barGround;
    table[kTitleLeft] = [] { return titleStrip(160, true); };
    table[kTitleMiddle] = [] { return titleStrip(8, false); };
    table[kTitleRight] = [] { return titleStrip(8, false); };
    const Glyph glyphs[] = {Glyph::Minimise, Glyph::Maximise, Glyph::Restore, Glyph::Close};
    for (int button = 0; button < 4; ++button) {
        // normal, pressed, highlighted; the disabled look repeats the normal one.
        const Glyph glyph = glyphs[button];
        table[kTitleButtonFirst + 3 * button] = [glyph] { return titleButton(glyph, Normal); };
        table[kTitleButtonFirst + 3 * button + 1] = [glyph] { return titleButton(glyph, Pressed); };
        table[kTitleButtonFirst + 3 * button + 2] = [glyph] { return titleButton(glyph, Highlighted); };
    }
    table[kFolderCaptionLeft] = [] { return folderCaption(96, true); };
    table[kFolderCaptionRest] = [] { return folderCaption(8, false); };
    for (int state = Normal; state <= Disabled; ++state)
        table[kFolderCloseFirst + state] = [state] { return folderClose(ButtonState(state)); };
    table[kStatusPane1] = [] { return statusPiece(150, true); };
    table[kStatusPane2] = [] { return statusPiece(150, true); };
    table[kStatusPane3] = [] { return statusPiece(170, true); };
    table[kStatusAfterPanes] = [] { return statusPiece(6, false); };
    table[kStatusRest] = [] { return statusPiece(8, false); };
    table[kStatusRightEnd] = [] { return statusPiece(12, false); };
    table[kSizeBoxText] = [] { return sizeBoxPart(64, true, Normal); };
    table[kSizeBoxButtonPart] = [] { return sizeBoxPart(18, false, Normal); };
    table[kSizeBoxButton] = [] { return sizeBoxPart(18, false, Normal); };
    table[kSizeBoxButton + 1] = [] { return sizeBoxPart(18, false, Pressed); };
    table[kSizeBoxButton + 2] = [] { return sizeBoxPart(18, false, Highlighted); };
    for (const ButtonFace& face : kButtons) {
        for (int state = Normal; state <= Disabled; ++state)
            table[button(face.id, ButtonState(state))] = [face, state] { return buttonFace(face, ButtonState(state)); };
    }
}

}  // namespace resgen
