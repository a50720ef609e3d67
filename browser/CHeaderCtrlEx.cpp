#include "browser/CHeaderCtrlEx.h"

#include <QPainter>
#include <QStandardItemModel>

namespace {
// The header's face and lines, a shade lighter than the rows so that it reads as a separate bar.
constexpr QRgb kFace = qRgb(68, 68, 68);
constexpr QRgb kHighlight = qRgb(96, 96, 96);
constexpr QRgb kShadow = qRgb(32, 32, 32);
constexpr QRgb kText = qRgb(224, 224, 224);
constexpr int kTextIndent = 4;
}  // namespace

CHeaderCtrlEx::CHeaderCtrlEx(QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), columns_(new QStandardItemModel(0, 0, this))
{
    setModel(columns_);
    setFont(headerFont());
    setSectionsClickable(true);
    setSectionsMovable(false);
    setHighlightSections(false);
    setStretchLastSection(false);
    setSectionResizeMode(QHeaderView::Interactive);
    setMinimumSectionSize(0);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The strip right of the last section takes the sections' face too.
    QPalette colours = palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
        colours.setColor(role, QColor::fromRgb(kFace));
    setPalette(colours);
    viewport()->setPalette(colours);
    viewport()->setAutoFillBackground(true);
}

void CHeaderCtrlEx::addColumn(const QString& text, int width)
{
    const int column = columns_->columnCount();
    columns_->insertColumn(column);
    columns_->setHeaderData(column, Qt::Horizontal, text);
    resizeSection(column, width);
}

QFont CHeaderCtrlEx::headerFont()
{
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(kFontPixels);
    return font;
}

void CHeaderCtrlEx::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    if (!rect.isValid())
        return;
    painter->save();
    painter->fillRect(rect, QColor::fromRgb(kFace));
    painter->setPen(QColor::fromRgb(kHighlight));
    painter->drawLine(rect.topLeft(), rect.topRight());
    painter->drawLine(rect.topLeft(), rect.bottomLeft());
    painter->setPen(QColor::fromRgb(kShadow));
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    painter->drawLine(rect.topRight(), rect.bottomRight());
    const QString text = model()->headerData(logicalIndex, Qt::Horizontal).toString();
    const QRect textBox = rect.adjusted(kTextIndent, 0, -kTextIndent, 0);
    painter->setFont(headerFont());
    painter->setPen(QColor::fromRgb(kText));
    painter->setClipRect(rect);
    painter->drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      painter->fontMetrics().elidedText(text, Qt::ElideRight, std::max(0, textBox.width())));
    painter->restore();
}
