#pragma once
// Picture files through the codec libraries: saving a JPEG, decoding by flags, and the picture window's
// choice of decoder by extension.

#include "imaging/DvStillDecoder.h"
#include "imaging/PackedDib.h"

#include <QString>

#include <cstdint>

namespace imaging {

// The quality pair the program always saves with: quality 75, 4:2:0 sampling.
constexpr uint16_t kJpegQuality = 75;
constexpr uint16_t kJpegSampling = 1;

// Saves `dib` as a JPEG at `path` through JpegCoder, replacing a file of that name. The file must be
// creatable or writable first (else string 20014, exclamation, and failure); the library writes the new
// file completely before it takes the old one's place, so a failed save leaves an existing file as it
// was (and removes the empty file made for the check). A missing QuilJpeg or JpegCoder shows its
// message and fails.
bool saveAsJpeg(const QString& path, const PackedDib& dib, uint16_t quality = kJpegQuality,
                uint16_t sampling = kJpegSampling);

// decodeImageFile's flags.
constexpr uint32_t kDecodeExifThumbnail = 0x10000;  // try Exif_GetThumbnail first
constexpr uint32_t kDecodeExifPrimary = 0x20000;    // then Exif_GetPrimaryImage
constexpr uint32_t kDecodeWithQuilJpeg = 0x1000000; // then JpegDecoder
constexpr uint32_t kDecodeWithExifKit = 0x2000000;  // use ExifKit at all
// The picture window's flags for ".jpg" and ".tif" files.
constexpr uint32_t kPictureWindowJpegFlags = 0x3020000;
constexpr uint32_t kPictureWindowTiffFlags = 0x2020000;

// Decodes `path` as the flags say: with kDecodeWithExifKit, ExifKit's thumbnail (kDecodeExifThumbnail),
// then its primary picture (kDecodeExifPrimary); if still nothing and kDecodeWithQuilJpeg, JpegDecoder.
// Missing libraries show their messages (the program's) and the next way is tried.
PackedDib decodeImageFile(const QString& path, uint32_t flags);

// The picture window's decode (double-click in the view): ".bmp" by the BMP reader, ".jpg" by flags
// 0x3020000, ".dvf" by the DV still decoder with `dv`, ".tif" by flags 0x2020000 after string 20500
// (application title, exclamation) when it is not an Exif TIFF. Extensions are the last four characters,
// any case. Other files give an empty result.
PackedDib decodePictureFile(const QString& path, const DvStillOptions& dv);

}  // namespace imaging
