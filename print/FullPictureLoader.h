#pragma once
// Decodes pictures in full size for printing, through the same decoders the thumbnail loader uses, so a
// file prints exactly when it shows a picture in the view. One loader serves one print job.

#include "browser/ThumbnailLoader.h"
#include "imaging/PackedDib.h"

#include <QString>

namespace print {

// Pictures larger than this are decoded smaller, keeping their proportions: a print never needs more
// detail than a page of dots holds, and an unchecked camera panorama could exhaust memory.
constexpr long long kMaxPrintPixels = 24LL * 1000 * 1000;

class FullPictureLoader {
public:
    // `factory` makes the decoders on first use (quietly: a missing library leaves its files empty).
    explicit FullPictureLoader(DecoderFactory factory);
    ~FullPictureLoader();
    FullPictureLoader(const FullPictureLoader&) = delete;
    FullPictureLoader& operator=(const FullPictureLoader&) = delete;

    // The picture of `path` as a 24-bit DIB; empty when no picture decoder takes the file or decoding fails.
    imaging::PackedDib load(const QString& path);

private:
    DecoderFactory factory_;
    DecoderList decoders_;
    bool made_ = false;
};

}  // namespace print
