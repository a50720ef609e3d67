#pragma once
/* Packed DIBs as the sibling libraries exchange them: one block from the C allocator holding a 40-byte
 * BITMAPINFOHEADER, the colour table (three masks first for BI_BITFIELDS), then the pixel rows, bottom
 * line first, each padded to a multiple of 4 bytes. Every block handed out is calloc'ed and belongs to
 * the receiver, who frees it with free(). */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    KS_DIB_HEADER_SIZE = 40,
    KS_BI_RGB = 0,
    KS_BI_RLE8 = 1,
    KS_BI_RLE4 = 2,
    KS_BI_BITFIELDS = 3,
};

/* No sibling makes or accepts a DIB larger than this: a hostile header must not talk a library into
 * an allocation the machine cannot back. 1 GiB holds a 24-bit picture of over 350 megapixels. */
#ifndef KS_MAX_DIB_BYTES
#define KS_MAX_DIB_BYTES ((size_t)1 << 30)
#endif

typedef struct KsDibHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
} KsDibHeader;

/* Copies the header out of a block (no alignment assumed). Returns 0 when block is null. */
int ks_dib_read_header(const void* block, KsDibHeader* header);

/* Bytes of one padded row, 0 when the width or bit count is unusable or the row would be absurdly long. */
size_t ks_dib_stride(int64_t width, unsigned bits);

/* Colour table entries: colours-used when set, else 2, 4, 16 or 256 for 1, 2, 4 and 8 bits, else none. */
uint32_t ks_dib_palette_entries(const KsDibHeader* header);

/* Offset of the pixel rows from the start of the block (header, masks, colour table). */
size_t ks_dib_bits_offset(const KsDibHeader* header);

/* Whole block size implied by the header, or 0 when the header is not one of an uncompressed DIB that
 * these libraries handle (40-byte header, positive width, non-zero height, 1/2/4/8/16/24/32 bits, at most
 * 256 colours, BI_BITFIELDS only for 16 and 32 bits, at most KS_MAX_DIB_BYTES). */
size_t ks_dib_total_bytes(const KsDibHeader* header);

/* A zero-filled DIB with a bottom-up header for width x height at `bits` per pixel, image size set and
 * room for `paletteEntries` colours (colours-used set to that number). Null on bad sizes or no memory. */
void* ks_dib_create(int32_t width, int32_t height, unsigned bits, uint32_t paletteEntries);

/* Writes the row `y` (0 = top line of the picture) as width x 3 bytes R, G, B. The block must be valid
 * by ks_dib_total_bytes. Palette indexes beyond the table give black. */
void ks_dib_row_rgb(const void* block, const KsDibHeader* header, int32_t y, uint8_t* rgb);

/* True when every colour of an 8-bit-or-less DIB's table is a grey (red = green = blue). */
int ks_dib_is_greyscale(const void* block, const KsDibHeader* header);

#ifdef __cplusplus
}
#endif
