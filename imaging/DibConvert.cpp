#include "imaging/DibConvert.h"

#include <QPainter>

namespace imaging {

PackedDib convertTo24Bits(const PackedDib& source)
{
    if (!source.isValid())
        return {};
    const QImage image = source.toImage();
    if (image.isNull())
        return {};
    PackedDib out = PackedDib::fromImage(image);
    if (out) {
        out.header().xPelsPerMeter = source.header().xPelsPerMeter;
        out.header().yPelsPerMeter = source.header().yPelsPerMeter;
    }
    return out;
}

PackedDib iconToDib(const QIcon& icon, int size)
{
    if (size < 1)
        return {};
    QImage canvas(size, size, QImage::Format_RGB32);
    if (canvas.isNull())
        return {};
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        icon.paint(&painter, QRect(0, 0, size, size), Qt::AlignCenter, QIcon::Normal, QIcon::Off);
    }
    return PackedDib::fromImage(canvas);
}

}  // namespace imaging
