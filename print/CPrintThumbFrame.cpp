#include "print/CPrintThumbFrame.h"

#include "imaging/DibResampler.h"
#include "imaging/FitRect.h"

#include <QPainter>

namespace {

constexpr unsigned DrawnBits = 24; // the resampler writes 24-bit pictures only

} // namespace

CPrintThumbFrame::CPrintThumbFrame(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Sunken | QFrame::Panel);
}

void CPrintThumbFrame::setThumbnail(imaging::PackedDib thumbnail)
{
    thumbnail_ = std::move(thumbnail);
    fitted_ = QImage();
    update();
}

QImage CPrintThumbFrame::fittedImage(QPoint* at) const
{
    if (fitted_.isNull() && thumbnail_.isValid() && !thumbnail_.isCompressed()) {
        const QRect box = contentsRect();
        imaging::FitRectangle fitted;
        if (imaging::FitRect(thumbnail_.width(), thumbnail_.height(), box.width(), box.height(), /*enlarge=*/false,
                             fitted) == 0) {
            imaging::PackedDib target = imaging::PackedDib::blank(fitted.width(), fitted.height(), DrawnBits);
            const imaging::FitRectangle whole{0, 0, fitted.width(), fitted.height()};
            if (target && imaging::resampleDib(thumbnail_, target, whole, /*smooth=*/true) == imaging::kResampleOk) {
                fitted_ = target.toImage();
                fittedAt_ = box.topLeft() + QPoint(fitted.left, fitted.top);
            }
        }
    }
    if (at)
        *at = fittedAt_;
    return fitted_;
}

void CPrintThumbFrame::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPoint at;
    const QImage picture = fittedImage(&at);
    if (picture.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(at, picture);
}

void CPrintThumbFrame::resizeEvent(QResizeEvent* event)
{
    fitted_ = QImage();
    QFrame::resizeEvent(event);
}
