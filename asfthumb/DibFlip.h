#ifndef STILLPICK_DIB_FLIP_H
#define STILLPICK_DIB_FLIP_H
/* The vertical flip some decoders need: their frames arrive upside down. */

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Returns a new malloc'ed packed DIB that shows the picture of `dib` (a packed DIB of `size` bytes:
 * BITMAPINFOHEADER, colour table, rows) upside down, and stores its size in *flipped_size. The copy
 * has the bit depth of a true-colour screen, 24 bits without a colour table, bottom-up rows padded to
 * 4 bytes. Accepts uncompressed 1, 4, 8, 16 (5-5-5), 24 and 32-bit sources, bottom-up or top-down.
 * Returns null when the source is malformed, compressed, larger than its block, or memory runs out. */
void* stillpick_flip_dib(const void* dib, size_t size, size_t* flipped_size);

#ifdef __cplusplus
}
#endif

#endif
