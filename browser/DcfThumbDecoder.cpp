#include "browser/DcfThumbDecoder.h"

namespace {
constexpr qint64 kHeaderBytes = 32;
}  // namespace

bool DcfThumbDecoder::bind(bool)
{
    return stillform_.bind();
}

bool DcfThumbDecoder::identify(QFile& file, const QString& path, const LoadRequest&)
{
    if (!extensionIs(path, ".dcf"))
        return false;
    const QByteArray header = file.read(kHeaderBytes);
    return header.size() == kHeaderBytes && header.startsWith("DCF ") && header.mid(4, 4) == "1.00";
}

int DcfThumbDecoder::decode(QFile& file, const QString&, DecodeResult& result)
{
    picture_ = stillform_.decode(file.readAll());
    if (!picture_.isValid()) {
        picture_ = imaging::PackedDib();
        return 1;
    }
    result.width = picture_.width();
    result.height = picture_.height();
    result.bitCount = static_cast<std::int32_t>(picture_.bitCount());
    result.kind = kind_;
    return 0;
}
