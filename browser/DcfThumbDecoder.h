#pragma once
// ".dcf" stills ("DCF " "1.00") through Stillform.

#include "browser/FormatThumbDecoder.h"
#include "imaging/StillformBinding.h"

class DcfThumbDecoder : public FormatThumbDecoder {
public:
    DcfThumbDecoder() : FormatThumbDecoder(KindDcf) {}
    bool bind(bool quiet) override;
    void unbind() override { stillform_.unbind(); }
    bool identify(QFile& file, const QString& path, const LoadRequest& request) override;
    int decode(QFile& file, const QString& path, DecodeResult& result) override;

private:
    imaging::StillformBinding stillform_;
};
