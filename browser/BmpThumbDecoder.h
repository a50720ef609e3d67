#pragma once
// Bitmaps (".bmp"): read whole as a packed DIB; only uncompressed bottom-up pictures are taken.

#include "browser/FormatThumbDecoder.h"

class BmpThumbDecoder : public FormatThumbDecoder {
public:
    BmpThumbDecoder() : FormatThumbDecoder(KindBmp) {}
    bool bind(bool) override { return true; }
    void unbind() override {}
    bool identify(QFile& file, const QString& path, const LoadRequest& request) override;
    int decode(QFile& file, const QString& path, DecodeResult& result) override;
};
