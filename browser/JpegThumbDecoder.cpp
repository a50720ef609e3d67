#include "browser/JpegThumbDecoder.h"

#include "browser/RegularFile.h"

bool JpegThumbDecoder::bind(bool)
{
    return jpeg_.bind();
}

bool JpegThumbDecoder::identify(QFile& file, const QString& path, const LoadRequest&)
{
    if (!endsWith(path, ".jpg"))
        return false;
    const QByteArray start = file.read(2);
    return start.size() == 2 && static_cast<uchar>(start[0]) == 0xFF && static_cast<uchar>(start[1]) == 0xD8;
}

int JpegThumbDecoder::decode(QFile&, const QString& path, DecodeResult& result)
{
    // QuilJpeg opens the path itself: it must still be the regular file the loader opened.
    if (!isRegularFile(path))
        return 1;
    int width = 0;
    int height = 0;
    imaging::PackedDib picture = jpeg_.decode(path, &width, &height);
    return keep(std::move(picture), result, QSize(width, height));
}
