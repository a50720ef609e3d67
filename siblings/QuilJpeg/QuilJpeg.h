#ifndef QUILJPEG_H
#define QUILJPEG_H
/*
 * QuilJpeg: JPEG files to packed DIBs and back, on libjpeg-turbo.
 *
 * Loaded by name ("QuilJpeg" = libQuilJpeg.so) and bound by export name. Pictures cross the boundary as
 * packed DIBs: one block from the C allocator holding a 40-byte BITMAPINFOHEADER, the colour table,
 * then the pixel rows bottom line first, each padded to a multiple of 4 bytes. A block returned by this
 * library belongs to the caller, who frees it with free().
 *
 * The library never prints, never ends the process and never lets a libjpeg error jump past its exports.
 * Debug lines go to standard error only when KESTREL_DEBUG is set.
 */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define QUILJPEG_API __attribute__((visibility("default")))

/* JpegCoder's second value. */
#define QUILJPEG_SAMPLING_444 0 /* full-resolution colour */
#define QUILJPEG_SAMPLING_420 1 /* colour halved in both directions, as cameras write it */

/* JpegCoder's results. */
#define QUILJPEG_OK 0
#define QUILJPEG_BAD_ARGUMENT 1 /* null path, invalid DIB, quality outside 1..100, unknown sampling */
#define QUILJPEG_ENCODE_FAILED 2
#define QUILJPEG_WRITE_FAILED 3 /* the file could not be written; an existing file is left untouched */

/*
 * Decodes the JPEG file at `path` (a file-system path in the locale's encoding) into a new packed DIB:
 *  - colour pictures (YCbCr, RGB, CMYK and YCCK, Adobe's inverted CMYK included) as 24 bits per pixel,
 *    blue-green-red, uncompressed, no colour table;
 *  - greyscale pictures as 8 bits per pixel with a 256-entry grey table (entry i = i, i, i);
 *  - baseline, extended, progressive and arithmetic-coded files alike.
 * Decoding uses libjpeg-turbo's defaults (accurate integer DCT, fancy upsampling), so the pixels equal
 * those `djpeg` writes for the same file. The DIB's resolution fields carry the JFIF density when it is
 * given in dots per inch or per centimetre, else 0.
 *
 * Returns null, and writes nothing to width and height, when the file cannot be opened, is not a JPEG,
 * is damaged (data ending early or corrupt entropy-coded data; the picture would be partly grey), has
 * more than 500 scans, or would make a DIB larger than 1 GiB. Stray bytes between markers and a missing
 * end-of-image marker after complete picture data are tolerated.
 *
 * width and height (either may be null) receive the picture's size in pixels on success.
 */
QUILJPEG_API void* JpegDecoder(const char* path, int32_t* width, int32_t* height);

/*
 * Writes the packed DIB `dib` (any uncompressed depth: 1, 2, 4, 8, 16, 24 or 32 bits; BI_BITFIELDS for
 * 16 and 32; bottom-up or top-down) as a baseline JFIF file at `path`, replacing a file of that name.
 * quality is libjpeg's 1..100 scale (the program passes 75). sampling is QUILJPEG_SAMPLING_420 (the
 * program passes 1) or QUILJPEG_SAMPLING_444. A picture whose colour table holds greys only is written
 * as a one-component greyscale JPEG. The JFIF density comes from the DIB's resolution fields when both
 * are set. The DIB stays the caller's; it is not changed.
 *
 * The file is written beside the destination under a temporary name and renamed over it once complete,
 * so on failure an existing file at `path` is left as it was. Returns QUILJPEG_OK or an error code.
 */
QUILJPEG_API int32_t JpegCoder(const char* path, const void* dib, uint16_t quality, uint16_t sampling);

#ifdef __cplusplus
}
#endif

#endif /* QUILJPEG_H */
