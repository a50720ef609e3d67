/*
 * The frame walk: every DIF sequence, every video segment, every macroblock in the order the
 * frame stores them, each handed to the pixel writer at its place in the picture.
 *
 * The format shuffles the five macroblocks of a segment over five superblocks (rows i + 2, 6, 8,
 * 0, 4 modulo the sequence count; columns 2, 1, 3, 0, 4) so that a damaged segment spreads over
 * the picture; inside a superblock the macroblocks follow a snake, which the set-up turned into
 * byte offsets. One routine per scale; the scale is a constant inside each, so the compiler drops
 * the branches of the other scales.
 */
#include <string.h>

#include "DvCore.h"

/* The three 16 x 16 right-edge macroblocks of a 4:1:1 picture are the last three of the fifth
 * macroblock of a segment. */
#define DV_RIGHT_EDGE_FIRST_SEGMENT 24
#define DV_RIGHT_EDGE_POSITION 4

static inline const uint8_t *SegmentAt(const uint8_t *sequence, int k)
{
    return sequence + DV_FIRST_SEGMENT_OFFSET + k * DV_SEGMENT_BYTES + (k / DV_AUDIO_EVERY) * DV_BLOCK_BYTES;
}

/* Raster column where block b of a macroblock goes, by block size 8, 4, 2, 1 (index: scale / 2). */
static const uint8_t kRasterColumn[5][DV_MB_BLOCKS] = {
    {0, 8, 16, 24, DV_RASTER_CR, DV_RASTER_CB}, {0, 4, 8, 12, DV_RASTER_CR, DV_RASTER_CB},
    {0, 2, 4, 6, DV_RASTER_CR, DV_RASTER_CB},   {0},
    {0, 1, 2, 3, DV_RASTER_CR, DV_RASTER_CB},
};

static inline __attribute__((always_inline)) void Reconstruct(DvContext *ctx, const uint8_t *segment, int m,
                                                              int scale)
{
    int32_t *raster = &ctx->raster[0][0];
    for (int b = 0; b < DV_MB_BLOCKS; ++b) {
        const int index = m * DV_MB_BLOCKS + b;
        int32_t *out = raster + kRasterColumn[scale / 2][b];
        switch (scale) {
        case 1:
            if (gDvReferenceTransform)
                DvTransformFullReference(ctx->coef[index], ctx->blocks[index].dct248, out);
            else
                DvTransformFull(ctx->coef[index], ctx->blocks[index].dct248, out);
            break;
        case 2:
            DvTransformHalf(ctx->coef[index], out);
            break;
        case 4:
            DvTransformQuarter(ctx->coef[index], out);
            break;
        default:
            /* One eighth: the signed top byte of the DC word is the block's mean. */
            *out = (int8_t)segment[m * DV_BLOCK_BYTES + kDvBlockOffset[b]];
            break;
        }
    }
}

static inline __attribute__((always_inline)) void WalkFrame(DvContext *ctx, const uint8_t *data, uint8_t *output,
                                                            int scale)
{
    const DvRoutines routines = gDvRoutines;
    uint8_t *const base = output + ctx->baseOffset;
    const int n = ctx->sequences;
    /* From here on every block is cleared after use. */
    memset(ctx->coef, 0, sizeof ctx->coef);

    for (int i = 0; i < n; ++i) {
        ptrdiff_t mbBase[DV_SEGMENT_BLOCKS];
        int32_t recBase[DV_SEGMENT_BLOCKS];
        unsigned counter[DV_SEGMENT_BLOCKS];
        for (int m = 0; m < DV_SEGMENT_BLOCKS; ++m) {
            int row = (i + kDvShuffleRow[m]) % n, column = kDvShuffleColumn[m];
            mbBase[m] = row * ctx->rowStep + ctx->columnBase[column];
            recBase[m] = row * ctx->recRowStep + ctx->recColumn[column];
            counter[m] = ctx->counterStart[column];
        }
        const uint8_t *sequence = data + (ptrdiff_t)i * DV_SEQUENCE_BYTES;

        for (int k = 0; k < DV_SEGMENTS; ++k) {
            const uint8_t *segment = SegmentAt(sequence, k);
            if (scale != 8) {
                memcpy(ctx->segment, segment, DV_SEGMENT_BYTES);
                if (scale == 1)
                    DvDecodeSegment(ctx, DV_PASSES_ALL, 63, 0);
                else if (scale == 2)
                    DvDecodeSegment(ctx, DV_PASS_ONE, DV_HALF_SCAN_LIMIT, 1);
                else
                    DvDecodeSegment(ctx, DV_PASS_ONE, DV_QUARTER_SCAN_LIMIT, 0);
            }
            for (int m = 0; m < DV_SEGMENT_BLOCKS; ++m) {
                const int rightEdge = m == DV_RIGHT_EDGE_POSITION && k >= DV_RIGHT_EDGE_FIRST_SEGMENT;
                const unsigned entry = counter[m]++;
                /* One eighth leaves the rightmost 16 columns out: lines of 88 pixels. */
                if (scale == 8 && rightEdge)
                    continue;
                Reconstruct(ctx, segment, m, scale);
                if (ctx->is411 && rightEdge) {
                    const int step = k - DV_RIGHT_EDGE_FIRST_SEGMENT;
                    uint8_t *dest = base + mbBase[m] + ctx->snake[DV_RIGHT_EDGE_FIRST_SEGMENT] + step * ctx->rightEdgeStep;
                    DvRecord *rec = ctx->records + recBase[m] + ctx->recSnake[DV_RIGHT_EDGE_FIRST_SEGMENT] +
                                   step * ctx->recRightEdgeStep;
                    routines.rightEdgeWriter(ctx, &ctx->raster[0][0], dest, ctx->pitch, rec);
                } else {
                    uint8_t *dest = base + mbBase[m] + ctx->snake[entry];
                    DvRecord *rec = ctx->is411 ? ctx->records + recBase[m] + ctx->recSnake[entry] : NULL;
                    routines.writer(ctx, &ctx->raster[0][0], dest, ctx->pitch, rec);
                }
            }
        }
    }
    if (routines.edgePass)
        routines.edgePass(ctx, base);
}

void DvFrameFull(DvContext *ctx, const uint8_t *data, uint8_t *output)
{
    WalkFrame(ctx, data, output, 1);
}

void DvFrameHalf(DvContext *ctx, const uint8_t *data, uint8_t *output)
{
    WalkFrame(ctx, data, output, 2);
}

void DvFrameQuarter(DvContext *ctx, const uint8_t *data, uint8_t *output)
{
    WalkFrame(ctx, data, output, 4);
}

void DvFrameEighth(DvContext *ctx, const uint8_t *data, uint8_t *output)
{
    WalkFrame(ctx, data, output, 8);
}
