#pragma once
// DV stills (".dvf") through Vistra32, with the DV picture options the program keeps.

#include "browser/FormatThumbDecoder.h"
#include "imaging/DvStillDecoder.h"

#include <functional>

// The DV picture options for a file: the frame's filter mode and margins, and the file's own options
// when the frame keeps some for it (else 1 and 0).
using DvOptionsSource = std::function<imaging::DvStillOptions(const QString& path)>;

class DvfThumbDecoder : public FormatThumbDecoder {
public:
    // The options while the program keeps no DV settings: shape 1, filter off, field order 0, no margins.
    static imaging::DvStillOptions defaultOptions() { return imaging::DvStillOptions::from(1, 0, 0, 0, 0, 0, 0); }

    explicit DvfThumbDecoder(DvOptionsSource options = {}) : FormatThumbDecoder(KindDvf), options_(std::move(options)) {}
    bool bind(bool quiet) override;
    void unbind() override { dv_.unbind(); }
    bool identify(QFile& file, const QString& path, const LoadRequest& request) override;
    int decode(QFile& file, const QString& path, DecodeResult& result) override;

private:
    imaging::DvDecoderBinding dv_;
    DvOptionsSource options_;
};
