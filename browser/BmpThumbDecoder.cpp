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

int BmpThumbDecoder::decode(QFile& file, const QString&, DecodeResult& result)
{
    // From the file the loader opened: the path is not opened a second time.
    imaging::PackedDib picture = imaging::readBmpFile(file);
    if (picture.isValid() && (picture.isCompressed() || picture.isTopDown()))
        return 1;
    return keep(std::move(picture), result);
}
