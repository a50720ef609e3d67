#include "browser/IconThumbDecoder.h"

#include "browser/FileKind.h"
#include "imaging/FitRect.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QThread>

bool IconThumbDecoder::bind(bool)
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (app && QThread::currentThread() == app->thread()) {
        const QIcon icon = QFileIconProvider().icon(QFileIconProvider::File);
        const QImage image = icon.pixmap(kLargeIconSize, kLargeIconSize).toImage();
        if (!image.isNull()) {
            width_ = image.width();
            height_ = image.height();
            bitCount_ = image.depth();
        }
    }
    return true;
}

int IconThumbDecoder::decode(QFile&, const QString& path, DecodeResult& result)
{
    lastPath_ = path;
    result.width = width_;
    result.height = height_;
    result.bitCount = bitCount_;
    result.kind = KindUnknown;
    return 0;
}

int IconThumbDecoder::draw(QPainter& painter, int boxWidth, int boxHeight, DecodeResult& result)
{
    const QIcon icon = QFileIconProvider().icon(QFileInfo(lastPath_));
    imaging::FitRectangle fitted;
    if (imaging::FitRect(width_, height_, boxWidth, boxHeight, false, fitted) != 0)
        return 1;
    icon.paint(&painter, QRect(fitted.left, fitted.top, fitted.width(), fitted.height()));
    result.kind = KindUnknown;
    return 0;
}

int IconThumbDecoder::render(imaging::PackedDib&, int, int, DecodeResult& result)
{
    result.kind = KindUnknown;
    return 0;
}
