#pragma once
// The program's thumbnail decoders in priority order: bitmap, Exif, movie, JPEG, DV still, DCF still,
// title, and last the icon decoder that takes every file. A decoder whose library cannot be bound is
// left out (after its message, unless quiet), so its files fall through to the later ones.

#include "browser/DvfThumbDecoder.h"
#include "browser/ThumbnailLoader.h"

DecoderList standardDecoders(bool quiet, const DvOptionsSource& dvOptions = {});

// A factory for the loader.
inline DecoderFactory standardDecoderFactory(DvOptionsSource dvOptions = {})
{
    return [dvOptions = std::move(dvOptions)](bool quiet) { return standardDecoders(quiet, dvOptions); };
}
