#include "browser/StandardDecoders.h"

#include "browser/BmpThumbDecoder.h"
#include "browser/DcfThumbDecoder.h"
#include "browser/ExifFileThumbDecoder.h"
#include "browser/IconThumbDecoder.h"
#include "browser/JpegThumbDecoder.h"
#include "browser/MovieThumbDecoder.h"
#include "browser/TitleThumbDecoder.h"

DecoderList standardDecoders(bool quiet, const DvOptionsSource& dvOptions)
{
    DecoderList candidates;
    candidates.push_back(std::make_unique<BmpThumbDecoder>());
    candidates.push_back(std::make_unique<ExifFileThumbDecoder>());
    candidates.push_back(std::make_unique<MovieThumbDecoder>());
    candidates.push_back(std::make_unique<JpegThumbDecoder>());
    candidates.push_back(std::make_unique<DvfThumbDecoder>(dvOptions));
    candidates.push_back(std::make_unique<DcfThumbDecoder>());
    candidates.push_back(std::make_unique<TitleThumbDecoder>());
    candidates.push_back(std::make_unique<IconThumbDecoder>());
    DecoderList bound;
    for (auto& decoder : candidates) {
        if (decoder->bind(quiet))
            bound.push_back(std::move(decoder));
    }
    return bound;
}
