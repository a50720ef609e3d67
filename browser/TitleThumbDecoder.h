#pragma once
// Title files (".ttl") through Capline. Without Capline they simply show as unknown files.

#include "browser/FormatThumbDecoder.h"
#include "imaging/CaplineBinding.h"

class TitleThumbDecoder : public FormatThumbDecoder {
public:
    TitleThumbDecoder() : FormatThumbDecoder(KindTtl) {}
    bool bind(bool) override { return capline_.bind(); }
    void unbind() override { capline_.unbind(); }
    bool identify(QFile&, const QString& path, const LoadRequest&) override { return extensionIs(path, ".ttl"); }
    int decode(QFile& file, const QString& path, DecodeResult& result) override;

private:
    imaging::CaplineBinding capline_;
};
