#pragma once
// Fitting a picture into a fixed box for embedded thumbnails: the picture keeps its proportions, fills
// the box in one direction and is centred on black in the other, as camera thumbnails are.

namespace ks {

// A new 24-bit DIB of exactly boxWidth x boxHeight holding the valid DIB `dib` fitted and centred.
// Shrinking averages every source pixel under a target pixel (area averaging); enlarging repeats pixels.
// Null when the DIB is invalid, the box empty, or memory short.
void* fitDibIntoBox(const void* dib, int boxWidth, int boxHeight);

}  // namespace ks
