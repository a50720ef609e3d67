/*
 * 24-bit pixel writers that convert eight pixels at once, for processors with AVX2; the set-up
 * takes them when the processor has it and falls back to the per-pixel writers otherwise.
 *
 * They compute exactly what the per-pixel writers compute. T is evaluated instead of looked up:
 * round((x + 112) x 255 / 219) never comes within 1/438 of a half, so single-precision arithmetic
 * gives the table's values (the tests compare every index), and packing with unsigned saturation
 * does the final clamp to 0 ... 255.
 */
#include <string.h>

#include "DvCore.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#define AVX2 __attribute__((target("avx2")))
#define AI static inline __attribute__((always_inline, target("avx2")))
#define S DV_RASTER_STRIDE
#define REC_LINE (DV_RECORD_SLOTS * DV_RECORD_VALUES)
#define DV_GROUP 4
#define DV_STUDIO_BLACK 112
#define DV_STUDIO_SPAN 219

AI __m256i Convert(__m256i x)
{
    x = _mm256_min_epi32(_mm256_max_epi32(x, _mm256_set1_epi32(DV_CONVERT_MIN)), _mm256_set1_epi32(DV_CONVERT_MAX));
    __m256 f = _mm256_cvtepi32_ps(_mm256_add_epi32(x, _mm256_set1_epi32(DV_STUDIO_BLACK)));
    f = _mm256_add_ps(_mm256_mul_ps(f, _mm256_set1_ps(255.0f / (float)DV_STUDIO_SPAN)), _mm256_set1_ps(0.5f));
    return _mm256_cvttps_epi32(f);
}

/* The signed 8-bit chroma step toward the next sample. */
AI __m256i Step(__m256i from, __m256i to)
{
    __m256i d = _mm256_and_si256(_mm256_srai_epi32(_mm256_sub_epi32(to, from), 2), _mm256_set1_epi32(0xFF));
    return _mm256_sub_epi32(_mm256_xor_si256(d, _mm256_set1_epi32(0x80)), _mm256_set1_epi32(0x80));
}

/* The colour-difference offsets of eight chroma pairs: Cr x 1.375, Cb x 1.75, green from both. */
typedef struct Offsets {
    __m256i r, g, b;
} Offsets;

AI Offsets ChromaOffsets(__m256i cr, __m256i cb)
{
    Offsets o;
    o.r = _mm256_add_epi32(cr, _mm256_srai_epi32(_mm256_add_epi32(cr, _mm256_add_epi32(cr, cr)), 3));
    o.b = _mm256_sub_epi32(_mm256_add_epi32(cb, cb), _mm256_srai_epi32(cb, 2));
    o.g = _mm256_sub_epi32(
        _mm256_sub_epi32(_mm256_setzero_si256(), _mm256_srai_epi32(_mm256_add_epi32(o.b, _mm256_add_epi32(o.b, o.b)), 4)),
        _mm256_srai_epi32(o.r, 1));
    return o;
}

/* Eight pixels as 24 bytes in the low bytes of the result, blue-green-red. */
AI __m256i PixelsWith(__m256i y, const Offsets *o)
{
    const __m256i blue = Convert(_mm256_add_epi32(y, o->b));
    const __m256i green = Convert(_mm256_add_epi32(y, o->g));
    const __m256i red = Convert(_mm256_add_epi32(y, o->r));
    /* Per 128-bit half: B0-3 G0-3 R0-3 then zeros, saturated to bytes. */
    const __m256i planar = _mm256_packus_epi16(_mm256_packs_epi32(blue, green),
                                               _mm256_packs_epi32(red, _mm256_setzero_si256()));
    const __m256i interleave = _mm256_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1,
                                                0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1);
    const __m256i packed = _mm256_shuffle_epi8(planar, interleave);
    return _mm256_permutevar8x32_epi32(packed, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7));
}

AI __m256i Pixels(__m256i y, __m256i cr, __m256i cb)
{
    const Offsets o = ChromaOffsets(cr, cb);
    return PixelsWith(y, &o);
}

AI void Store24(uint8_t *p, __m256i v)
{
    _mm_storeu_si128((__m128i *)p, _mm256_castsi256_si128(v));
    _mm_storel_epi64((__m128i *)(p + 16), _mm256_extracti128_si256(v, 1));
}

AI void Store12(uint8_t *p, __m128i v)
{
    _mm_storel_epi64((__m128i *)p, v);
    uint32_t last = (uint32_t)_mm_extract_epi32(v, 2);
    memcpy(p + 8, &last, sizeof last);
}

AI __m256i Load8(const int32_t *p)
{
    return _mm256_loadu_si256((const __m256i *)p);
}

/* Lanes 0-3 take element 2q of v, lanes 4-7 element 2q + 1. */
AI __m256i Pair(__m256i v, int q)
{
    return _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(2 * q, 2 * q, 2 * q, 2 * q, 2 * q + 1, 2 * q + 1,
                                                            2 * q + 1, 2 * q + 1));
}

AI __m256i PixelsOfGroups(const int32_t *y, __m256i cr, __m256i sr, __m256i cb, __m256i sb, int q)
{
    const __m256i j = _mm256_setr_epi32(0, 1, 2, 3, 0, 1, 2, 3);
    return Pixels(Load8(y + 8 * q), _mm256_add_epi32(Pair(cr, q), _mm256_mullo_epi32(j, Pair(sr, q))),
                  _mm256_add_epi32(Pair(cb, q), _mm256_mullo_epi32(j, Pair(sb, q))));
}

AI void Write411(const int32_t *raster, uint8_t *dest, ptrdiff_t pitch, DvRecord *rec, int scale)
{
    const int lines = 8 / scale, groups = 8 / scale;
    const __m256i next = _mm256_setr_epi32(1, 2, 3, 4, 5, 6, 7, 7);
    for (int l = 0; l < lines; ++l) {
        const int32_t *y = raster + l * S;
        const __m256i cr = Load8(y + DV_RASTER_CR), cb = Load8(y + DV_RASTER_CB);
        const __m256i sr = Step(cr, _mm256_permutevar8x32_epi32(cr, next));
        const __m256i sb = Step(cb, _mm256_permutevar8x32_epi32(cb, next));
        uint8_t *line = dest + l * pitch;
        /* The last group of the line waits for the macroblock to the right. */
        if (scale == 1) {
            Store24(line, PixelsOfGroups(y, cr, sr, cb, sb, 0));
            Store24(line + 24, PixelsOfGroups(y, cr, sr, cb, sb, 1));
            Store24(line + 48, PixelsOfGroups(y, cr, sr, cb, sb, 2));
            Store12(line + 72, _mm256_castsi256_si128(PixelsOfGroups(y, cr, sr, cb, sb, 3)));
        } else {
            Store24(line, PixelsOfGroups(y, cr, sr, cb, sb, 0));
            Store12(line + 24, _mm256_castsi256_si128(PixelsOfGroups(y, cr, sr, cb, sb, 1)));
        }
        DvRecord *r = rec + l * REC_LINE;
        r[DV_REC_FIRST_CR] = DvToRecord(y[DV_RASTER_CR]);
        r[DV_REC_FIRST_CB] = DvToRecord(y[DV_RASTER_CB]);
        for (int i = 0; i < DV_GROUP; ++i)
            r[DV_REC_LAST_Y + i] = DvToRecord(y[(groups - 1) * DV_GROUP + i]);
        r[DV_REC_LAST_CR] = DvToRecord(y[DV_RASTER_CR + groups - 1]);
        r[DV_REC_LAST_CB] = DvToRecord(y[DV_RASTER_CB + groups - 1]);
    }
}

AI void Write420(const int32_t *raster, uint8_t *dest, ptrdiff_t pitch, int scale)
{
    const int lines = 16 / scale, half = lines / 2, block = 8 / scale;
    const __m256i low = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3), high = _mm256_setr_epi32(4, 4, 5, 5, 6, 6, 7, 7);
    /* Two lines share each chroma line. */
    for (int l = 0; l < lines; l += 2) {
        const int32_t *chroma = raster + (l >> 1) * S;
        const __m256i cr = Load8(chroma + DV_RASTER_CR), cb = Load8(chroma + DV_RASTER_CB);
        const Offsets left = ChromaOffsets(_mm256_permutevar8x32_epi32(cr, low), _mm256_permutevar8x32_epi32(cb, low));
        const Offsets right =
            ChromaOffsets(_mm256_permutevar8x32_epi32(cr, high), _mm256_permutevar8x32_epi32(cb, high));
        for (int pair = 0; pair < 2; ++pair) {
            const int line = l + pair, upper = line < half;
            const int32_t *y = raster + (upper ? line : line - half) * S + (upper ? 0 : 2 * block);
            uint8_t *out = dest + line * pitch;
            Store24(out, PixelsWith(Load8(y), &left));
            if (scale == 1)
                Store24(out + 24, PixelsWith(Load8(y + 8), &right));
        }
    }
}

/* Quarter scale: a 4:1:1 macroblock is 8 x 2 pixels, one chroma sample per four. */
AI void Write411Quarter(const int32_t *raster, uint8_t *dest, ptrdiff_t pitch)
{
    const __m256i groups = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
    for (int l = 0; l < 2; ++l) {
        const int32_t *y = raster + l * S;
        Store24(dest + l * pitch, Pixels(Load8(y), _mm256_permutevar8x32_epi32(Load8(y + DV_RASTER_CR), groups),
                                         _mm256_permutevar8x32_epi32(Load8(y + DV_RASTER_CB), groups)));
    }
}

/* Quarter scale: a 4:2:0 macroblock is 4 x 4 pixels; two lines share a chroma line. */
AI void Write420Quarter(const int32_t *raster, uint8_t *dest, ptrdiff_t pitch)
{
    const __m256i columns = _mm256_setr_epi32(0, 0, 1, 1, 0, 0, 1, 1);
    for (int pair = 0; pair < 2; ++pair) {
        /* Lines 0-1 take luma blocks 0 and 1, lines 2-3 blocks 2 and 3. */
        const int32_t *top = raster + pair * 4, *bottom = top + S;
        const __m256i y = _mm256_setr_m128i(_mm_loadu_si128((const __m128i *)top),
                                            _mm_loadu_si128((const __m128i *)bottom));
        const int32_t *chroma = raster + pair * S;
        const __m256i px = Pixels(y, _mm256_permutevar8x32_epi32(Load8(chroma + DV_RASTER_CR), columns),
                                  _mm256_permutevar8x32_epi32(Load8(chroma + DV_RASTER_CB), columns));
        uint8_t *line = dest + 2 * pair * pitch;
        Store12(line, _mm256_castsi256_si128(px));
        Store12(line + pitch, _mm256_extracti128_si256(_mm256_permutevar8x32_epi32(px, _mm256_setr_epi32(3, 4, 5, 6, 0, 0, 0, 0)), 0));
    }
}

/* The deferred groups of two neighbouring macroblock boundaries at once. */
AI void EdgePass(const DvContext *ctx, uint8_t *base)
{
    const int mbWidth = ctx->mbWidth, first = mbWidth - DV_GROUP;
    const __m256i j = _mm256_setr_epi32(0, 1, 2, 3, 0, 1, 2, 3);
    for (int line = 0; line < ctx->height; ++line) {
        const DvRecord *recs = ctx->records + line * REC_LINE;
        uint8_t *p = base + line * ctx->pitch;
        for (int x = 0; x < DV_RECORD_SLOTS - 1; x += 2) {
            const DvRecord *a = recs + x * DV_RECORD_VALUES, *b = a + DV_RECORD_VALUES, *c = b + DV_RECORD_VALUES;
            const __m256i y = _mm256_setr_m128i(_mm_cvtepi16_epi32(_mm_loadl_epi64((const __m128i *)(a + DV_REC_LAST_Y))),
                                                _mm_cvtepi16_epi32(_mm_loadl_epi64((const __m128i *)(b + DV_REC_LAST_Y))));
            const __m256i crL = _mm256_setr_epi32(a[DV_REC_LAST_CR], a[DV_REC_LAST_CR], a[DV_REC_LAST_CR],
                                                  a[DV_REC_LAST_CR], b[DV_REC_LAST_CR], b[DV_REC_LAST_CR],
                                                  b[DV_REC_LAST_CR], b[DV_REC_LAST_CR]);
            const __m256i cbL = _mm256_setr_epi32(a[DV_REC_LAST_CB], a[DV_REC_LAST_CB], a[DV_REC_LAST_CB],
                                                  a[DV_REC_LAST_CB], b[DV_REC_LAST_CB], b[DV_REC_LAST_CB],
                                                  b[DV_REC_LAST_CB], b[DV_REC_LAST_CB]);
            const __m256i crR = _mm256_setr_epi32(b[DV_REC_FIRST_CR], b[DV_REC_FIRST_CR], b[DV_REC_FIRST_CR],
                                                  b[DV_REC_FIRST_CR], c[DV_REC_FIRST_CR], c[DV_REC_FIRST_CR],
                                                  c[DV_REC_FIRST_CR], c[DV_REC_FIRST_CR]);
            const __m256i cbR = _mm256_setr_epi32(b[DV_REC_FIRST_CB], b[DV_REC_FIRST_CB], b[DV_REC_FIRST_CB],
                                                  b[DV_REC_FIRST_CB], c[DV_REC_FIRST_CB], c[DV_REC_FIRST_CB],
                                                  c[DV_REC_FIRST_CB], c[DV_REC_FIRST_CB]);
            const __m256i px = Pixels(y, _mm256_add_epi32(crL, _mm256_mullo_epi32(j, Step(crL, crR))),
                                      _mm256_add_epi32(cbL, _mm256_mullo_epi32(j, Step(cbL, cbR))));
            Store12(p + (x * mbWidth + first) * 3, _mm256_castsi256_si128(px));
            /* The second half starts at byte 12 of the packed pixels. */
            uint8_t bytes[32];
            _mm256_storeu_si256((__m256i *)bytes, px);
            memcpy(p + ((x + 1) * mbWidth + first) * 3, bytes + 12, 12);
        }
    }
}

AVX2 static void Mb411Full(const DvContext *c, const int32_t *r, uint8_t *d, ptrdiff_t p, DvRecord *rec)
{
    (void)c;
    Write411(r, d, p, rec, 1);
}

AVX2 static void Mb411Half(const DvContext *c, const int32_t *r, uint8_t *d, ptrdiff_t p, DvRecord *rec)
{
    (void)c;
    Write411(r, d, p, rec, 2);
}

AVX2 static void Mb420Full(const DvContext *c, const int32_t *r, uint8_t *d, ptrdiff_t p, DvRecord *rec)
{
    (void)c;
    (void)rec;
    Write420(r, d, p, 1);
}

AVX2 static void Mb420Half(const DvContext *c, const int32_t *r, uint8_t *d, ptrdiff_t p, DvRecord *rec)
{
    (void)c;
    (void)rec;
    Write420(r, d, p, 2);
}

AVX2 static void Mb411Quarter(const DvContext *c, const int32_t *r, uint8_t *d, ptrdiff_t p, DvRecord *rec)
{
    (void)c;
    (void)rec;
    Write411Quarter(r, d, p);
}

AVX2 static void Mb420Quarter(const DvContext *c, const int32_t *r, uint8_t *d, ptrdiff_t p, DvRecord *rec)
{
    (void)c;
    (void)rec;
    Write420Quarter(r, d, p);
}

AVX2 static void Pass411(const DvContext *c, uint8_t *base)
{
    EdgePass(c, base);
}

int DvCpuHasAvx2(void)
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}

int DvChooseVectorWriters(const DvContext *ctx, DvRoutines *routines)
{
    if (!DvCpuHasAvx2() || ctx->form != DV_CORE_FORM_RGB24 || ctx->scale > 4)
        return 0;
    if (ctx->is411) {
        routines->writer = ctx->scale == 1 ? Mb411Full : ctx->scale == 2 ? Mb411Half : Mb411Quarter;
        if (ctx->scale <= 2)
            routines->edgePass = Pass411;
    } else {
        routines->writer = ctx->scale == 1 ? Mb420Full : ctx->scale == 2 ? Mb420Half : Mb420Quarter;
    }
    return 1;
}

#else

int DvCpuHasAvx2(void)
{
    return 0;
}

int DvChooseVectorWriters(const DvContext *ctx, DvRoutines *routines)
{
    (void)ctx;
    (void)routines;
    return 0;
}

#endif
