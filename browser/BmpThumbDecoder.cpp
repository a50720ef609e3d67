#include "browser/BmpThumbDecoder.h"

#include "imaging/BmpFile.h"

namespace {
constexpr qint64 kFileHeaderBytes = 14;
// A bitmap file shorter than this cannot hold a header and a pixel.
constexpr qint64 kSmallestBitmap = 54;
}  // namespace

bool BmpThumbDecoder::identify(QFile& file, const QString& path, const LoadRequest&)
{
    if (!extensionIs(path, ".bmp"))
        return false;
    const QByteArray header = file.read(kFileHeaderBytes);
    return header.size() == kFileHeaderBytes && header.startsWith("BM") && file.size() >= kSmallestBitmap;
}

int BmpThumbDecoder::decode(QFile&, const QString& path, DecodeResult& result)
{
    picture_ = imaging::readBmpFile(path);
    if (!picture_ || !picture_.isValid() || picture_.isCompressed() || picture_.isTopDown()) {
        picture_ = imaging::PackedDib();
        return 1;
    }
    result.width = picture_.width();
    result.height = picture_.height();
    result.bitCount = static_cast<std::int32_t>(picture_.bitCount());
    result.kind = kind_;
    return 0;
}
