#include "browser/DvfThumbDecoder.h"

namespace {
constexpr qint64 kFrameHeaderBytes = 32;
}  // namespace

bool DvfThumbDecoder::bind(bool)
{
    return dv_.bind(imaging::BindingUse::ThumbnailDecoder);
}

bool DvfThumbDecoder::identify(QFile& file, const QString& path, const LoadRequest&)
{
    return extensionIs(path, ".dvf") && file.read(kFrameHeaderBytes).size() == kFrameHeaderBytes;
}

int DvfThumbDecoder::decode(QFile& file, const QString& path, DecodeResult& result)
{
    const imaging::DvStillOptions options = options_ ? options_(path) : defaultOptions();
    return keep(imaging::decodeDvStill(file, options, &dv_), result);
}
