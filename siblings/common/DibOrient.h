#pragma once
// Turning a decoded picture upright by its Exif orientation value. Cameras store the pixels as the
// sensor read them and record in the tag how the picture is meant to be seen; a reader that hands out
// pictures to be shown applies the tag itself, for the primary picture and its thumbnail alike.

namespace ks {

// Whether `orientation` (1..8) swaps width and height when applied.
bool orientationSwapsSides(int orientation);

// A new DIB holding the valid DIB `dib` (8, 16, 24 or 32 bits) as displayed under Exif `orientation`
// 2..8, bottom-up, with the same bit count and colour table. Null for orientation 1 or an unknown value
// (nothing to do), for other depths, or when memory is short; `dib` stays the caller's either way.
void* orientDib(const void* dib, int orientation);

}  // namespace ks
