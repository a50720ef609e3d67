#pragma once
// TIFF pictures into packed DIBs through libtiff's RGBA interface, which handles every photometric
// form, bit depth, compression and YCbCr subsampling that libtiff knows. libtiff's messages go nowhere.

#include <cstddef>

namespace ks {

// The first directory of a TIFF file image in memory as a new 24-bit DIB (malloc'ed), or null when the
// data are not a TIFF libtiff can read in full, or the picture would exceed the DIB size limit.
// By default the picture comes out as libtiff's orientation handling shows it (it undoes the mirrorings
// of the orientation tag but not its quarter turns); `asStored` gives the pixels as the file stores them,
// for a caller that applies the orientation itself.
void* readTiffMemory(const unsigned char* data, std::size_t size, bool asStored = false);

}  // namespace ks
