#include "browser/TitleThumbDecoder.h"

int TitleThumbDecoder::decode(QFile& file, const QString&, DecodeResult& result)
{
    int width = 0;
    int height = 0;
    picture_ = capline_.decode(file.readAll(), &width, &height);
    if (!picture_.isValid()) {
        picture_ = imaging::PackedDib();
        return 1;
    }
    result.width = width;
    result.height = height;
    result.bitCount = 0;  // known once rendered
    result.kind = kind_;
    return 0;
}
