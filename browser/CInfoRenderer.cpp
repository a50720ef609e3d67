#include "browser/CInfoRenderer.h"

#include "browser/ItemTexts.h"

#include <QPainter>

CInfoRenderer::CInfoRenderer(const list::ListGeometry& geometry) : CGridRenderer(geometry)
{
    setSizeIndex(0);  // the picture is always drawn at 128
}

void CInfoRenderer::draw(QPainter& painter, const RenderContext& context)
{
    const int columns = geometry_.columns(context.clientSize.width());
    const int last = lastVisible(geometry_, context, columns);
    painter.setFont(context.captionFont);
    for (int position = context.topItem; position <= last; ++position) {
        const FileItem* item = context.items[static_cast<std::size_t>(position)];
        const QRect cell = geometry_.cellRect(position, context.topItem, columns);
        if (!frame_.isNull())
            painter.drawImage(cell.topLeft(), frame_);
        drawPicture(painter, context, *item, geometry_.picture.translated(cell.topLeft()));
        painter.setPen(context.captionColour);
        // The facts were read with the thumbnail (or the listing's stand in): painting reads no file.
        const QRect text = geometry_.information.translated(cell.topLeft());
        drawInformationLines(painter, text, text.top(), informationLines(shownFacts(*item), *item));
        if (item->isSelected())
            drawSelection(painter, cell);
    }
}
