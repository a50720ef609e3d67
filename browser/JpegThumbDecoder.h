#pragma once
// Plain JPEG files (".jpg" starting FF D8) through QuilJpeg's JpegDecoder.

#include "browser/FormatThumbDecoder.h"
#include "imaging/QuilJpegBinding.h"

class JpegThumbDecoder : public FormatThumbDecoder {
public:
    JpegThumbDecoder() : FormatThumbDecoder(KindJpeg) {}
    bool bind(bool quiet) override;
    void unbind() override { jpeg_.unbind(); }
    bool identify(QFile& file, const QString& path, const LoadRequest& request) override;
    int decode(QFile& file, const QString& path, DecodeResult& result) override;

private:
    imaging::JpegDecoderBinding jpeg_;
};
