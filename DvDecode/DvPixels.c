/*
 * The pixel stage: colour conversion, chroma up-sampling and the four pixel forms.
 *
 * 4:1:1 pictures carry one chroma sample per four pixels of a line; the writer steps linearly
 * from each sample to the next. The last four pixels of a macroblock line step toward the first
 * sample of the macroblock to the right, which the shuffled decoding order may not have produced
 * yet, so those pixels are deferred: the writer keeps an 8-value record per macroblock line and
 * a final pass over the whole picture completes them. 4:2:0 chroma covers 2 x 2 pixels and needs
 * no interpolation.
 *
 * Every writer is instantiated per pixel form and scale from one inline body, so the form and
 * the sizes are constants in the loops.
 */
#include <string.h>

#include "DvCore.h"

#define AI static inline __attribute__((always_inline))
#define S DV_RASTER_STRIDE
#define REC_LINE (DV_RECORD_SLOTS * DV_RECORD_VALUES)
/* Studio range: luma 16 ... 235 is x = -112 ... 107 around the centre 128. */
#define DV_STUDIO_BLACK 112
#define DV_STUDIO_SPAN 219
/* Pixels per 4:1:1 chroma sample along a line. */
#define DV_GROUP 4

enum { FORM_24 = 0, FORM_565 = 1, FORM_555 = 2, FORM_8 = 3 };

void DvBuildConvertTables(uint8_t *convert, uint8_t *convert5)
{
    for (int x = DV_CONVERT_MIN; x <= DV_CONVERT_MAX; ++x) {
        int v = x + DV_STUDIO_BLACK;
        /* round(v x 255 / 219) and round(v x 255 / 1752), halves up, clamped. */
        int t = v <= 0 ? 0 : (v * 510 + DV_STUDIO_SPAN) / (2 * DV_STUDIO_SPAN);
        int t5 = v <= 0 ? 0 : (v * 510 + 8 * DV_STUDIO_SPAN) / (16 * DV_STUDIO_SPAN);
        convert[x - DV_CONVERT_MIN] = (uint8_t)(t > 255 ? 255 : t);
        convert5[x - DV_CONVERT_MIN] = (uint8_t)(t5 > 31 ? 31 : t5);
    }
}

AI int32_t Index(int32_t x)
{
    x = x < DV_CONVERT_MIN ? DV_CONVERT_MIN : x;
    x = x > DV_CONVERT_MAX ? DV_CONVERT_MAX : x;
    return x - DV_CONVERT_MIN;
}

/* The chroma step per pixel, kept as a signed 8-bit value. */
AI int32_t Step(int32_t difference)
{
    int32_t s = (difference >> 2) & 0xFF;
    return s >= 128 ? s - 256 : s;
}

/* Colour-difference offsets of one chroma pair: Cr x 1.375, Cb x 1.75, and green from both. */
typedef struct Chroma {
    int32_t r, g, b;
} Chroma;

AI Chroma Offsets(int32_t cr, int32_t cb)
{
    Chroma c;
    c.r = cr + ((3 * cr) >> 3);
    c.b = 2 * cb - (cb >> 2);
    c.g = -((3 * c.b) >> 4) - (c.r >> 1);
    return c;
}

AI void PutPixel(const DvContext *ctx, int form, uint8_t *p, int ditherRow, int ditherColumn, int32_t y,
                 Chroma c)
{
    const uint8_t *t = ctx->convert;
    switch (form) {
    case FORM_24:
        p[0] = t[Index(y + c.b)];
        p[1] = t[Index(y + c.g)];
        p[2] = t[Index(y + c.r)];
        break;
    case FORM_565: {
        unsigned w = ((unsigned)t[Index(y + c.r)] >> 3) << 11 | ((unsigned)t[Index(y + c.g)] >> 2) << 5 |
                     ((unsigned)t[Index(y + c.b)] >> 3);
        p[0] = (uint8_t)w;
        p[1] = (uint8_t)(w >> 8);
        break;
    }
    case FORM_555: {
        const uint8_t *t5 = ctx->convert5;
        unsigned w = (unsigned)t5[Index(y + c.b)] | (unsigned)t5[Index(y + c.g)] << 5 |
                     (unsigned)t5[Index(y + c.r)] << 10;
        p[0] = (uint8_t)w;
        p[1] = (uint8_t)(w >> 8);
        break;
    }
    default: {
        int d = kDvDither[ditherRow & 7][ditherColumn & 7];
        int r = t[Index(y + c.r)], g = t[Index(y + c.g)], b = t[Index(y + c.b)];
        int r2 = r / 64 + (d < r % 64 && r < 192);
        int g4 = g / 16 + (d < 4 * (g % 16) && g < 240);
        int b2 = b / 64 + (d < b % 64 && b < 192);
        *p = (uint8_t)(r2 << 6 | g4 << 2 | b2);
        break;
    }
    }
}

AI int BytesOf(int form)
{
    return form == FORM_24 ? 3 : form == FORM_8 ? 1 : 2;
}

/* Four pixels of one chroma group, the chroma stepping by (sr, sb) per pixel. */
AI void PutGroup(const DvContext *ctx, int form, uint8_t *p, int ditherRow, int ditherColumn, const int32_t *y,
                 int32_t cr, int32_t sr, int32_t cb, int32_t sb)
{
    if (form == FORM_24) {
        /* Twelve bytes at once: the compiler turns the copy into three word stores. */
        const uint8_t *t = ctx->convert;
        uint8_t px[12];
        for (int j = 0; j < DV_GROUP; ++j) {
            Chroma c = Offsets(cr + j * sr, cb + j * sb);
            px[3 * j] = t[Index(y[j] + c.b)];
            px[3 * j + 1] = t[Index(y[j] + c.g)];
            px[3 * j + 2] = t[Index(y[j] + c.r)];
        }
        memcpy(p, px, sizeof px);
        return;
    }
    for (int j = 0; j < DV_GROUP; ++j)
        PutPixel(ctx, form, p + j * BytesOf(form), ditherRow, ditherColumn + j, y[j],
                 Offsets(cr + j * sr, cb + j * sb));
}

/* Four pixels sharing one chroma sample. */
AI void PutFlatGroup(const DvContext *ctx, int form, uint8_t *p, int ditherRow, int ditherColumn, const int32_t *y,
                     int32_t cr, int32_t cb)
{
    Chroma c = Offsets(cr, cb);
    for (int j = 0; j < DV_GROUP; ++j)
        PutPixel(ctx, form, p + j * BytesOf(form), ditherRow, ditherColumn + j, y[j], c);
}

/* 4:1:1 macroblock of 32 x 8 (full) or 16 x 4 (half) pixels. */
AI void Write411(const DvContext *ctx, int form, int scale, const int32_t *raster, uint8_t *dest, ptrdiff_t pitch,
                 DvRecord *rec)
{
    const int lines = 8 / scale, groups = 8 / scale, bpp = BytesOf(form);
    for (int l = 0; l < lines; ++l) {
        const int32_t *y = raster + l * S, *cr = y + DV_RASTER_CR, *cb = y + DV_RASTER_CB;
        uint8_t *line = dest + l * pitch;
        for (int k = 0; k < groups - 1; ++k)
            PutGroup(ctx, form, line + k * DV_GROUP * bpp, l, k * DV_GROUP, y + k * DV_GROUP, cr[k],
                     Step(cr[k + 1] - cr[k]), cb[k], Step(cb[k + 1] - cb[k]));
        DvRecord *r = rec + l * REC_LINE;
        r[DV_REC_FIRST_CR] = DvToRecord(cr[0]);
        r[DV_REC_FIRST_CB] = DvToRecord(cb[0]);
        for (int j = 0; j < DV_GROUP; ++j)
            r[DV_REC_LAST_Y + j] = DvToRecord(y[(groups - 1) * DV_GROUP + j]);
        r[DV_REC_LAST_CR] = DvToRecord(cr[groups - 1]);
        r[DV_REC_LAST_CB] = DvToRecord(cb[groups - 1]);
    }
}

/* 4:1:1 at quarter and eighth scale: 8 x 2 or 4 x 1 pixels, one chroma sample per four pixels. */
AI void Write411Flat(const DvContext *ctx, int form, int scale, const int32_t *raster, uint8_t *dest,
                     ptrdiff_t pitch)
{
    const int lines = 8 / scale, groups = 8 / scale, bpp = BytesOf(form);
    for (int l = 0; l < lines; ++l) {
        const int32_t *y = raster + l * S;
        uint8_t *line = dest + l * pitch;
        for (int k = 0; k < groups; ++k)
            PutFlatGroup(ctx, form, line + k * DV_GROUP * bpp, l, k * DV_GROUP, y + k * DV_GROUP,
                         y[DV_RASTER_CR + k], y[DV_RASTER_CB + k]);
    }
}

/*
 * 4:1:1 right-edge macroblock, 16 x 16 at full size: luma blocks 2 x 2; each chroma line serves
 * the upper half with its first half and the lower half with its second half. Its last group has
 * no right neighbour and keeps its last chroma sample.
 */
AI void Write411RightEdge(const DvContext *ctx, int form, int scale, const int32_t *raster, uint8_t *dest,
                          ptrdiff_t pitch, DvRecord *rec)
{
    const int lines = 16 / scale, half = lines / 2, block = 8 / scale, groups = 4 / scale, bpp = BytesOf(form);
    for (int l = 0; l < lines; ++l) {
        const int upper = l < half;
        const int32_t *row = raster + (upper ? l : l - half) * S;
        const int32_t *y = row + (upper ? 0 : 2 * block);
        const int32_t *cr = row + DV_RASTER_CR + (upper ? 0 : groups);
        const int32_t *cb = row + DV_RASTER_CB + (upper ? 0 : groups);
        uint8_t *line = dest + l * pitch;
        for (int k = 0; k < groups - 1; ++k)
            PutGroup(ctx, form, line + k * DV_GROUP * bpp, l, k * DV_GROUP, y + k * DV_GROUP, cr[k],
                     Step(cr[k + 1] - cr[k]), cb[k], Step(cb[k + 1] - cb[k]));
        const int k = groups - 1;
        PutFlatGroup(ctx, form, line + k * DV_GROUP * bpp, l, k * DV_GROUP, y + k * DV_GROUP, cr[k], cb[k]);
        if (scale <= 2) {
            DvRecord *r = rec + l * REC_LINE;
            r[DV_REC_FIRST_CR] = DvToRecord(cr[0]);
            r[DV_REC_FIRST_CB] = DvToRecord(cb[0]);
        }
    }
}

/* 4:2:0 macroblock: 16 x 16 pixels at full size, luma blocks 2 x 2, one chroma sample per 2 x 2. */
AI void Write420(const DvContext *ctx, int form, int scale, const int32_t *raster, uint8_t *dest, ptrdiff_t pitch)
{
    const int lines = 16 / scale, half = lines / 2, block = 8 / scale, width = 16 / scale, bpp = BytesOf(form);
    for (int l = 0; l < lines; ++l) {
        const int upper = l < half;
        const int32_t *y = raster + (upper ? l : l - half) * S + (upper ? 0 : 2 * block);
        const int32_t *chroma = raster + (l >> 1) * S;
        uint8_t *line = dest + l * pitch;
        for (int x = 0; x < width; x += 2) {
            Chroma c = Offsets(chroma[DV_RASTER_CR + x / 2], chroma[DV_RASTER_CB + x / 2]);
            PutPixel(ctx, form, line + x * bpp, l, x, y[x], c);
            PutPixel(ctx, form, line + (x + 1) * bpp, l, x + 1, y[x + 1], c);
        }
    }
}

/* Completes the last group of every 4:1:1 macroblock line that has a macroblock to its right. */
AI void EdgePass(const DvContext *ctx, int form, uint8_t *base)
{
    const int mbWidth = ctx->mbWidth, mbHeight = ctx->mbHeight, bpp = BytesOf(form);
    const int first = mbWidth - DV_GROUP;
    for (int line = 0; line < ctx->height; ++line) {
        const DvRecord *recs = ctx->records + line * REC_LINE;
        uint8_t *p = base + line * ctx->pitch;
        for (int x = 0; x < DV_RECORD_SLOTS - 1; ++x) {
            const DvRecord *left = recs + x * DV_RECORD_VALUES, *right = left + DV_RECORD_VALUES;
            const int32_t cr = left[DV_REC_LAST_CR], cb = left[DV_REC_LAST_CB];
            const int32_t y[DV_GROUP] = {left[DV_REC_LAST_Y], left[DV_REC_LAST_Y + 1], left[DV_REC_LAST_Y + 2],
                                         left[DV_REC_LAST_Y + 3]};
            PutGroup(ctx, form, p + (x * mbWidth + first) * bpp, line % mbHeight, first, y, cr,
                     Step(right[DV_REC_FIRST_CR] - cr), cb, Step(right[DV_REC_FIRST_CB] - cb));
        }
    }
}

#define DEFINE_WRITERS(name, form)                                                                           \
    static void Mb411Full_##name(const DvContext *c, const int32_t *r, uint8_t *d, ptrdiff_t p, DvRecord *rec) \
    {                                                                                                        \
        Write411(c, form, 1, r, d, p, rec);                                                                  \
    }                                                                                                        \
    static void Mb411Half_##name(const DvContext *c, const int32_t *r, uint8_t *d, ptrdiff_t p, DvRecord *rec) \
    {                                                                                                        \
        Write411(c, form, 2, r, d, p, rec);                                                                  \
    }                                                                                                        \
    static void Mb411Quarter_##name(const DvContext *c, const int32_t *r, uint8_t *d, ptrdiff_t p,            \
                                    DvRecord *rec)                                                            \
    {                                                                                                        \
        (void)rec;                                                                                           \
        Write411Flat(c, form, 4, r, d, p);                                                                   \
    }                                                                                                        \
    static void Mb411Eighth_##name(const DvContext *c, const int32_t *r, uint8_t *d, ptrdiff_t p,             \
                                   DvRecord *rec)                                                             \
    {                                                                                                        \
        (void)rec;                                                                                           \
        Write411Flat(c, form, 8, r, d, p);                                                                   \
    }                                                                                                        \
    static void Edge411Full_##name(const DvContext *c, const int32_t *r, uint8_t *d, ptrdiff_t p,             \
                                   DvRecord *rec)                                                             \
    {                                                                                                        \
        Write411RightEdge(c, form, 1, r, d, p, rec);                                                         \
    }                                                                                                        \
    static void Edge411Half_##name(const DvContext *c, const int32_t *r, uint8_t *d, ptrdiff_t p,             \
                                   DvRecord *rec)                                                             \
    {                                                                                                        \
        Write411RightEdge(c, form, 2, r, d, p, rec);                                                         \
    }                                                                                                        \
    static void Edge411Quarter_##name(const DvContext *c, const int32_t *r, uint8_t *d, ptrdiff_t p,          \
                                      DvRecord *rec)                                                          \
    {                                                                                                        \
        Write411RightEdge(c, form, 4, r, d, p, rec);                                                         \
    }                                                                                                        \
    static void Mb420Full_##name(const DvContext *c, const int32_t *r, uint8_t *d, ptrdiff_t p, DvRecord *rec) \
    {                                                                                                        \
        (void)rec;                                                                                           \
        Write420(c, form, 1, r, d, p);                                                                       \
    }                                                                                                        \
    static void Mb420Half_##name(const DvContext *c, const int32_t *r, uint8_t *d, ptrdiff_t p, DvRecord *rec) \
    {                                                                                                        \
        (void)rec;                                                                                           \
        Write420(c, form, 2, r, d, p);                                                                       \
    }                                                                                                        \
    static void Mb420Quarter_##name(const DvContext *c, const int32_t *r, uint8_t *d, ptrdiff_t p,            \
                                    DvRecord *rec)                                                            \
    {                                                                                                        \
        (void)rec;                                                                                           \
        Write420(c, form, 4, r, d, p);                                                                       \
    }                                                                                                        \
    static void Mb420Eighth_##name(const DvContext *c, const int32_t *r, uint8_t *d, ptrdiff_t p,             \
                                   DvRecord *rec)                                                             \
    {                                                                                                        \
        (void)rec;                                                                                           \
        Write420(c, form, 8, r, d, p);                                                                       \
    }                                                                                                        \
    static void Pass411_##name(const DvContext *c, uint8_t *base)                                            \
    {                                                                                                        \
        EdgePass(c, form, base);                                                                             \
    }                                                                                                        \
    static const DvRoutines kWriters411_##name[4] = {                                                        \
        {NULL, Mb411Full_##name, Edge411Full_##name, Pass411_##name},                                        \
        {NULL, Mb411Half_##name, Edge411Half_##name, Pass411_##name},                                        \
        {NULL, Mb411Quarter_##name, Edge411Quarter_##name, NULL},                                            \
        {NULL, Mb411Eighth_##name, NULL, NULL},                                                              \
    };                                                                                                       \
    static const DvRoutines kWriters420_##name[4] = {                                                        \
        {NULL, Mb420Full_##name, NULL, NULL},                                                                \
        {NULL, Mb420Half_##name, NULL, NULL},                                                                \
        {NULL, Mb420Quarter_##name, NULL, NULL},                                                             \
        {NULL, Mb420Eighth_##name, NULL, NULL},                                                              \
    };

DEFINE_WRITERS(Rgb24, FORM_24)
DEFINE_WRITERS(Rgb565, FORM_565)
DEFINE_WRITERS(Rgb555, FORM_555)
DEFINE_WRITERS(Dither8, FORM_8)

void DvChooseWriters(const DvContext *ctx, DvRoutines *routines)
{
    int scaleIndex = ctx->scale == 1 ? 0 : ctx->scale == 2 ? 1 : ctx->scale == 4 ? 2 : 3;
    const DvRoutines *table;
    switch (ctx->form) {
    case DV_CORE_FORM_RGB565: table = ctx->is411 ? kWriters411_Rgb565 : kWriters420_Rgb565; break;
    case DV_CORE_FORM_RGB555: table = ctx->is411 ? kWriters411_Rgb555 : kWriters420_Rgb555; break;
    case DV_CORE_FORM_DITHER8: table = ctx->is411 ? kWriters411_Dither8 : kWriters420_Dither8; break;
    default: table = ctx->is411 ? kWriters411_Rgb24 : kWriters420_Rgb24; break;
    }
    routines->writer = table[scaleIndex].writer;
    routines->rightEdgeWriter = table[scaleIndex].rightEdgeWriter;
    routines->edgePass = table[scaleIndex].edgePass;
    /* Full and half scale of the 24-bit form have writers that convert eight pixels at once. */
    if (!gDvReferencePixels)
        DvChooseVectorWriters(ctx, routines);
}
