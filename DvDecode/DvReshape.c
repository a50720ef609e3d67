/*
 * De-interlacing, the letterbox band and the floating-point resampler of decoded 24-bit pictures.
 *
 * The floating-point resampler is the arithmetic the picture shapes were tuned with; the export
 * resamples in fixed point (DvResample.c) and the tests hold that to this one. It works in single
 * precision on purpose, and its results must not depend on the compiler (the library is built
 * without floating-point contraction).
 */
#include <stdlib.h>
#include <string.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "DvReshape.h"
#include "Vistra32.h"

/* Picture limits of the de-interlacer; adaptive decisions look two lines away on both sides. */
#define DV_DEINTERLACE_MAX 2048
#define DV_DEINTERLACE_MIN_LINES 6
/* The first four rebuilt lines and the last two are always interpolated. */
#define DV_DEINTERLACE_LEAD 4
#define DV_DEINTERLACE_TAIL 2
/* A letterbox bar is darker than the picture's top-left pixel by this much when that pixel is
 * grey, else darker than this fixed level. */
#define DV_LETTERBOX_MARGIN 10
#define DV_LETTERBOX_DARK 20
#define DV_LETTERBOX_LINES 4
#define DV_LETTERBOX_SAMPLES 4

int32_t DvRowBytes(int32_t width)
{
    return (3 * width + 3) & ~3;
}

/* Brightness estimate of the adaptive rule. */
static inline int Brightness(const uint8_t *p)
{
    return (p[0] >> 2) + p[1] + (p[2] >> 1);
}

static void InterpolateLine(uint8_t *line, const uint8_t *before, const uint8_t *after, int32_t width)
{
    for (int32_t i = 0; i < 3 * width; ++i)
        line[i] = (uint8_t)((before[i] >> 1) + (after[i] >> 1));
}

/* Brightness of every pixel of a line. */
static inline void BrightnessLinePlain(const uint8_t *restrict line, int32_t *restrict y, int32_t from, int32_t width)
{
    for (int32_t c = from; c < width; ++c)
        y[c] = Brightness(line + 3 * c);
}

#if defined(__x86_64__) || defined(__i386__)
/* Eight pixels at a time: each 128-bit half takes four pixels out of its own 16-byte load, so a
 * load reads up to four bytes past the eighth pixel; the last pixels go the plain way. */
__attribute__((target("avx2"))) static void BrightnessLineAvx2(const uint8_t *restrict line, int32_t *restrict y,
                                                               int32_t width)
{
#define DV_CHANNEL(n) _mm256_setr_epi8(n, -1, -1, -1, n + 3, -1, -1, -1, n + 6, -1, -1, -1, n + 9, -1, -1, -1, \
                                       n, -1, -1, -1, n + 3, -1, -1, -1, n + 6, -1, -1, -1, n + 9, -1, -1, -1)
    const __m256i blue = DV_CHANNEL(0), green = DV_CHANNEL(1), red = DV_CHANNEL(2);
#undef DV_CHANNEL
    int32_t c = 0;
    for (; c + 10 <= width; c += 8) {
        const uint8_t *p = line + 3 * c;
        const __m256i px = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128((const __m128i *)p)),
                                                   _mm_loadu_si128((const __m128i *)(p + 12)), 1);
        const __m256i b = _mm256_srli_epi32(_mm256_shuffle_epi8(px, blue), 2);
        const __m256i r = _mm256_srli_epi32(_mm256_shuffle_epi8(px, red), 1);
        _mm256_storeu_si256((__m256i *)(y + c), _mm256_add_epi32(_mm256_add_epi32(b, _mm256_shuffle_epi8(px, green)), r));
    }
    _mm256_zeroupper();
    BrightnessLinePlain(line, y, c, width);
}
#endif

static void BrightnessLine(const uint8_t *restrict line, int32_t *restrict y, int32_t width, int avx2)
{
#if defined(__x86_64__) || defined(__i386__)
    if (avx2) {
        BrightnessLineAvx2(line, y, width);
        return;
    }
#endif
    (void)avx2;
    BrightnessLinePlain(line, y, 0, width);
}

/* The adaptive rule on one rebuilt line `x` between the kept lines `a` (before) and `c` (after),
 * given the brightness of every line it looks at: `ya` and `yc` of the kept lines, `current` of `x`
 * and `yq` of the next rebuilt line as decoded, `previous` of the previous rebuilt line as decoded.
 * Written as flat loops over whole lines so that the compiler turns them into vector code; built
 * twice, like the transform, and chosen by the processor. */
#define ADAPTIVE_MASK_BODY                                                                                     \
    {                                                                                                          \
        for (int32_t col = 0; col < width; ++col) {                                                            \
            const int32_t k = current[col] - ya[col], t = current[col] - yc[col];                              \
            const int32_t j = previous[col] - ya[col], w = yq[col] - yc[col];                                  \
            const int keep = (k * t < 0) | ((k * j < 0) & (w * t < 0));                                        \
            const int comb = (j * j > k * k) & (t * t > k * k) & (w * t > 0);                                  \
            const int steep = (k * j >= 0) & (k * k > t * t) & (w * w > t * t);                                \
            take[col] = (uint8_t)-((keep ^ 1) | comb | steep);                                                 \
        }                                                                                                      \
    }

/* Which pixels of the rebuilt line take the interpolation (0xFF) and which keep their decoded value. */
#define ADAPTIVE_MASK_ARGS                                                                                     \
    (uint8_t *restrict take, const int32_t *restrict ya, const int32_t *restrict yc, const int32_t *restrict yq, \
     const int32_t *restrict current, const int32_t *restrict previous, int32_t width)

/* Interpolates the pixels `take` marks, from `col` on. */
static void BlendMarkedPlain(uint8_t *restrict x, const uint8_t *restrict a, const uint8_t *restrict c,
                             const uint8_t *restrict take, int32_t col, int32_t width)
{
    for (; col < width; ++col) {
        if (!take[col])
            continue;
        for (int k = 3 * col; k < 3 * col + 3; ++k)
            x[k] = (uint8_t)((a[k] >> 1) + (c[k] >> 1));
    }
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) static void AdaptiveMaskAvx2 ADAPTIVE_MASK_ARGS ADAPTIVE_MASK_BODY

/* Sixteen pixels (48 bytes) at a time: each marking byte is spread over its pixel's three bytes. */
__attribute__((target("avx2"))) static void BlendMarkedAvx2(uint8_t *restrict x, const uint8_t *restrict a,
                                                            const uint8_t *restrict c,
                                                            const uint8_t *restrict take, int32_t width)
{
    const __m128i spread[3] = {
        _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5),
        _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10),
        _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15),
    };
    const __m128i low7 = _mm_set1_epi8(0x7F);
    int32_t col = 0;
    for (; col + 16 <= width; col += 16) {
        const __m128i marks = _mm_loadu_si128((const __m128i *)(take + col));
        for (int part = 0; part < 3; ++part) {
            const ptrdiff_t at = 3 * (ptrdiff_t)col + 16 * part;
            const __m128i above = _mm_loadu_si128((const __m128i *)(a + at));
            const __m128i below = _mm_loadu_si128((const __m128i *)(c + at));
            const __m128i blend = _mm_add_epi8(_mm_and_si128(_mm_srli_epi16(above, 1), low7),
                                               _mm_and_si128(_mm_srli_epi16(below, 1), low7));
            const __m128i kept = _mm_loadu_si128((const __m128i *)(x + at));
            _mm_storeu_si128((__m128i *)(x + at), _mm_blendv_epi8(kept, blend, _mm_shuffle_epi8(marks, spread[part])));
        }
    }
    BlendMarkedPlain(x, a, c, take, col, width);
}
#endif

static void AdaptiveMaskBaseline ADAPTIVE_MASK_ARGS ADAPTIVE_MASK_BODY

/* The adaptive rule on one rebuilt line `x` between the kept lines `a` (before) and `c` (after),
 * given the brightness of every line it looks at: `ya` and `yc` of the kept lines, `current` of `x`
 * and `yq` of the next rebuilt line as decoded, `previous` of the previous rebuilt line as decoded.
 * The marking is written as a flat loop that the compiler turns into vector code, built twice and
 * chosen by the processor. */
static void AdaptiveLine(uint8_t *restrict x, const uint8_t *restrict a, const uint8_t *restrict c,
                         const int32_t *ya, const int32_t *yc, const int32_t *yq, const int32_t *current,
                         const int32_t *previous, int32_t width, int avx2)
{
    uint8_t take[DV_DEINTERLACE_MAX];
#if defined(__x86_64__) || defined(__i386__)
    if (avx2) {
        AdaptiveMaskAvx2(take, ya, yc, yq, current, previous, width);
        BlendMarkedAvx2(x, a, c, take, width);
        return;
    }
#endif
    (void)avx2;
    AdaptiveMaskBaseline(take, ya, yc, yq, current, previous, width);
    BlendMarkedPlain(x, a, c, take, 0, width);
}

static void Swap(int32_t **one, int32_t **other)
{
    int32_t *kept = *one;
    *one = *other;
    *other = kept;
}

void DvDeinterlace(uint8_t *picture, int32_t width, int32_t height, uint32_t request)
{
    if (width < 1 || width > DV_DEINTERLACE_MAX || height < DV_DEINTERLACE_MIN_LINES || height > DV_DEINTERLACE_MAX)
        return;
    const int adaptive = request == DVCDEC_DEINTERLACE_EVEN || request == DVCDEC_DEINTERLACE_ODD;
    const int parity = (request == DVCDEC_DEINTERLACE_EVEN || request == DVCDEC_DEINTERLACE_EVEN_ALWAYS) ? 0 : 1;
    const int32_t stride = DvRowBytes(width);
    /* Picture line 0 is the top line, the last line in the buffer. */
    const int32_t first = (height - 1 - parity) & 1;
    const int32_t rebuilt = (height - first + 1) / 2;

    /* Brightness of lines as decoded, each line's computed once: the previous and the current rebuilt
     * line, the next one (known once the current one was decided adaptively), and the kept lines
     * around the current one (the lower kept line of one rebuilt line is the upper of the next). */
    int32_t lines[5][DV_DEINTERLACE_MAX];
    int32_t *previous = lines[0], *current = lines[1], *next = lines[2], *above = lines[3], *below = lines[4];
    int haveNext = 0, haveAbove = 0;
#if defined(__x86_64__) || defined(__i386__)
    const int avx2 = gDvAvx2;
#else
    const int avx2 = 0;
#endif
    for (int32_t i = 0, b = first; b < height; ++i, b += 2) {
        uint8_t *x = picture + (ptrdiff_t)b * stride;
        if (haveNext)
            Swap(&current, &next);
        else if (adaptive)
            BrightnessLine(x, current, width, avx2);
        haveNext = 0;

        if (b == 0) {
            /* The bottom line has nothing below it: it copies the line above. */
            memcpy(x, x + stride, (size_t)3 * width);
            haveAbove = 0;
        } else if (b == height - 1) {
            /* Likewise the top line, with nothing above it. */
            memcpy(x, x - stride, (size_t)3 * width);
            haveAbove = 0;
        } else {
            const uint8_t *a = x - stride, *c = x + stride;
            if (!adaptive || i < DV_DEINTERLACE_LEAD || i >= rebuilt - DV_DEINTERLACE_TAIL) {
                InterpolateLine(x, a, c, width);
                haveAbove = 0;
            } else {
                const uint8_t *q = x + 2 * stride;
                if (!haveAbove)
                    BrightnessLine(a, above, width, avx2);
                BrightnessLine(c, below, width, avx2);
                BrightnessLine(q, next, width, avx2);
                AdaptiveLine(x, a, c, above, below, next, current, previous, width, avx2);
                Swap(&above, &below);
                haveAbove = haveNext = 1;
            }
        }
        Swap(&previous, &current);
    }
}

typedef struct LetterboxScan {
    int16_t firstLine525, firstLine625;
    int16_t columns[DV_LETTERBOX_SAMPLES];
} LetterboxScan;

static const LetterboxScan kLetterbox[4] = {
    {421, 507, {40, 60, 300, 550}},
    {209, 252, {20, 30, 150, 225}},
    {103, 125, {10, 15, 75, 112}},
    {50, 61, {5, 7, 37, 61}},
};

int32_t DvFindLetterbox(const uint8_t *picture, int32_t width, int32_t height, int scaleIndex, int is525)
{
    const int32_t stride = DvRowBytes(width);
    const LetterboxScan *scan = &kLetterbox[scaleIndex];
    const uint8_t *reference = picture + (ptrdiff_t)(height - 1) * stride;
    const int threshold = (reference[0] == reference[1] && reference[1] == reference[2])
                              ? reference[0] + DV_LETTERBOX_MARGIN
                              : DV_LETTERBOX_DARK;
    const int32_t firstLine = is525 ? scan->firstLine525 : scan->firstLine625;

    /* Scan rule: the band ends at the first scanned line whose four samples are all dark; a bright
     * sample anywhere on the line means picture content still reaches it. (Deciding on the last
     * sample column alone would miss content that reaches into the bar at the left only.) */
    int32_t stop = firstLine + DV_LETTERBOX_LINES - 1;
    for (int32_t line = firstLine; line < firstLine + DV_LETTERBOX_LINES; ++line) {
        const uint8_t *row = picture + (ptrdiff_t)line * stride;
        int dark = 1;
        for (int s = 0; s < DV_LETTERBOX_SAMPLES; ++s) {
            const uint8_t *p = row + 3 * scan->columns[s];
            dark &= p[0] <= threshold && p[1] <= threshold && p[2] <= threshold;
        }
        if (dark) {
            stop = line;
            break;
        }
    }
    return stop;
}

int32_t DvCutLetterbox(uint8_t *picture, int32_t width, int32_t height, int scaleIndex, int is525, int32_t band)
{
    const int32_t stop = DvFindLetterbox(picture, width, height, scaleIndex, is525);
    const int32_t stride = DvRowBytes(width);
    memmove(picture, picture + (ptrdiff_t)(stop - band) * stride, (size_t)band * stride);
    return stop;
}

/* Keeps a window of a picture of unchanged size, in place: each row moves down or left only. */
static void Crop(uint8_t *picture, int32_t width, int32_t left, int32_t bottom, int32_t outWidth, int32_t outHeight)
{
    const int32_t stride = DvRowBytes(width), outStride = DvRowBytes(outWidth);
    for (int32_t j = 0; j < outHeight; ++j) {
        uint8_t *dst = picture + (ptrdiff_t)j * outStride;
        memmove(dst, picture + (ptrdiff_t)(j + bottom) * stride + 3 * left, (size_t)3 * outWidth);
        memset(dst + 3 * outWidth, 0, (size_t)(outStride - 3 * outWidth));
    }
}

uint32_t DvResampleReference(uint8_t *picture, int32_t width, int32_t height, int32_t targetWidth,
                             int32_t targetHeight, int32_t left, int32_t right, int32_t top, int32_t bottom)
{
    const int32_t outWidth = targetWidth - left - right, outHeight = targetHeight - top - bottom;
    if (targetWidth == width && targetHeight == height) {
        Crop(picture, width, left, bottom, outWidth, outHeight);
        return DVCDEC_OK;
    }
    const int32_t stride = DvRowBytes(width), outStride = DvRowBytes(outWidth);
    DvTap columns[DV_WIDTH];
    if (outWidth > DV_WIDTH)
        return DVCDEC_NO_MEMORY;
    uint8_t *result = malloc((size_t)outStride * outHeight);
    if (!result)
        return DVCDEC_NO_MEMORY;
    const float ratioX = (float)targetWidth / (float)width, ratioY = (float)targetHeight / (float)height;
    for (int32_t i = 0; i < outWidth; ++i)
        columns[i] = DvTapOf(left + i, ratioX, width);

    for (int32_t j = 0; j < outHeight; ++j) {
        const DvTap row = DvTapOf(bottom + j, ratioY, height);
        const uint8_t *lower = picture + (ptrdiff_t)row.i0 * stride, *upper = picture + (ptrdiff_t)row.i1 * stride;
        const float fy = row.f;
        uint8_t *out = result + (ptrdiff_t)j * outStride;
        for (int32_t i = 0; i < outWidth; ++i) {
            const DvTap col = columns[i];
            const float fx = col.f;
            for (int n = 0; n < 3; ++n) {
                float v = fy * (fx * upper[3 * col.i1 + n] + (1 - fx) * upper[3 * col.i0 + n]) +
                          (1 - fy) * (fx * lower[3 * col.i1 + n] + (1 - fx) * lower[3 * col.i0 + n]);
                int32_t iv = (int32_t)v;
                out[3 * i + n] = (uint8_t)(iv < 0 ? 0 : iv > 255 ? 255 : iv);
            }
        }
        memset(out + 3 * outWidth, 0, (size_t)(outStride - 3 * outWidth));
    }
    memcpy(picture, result, (size_t)outStride * outHeight);
    free(result);
    return DVCDEC_OK;
}
