#include "browser/TitleThumbDecoder.h"

int TitleThumbDecoder::decode(QFile& file, const QString&, DecodeResult& result)
{
    int width = 0;
    int height = 0;
    imaging::PackedDib picture = capline_.decode(file.readAll(), &width, &height);
    return keep(std::move(picture), result, QSize(width, height));
}
