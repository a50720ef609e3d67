/*
 * Picture reshaping after decoding, all on 24-bit bottom-up pictures whose rows are padded to a
 * multiple of 4 bytes: de-interlacing, the letterbox band, resampling and trimming.
 */
#ifndef DVRESHAPE_H
#define DVRESHAPE_H

#include <stdint.h>

#include "DvCore.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Bytes of one 24-bit row of `width` pixels, padded to 4. */
DV_HIDDEN int32_t DvRowBytes(int32_t width);

/* Rebuilds one line parity in place (request: one of the DVCDEC_DEINTERLACE_* values). Does
 * nothing outside 1-2,048 columns and 6-2,048 lines. */
DV_HIDDEN void DvDeinterlace(uint8_t *picture, int32_t width, int32_t height, uint32_t request);

/* Finds the letterboxed band of a decoded picture and moves its `band` lines to the start of the
 * buffer. `scaleIndex` is 0-3 for scales 1, 2, 4, 8. Returns the line where the band ends. */
DV_HIDDEN int32_t DvCutLetterbox(uint8_t *picture, int32_t width, int32_t height, int scaleIndex, int is525,
                                 int32_t band);

/* Resamples a width x height picture to target x targetHeight, keeping target columns
 * [left, target - right) and lines [bottom, targetHeight - top) (as stored). The result replaces
 * the start of the buffer. Returns DVCDEC_OK, or DVCDEC_NO_MEMORY when the temporary block
 * cannot be had (the buffer is then left as it was). Trims must be non-negative and leave at
 * least one pixel. */
DV_HIDDEN uint32_t DvResample(uint8_t *picture, int32_t width, int32_t height, int32_t targetWidth,
                              int32_t targetHeight, int32_t left, int32_t right, int32_t top, int32_t bottom);

#ifdef __cplusplus
}
#endif

#endif
