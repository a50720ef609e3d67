/*
 * Coefficient decoding of one video segment (five DIF blocks, five macroblocks, 30 blocks).
 *
 * A block's code words may overflow its own area; the encoder then parks the rest in the bits
 * that other blocks leave after their end-of-block code. Pass 1 decodes every block from its own
 * area, pass 2 lends the left-over bits of a macroblock to its unfinished blocks, pass 3 lends
 * what is still left in the segment. Left-over bits are gathered into pool buffers; a code word
 * cut off by the end of the bits it was read from is kept and written back in front of the pool
 * position where the block continues, so the reader never has to join two sources.
 *
 * Every read stays inside the segment copy or a pool buffer (both carry zero padding for the
 * 64-bit window), and every write goes through a scan list into the block's 64 values.
 */
#include <string.h>

#include "DvCore.h"

/* The first AC bit follows the 9-bit DC, the DCT mode bit and the 2-bit class. */
#define DV_BLOCK_HEADER_BITS 12
/* Scan index past which a code ends the block (the scan has 64 entries). */
#define DV_LAST_SCAN_INDEX 63
/* Bits of the escape codes and of their fields. */
#define DV_RUN_ESCAPE_BITS 13
#define DV_LONG_ESCAPE_BITS 16
#define DV_EOB_BITS 4

static inline uint64_t LoadBE64(const uint8_t *p)
{
    uint64_t v;
    memcpy(&v, p, sizeof v);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

static inline void StoreBE64(uint8_t *p, uint64_t v)
{
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    memcpy(p, &v, sizeof v);
}

/* The bits from `pos` on, left-aligned; at least 57 of them are valid. */
static inline uint64_t PeekBits(const uint8_t *buf, uint32_t pos)
{
    return LoadBE64(buf + (pos >> 3)) << (pos & 7);
}

static inline void StoreCoefficient(const DvScanEntry *entry, int32_t value, int32_t *coef)
{
    coef[entry->pos] = value * (int32_t)(1u << entry->shift);
}

/*
 * Decodes code words from buf[pos, end) into the block. Returns the bit position where decoding
 * stopped: after the end-of-block code (the block is then done), or `end` when a code word was
 * cut off (its bits are kept as the block's pending bits). A code that would reach past scan
 * index `limit` ends the block as well.
 *
 * The first loop runs while the looked-up entry fits before `end` (the careful second loop takes
 * over at the code that does not); it treats a lone code like a pair whose second half stores the
 * same value again in place.
 */
static inline __attribute__((always_inline)) uint32_t DecodeCodes(const DvContext *ctx, const uint8_t *buf,
                                                                  uint32_t pos, uint32_t end, DvBlockState *st,
                                                                  int32_t *coef, unsigned limit)
{
    const DvScanEntry *list = st->list;
    unsigned sp = st->scan;

    /*
     * The upcoming bits sit left-aligned in a 64-bit register that is topped up without a branch:
     * the load for the next top-up only depends on how many whole bytes the previous one took in,
     * so it runs ahead of the lookups. A top-up leaves at least 56 bits and a step takes at most
     * 16, so two steps follow each top-up.
     */
    const uint8_t *ptr = buf + (pos >> 3);
    uint64_t bits = LoadBE64(ptr) << (pos & 7);
    unsigned count = 56 - (pos & 7);
    ptr += 7;
    uint32_t left = end - pos;

#define DV_DECODE_STEP()                                                                                     \
    do {                                                                                                     \
        const uint64_t w = bits;                                                                             \
        /* The entry's index comes from the bits alone, the second table's included: one load     */      \
        /* instead of two that depend on each other.                                               */      \
        const unsigned prefix = (unsigned)(w >> 56), second = prefix - DV_VLC_SUB_FIRST;                     \
        const unsigned deep = DV_VLC_SECOND + (second << DV_VLC_SUB_BITS) +                                  \
                              (unsigned)((w >> (56 - DV_VLC_SUB_BITS)) & ((1u << DV_VLC_SUB_BITS) - 1));     \
        const DvVlcEntry *e = &ctx->vlc[second < DV_VLC_SUB_TABLES ? deep : prefix];                         \
        if (e->bits > left)                                                                                  \
            goto careful;                                                                                    \
        bits <<= e->bits;                                                                                    \
        count -= e->bits;                                                                                    \
        left -= e->bits;                                                                                     \
        if (__builtin_expect(e->kind <= DV_VLC_TWO, 1)) {                                                    \
            sp += e->skip1;                                                                                  \
            if (sp > limit) {                                                                                \
                pos = end - left - (e->bits - e->bits1);                                                     \
                goto finished;                                                                               \
            }                                                                                                \
            StoreCoefficient(&list[sp], e->val1, coef);                                                      \
            sp += e->skip2;                                                                                  \
            if (sp > limit) {                                                                                \
                pos = end - left;                                                                            \
                goto finished;                                                                               \
            }                                                                                                \
            StoreCoefficient(&list[sp], e->val2, coef);                                                      \
        } else if (e->kind == DV_VLC_EOB) {                                                                  \
            pos = end - left;                                                                                \
            goto finished;                                                                                   \
        } else if (e->kind == DV_VLC_ONE_EOB) {                                                              \
            sp += e->skip1;                                                                                  \
            if (sp > limit) {                                                                                \
                pos = end - left - (e->bits - e->bits1);                                                     \
                goto finished;                                                                               \
            }                                                                                                \
            StoreCoefficient(&list[sp], e->val1, coef);                                                      \
            pos = end - left;                                                                                \
            goto finished;                                                                                   \
        } else if (e->kind == DV_VLC_RUN) {                                                                  \
            sp += (unsigned)((w >> (64 - DV_RUN_ESCAPE_BITS)) & 63) + 1;                                     \
            if (sp > limit) {                                                                                \
                pos = end - left;                                                                            \
                goto finished;                                                                               \
            }                                                                                                \
        } else { /* DV_VLC_LONG: the 9-bit field is the 8-bit amplitude followed by the sign bit. */       \
            if (++sp > limit) {                                                                              \
                pos = end - left;                                                                            \
                goto finished;                                                                               \
            }                                                                                                \
            const int32_t field = (int32_t)((w >> (64 - DV_LONG_ESCAPE_BITS)) & 511);                        \
            StoreCoefficient(&list[sp], (field & 1) ? -2 * field : 2 * field, coef);                         \
        }                                                                                                    \
    } while (0)

    for (;;) {
        bits |= LoadBE64(ptr) >> count;
        ptr += (63 - count) >> 3;
        count |= 56;
        DV_DECODE_STEP();
        DV_DECODE_STEP();
    }
#undef DV_DECODE_STEP
careful:
    pos = end - left;

    /* The last bits: a code may be cut off by `end`. */
    for (;;) {
        const uint64_t w = PeekBits(buf, pos);
        const DvVlcEntry *e = &ctx->vlc[w >> 56];
        switch (e->kind) {
        case DV_VLC_TWO:
            if (pos + e->bits <= end) {
                sp += e->skip1;
                if (sp > limit) {
                    pos += e->bits1;
                    goto finished;
                }
                StoreCoefficient(&list[sp], e->val1, coef);
                sp += e->skip2;
                pos += e->bits;
                if (sp > limit)
                    goto finished;
                StoreCoefficient(&list[sp], e->val2, coef);
                continue;
            }
            if (pos + e->bits1 > end)
                goto cut;
            sp += e->skip1;
            pos += e->bits1;
            if (sp > limit)
                goto finished;
            StoreCoefficient(&list[sp], e->val1, coef);
            goto cut;
        case DV_VLC_ONE_EOB:
            if (pos + e->bits1 > end)
                goto cut;
            sp += e->skip1;
            if (sp > limit) {
                pos += e->bits1;
                goto finished;
            }
            StoreCoefficient(&list[sp], e->val1, coef);
            if (pos + e->bits <= end) {
                pos += e->bits;
                goto finished;
            }
            pos += e->bits1;
            goto cut;
        case DV_VLC_EOB:
            if (pos + DV_EOB_BITS > end)
                goto cut;
            pos += DV_EOB_BITS;
            goto finished;
        case DV_VLC_RUN:
            if (pos + DV_RUN_ESCAPE_BITS > end)
                goto cut;
            sp += (unsigned)((w >> (64 - DV_RUN_ESCAPE_BITS)) & 63) + 1;
            pos += DV_RUN_ESCAPE_BITS;
            if (sp > limit)
                goto finished;
            continue;
        case DV_VLC_LONG: {
            if (pos + DV_LONG_ESCAPE_BITS > end)
                goto cut;
            pos += DV_LONG_ESCAPE_BITS;
            if (++sp > limit)
                goto finished;
            int32_t field = (int32_t)((w >> (64 - DV_LONG_ESCAPE_BITS)) & 511);
            int32_t value = 2 * field;
            StoreCoefficient(&list[sp], (field & 1) ? -value : value, coef);
            continue;
        }
        case DV_VLC_SUB:
            e = &ctx->vlc[DV_VLC_SECOND + ((unsigned)e->sub << DV_VLC_SUB_BITS) +
                          (unsigned)((w >> (56 - DV_VLC_SUB_BITS)) & ((1u << DV_VLC_SUB_BITS) - 1))];
            /* The second table holds single codes only. */
            __attribute__((fallthrough));
        default:
            if (pos + e->bits > end)
                goto cut;
            pos += e->bits;
            sp += e->skip1;
            if (sp > limit)
                goto finished;
            StoreCoefficient(&list[sp], e->val1, coef);
            continue;
        }
    }
finished:
    st->done = 1;
    st->scan = (uint8_t)(sp > 255 ? 255 : sp);
    st->left = (uint16_t)pos;
    return pos;
cut:
    st->scan = (uint8_t)sp;
    st->pendingBits = (uint8_t)(end - pos);
    st->pending = st->pendingBits ? (uint16_t)(PeekBits(buf, pos) >> (64 - st->pendingBits)) : 0;
    return end;
}

/* Appends `count` bits of `src` from bit `from` to `dst` at bit *at. The destination past *at must
 * be zero and have 8 bytes of room after the last bit. */
static void AppendBits(uint8_t *dst, uint32_t *at, const uint8_t *src, uint32_t from, uint32_t count)
{
    uint32_t to = *at;
    while (count > 0) {
        uint32_t n = count < 32 ? count : 32;
        uint64_t chunk = (PeekBits(src, from) >> 32) & (~0ull << (32 - n)) & 0xFFFFFFFFull;
        uint64_t word = LoadBE64(dst + (to >> 3));
        word |= (chunk << 32) >> (to & 7);
        StoreBE64(dst + (to >> 3), word);
        to += n;
        from += n;
        count -= n;
    }
    *at = to;
}

/* Writes the low `count` (at most 16) bits of `value` at bit `at`, with 8 bytes of room there. */
static void WriteBits(uint8_t *dst, uint32_t at, uint32_t value, uint32_t count)
{
    if (count == 0)
        return;
    const unsigned shift = 64 - (at & 7) - count;
    const uint64_t mask = ((1ull << count) - 1) << shift;
    const uint64_t word = LoadBE64(dst + (at >> 3));
    StoreBE64(dst + (at >> 3), (word & ~mask) | ((uint64_t)value << shift & mask));
}

/* Continues an unfinished block on the pool bits [pos, end); returns the new pool position. */
static __attribute__((noinline)) uint32_t ContinueBlock(DvContext *ctx, uint8_t *pool, uint32_t pos, uint32_t end,
                                                         int index)
{
    DvBlockState *st = &ctx->blocks[index];
    if (pos >= end)
        return end;
    /* The consumed bits (or the head room) in front of `pos` take the cut-off code back. */
    uint32_t from = pos - st->pendingBits;
    WriteBits(pool, from, st->pending, st->pendingBits);
    st->pendingBits = 0;
    uint32_t stop = DecodeCodes(ctx, pool, from, end, st, ctx->coef[index], DV_LAST_SCAN_INDEX);
    return st->done ? stop : end;
}

static inline __attribute__((always_inline)) void DecodeOwnAreas(DvContext *ctx, unsigned limit, int half,
                                                                 uint8_t *staOut)
{
    const uint8_t *seg = ctx->segment;
    for (int m = 0; m < DV_SEGMENT_BLOCKS; ++m) {
        const uint8_t *dif = seg + m * DV_BLOCK_BYTES;
        unsigned sta = dif[3] >> 4, qno = dif[3] & 15;
        staOut[m] = (uint8_t)sta;
        for (int b = 0; b < DV_MB_BLOCKS; ++b) {
            int index = m * DV_MB_BLOCKS + b;
            unsigned offset = (unsigned)(m * DV_BLOCK_BYTES + kDvBlockOffset[b]);
            const uint8_t *area = seg + offset;
            DvBlockState *st = &ctx->blocks[index];
            /* The DC word is kept whole: the 9-bit DC sits in its top bits, scaled by 128. */
            ctx->coef[index][0] = (int16_t)((area[0] << 8) | area[1]);
            unsigned dct248 = (area[1] >> 6) & 1, klass = (area[1] >> 4) & 3;
            unsigned qindex = qno + kDvClassOffset[klass];
            if (qindex > DV_QUANT_INDEXES - 1)
                qindex = DV_QUANT_INDEXES - 1;
            st->list = half ? ctx->halfScan[dct248][klass == 3][qindex] : ctx->scan[dct248][klass == 3][qindex];
            st->dct248 = (uint8_t)dct248;
            st->start = (uint16_t)(offset * 8 + DV_BLOCK_HEADER_BITS);
            st->end = (uint16_t)((offset + kDvBlockBytes[b]) * 8);
            st->left = st->end;
            st->scan = 0;
            st->done = 0;
            st->pending = 0;
            st->pendingBits = 0;
            DecodeCodes(ctx, seg, st->start, st->end, st, ctx->coef[index], limit);
        }
    }
}

/* Pass 1 only, for the reduced scales: the scan limit is a constant in each instance. */
static __attribute__((noinline)) void DecodeOwnAreasHalf(DvContext *ctx)
{
    uint8_t sta[DV_SEGMENT_BLOCKS];
    DecodeOwnAreas(ctx, DV_HALF_SCAN_LIMIT, 1, sta);
}

static __attribute__((noinline)) void DecodeOwnAreasQuarter(DvContext *ctx)
{
    uint8_t sta[DV_SEGMENT_BLOCKS];
    DecodeOwnAreas(ctx, DV_QUARTER_SCAN_LIMIT, 0, sta);
}

void DvDecodeSegment(DvContext *ctx, int passes, int limit, int half)
{
    uint8_t sta[DV_SEGMENT_BLOCKS];
    /* The frame walk hands over cleared coefficient blocks. */
    if (passes == DV_PASS_ONE) {
        if (half && limit == DV_HALF_SCAN_LIMIT)
            DecodeOwnAreasHalf(ctx);
        else if (!half && limit == DV_QUARTER_SCAN_LIMIT)
            DecodeOwnAreasQuarter(ctx);
        else
            DecodeOwnAreas(ctx, (unsigned)limit, half, sta);
        return;
    }
    DecodeOwnAreas(ctx, DV_LAST_SCAN_INDEX, 0, sta);

    int unfinished = 0;
    for (int i = 0; i < DV_SEGMENT_MBLOCKS; ++i)
        unfinished |= !ctx->blocks[i].done;
    if (!unfinished)
        return;

    /* Pass 2: per macroblock. A pool that is used up by an unfinished block leaves nothing. */
    const uint8_t *seg = ctx->segment;
    uint32_t poolPos[DV_SEGMENT_BLOCKS], poolEnd[DV_SEGMENT_BLOCKS];
    uint8_t pooled[DV_SEGMENT_BLOCKS];
    unsigned staAny = 0;
    unfinished = 0;
    for (int m = 0; m < DV_SEGMENT_BLOCKS; ++m) {
        DvBlockState *mb = &ctx->blocks[m * DV_MB_BLOCKS];
        staAny |= sta[m];
        pooled[m] = 0;
        int open = 0;
        for (int b = 0; b < DV_MB_BLOCKS; ++b)
            open |= !mb[b].done;
        if (!open)
            continue;
        /* STA with its low three bits set marks the macroblock as concealed: keep its own bits. */
        if ((sta[m] & 7) == 7) {
            unfinished = 1;
            continue;
        }
        uint8_t *pool = ctx->mbPool[m];
        memset(pool, 0, DV_MB_POOL_BYTES);
        uint32_t at = DV_POOL_HEADROOM_BITS;
        for (int b = 0; b < DV_MB_BLOCKS; ++b)
            if (mb[b].done)
                AppendBits(pool, &at, seg, mb[b].left, mb[b].end - mb[b].left);
        uint32_t pos = DV_POOL_HEADROOM_BITS;
        for (int b = 0; b < DV_MB_BLOCKS; ++b) {
            if (mb[b].done)
                continue;
            pos = ContinueBlock(ctx, pool, pos, at, m * DV_MB_BLOCKS + b);
            if (!mb[b].done) {
                unfinished = 1;
                break;
            }
        }
        pooled[m] = 1;
        poolPos[m] = pos;
        poolEnd[m] = at;
    }
    /* Any error status in the segment keeps the bits of one macroblock away from the others. */
    if (staAny || !unfinished)
        return;

    /* Pass 3: what is left of all five macroblocks, in macroblock order. */
    uint8_t *pool = ctx->segmentPool;
    memset(pool, 0, DV_SEGMENT_POOL_BYTES);
    uint32_t at = DV_POOL_HEADROOM_BITS;
    for (int m = 0; m < DV_SEGMENT_BLOCKS; ++m) {
        if (pooled[m]) {
            AppendBits(pool, &at, ctx->mbPool[m], poolPos[m], poolEnd[m] - poolPos[m]);
            continue;
        }
        const DvBlockState *mb = &ctx->blocks[m * DV_MB_BLOCKS];
        for (int b = 0; b < DV_MB_BLOCKS; ++b)
            if (mb[b].done)
                AppendBits(pool, &at, seg, mb[b].left, mb[b].end - mb[b].left);
    }
    uint32_t pos = DV_POOL_HEADROOM_BITS;
    for (int i = 0; i < DV_SEGMENT_MBLOCKS; ++i) {
        if (ctx->blocks[i].done)
            continue;
        pos = ContinueBlock(ctx, pool, pos, at, i);
        if (!ctx->blocks[i].done)
            break;
    }
}
