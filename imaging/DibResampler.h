#pragma once
// The program's one DIB resampler: thumbnails (the decoders' Render), the view's drawing and printing
// all go through it, so a picture looks the same wherever it is shown.
//
// Geometry. The picture is walked in display order (top line first). The steps are source size /
// fitted size in double precision; the walk starts at the fitted rectangle's offset times the step and
// adds one step per target pixel (accumulated, never recomputed); a position is truncated toward zero
// to pick the source pixel, and clamped to the picture's last row or column (an offset can carry the
// walk past the picture's end, which must not read outside it). Target pixels go to the target's
// top-left corner, fitted width x fitted height of them, clipped to the target's size.
//
// Plain path (smoothing off, or the picture not larger than the fitted size in both directions):
// nearest neighbour straight into the target. Smoothing path: the same walk into an intermediate picture
// of four times the fitted width and height (its own steps, source size / (4 x fitted size), starting at
// four times the offset times that step); each target pixel is then the per-channel sum of the 4 x 4
// intermediate pixels it covers shifted right by 4, except the target's last two columns, which take the
// top-left pixel of their block. The intermediate rows are made four at a time, so the memory used is
// four rows, not the whole intermediate picture.
//
// Pixels: 32-bit sources are blue, green, red, unused; 24-bit blue, green, red; 16-bit five bits per
// channel (x-r-g-b), each widened to 8 bits as (v << 3) | (v >> 2); palette sources (1, 2, 4, 8 bits) are
// looked up in their colour table (1-, 2- and 4-bit ones first copied into an 8-bit picture of the same
// colours), an index beyond the table giving black.

#include "imaging/FitRect.h"
#include "imaging/PackedDib.h"

namespace imaging {

constexpr int kResampleOk = 0;
constexpr int kResampleRefused = 1;

// Resamples `source` into the 24-bit uncompressed `target`. Refused (kResampleRefused) when either DIB is
// invalid, the target is not 24 bits, the fitted width or height is 0 or negative, or the source is
// compressed (RLE or bitfields).
int resampleDib(const PackedDib& source, PackedDib& target, const FitRectangle& fitted, bool smooth);

}  // namespace imaging
