/*
 * De-interlacing, the letterbox band and resampling of decoded 24-bit pictures.
 *
 * The resampler works in single precision on purpose: it is the arithmetic the picture shapes
 * were tuned with, and the results must not depend on the compiler (the library is built without
 * floating-point contraction).
 */
#include <stdlib.h>
#include <string.h>

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

static int CombDecision(int x, int a, int c, int p, int q)
{
    const int k = x - a, t = x - c, j = p - a, w = q - c;
    if (!(k * t < 0 || (k * j < 0 && w * t < 0)))
        return 1;
    return (j * j > k * k && t * t > k * k && w * t > 0) || (k * j >= 0 && k * k > t * t && w * w > t * t);
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

    /* Brightness of the previous rebuilt line as decoded, and of the current one. */
    int previous[DV_DEINTERLACE_MAX], current[DV_DEINTERLACE_MAX];
    for (int32_t i = 0, b = first; b < height; ++i, b += 2) {
        uint8_t *x = picture + (ptrdiff_t)b * stride;
        for (int32_t c = 0; c < width; ++c)
            current[c] = Brightness(x + 3 * c);

        if (b == 0) {
            /* The bottom line has nothing below it: it copies the line above. */
            memcpy(x, x + stride, (size_t)3 * width);
        } else if (b == height - 1) {
            /* Likewise the top line, with nothing above it. */
            memcpy(x, x - stride, (size_t)3 * width);
        } else {
            const uint8_t *a = x - stride, *c = x + stride;
            if (!adaptive || i < DV_DEINTERLACE_LEAD || i >= rebuilt - DV_DEINTERLACE_TAIL) {
                InterpolateLine(x, a, c, width);
            } else {
                const uint8_t *q = x + 2 * stride;
                for (int32_t col = 0; col < width; ++col) {
                    const uint8_t *pa = a + 3 * col, *pc = c + 3 * col;
                    if (CombDecision(current[col], Brightness(pa), Brightness(pc), previous[col], Brightness(q + 3 * col)))
                        for (int n = 0; n < 3; ++n)
                            x[3 * col + n] = (uint8_t)((pa[n] >> 1) + (pc[n] >> 1));
                }
            }
        }
        memcpy(previous, current, sizeof(int) * (size_t)width);
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

int32_t DvCutLetterbox(uint8_t *picture, int32_t width, int32_t height, int scaleIndex, int is525, int32_t band)
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

typedef struct Tap {
    int32_t i0, i1;
    float f;
} Tap;

/* Source position of target coordinate `t` at the ratio target / source, in single precision. */
static Tap TapOf(int32_t t, float ratio, int32_t size)
{
    Tap tap;
    float s = (float)t / ratio;
    int32_t i = (int32_t)s;
    i = i < 0 ? 0 : i > size - 1 ? size - 1 : i;
    tap.i0 = i;
    tap.i1 = i + 1 < size ? i + 1 : i;
    tap.f = s - (float)i;
    return tap;
}

uint32_t DvResample(uint8_t *picture, int32_t width, int32_t height, int32_t targetWidth, int32_t targetHeight,
                    int32_t left, int32_t right, int32_t top, int32_t bottom)
{
    const int32_t outWidth = targetWidth - left - right, outHeight = targetHeight - top - bottom;
    if (targetWidth == width && targetHeight == height) {
        Crop(picture, width, left, bottom, outWidth, outHeight);
        return DVCDEC_OK;
    }
    const int32_t stride = DvRowBytes(width), outStride = DvRowBytes(outWidth);
    Tap columns[DV_WIDTH];
    if (outWidth > DV_WIDTH)
        return DVCDEC_NO_MEMORY;
    uint8_t *result = malloc((size_t)outStride * outHeight);
    if (!result)
        return DVCDEC_NO_MEMORY;
    const float ratioX = (float)targetWidth / (float)width, ratioY = (float)targetHeight / (float)height;
    for (int32_t i = 0; i < outWidth; ++i)
        columns[i] = TapOf(left + i, ratioX, width);

    for (int32_t j = 0; j < outHeight; ++j) {
        const Tap row = TapOf(bottom + j, ratioY, height);
        const uint8_t *lower = picture + (ptrdiff_t)row.i0 * stride, *upper = picture + (ptrdiff_t)row.i1 * stride;
        const float fy = row.f;
        uint8_t *out = result + (ptrdiff_t)j * outStride;
        for (int32_t i = 0; i < outWidth; ++i) {
            const Tap col = columns[i];
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
