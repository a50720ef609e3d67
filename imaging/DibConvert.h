#pragma once
// Making new DIBs from pictures: 24-bit copies and icons.

#include "imaging/PackedDib.h"

#include <QIcon>

namespace imaging {

// A new 24-bit bottom-up DIB of the same width and height with the source's pixels: uncompressed, image
// size set, colours-used and colours-important 0, the resolutions kept. Every uncompressed depth (and
// bitfields) is drawn; empty for an empty, invalid or RLE source, or when memory runs out.
PackedDib convertTo24Bits(const PackedDib& source);

// A size x size 24-bit DIB with a white background and `icon` drawn over it in its normal mode.
// Needs a QGuiApplication. Empty for a size below 1.
PackedDib iconToDib(const QIcon& icon, int size);

}  // namespace imaging
