/*
 * Internal interface of the decoder core: the frame walk, the coefficient decoder, the transforms
 * and the pixel writers share the context that lives in the caller's work area.
 *
 * The core keeps nothing of its own but the set-up cache key and the routines chosen for it; all
 * tables and buffers sit in the work area, from its first 32-byte boundary on.
 */
#ifndef DVCORE_H
#define DVCORE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define DV_HIDDEN __attribute__((visibility("hidden")))

/* Result of DecodeFrame when the mode or line length is refused. */
#define DV_CORE_REFUSED 0x80004005u

/* Core mode word. */
#define DV_CORE_SCALE_MASK 0x000Fu
#define DV_CORE_SYSTEM_MASK 0x0030u
#define DV_CORE_SYSTEM_525 0x0010u
#define DV_CORE_SYSTEM_625 0x0020u
#define DV_CORE_FORM_MASK 0x1FC0u
#define DV_CORE_FORM_RGB24 0x0100u
#define DV_CORE_FORM_RGB565 0x0200u
#define DV_CORE_FORM_RGB555 0x0400u
#define DV_CORE_FORM_DITHER8 0x0800u
#define DV_CORE_REQUIRED 0x2000u

/* Frame layout: DIF sequences of 149 blocks of 80 bytes (the first audio block is not stored). */
#define DV_BLOCK_BYTES 80
#define DV_SEQUENCE_BYTES 11920
#define DV_SEQUENCES_525 10
#define DV_SEQUENCES_625 12
#define DV_SEGMENTS 27
#define DV_SEGMENT_BLOCKS 5
#define DV_SEGMENT_BYTES (DV_SEGMENT_BLOCKS * DV_BLOCK_BYTES)
/* Header, two subcode and three auxiliary blocks precede the first video segment. */
#define DV_FIRST_SEGMENT_OFFSET 480
/* An audio block precedes every third segment after the first. */
#define DV_AUDIO_EVERY 3
#define DV_FRAME_BYTES_525 (DV_SEQUENCES_525 * DV_SEQUENCE_BYTES)
#define DV_FRAME_BYTES_625 (DV_SEQUENCES_625 * DV_SEQUENCE_BYTES)

/* Picture geometry at full size. */
#define DV_WIDTH 720
#define DV_HEIGHT_525 480
#define DV_HEIGHT_625 576
#define DV_SUPERBLOCK_LINES 48
/* The rightmost 16 columns that one-eighth scale leaves out. */
#define DV_EIGHTH_WIDTH 88

/* Blocks of a macroblock: four luma, then Cr, then Cb. */
#define DV_MB_BLOCKS 6
#define DV_SEGMENT_MBLOCKS (DV_SEGMENT_BLOCKS * DV_MB_BLOCKS)

/* Macroblock raster: each line holds the luma blocks side by side, then Cr, then Cb. */
#define DV_RASTER_LINES 8
#define DV_RASTER_STRIDE 48
#define DV_RASTER_CR 32
#define DV_RASTER_CB 40

/* Deferred edge records of 4:1:1 pictures: one per macroblock line, 23 macroblocks to a picture
 * line (22 of 32 pixels and the 16-pixel right edge). */
#define DV_RECORD_VALUES 8
#define DV_RECORD_SLOTS 23
#define DV_RECORD_LINES DV_HEIGHT_525
#define DV_REC_FIRST_CR 0
#define DV_REC_FIRST_CB 1
#define DV_REC_LAST_Y 2
#define DV_REC_LAST_CR 6
#define DV_REC_LAST_CB 7

/* Records hold 16-bit samples: half the memory the final pass has to stream through. Samples
 * beyond 16 bits (only hostile frames make them) are saturated. */
typedef int16_t DvRecord;
static inline DvRecord DvToRecord(int32_t v)
{
    return (DvRecord)(v < INT16_MIN ? INT16_MIN : v > INT16_MAX ? INT16_MAX : v);
}

/* Conversion tables are indexed -512 ... 383. */
#define DV_CONVERT_MIN (-512)
#define DV_CONVERT_MAX 383
#define DV_CONVERT_SIZE (DV_CONVERT_MAX - DV_CONVERT_MIN + 1)

/* Variable-length code lookup. */
enum DvVlcKind {
    DV_VLC_ONE = 0,     /* one complete code */
    DV_VLC_TWO = 1,     /* two complete codes */
    DV_VLC_ONE_EOB = 2, /* one complete code followed by the end of the block */
    DV_VLC_EOB = 3,
    DV_VLC_SUB = 4,     /* look the next five bits up in a second table */
    DV_VLC_RUN = 5,     /* zero-run escape: 7-bit prefix + 6-bit run */
    DV_VLC_LONG = 6     /* amplitude escape: 7-bit prefix + 8-bit amplitude + sign */
};

typedef struct DvVlcEntry {
    uint8_t kind;
    uint8_t bits;  /* all bits the entry consumes */
    uint8_t bits1; /* bits of the first code alone */
    uint8_t skip1; /* scan positions the first code advances (run + 1) */
    uint8_t skip2;
    int8_t val1;   /* sign x (4 x amplitude + 1), or 0 for a zero run */
    int8_t val2;
    uint8_t sub;   /* second-table index for DV_VLC_SUB */
} DvVlcEntry;

/* The first-level table covers all 8-bit prefixes; codes longer than 8 bits whose prefix is
 * 0xE0 ... 0xFB continue in a second table indexed by the next 5 bits. Both live in one array:
 * the second table for prefix p starts at DV_VLC_SECOND + (p - DV_VLC_SUB_FIRST) x 32. */
#define DV_VLC_SUB_FIRST 0xE0
#define DV_VLC_SUB_TABLES 28
#define DV_VLC_SUB_BITS 5
#define DV_VLC_SECOND 256
#define DV_VLC_ENTRIES (DV_VLC_SECOND + DV_VLC_SUB_TABLES * (1 << DV_VLC_SUB_BITS))

/* One scan list entry: where the coefficient goes (8 x vertical frequency + horizontal frequency,
 * the 2-4-8 mode's difference rows below its sum rows) and its shift. */
typedef struct DvScanEntry {
    uint8_t pos;
    uint8_t shift;
} DvScanEntry;

#define DV_QUANT_INDEXES 16
/* Half-scale lists send coefficients outside the 4 x 4 corner to this slot. */
#define DV_TRASH_SLOT 64
#define DV_COEF_SLOTS 72

/* Bit reader state of one block of a segment. */
typedef struct DvBlockState {
    uint16_t start;    /* first AC bit of the block's own area, in the segment copy */
    uint16_t end;      /* first bit after the area */
    uint16_t left;     /* after the end of the block: first left-over bit of the own area */
    uint8_t scan;      /* scan index of the last coefficient position reached */
    uint8_t done;      /* end of block reached */
    uint16_t pending;  /* the bits of a code cut off by the end of the bits it was read from */
    uint8_t pendingBits;
    uint8_t dct248;
    const DvScanEntry *list;
} DvBlockState;

struct DvContext;
typedef void (*DvFrameRoutine)(struct DvContext *ctx, const uint8_t *data, uint8_t *output);
/* Writes one reconstructed macroblock at `dest` (its first line), lines `pitch` bytes apart;
 * `rec` is the macroblock's first deferred edge record (4:1:1 only). */
typedef void (*DvMacroblockWriter)(const struct DvContext *ctx, const int32_t *raster, uint8_t *dest,
                                   ptrdiff_t pitch, DvRecord *rec);
/* Completes the last pixel group of every 4:1:1 macroblock line from the deferred records. */
typedef void (*DvEdgePass)(const struct DvContext *ctx, uint8_t *base);

/* Pool buffers keep 16 bits of head room so that a cut-off code can be written back in front. */
#define DV_POOL_HEADROOM_BITS 16
/* Room for the bit reader's look-ahead past the last bit. */
#define DV_POOL_PAD 24
/* A macroblock's AC areas: four of 100 bits and two of 68 bits; a pool holds at most all of them. */
#define DV_MB_AC_BITS (4 * 100 + 2 * 68)
#define DV_MB_POOL_BYTES (DV_POOL_HEADROOM_BITS / 8 + DV_MB_AC_BITS / 8 + 1 + DV_POOL_PAD)
#define DV_SEGMENT_POOL_BYTES (DV_POOL_HEADROOM_BITS / 8 + DV_SEGMENT_BLOCKS * DV_MB_AC_BITS / 8 + 1 + DV_POOL_PAD)

/* Marks a context that this library built ("DVC1"). */
#define DV_CONTEXT_MAGIC 0x44564331u

typedef struct DvContext {
    uint32_t reserved; /* keeps the work area's flag byte when the area is already aligned */
    uint32_t magic;
    uint32_t mode;
    int32_t lineLength;

    /* Geometry at the chosen scale. */
    int32_t sequences;   /* 10 or 12 DIF sequences = superblock rows */
    int32_t scale;
    int32_t is411;
    int32_t form;
    int32_t bytesPerPixel;
    int32_t width;
    int32_t height;
    int32_t mbWidth;
    int32_t mbHeight;
    int32_t blockSize;   /* pixels per block side: 8, 4, 2 or 1 */
    ptrdiff_t pitch;     /* signed line step in bytes */
    ptrdiff_t baseOffset; /* of picture line 0 from the start of the output */
    ptrdiff_t rowStep;   /* superblock row step */
    ptrdiff_t snake[30];
    ptrdiff_t columnBase[5];
    ptrdiff_t rightEdgeStep; /* between the stacked right-edge macroblocks */
    uint8_t counterStart[5];
    int32_t recRowStep;
    int32_t recSnake[30];
    int32_t recColumn[5];
    int32_t recRightEdgeStep;

    /* Tables built at set-up. */
    DvVlcEntry vlc[DV_VLC_ENTRIES];
    DvScanEntry scan[2][2][DV_QUANT_INDEXES][64];     /* [2-4-8][class 3][index] */
    DvScanEntry halfScan[2][2][DV_QUANT_INDEXES][64];
    uint8_t convert[DV_CONVERT_SIZE];
    uint8_t convert5[DV_CONVERT_SIZE];

    /* Per-segment buffers. */
    int32_t coef[DV_SEGMENT_MBLOCKS][DV_COEF_SLOTS] __attribute__((aligned(32)));
    int32_t raster[DV_RASTER_LINES][DV_RASTER_STRIDE] __attribute__((aligned(32)));
    DvBlockState blocks[DV_SEGMENT_MBLOCKS];
    uint8_t segment[DV_SEGMENT_BYTES + DV_POOL_PAD];
    uint8_t mbPool[DV_SEGMENT_BLOCKS][DV_MB_POOL_BYTES];
    uint8_t segmentPool[DV_SEGMENT_POOL_BYTES];

    /* Deferred edge records of one 4:1:1 frame, by picture line and macroblock column. */
    DvRecord records[DV_RECORD_LINES * DV_RECORD_SLOTS * DV_RECORD_VALUES] __attribute__((aligned(32)));
} DvContext;

/* The routines chosen at set-up for the cached mode. */
typedef struct DvRoutines {
    DvFrameRoutine frame;
    DvMacroblockWriter writer;
    DvMacroblockWriter rightEdgeWriter;
    DvEdgePass edgePass;
} DvRoutines;

/* Decodes the compressed frame at `data` (the first DIF sequence) into `output`. Returns 0, or
 * DV_CORE_REFUSED for a refused mode or line length (nothing is written then). */
DV_HIDDEN uint32_t DecodeFrame(const uint8_t *data, uint8_t *output, uint32_t mode, int32_t lineLength,
                               uint8_t *workArea);

/* The context inside a work area. */
DV_HIDDEN DvContext *DvContextOf(uint8_t *workArea);

/* Decoded picture size for a core mode, or 0 when the mode is refused. */
DV_HIDDEN int DvPictureSize(uint32_t mode, int32_t *width, int32_t *height);

/* Set-up: builds every table of the context and chooses the routines. */
DV_HIDDEN void DvSetUp(DvContext *ctx, uint32_t mode, int32_t lineLength);

/* Tables of the format (DvTables.c). */
typedef struct DvCodeWord {
    const char *bits; /* the code word without its sign bit; NULL ends the list */
    uint8_t run;
    uint8_t amplitude; /* 0 with run 255 marks the end-of-block code */
} DvCodeWord;
#define DV_EOB_RUN 255
extern DV_HIDDEN const DvCodeWord kDvCodeWords[];
extern DV_HIDDEN const uint8_t kDvZigzag88[64];
extern DV_HIDDEN const uint8_t kDvZigzag248[64];
extern DV_HIDDEN const uint8_t kDvStepExponent[DV_QUANT_INDEXES][4];
extern DV_HIDDEN const uint8_t kDvClassOffset[4];
extern DV_HIDDEN const uint8_t kDvShuffleRow[DV_SEGMENT_BLOCKS];
extern DV_HIDDEN const uint8_t kDvShuffleColumn[DV_SEGMENT_BLOCKS];
extern DV_HIDDEN const uint8_t kDvBlockOffset[DV_MB_BLOCKS];
extern DV_HIDDEN const uint8_t kDvBlockBytes[DV_MB_BLOCKS];
extern DV_HIDDEN const uint8_t kDvDither[8][8];

/* Area of a scan index (1 ... 63) for the quantisation step. */
DV_HIDDEN int DvScanArea(int scanIndex);

/* Coefficient decoding (DvBlocks.c). */
#define DV_PASSES_ALL 3
#define DV_PASS_ONE 1
/* Scan indexes the reduced scales read: half scale keeps the 4 x 4 corner of the first 15. */
#define DV_HALF_SCAN_LIMIT 14
#define DV_QUARTER_SCAN_LIMIT 4
/* Decodes the coefficients of the segment copied into ctx->segment: resets the coefficient
 * blocks, then runs pass 1 and, when `passes` allows and STA does not forbid it, passes 2 and 3
 * (all passes always read the whole scan).
 * `limit` is the last scan index kept (63 at full size); `half` selects the half-scale lists. */
DV_HIDDEN void DvDecodeSegment(DvContext *ctx, int passes, int limit, int half);

/* Inverse transforms (DvTransform.c). Each writes a block into the macroblock raster at `out`
 * (DV_RASTER_STRIDE values per line) and leaves the coefficient block cleared for the next
 * segment. The full-size transform needs `coef` and `out` 32-byte aligned. */
DV_HIDDEN void DvTransformFull(int32_t *coef, int dct248, int32_t *out);
DV_HIDDEN void DvTransformFullReference(int32_t *coef, int dct248, int32_t *out);
DV_HIDDEN void DvTransformHalf(int32_t *coef, int32_t *out);
DV_HIDDEN void DvTransformQuarter(int32_t *coef, int32_t *out);

/* Test hooks: when set, the full-size decoder takes no transform fast path, and the set-up
 * chooses the plain per-pixel writers for the 24-bit form. */
extern DV_HIDDEN int gDvReferenceTransform;
extern DV_HIDDEN int gDvReferencePixels;
/* Test hook: when set, the full-size transform takes its baseline build even where AVX2 runs. */
extern DV_HIDDEN int gDvBaselineTransform;
/* Per-thread state of the call in progress: several threads may decode at once, each with a work
 * area of its own, so nothing that one call chooses may be seen by another. Kept from C++ (the
 * tests): C++ reaches thread-local C variables through wrappers C does not make. */
#define DV_THREAD_LOCAL _Thread_local
#ifndef __cplusplus
/* Whether the processor runs AVX2 code (found out at every call). */
extern DV_HIDDEN DV_THREAD_LOCAL int gDvAvx2;
#endif
DV_HIDDEN int DvCpuHasAvx2(void);
/* Number of set-ups so far on this thread (the cache is observable in tests). */
DV_HIDDEN unsigned DvSetUpCount(void);

/* Frame routines (DvFrameWalk.c). */
DV_HIDDEN void DvFrameFull(DvContext *ctx, const uint8_t *data, uint8_t *output);
DV_HIDDEN void DvFrameHalf(DvContext *ctx, const uint8_t *data, uint8_t *output);
DV_HIDDEN void DvFrameQuarter(DvContext *ctx, const uint8_t *data, uint8_t *output);
DV_HIDDEN void DvFrameEighth(DvContext *ctx, const uint8_t *data, uint8_t *output);

/* Pixel writers (DvPixels.c): chooses the writers for the context's layout, scale and form. */
DV_HIDDEN void DvChooseWriters(const DvContext *ctx, DvRoutines *routines);
DV_HIDDEN void DvBuildConvertTables(uint8_t *convert, uint8_t *convert5);
/* Replaces the writers with eight-pixel ones where the processor and the form allow; returns
 * whether it did (DvPixelsAvx2.c). */
DV_HIDDEN int DvChooseVectorWriters(const DvContext *ctx, DvRoutines *routines);

#ifndef __cplusplus
/* The routines of the call in progress on this thread, chosen from the context at every call. */
extern DV_HIDDEN DV_THREAD_LOCAL DvRoutines gDvRoutines;
#endif
DV_HIDDEN void DvChooseRoutines(const DvContext *ctx, DvRoutines *routines);

#ifdef __cplusplus
}
#endif

#endif
