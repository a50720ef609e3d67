/*
 * The decoder core's entry point and its set-up cache.
 *
 * Building the code tables, scan lists, conversion tables and placement offsets takes longer than
 * decoding a small frame, so they are built once per (mode, line length) into the caller's work
 * area and reused while the area's flag byte stays 1. The key is also stored inside the context:
 * a caller that hands over a different work area with its flag still set, built for another mode,
 * gets a rebuild instead of writes through foreign offsets.
 */
#include <string.h>

#include "DvCore.h"

#define DV_WORK_AREA_BYTES 450560
/* The context starts at the first 32-byte boundary of the work area. */
#define DV_CONTEXT_ALIGN 32
_Static_assert(sizeof(DvContext) + DV_CONTEXT_ALIGN - 1 <= DV_WORK_AREA_BYTES, "context exceeds work area");

/* Superblock columns of a 4:1:1 picture start this many 32-pixel macroblock columns from the left;
 * columns 1 and 3 begin three snake entries down, in the lower half of the shared column. */
static const uint8_t kColumnStart411[5] = {0, 4, 9, 13, 18};
static const uint8_t kCounterStart411[5] = {0, 3, 0, 3, 0};
/* A 4:2:0 superblock is nine macroblocks wide. */
#define DV_SUPERBLOCK_COLUMNS_420 9
#define DV_SNAKE_ROWS_411 6
#define DV_SNAKE_ROWS_420 3

DV_THREAD_LOCAL DvRoutines gDvRoutines;
int gDvReferenceTransform;
int gDvReferencePixels;
int gDvBaselineTransform;
DV_THREAD_LOCAL int gDvAvx2;
static DV_THREAD_LOCAL unsigned gDvSetUpCount;

unsigned DvSetUpCount(void)
{
    return gDvSetUpCount;
}

DvContext *DvContextOf(uint8_t *workArea)
{
    uintptr_t address = (uintptr_t)workArea;
    address = (address + DV_CONTEXT_ALIGN - 1) & ~(uintptr_t)(DV_CONTEXT_ALIGN - 1);
    return (DvContext *)address;
}

int DvPictureSize(uint32_t mode, int32_t *width, int32_t *height)
{
    if (mode == 0 || !(mode & DV_CORE_REQUIRED))
        return 0;
    uint32_t system = mode & DV_CORE_SYSTEM_MASK;
    if (system != DV_CORE_SYSTEM_525 && system != DV_CORE_SYSTEM_625)
        return 0;
    uint32_t form = mode & DV_CORE_FORM_MASK;
    if (form != DV_CORE_FORM_RGB24 && form != DV_CORE_FORM_RGB565 && form != DV_CORE_FORM_RGB555 &&
        form != DV_CORE_FORM_DITHER8)
        return 0;
    uint32_t scale = mode & DV_CORE_SCALE_MASK;
    if (scale != 1 && scale != 2 && scale != 4 && scale != 8)
        return 0;
    *width = scale == 8 ? DV_EIGHTH_WIDTH : DV_WIDTH / (int32_t)scale;
    *height = (system == DV_CORE_SYSTEM_525 ? DV_HEIGHT_525 : DV_HEIGHT_625) / (int32_t)scale;
    return 1;
}

/* --- Variable-length code tables -------------------------------------------------------------- */

typedef struct ParsedCode {
    uint32_t code; /* left-aligned in 32 bits */
    uint8_t length;
    uint8_t run;
    uint8_t amplitude;
    uint8_t eob;
} ParsedCode;

#define DV_MAX_CODES 96
/* The escapes are recognised by their 7-bit prefixes. */
#define DV_RUN_ESCAPE 0xFC000000u
#define DV_LONG_ESCAPE 0xFE000000u
#define DV_ESCAPE_MASK 0xFE000000u

static int ParseCodes(ParsedCode *codes)
{
    int count = 0;
    for (const DvCodeWord *w = kDvCodeWords; w->bits && count < DV_MAX_CODES; ++w, ++count) {
        uint32_t value = 0;
        int length = 0;
        for (const char *c = w->bits; *c; ++c, ++length)
            value = (value << 1) | (uint32_t)(*c == '1');
        codes[count].code = value << (32 - length);
        codes[count].length = (uint8_t)length;
        codes[count].run = w->run == DV_EOB_RUN ? 0 : w->run;
        codes[count].amplitude = w->amplitude;
        codes[count].eob = w->run == DV_EOB_RUN;
    }
    return count;
}

/* Finds the short code at the top of `window`; returns its index, or -1 when none of the short
 * codes is a prefix (the window starts with a longer code or an escape). */
static int MatchCode(const ParsedCode *codes, int count, uint32_t window)
{
    for (int i = 0; i < count; ++i) {
        uint32_t mask = ~0u << (32 - codes[i].length);
        if ((window & mask) == codes[i].code)
            return i;
    }
    return -1;
}

static int CodeBits(const ParsedCode *c)
{
    return c->length + (c->amplitude > 0);
}

static int8_t CodeValue(const ParsedCode *c, uint32_t window)
{
    if (c->amplitude == 0)
        return 0;
    int negative = (window >> (31 - c->length)) & 1;
    int magnitude = 4 * c->amplitude + 1;
    return (int8_t)(negative ? -magnitude : magnitude);
}

static void BuildVlcTables(DvContext *ctx)
{
    ParsedCode codes[DV_MAX_CODES];
    int count = ParseCodes(codes);
    memset(ctx->vlc, 0, sizeof ctx->vlc);

    for (uint32_t prefix = 0; prefix < 256; ++prefix) {
        DvVlcEntry *e = &ctx->vlc[prefix];
        uint32_t window = prefix << 24;
        if ((window & DV_ESCAPE_MASK) == DV_RUN_ESCAPE) {
            e->kind = DV_VLC_RUN;
            e->bits = 13;
            continue;
        }
        if ((window & DV_ESCAPE_MASK) == DV_LONG_ESCAPE) {
            e->kind = DV_VLC_LONG;
            e->bits = 16;
            continue;
        }
        int first = MatchCode(codes, count, window);
        if (first < 0 || CodeBits(&codes[first]) > 8) {
            e->kind = DV_VLC_SUB;
            e->sub = (uint8_t)(prefix - DV_VLC_SUB_FIRST);
            continue;
        }
        const ParsedCode *c1 = &codes[first];
        if (c1->eob) {
            e->kind = DV_VLC_EOB;
            e->bits = e->bits1 = 4;
            continue;
        }
        int bits1 = CodeBits(c1);
        e->kind = DV_VLC_ONE;
        e->bits = e->bits1 = (uint8_t)bits1;
        e->skip1 = (uint8_t)(c1->run + 1);
        e->val1 = CodeValue(c1, window);
        /* A lone code repeats itself as a second code that advances nothing: storing the same value
         * twice lets the decoder treat one and two codes alike. */
        e->val2 = e->val1;
        /* A second code fits when all its bits, sign included, are within the eight. */
        uint32_t rest = window << bits1;
        int second = MatchCode(codes, count, rest);
        if (second < 0 || bits1 + CodeBits(&codes[second]) > 8)
            continue;
        const ParsedCode *c2 = &codes[second];
        if (c2->eob) {
            e->kind = DV_VLC_ONE_EOB;
            e->bits = (uint8_t)(bits1 + 4);
            continue;
        }
        e->kind = DV_VLC_TWO;
        e->bits = (uint8_t)(bits1 + CodeBits(c2));
        e->skip2 = (uint8_t)(c2->run + 1);
        e->val2 = CodeValue(c2, rest);
    }

    for (int t = 0; t < DV_VLC_SUB_TABLES; ++t) {
        for (uint32_t s = 0; s < (1u << DV_VLC_SUB_BITS); ++s) {
            DvVlcEntry *e = &ctx->vlc[DV_VLC_SECOND + (t << DV_VLC_SUB_BITS) + s];
            uint32_t window = ((uint32_t)(DV_VLC_SUB_FIRST + t) << 24) | (s << (24 - DV_VLC_SUB_BITS));
            int index = MatchCode(codes, count, window);
            /* Every prefix of the second table starts a short code of at most 13 bits. */
            if (index < 0) {
                e->kind = DV_VLC_EOB;
                e->bits = e->bits1 = 4;
                continue;
            }
            const ParsedCode *c = &codes[index];
            e->kind = DV_VLC_ONE;
            e->bits = e->bits1 = (uint8_t)CodeBits(c);
            e->skip1 = (uint8_t)(c->run + 1);
            e->val1 = e->val2 = CodeValue(c, window);
        }
    }
}

/* --- Scan lists ---------------------------------------------------------------------------------- */

static void BuildScanLists(DvContext *ctx)
{
    for (int dct248 = 0; dct248 < 2; ++dct248) {
        const uint8_t *zigzag = dct248 ? kDvZigzag248 : kDvZigzag88;
        for (int class3 = 0; class3 < 2; ++class3) {
            for (int index = 0; index < DV_QUANT_INDEXES; ++index) {
                DvScanEntry *full = ctx->scan[dct248][class3][index];
                DvScanEntry *half = ctx->halfScan[dct248][class3][index];
                for (int i = 0; i < 64; ++i) {
                    int position = zigzag[i];
                    int row = position >> 3, column = position & 7;
                    uint8_t stored = (uint8_t)position;
                    uint8_t shift = 0;
                    if (i > 0)
                        shift = (uint8_t)(4 + kDvStepExponent[index][DvScanArea(i)] + class3);
                    full[i].pos = stored;
                    full[i].shift = shift;
                    half[i].pos = (row < 4 && column < 4) ? stored : DV_TRASH_SLOT;
                    half[i].shift = shift;
                }
            }
        }
    }
}

/* --- Placement ------------------------------------------------------------------------------------- */

static void BuildPlacement(DvContext *ctx)
{
    const int scale = ctx->scale;
    const ptrdiff_t m = (ptrdiff_t)ctx->mbWidth * ctx->bytesPerPixel;
    const ptrdiff_t d = ctx->pitch * ctx->mbHeight;
    const int32_t recLine = DV_RECORD_SLOTS * DV_RECORD_VALUES;

    ctx->rowStep = ctx->pitch * (DV_SUPERBLOCK_LINES / scale);
    ctx->recRowStep = recLine * (DV_SUPERBLOCK_LINES / scale);
    memset(ctx->snake, 0, sizeof ctx->snake);
    memset(ctx->recSnake, 0, sizeof ctx->recSnake);

    if (ctx->is411) {
        for (int e = 0; e < 30; ++e) {
            int c = e / DV_SNAKE_ROWS_411;
            int r = (c & 1) ? DV_SNAKE_ROWS_411 - 1 - e % DV_SNAKE_ROWS_411 : e % DV_SNAKE_ROWS_411;
            ctx->snake[e] = c * m + r * d;
            ctx->recSnake[e] = c * DV_RECORD_VALUES + r * ctx->mbHeight * recLine;
        }
        for (int j = 0; j < 5; ++j) {
            ctx->columnBase[j] = kColumnStart411[j] * m;
            ctx->recColumn[j] = kColumnStart411[j] * DV_RECORD_VALUES;
            ctx->counterStart[j] = kCounterStart411[j];
        }
        /* The right-edge macroblocks are two 4:1:1 macroblock heights tall. */
        ctx->rightEdgeStep = 2 * d;
        ctx->recRightEdgeStep = 2 * ctx->mbHeight * recLine;
    } else {
        for (int e = 0; e < 27; ++e) {
            int c = e / DV_SNAKE_ROWS_420;
            int r = (c & 1) ? DV_SNAKE_ROWS_420 - 1 - e % DV_SNAKE_ROWS_420 : e % DV_SNAKE_ROWS_420;
            ctx->snake[e] = c * m + r * d;
        }
        for (int j = 0; j < 5; ++j) {
            ctx->columnBase[j] = (ptrdiff_t)j * DV_SUPERBLOCK_COLUMNS_420 * m;
            ctx->recColumn[j] = 0;
            ctx->counterStart[j] = 0;
        }
        ctx->rightEdgeStep = 0;
        ctx->recRightEdgeStep = 0;
    }
}

void DvChooseRoutines(const DvContext *ctx, DvRoutines *routines)
{
    gDvAvx2 = !gDvBaselineTransform && DvCpuHasAvx2();
    switch (ctx->scale) {
    case 1: routines->frame = DvFrameFull; break;
    case 2: routines->frame = DvFrameHalf; break;
    case 4: routines->frame = DvFrameQuarter; break;
    default: routines->frame = DvFrameEighth; break;
    }
    DvChooseWriters(ctx, routines);
}

void DvSetUp(DvContext *ctx, uint32_t mode, int32_t lineLength)
{
    int32_t width = 0, height = 0;
    DvPictureSize(mode, &width, &height);
    ++gDvSetUpCount;

    memset(&ctx->magic, 0, offsetof(DvContext, records) - offsetof(DvContext, magic));
    ctx->magic = DV_CONTEXT_MAGIC;
    ctx->mode = mode;
    ctx->lineLength = lineLength;
    ctx->is411 = (mode & DV_CORE_SYSTEM_MASK) == DV_CORE_SYSTEM_525;
    ctx->sequences = ctx->is411 ? DV_SEQUENCES_525 : DV_SEQUENCES_625;
    ctx->scale = (int32_t)(mode & DV_CORE_SCALE_MASK);
    ctx->form = (int32_t)(mode & DV_CORE_FORM_MASK);
    ctx->bytesPerPixel = ctx->form == DV_CORE_FORM_RGB24 ? 3 : ctx->form == DV_CORE_FORM_DITHER8 ? 1 : 2;
    ctx->width = width;
    ctx->height = height;
    ctx->blockSize = 8 / ctx->scale;
    if (ctx->is411) {
        ctx->mbWidth = 32 / ctx->scale;
        ctx->mbHeight = 8 / ctx->scale;
    } else {
        ctx->mbWidth = 16 / ctx->scale;
        ctx->mbHeight = 16 / ctx->scale;
    }
    ctx->pitch = (ptrdiff_t)lineLength * ctx->bytesPerPixel;
    /* Bottom line first: picture line 0 is the last line in memory. */
    ctx->baseOffset = lineLength < 0 ? (ptrdiff_t)(height - 1) * -ctx->pitch : 0;

    BuildPlacement(ctx);
    BuildVlcTables(ctx);
    BuildScanLists(ctx);
    DvBuildConvertTables(ctx->convert, ctx->convert5);
}

uint32_t DecodeFrame(const uint8_t *data, uint8_t *output, uint32_t mode, int32_t lineLength,
                     uint8_t *workArea)
{
    int32_t width, height;
    if (!data || !output || !workArea || !DvPictureSize(mode, &width, &height))
        return DV_CORE_REFUSED;
    int64_t span = lineLength < 0 ? -(int64_t)lineLength : (int64_t)lineLength;
    if (span < width)
        return DV_CORE_REFUSED;

    DvContext *ctx = DvContextOf(workArea);
    /* The cache key lives in the work area itself, so callers on several threads never share one. */
    int cached = workArea[0] == 1 && ctx->magic == DV_CONTEXT_MAGIC && ctx->mode == mode &&
                 ctx->lineLength == lineLength;
    if (!cached) {
        DvSetUp(ctx, mode, lineLength);
        workArea[0] = 1;
    }
    DvChooseRoutines(ctx, &gDvRoutines);
    gDvRoutines.frame(ctx, data, output);
    return 0;
}
