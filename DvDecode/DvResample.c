/*
 * The resampler of the picture shapes, in 16-bit fixed point.
 *
 * Strategy: the source positions and fractions come from the same single-precision arithmetic as
 * the floating-point resampler (DvResampleReference), so both read the same pixels; only the
 * blend is done in integers. Each output line is made in two steps:
 *
 *   1. vertical: the two source lines are blended into one line of 16-bit values in 1/64 of a
 *      level (V = 64 A + floor(64 (B - A) fy)), or written out directly when no column changes;
 *   2. horizontal: every output byte blends two of those values (O = VL + floor((VR - VL) fx)) and
 *      drops the six fraction bits.
 *
 * Fractions are held in 15 bits and every step floors, so a result lies within 0.05 of the exact
 * bilinear value and within one level of the floating-point result, never more.
 *
 * Where the processor runs AVX2 (the choice the decoder core made for this call, gDvAvx2) the
 * horizontal step gathers its inputs with byte shuffles from tables built per call, straight from
 * the source bytes on lines that need no vertical blend (all of them for the 4:3 shape of 525/60,
 * the program's default request). The baseline build does the vertical step with SSE2 and the
 * horizontal step in plain integers. Both compute the same bytes.
 */
#include <stdlib.h>
#include <string.h>

#include "DvReshape.h"
#include "Vistra32.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define DV_X86 1
#define AVX2 __attribute__((target("avx2")))
#else
#define DV_X86 0
#endif

/* Bits of a fraction, and of the sub-level precision of the vertical step. */
#define DV_FRACTION_BITS 15
#define DV_FRACTION_ONE (1 << DV_FRACTION_BITS)
#define DV_SUBLEVEL_BITS 6
/* One byte shuffle gathers eight 16-bit values from a window of sixteen. */
#define DV_GATHER_LANE 8
#define DV_GATHER_WINDOW 16
/* The horizontal step emits 32 bytes per round: four lanes. */
#define DV_GATHER_ROUND 32
#define DV_MAX_ELEMENTS (3 * DV_WIDTH)
#define DV_MAX_LANES (DV_MAX_ELEMENTS / DV_GATHER_LANE + 4)
/* Loads of a gather window may run this far past the last value a lane uses. */
#define DV_LINE_PAD (2 * DV_GATHER_WINDOW)

DvTap DvTapOf(int32_t t, float ratio, int32_t size)
{
    DvTap tap;
    const float s = (float)t / ratio;
    int32_t i = (int32_t)s;
    i = i < 0 ? 0 : i > size - 1 ? size - 1 : i;
    tap.i0 = i;
    tap.i1 = i + 1 < size ? i + 1 : i;
    tap.f = s - (float)i;
    return tap;
}

static int16_t FractionOf(const DvTap *tap)
{
    /* A neighbour that is the pixel itself contributes nothing, whatever the fraction says. */
    if (tap->i1 == tap->i0)
        return 0;
    int32_t w = (int32_t)(tap->f * (float)DV_FRACTION_ONE + 0.5f);
    return (int16_t)(w < 0 ? 0 : w > DV_FRACTION_ONE - 1 ? DV_FRACTION_ONE - 1 : w);
}

/* The high half of a signed 16 x 16 product, as the vector multiply gives it. */
static inline int16_t MulHigh(int16_t a, int16_t b)
{
    return (int16_t)(((int32_t)a * b) >> 16);
}

static inline uint8_t ToByte(int16_t v)
{
    v = (int16_t)(v >> DV_SUBLEVEL_BITS);
    return (uint8_t)(v < 0 ? 0 : v > 255 ? 255 : v);
}

static inline int16_t BlendVertical(uint8_t a, uint8_t b, int16_t fy)
{
    return (int16_t)((a << DV_SUBLEVEL_BITS) + MulHigh((int16_t)((b - a) << 7), fy));
}

static inline uint8_t BlendHorizontal(int16_t l, int16_t r, int16_t fx)
{
    return ToByte((int16_t)(l + MulHigh((int16_t)((r - l) * 2), fx)));
}

/* Everything one resampling needs about the columns. */
typedef struct Columns {
    int32_t count;       /* output pixels */
    int32_t first, end;  /* the range of source values the output reads */
    int32_t direct;      /* no column changes: output value e reads source value first + e */
    int32_t gather;      /* the shuffle tables below are valid for 16-bit lines */
    int32_t lanes;
    /* Leading lanes whose shuffles straight out of a byte line are valid and whose 16-byte windows
     * end inside the source line. */
    int32_t byteLanes;
    int16_t left[DV_MAX_ELEMENTS], right[DV_MAX_ELEMENTS];
    /* A round of the horizontal step reads up to one round past the last value. */
    int16_t fraction[DV_MAX_ELEMENTS + DV_GATHER_ROUND];
    /* Per lane of eight output values: the window start, and the shuffles that pick the left and
     * right values out of the window. Of a 16-bit line the window is 32 bytes, read as a lower and
     * an upper half (picks: left from lower, left from upper, right from lower, right from upper);
     * of a byte line it is 16 bytes (picks: left, right) and the shuffle widens as it picks.
     * Picks are stored by kind, then lane, so that two neighbouring lanes load as one. */
    int32_t base[DV_MAX_LANES];
    uint8_t pick[4][DV_MAX_LANES][16];
    uint8_t pickBytes[2][DV_MAX_LANES][16];
} Columns;

static void BuildColumns(Columns *cols, int32_t width, int32_t targetWidth, int32_t left, int32_t outWidth)
{
    cols->byteLanes = 0;
    cols->count = outWidth;
    cols->direct = targetWidth == width;
    if (cols->direct) {
        cols->first = 3 * left;
        cols->end = 3 * (left + outWidth);
        cols->gather = 0;
        return;
    }
    const float ratio = (float)targetWidth / (float)width;
    for (int32_t x = 0; x < outWidth; ++x) {
        const DvTap tap = DvTapOf(left + x, ratio, width);
        const int16_t f = FractionOf(&tap);
        for (int c = 0; c < 3; ++c) {
            cols->left[3 * x + c] = (int16_t)(3 * tap.i0 + c);
            cols->right[3 * x + c] = (int16_t)(3 * tap.i1 + c);
            cols->fraction[3 * x + c] = f;
        }
    }
    const int32_t n = 3 * outWidth;
    memset(cols->fraction + n, 0, sizeof(int16_t) * DV_GATHER_ROUND);
    cols->first = cols->left[0];
    cols->end = 0;
    for (int32_t e = 0; e < n; ++e)
        cols->end = cols->right[e] + 1 > cols->end ? cols->right[e] + 1 : cols->end;

    /* Lanes past the end repeat the last value, so a round never reads outside the tables. */
    cols->lanes = (n + DV_GATHER_LANE - 1) / DV_GATHER_LANE;
    cols->lanes = (cols->lanes + 3) & ~3;
    cols->gather = 1;
    int32_t byteLanesValid = 1;
    for (int32_t lane = 0; lane < cols->lanes; ++lane) {
        const int32_t e0 = lane * DV_GATHER_LANE < n ? lane * DV_GATHER_LANE : n - 1;
        const int32_t base = cols->left[e0];
        cols->base[lane] = base;
        int laneFitsBytes = base + DV_GATHER_WINDOW <= 3 * width;
        for (int32_t k = 0; k < DV_GATHER_LANE; ++k) {
            int32_t e = lane * DV_GATHER_LANE + k;
            e = e < n ? e : n - 1;
            const int32_t from[2] = {cols->left[e] - base, cols->right[e] - base};
            for (int side = 0; side < 2; ++side) {
                if (from[side] < 0 || from[side] >= DV_GATHER_WINDOW) {
                    /* A stretch wider than a window: the plain step serves. */
                    cols->gather = 0;
                    laneFitsBytes = 0;
                    continue;
                }
                for (int byte = 0; byte < 2; ++byte) {
                    const int32_t at = 2 * from[side] + byte;
                    /* Index bit 7 makes the shuffle yield zero for the half that lacks the byte. */
                    cols->pick[2 * side][lane][2 * k + byte] = (uint8_t)(at < 16 ? at : 0x80);
                    cols->pick[2 * side + 1][lane][2 * k + byte] = (uint8_t)(at >= 16 ? at - 16 : 0x80);
                }
                cols->pickBytes[side][lane][2 * k] = (uint8_t)from[side];
                cols->pickBytes[side][lane][2 * k + 1] = 0x80;
            }
        }
        byteLanesValid &= laneFitsBytes;
        if (byteLanesValid)
            cols->byteLanes = lane + 1;
    }
}

/* --- Baseline steps ------------------------------------------------------------------------- */

static void VerticalLine(const uint8_t *a, const uint8_t *b, int16_t fy, int16_t *v, int32_t from, int32_t end)
{
    int32_t e = from;
#if DV_X86
    const __m128i zero = _mm_setzero_si128(), weight = _mm_set1_epi16(fy);
    for (; e + 16 <= end; e += 16) {
        const __m128i pa = _mm_loadu_si128((const __m128i *)(a + e)), pb = _mm_loadu_si128((const __m128i *)(b + e));
        for (int half = 0; half < 2; ++half) {
            const __m128i wa = half ? _mm_unpackhi_epi8(pa, zero) : _mm_unpacklo_epi8(pa, zero);
            const __m128i wb = half ? _mm_unpackhi_epi8(pb, zero) : _mm_unpacklo_epi8(pb, zero);
            const __m128i step = _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(wb, wa), 7), weight);
            _mm_storeu_si128((__m128i *)(v + e + 8 * half),
                             _mm_add_epi16(_mm_slli_epi16(wa, DV_SUBLEVEL_BITS), step));
        }
    }
#endif
    for (; e < end; ++e)
        v[e] = BlendVertical(a[e], b[e], fy);
}

/* Lines whose columns stay put: the vertical blend goes straight to bytes. */
static void VerticalBytes(const uint8_t *a, const uint8_t *b, int16_t fy, uint8_t *out, int32_t n)
{
    int32_t e = 0;
#if DV_X86
    const __m128i zero = _mm_setzero_si128(), weight = _mm_set1_epi16(fy);
    for (; e + 16 <= n; e += 16) {
        const __m128i pa = _mm_loadu_si128((const __m128i *)(a + e)), pb = _mm_loadu_si128((const __m128i *)(b + e));
        __m128i halves[2];
        for (int half = 0; half < 2; ++half) {
            const __m128i wa = half ? _mm_unpackhi_epi8(pa, zero) : _mm_unpacklo_epi8(pa, zero);
            const __m128i wb = half ? _mm_unpackhi_epi8(pb, zero) : _mm_unpacklo_epi8(pb, zero);
            const __m128i step = _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(wb, wa), 7), weight);
            halves[half] = _mm_srai_epi16(_mm_add_epi16(_mm_slli_epi16(wa, DV_SUBLEVEL_BITS), step), DV_SUBLEVEL_BITS);
        }
        _mm_storeu_si128((__m128i *)(out + e), _mm_packus_epi16(halves[0], halves[1]));
    }
#endif
    for (; e < n; ++e)
        out[e] = ToByte(BlendVertical(a[e], b[e], fy));
}

/* Straight from a byte line, the horizontal blend is the vertical one across columns. */
static void HorizontalBytesPlain(const Columns *cols, const uint8_t *a, uint8_t *out, int32_t from)
{
    const int32_t n = 3 * cols->count;
    for (int32_t e = from; e < n; ++e)
        out[e] = ToByte(BlendVertical(a[cols->left[e]], a[cols->right[e]], cols->fraction[e]));
}

static void HorizontalPlain(const Columns *cols, const int16_t *v, uint8_t *out)
{
    const int32_t n = 3 * cols->count;
    for (int32_t e = 0; e < n; ++e)
        out[e] = BlendHorizontal(v[cols->left[e]], v[cols->right[e]], cols->fraction[e]);
}

/* --- AVX2 steps ----------------------------------------------------------------------------- */

#if DV_X86
AVX2 static void VerticalLineAvx2(const uint8_t *a, const uint8_t *b, int16_t fy, int16_t *v, int32_t from,
                                  int32_t end)
{
    int32_t e = from;
    const __m256i weight = _mm256_set1_epi16(fy);
    for (; e + 16 <= end; e += 16) {
        const __m256i wa = _mm256_cvtepu8_epi16(_mm_loadu_si128((const __m128i *)(a + e)));
        const __m256i wb = _mm256_cvtepu8_epi16(_mm_loadu_si128((const __m128i *)(b + e)));
        const __m256i step = _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(wb, wa), 7), weight);
        _mm256_storeu_si256((__m256i *)(v + e), _mm256_add_epi16(_mm256_slli_epi16(wa, DV_SUBLEVEL_BITS), step));
    }
    for (; e < end; ++e)
        v[e] = BlendVertical(a[e], b[e], fy);
}

AVX2 static void VerticalBytesAvx2(const uint8_t *a, const uint8_t *b, int16_t fy, uint8_t *out, int32_t n)
{
    int32_t e = 0;
    const __m256i weight = _mm256_set1_epi16(fy);
    for (; e + 32 <= n; e += 32) {
        __m256i halves[2];
        for (int half = 0; half < 2; ++half) {
            const __m256i wa = _mm256_cvtepu8_epi16(_mm_loadu_si128((const __m128i *)(a + e + 16 * half)));
            const __m256i wb = _mm256_cvtepu8_epi16(_mm_loadu_si128((const __m128i *)(b + e + 16 * half)));
            const __m256i step = _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(wb, wa), 7), weight);
            halves[half] =
                _mm256_srai_epi16(_mm256_add_epi16(_mm256_slli_epi16(wa, DV_SUBLEVEL_BITS), step), DV_SUBLEVEL_BITS);
        }
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(halves[0], halves[1]), 0xD8);
        _mm256_storeu_si256((__m256i *)(out + e), packed);
    }
    for (; e < n; ++e)
        out[e] = ToByte(BlendVertical(a[e], b[e], fy));
}

AVX2 static inline __m256i LoadLanes(const void *lower, const void *upper)
{
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128((const __m128i *)lower)),
                                   _mm_loadu_si128((const __m128i *)upper), 1);
}

/* Sixteen output values from a 16-bit line: lanes `lane` and `lane` + 1. */
AVX2 static inline __m256i GatherBlend(const Columns *cols, const int16_t *v, int32_t lane)
{
    const int16_t *w0 = v + cols->base[lane], *w1 = v + cols->base[lane + 1];
    const __m256i low = LoadLanes(w0, w1), high = LoadLanes(w0 + DV_GATHER_LANE, w1 + DV_GATHER_LANE);
#define PICK(i) _mm256_loadu_si256((const __m256i *)cols->pick[i][lane])
    const __m256i l = _mm256_or_si256(_mm256_shuffle_epi8(low, PICK(0)), _mm256_shuffle_epi8(high, PICK(1)));
    const __m256i r = _mm256_or_si256(_mm256_shuffle_epi8(low, PICK(2)), _mm256_shuffle_epi8(high, PICK(3)));
#undef PICK
    const __m256i f = _mm256_loadu_si256((const __m256i *)(cols->fraction + lane * DV_GATHER_LANE));
    const __m256i step = _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(r, l), 1), f);
    return _mm256_srai_epi16(_mm256_add_epi16(l, step), DV_SUBLEVEL_BITS);
}

/* Sixteen output values straight from a byte line. */
AVX2 static inline __m256i GatherBlendBytes(const Columns *cols, const uint8_t *a, int32_t lane)
{
    const __m256i window = LoadLanes(a + cols->base[lane], a + cols->base[lane + 1]);
    const __m256i l = _mm256_shuffle_epi8(window, _mm256_loadu_si256((const __m256i *)cols->pickBytes[0][lane]));
    const __m256i r = _mm256_shuffle_epi8(window, _mm256_loadu_si256((const __m256i *)cols->pickBytes[1][lane]));
    const __m256i f = _mm256_loadu_si256((const __m256i *)(cols->fraction + lane * DV_GATHER_LANE));
    const __m256i step = _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(r, l), 7), f);
    return _mm256_srai_epi16(_mm256_add_epi16(_mm256_slli_epi16(l, DV_SUBLEVEL_BITS), step), DV_SUBLEVEL_BITS);
}

AVX2 static void HorizontalBytesAvx2(const Columns *cols, const uint8_t *a, uint8_t *out)
{
    const int32_t n = 3 * cols->count;
    int32_t e = 0;
    for (int32_t lane = 0; lane + 4 <= cols->byteLanes && e + DV_GATHER_ROUND <= n; lane += 4, e += DV_GATHER_ROUND) {
        const __m256i packed = _mm256_packus_epi16(GatherBlendBytes(cols, a, lane), GatherBlendBytes(cols, a, lane + 2));
        _mm256_storeu_si256((__m256i *)(out + e), _mm256_permute4x64_epi64(packed, 0xD8));
    }
    /* The compiler leaves the upper register halves dirty across this tail call, and the baseline
     * code after it would then pay for every instruction. */
    _mm256_zeroupper();
    HorizontalBytesPlain(cols, a, out, e);
}

AVX2 static void HorizontalAvx2(const Columns *cols, const int16_t *v, uint8_t *out)
{
    const int32_t n = 3 * cols->count;
    int32_t e = 0;
    for (int32_t lane = 0; e < n; lane += 4, e += DV_GATHER_ROUND) {
        const __m256i a = GatherBlend(cols, v, lane), b = GatherBlend(cols, v, lane + 2);
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xD8);
        if (e + DV_GATHER_ROUND <= n) {
            _mm256_storeu_si256((__m256i *)(out + e), packed);
        } else {
            /* The last round stops at the line's end: what follows may still be source. */
            uint8_t last[DV_GATHER_ROUND];
            _mm256_storeu_si256((__m256i *)last, packed);
            memcpy(out + e, last, (size_t)(n - e));
        }
    }
}
#endif

void DvResampleInto(const uint8_t *source, int32_t width, int32_t height, uint8_t *target, int32_t targetWidth,
                    int32_t targetHeight, int32_t left, int32_t right, int32_t top, int32_t bottom)
{
    const int32_t outWidth = targetWidth - left - right, outHeight = targetHeight - top - bottom;
    const int32_t stride = DvRowBytes(width), outStride = DvRowBytes(outWidth), n = 3 * outWidth;
    const float ratioY = (float)targetHeight / (float)height;
#if DV_X86
    const int avx2 = gDvAvx2;
#else
    const int avx2 = 0;
#endif

    /* The tables of one call, and the 16-bit values of one blended line indexed like the source
     * line's bytes. */
    Columns columns;
    Columns *cols = &columns;
    int16_t line[DV_MAX_ELEMENTS + DV_LINE_PAD] __attribute__((aligned(32)));
    BuildColumns(cols, width, targetWidth, left, outWidth);
    /* Gather windows may reach past the values in use; keep what they read defined. */
    memset(line, 0, sizeof line);

    for (int32_t j = 0; j < outHeight; ++j) {
        const DvTap row = DvTapOf(bottom + j, ratioY, height);
        const int16_t fy = FractionOf(&row);
        const uint8_t *a = source + (ptrdiff_t)row.i0 * stride, *b = source + (ptrdiff_t)row.i1 * stride;
        uint8_t *out = target + (ptrdiff_t)j * outStride;

        if (cols->direct) {
            if (fy == 0) {
                memmove(out, a + cols->first, (size_t)n);
            } else {
#if DV_X86
                if (avx2)
                    VerticalBytesAvx2(a + cols->first, b + cols->first, fy, out, n);
                else
#endif
                    VerticalBytes(a + cols->first, b + cols->first, fy, out, n);
            }
        } else {
#if DV_X86
            if (avx2 && fy == 0 && cols->gather) {
                HorizontalBytesAvx2(cols, a, out);
            } else if (avx2) {
                VerticalLineAvx2(a, b, fy, line, cols->first, cols->end);
                if (cols->gather)
                    HorizontalAvx2(cols, line, out);
                else
                    HorizontalPlain(cols, line, out);
            } else
#endif
            {
                VerticalLine(a, b, fy, line, cols->first, cols->end);
                HorizontalPlain(cols, line, out);
            }
        }
        memset(out + n, 0, (size_t)(outStride - n));
    }
}

uint32_t DvResample(uint8_t *picture, int32_t width, int32_t height, int32_t targetWidth, int32_t targetHeight,
                    int32_t left, int32_t right, int32_t top, int32_t bottom)
{
    const int32_t outWidth = targetWidth - left - right, outHeight = targetHeight - top - bottom;
    if (width > DV_WIDTH || outWidth > DV_WIDTH)
        return DVCDEC_NO_MEMORY;
    /* Shrinking never reads a line or column before the one it writes, so it can work in place;
     * stretching needs the whole source kept until the end. */
    if (targetWidth <= width && targetHeight <= height) {
        DvResampleInto(picture, width, height, picture, targetWidth, targetHeight, left, right, top, bottom);
        return DVCDEC_OK;
    }
    const size_t bytes = (size_t)DvRowBytes(outWidth) * outHeight;
    uint8_t *result = malloc(bytes);
    if (!result)
        return DVCDEC_NO_MEMORY;
    DvResampleInto(picture, width, height, result, targetWidth, targetHeight, left, right, top, bottom);
    memcpy(picture, result, bytes);
    free(result);
    return DVCDEC_OK;
}
