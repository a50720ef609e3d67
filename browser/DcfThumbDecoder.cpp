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
    return keep(stillform_.decode(file.readAll()), result);
}
