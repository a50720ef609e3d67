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

/* The line where the letterboxed band of a decoded picture ends (the band is the `band` lines
 * below it). `scaleIndex` is 0-3 for scales 1, 2, 4, 8. */
DV_HIDDEN int32_t DvFindLetterbox(const uint8_t *picture, int32_t width, int32_t height, int scaleIndex, int is525);

/* Finds the band and moves its `band` lines to the start of the buffer. Returns the line where
 * the band ends. */
DV_HIDDEN int32_t DvCutLetterbox(uint8_t *picture, int32_t width, int32_t height, int scaleIndex, int is525,
                                 int32_t band);

/* Source position of target coordinate `t` at the ratio target / source (single precision): the
 * pixel at or below it, its upper neighbour (the pixel itself at the edge), and the fraction. */
typedef struct DvTap {
    int32_t i0, i1;
    float f;
} DvTap;
DV_HIDDEN DvTap DvTapOf(int32_t t, float ratio, int32_t size);

/* Resamples a width x height picture (rows DvRowBytes(width) apart) to target x targetHeight,
 * keeping target columns [left, target - right) and lines [bottom, targetHeight - top) (as
 * stored), and writes the rows, zero-padded, at `out`. `out` may lie before `source` in the same
 * buffer as long as no output line overtakes the first source line it reads: in place when the
 * target is no larger than the source either way, or anywhere at least one output row before the
 * source. Never reads past the source lines. Widths up to DV_WIDTH; trims must be non-negative
 * and leave at least one pixel. Allocates nothing; uses about 45 KB of stack. */
DV_HIDDEN void DvResampleInto(const uint8_t *source, int32_t width, int32_t height, uint8_t *out,
                              int32_t targetWidth, int32_t targetHeight, int32_t left, int32_t right, int32_t top,
                              int32_t bottom);

/* The same in place: the result replaces the start of the buffer. Returns DVCDEC_OK, or
 * DVCDEC_NO_MEMORY when a stretch needs a temporary block that cannot be had or a width exceeds
 * DV_WIDTH (the buffer is then left as it was). */
DV_HIDDEN uint32_t DvResample(uint8_t *picture, int32_t width, int32_t height, int32_t targetWidth,
                              int32_t targetHeight, int32_t left, int32_t right, int32_t top, int32_t bottom);

/* The floating-point resampler the fixed-point one is held to: same contract as DvResample, with
 * a temporary block always. */
DV_HIDDEN uint32_t DvResampleReference(uint8_t *picture, int32_t width, int32_t height, int32_t targetWidth,
                                       int32_t targetHeight, int32_t left, int32_t right, int32_t top,
                                       int32_t bottom);

/* Test hook: when set, the export resamples with DvResampleReference. */
extern DV_HIDDEN int gDvReferenceResample;

#ifdef __cplusplus
}
#endif

#endif
