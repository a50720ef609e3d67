#include "browser/FormatThumbDecoder.h"

#include "imaging/DibResampler.h"
#include "imaging/FitRect.h"

#include <QFileInfo>
#include <QPainter>

int FormatThumbDecoder::render(imaging::PackedDib& target, int boxWidth, int boxHeight, DecodeResult& result)
{
    if (!picture_.isValid())
        return 1;
    imaging::FitRectangle fitted;
    if (imaging::FitRect(picture_.width(), picture_.height(), boxWidth, boxHeight, enlarges(), fitted) != 0)
        return 1;
    // The thumbnail was made at the fitted size of the size the decoder reported; the whole picture
    // fills it from its corner. Should the kept picture's own fit come out a pixel different (an Exif
    // thumbnail stands for a picture of another size), it is still the target that decides, so nothing
    // of the picture is cut and nothing is written past the target's rows.
    imaging::FitRectangle corner{0, 0, fitted.width(), fitted.height()};
    if (target && target.isValid())
        corner = imaging::FitRectangle{0, 0, target.width(), target.height()};
    if (imaging::resampleDib(picture_, target, corner, /*smooth=*/true) != imaging::kResampleOk)
        return 1;
    const QSize size = reportedSize();
    result.width = size.width();
    result.height = size.height();
    result.bitCount = static_cast<std::int32_t>(picture_.bitCount());
    result.kind = kind_;
    return 0;
}

int FormatThumbDecoder::draw(QPainter& painter, int boxWidth, int boxHeight, DecodeResult& result)
{
    const QImage image = picture_.toImage();
    imaging::FitRectangle fitted;
    if (image.isNull() ||
        imaging::FitRect(image.width(), image.height(), boxWidth, boxHeight, enlarges(), fitted) != 0)
        return 1;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(fitted.left, fitted.top, fitted.width(), fitted.height()), image);
    const QSize size = reportedSize();
    result.width = size.width();
    result.height = size.height();
    result.bitCount = static_cast<std::int32_t>(picture_.bitCount());
    result.kind = kind_;
    return 0;
}

int FormatThumbDecoder::keep(imaging::PackedDib picture, DecodeResult& result, QSize size)
{
    picture_ = picture.isValid() ? std::move(picture) : imaging::PackedDib();
    if (!picture_)
        return 1;
    const bool own = !size.isValid();
    result.width = own ? picture_.width() : size.width();
    result.height = own ? picture_.height() : size.height();
    result.bitCount = own ? static_cast<std::int32_t>(picture_.bitCount()) : 0;
    result.kind = kind_;
    return 0;
}

bool FormatThumbDecoder::extensionIs(const QString& path, const char* extension)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && name.mid(dot).compare(QLatin1String(extension), Qt::CaseInsensitive) == 0;
}

bool FormatThumbDecoder::endsWith(const QString& path, const char* ending)
{
    return path.right(4).compare(QLatin1String(ending), Qt::CaseInsensitive) == 0;
}
