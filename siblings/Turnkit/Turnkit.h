#ifndef TURNKIT_H
#define TURNKIT_H
/*
 * Turnkit: turns packed DIBs clockwise by a quarter, a half or three quarters of a full turn.
 *
 * Loaded by name ("Turnkit" = libTurnkit.so) and bound by export name. A packed DIB is one block holding
 * a 40-byte BITMAPINFOHEADER, the colour table (three masks first for BI_BITFIELDS), then the pixel rows,
 * each padded to a multiple of 4 bytes.
 *
 * Every export takes an uncompressed DIB of 1, 2, 4, 8, 16, 24 or 32 bits per pixel (BI_RGB, or
 * BI_BITFIELDS at 16 and 32 bits), bottom-up or top-down, and returns a new bottom-up DIB from the C
 * allocator (the caller frees it with free()) with the same depth, compression, masks and colour table
 * (colours-used and colours-important kept), the image size set, and for quarter turns width and height
 * as well as the two resolutions swapped. The source is not changed and stays the caller's. Null for a
 * null or compressed (RLE) source, a header these libraries do not take, or no memory. The source block
 * must be as large as its header says. Nothing is printed.
 */

#ifdef __cplusplus
extern "C" {
#endif

#define TURNKIT_API __attribute__((visibility("default")))

TURNKIT_API void* _DoTurnkit90(const void* dib);
TURNKIT_API void* _DoTurnkit180(const void* dib);
TURNKIT_API void* _DoTurnkit270(const void* dib);

#ifdef __cplusplus
}
#endif

#endif /* TURNKIT_H */
