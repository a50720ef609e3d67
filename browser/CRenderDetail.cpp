#include "browser/CRenderDetail.h"

#include "browser/CHeaderCtrlEx.h"
#include "browser/FileFacts.h"
#include "browser/ItemTexts.h"
#include "browser/ShellFileInfo.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWidget>

#include <algorithm>

CRenderDetail::CRenderDetail(QWidget* list) : list_(list), header_(new CHeaderCtrlEx(list))
{
    header_->setObjectName(QString::number(kHeaderId));
    for (int column = 0; column < kDetailColumnCount; ++column)
        header_->addColumn(QString::fromUtf8(kDetailColumns[column].header), widths_[column]);
    placeHeader(list ? list->size() : QSize());
    // Full drag: the rows follow the column edge while it moves.
    QObject::connect(header_, &QHeaderView::sectionResized, header_, [this](int, int, int) {
        if (!settingHeader_)
            notify(WidthsChanged, 0, {});
    });
    header_->show();
}

CRenderDetail::~CRenderDetail()
{
    delete header_.data();
}

void CRenderDetail::placeHeader(const QSize& clientSize)
{
    if (header_)
        header_->setGeometry(0, 0, std::max(0, clientSize.width() - kScrollBarWidth), kHeaderHeight);
}

void CRenderDetail::readWidthsFromHeader()
{
    if (!header_)
        return;
    for (int column = 0; column < kDetailColumnCount; ++column)
        widths_[column] = header_->sectionSize(column);
}

QString CRenderDetail::text(const QString&, const FileItem& item, int column) const
{
    // From the facts read with the thumbnail: neither a repaint nor fitting a column over a whole folder
    // touches the disk.
    return detailCellText(shownFacts(item), item, column);
}

QRect CRenderDetail::rowRect(int position, const RenderContext& context) const
{
    const int height = context.captionHeight() + kRowPadding;
    const int top = kTopMargin + (position - context.topItem) * (height + kRowGap);
    return {0, top, std::max(1, context.clientSize.width()), height};
}

QRect CRenderDetail::columnRect(int column, const QRect& row) const
{
    // Column 0 holds the name right of the icon; every further column starts 4 pixels right of the text
    // rectangle before it.
    int left = row.left() + kNameLeft;
    int right = row.left() + widths_[ColumnName] - kNameRightInset;
    for (int c = 1; c <= column && c < kDetailColumnCount; ++c) {
        left = right + kColumnGap;
        right = left + widths_[c];
    }
    return QRect(QPoint(left, row.top()), QPoint(right - 1, row.bottom()));
}

void CRenderDetail::draw(QPainter& painter, const RenderContext& context)
{
    const int count = static_cast<int>(context.items.size());
    painter.save();
    painter.setFont(context.captionFont);
    for (int position = std::max(0, context.topItem); position < count; ++position) {
        const QRect row = rowRect(position, context);
        if (row.top() >= context.clientSize.height())
            break;
        if (const FileItem* item = context.items[static_cast<std::size_t>(position)])
            drawRow(painter, context, *item, row);
    }
    painter.restore();
}

void CRenderDetail::drawRow(QPainter& painter, const RenderContext& context, const FileItem& item, const QRect& row) const
{
    const QColor rowColour = QColor::fromRgb(kRowColour);
    painter.fillRect(row, rowColour);

    const ItemFacts facts = shownFacts(item);
    const QRect icon(row.left(), row.top(), kIconSize, kIconSize);
    painter.drawPixmap(icon, shell::mimeIcon(facts.mimeName, kIconSize));
    if (widths_[ColumnName] < kIconSize) {
        // A column narrower than the icon must not show the rest of it.
        const int from = row.left() + std::max(0, widths_[ColumnName]);
        painter.fillRect(QRect(from, row.top(), icon.right() + 1 - from, kIconSize), rowColour);
    }

    painter.setPen(context.captionColour);
    const QFontMetrics metrics(context.captionFont);
    for (int column = 0; column < kDetailColumnCount; ++column) {
        const QRect box = columnRect(column, row);
        if (box.width() <= 0)
            continue;
        const Qt::Alignment horizontal = column == ColumnSize ? Qt::AlignRight : Qt::AlignLeft;
        const QString shown = metrics.elidedText(detailCellText(facts, item, column), Qt::ElideRight, box.width());
        painter.save();
        painter.setClipRect(box);
        painter.drawText(box, horizontal | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        painter.restore();
    }

    if (item.isSelected()) {
        painter.save();
        QPen pen(QColor::fromRgb(kSelectionColour));
        pen.setWidth(kSelectionPenWidth);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(row);
        painter.restore();
    }
}

void CRenderDetail::notify(int event, int value, const RenderContext& context)
{
    switch (event) {
    case ListResized:
        placeHeader(context.clientSize);
        break;
    case WidthsChanged:
        readWidthsFromHeader();
        if (list_)
            list_->update();
        break;
    case FitColumn: {
        if (value < 0 || value >= kDetailColumnCount)
            return;
        const QFontMetrics metrics(context.captionFont);
        int widest = 0;
        for (const FileItem* item : context.items) {
            if (item)
                widest = std::max(widest, metrics.horizontalAdvance(text(context.folder, *item, value)));
        }
        const int width = std::max(kMinFitWidth, widest + (value == ColumnName ? kFitIconRoom : kFitTextRoom));
        widths_[value] = width;
        if (header_) {
            settingHeader_ = true;
            header_->resizeSection(value, width);
            settingHeader_ = false;
        }
        if (list_)
            list_->update();
        break;
    }
    default:
        break;
    }
}
