/*
 * Vistra32: decodes one standard-definition DV still frame (a ".dvf" file image) into a packed
 * bitmap of 24-bit pixels.
 *
 * Input contract: `input` points at exactly one frame file image, header included: 119,232 bytes
 * for a 525/60 frame ("SD5"), 143,072 bytes for a 625/50 frame ("SD6"). The caller supplies all
 * memory: an output buffer of DVCDEC_OUTPUT_SIZE bytes and a work area of DVCDEC_WORK_AREA_SIZE
 * bytes. The library reshapes the picture inside the output buffer and allocates nothing, never
 * prints, and never leaves the call other than by returning.
 *
 * Calls must not overlap: the decoder keeps its set-up cache in process-wide variables.
 */
#ifndef VISTRA32_H
#define VISTRA32_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define DVCDEC_API __attribute__((visibility("default")))

/* One decode request. Fields are read, never written. */
typedef struct DvDecodeRequest {
    /* The whole frame file image, header included. */
    const unsigned char *input;
    /* Receives the packed bitmap: a 40-byte BITMAPINFOHEADER, then the pixel rows bottom line
     * first, blue-green-red, each row padded with zeros to a multiple of 4 bytes. Must hold
     * DVCDEC_OUTPUT_SIZE bytes; the decoder uses it as scratch space before it writes the bitmap. */
    unsigned char *output;
    /* Scratch area of the decoder, DVCDEC_WORK_AREA_SIZE bytes. Its first byte tells whether the
     * tables inside are valid (1). Zero that byte whenever the area's contents did not come from a
     * previous successful call with the same mode. */
    unsigned char *workArea;
    /* DVCDEC_SCALE_* | DVCDEC_SHAPE_* | DVCDEC_FORM_* | DVCDEC_DEINTERLACE_*; other bits ignored. */
    uint32_t mode;
    /* Two signed 16-bit halves (see DVCDEC_TRIM): low = lines dropped at the top of the picture,
     * high = lines dropped at the bottom. A negative half counts as 0. */
    uint32_t verticalTrim;
    /* Low = columns dropped at the left, high = columns dropped at the right. */
    uint32_t horizontalTrim;
} DvDecodeRequest;

/* Packs two signed 16-bit trims into one request field. */
#define DVCDEC_TRIM(low, high) \
    ((uint32_t)(uint16_t)(int16_t)(low) | ((uint32_t)(uint16_t)(int16_t)(high) << 16))

/* Buffer sizes the caller must supply. */
#define DVCDEC_OUTPUT_SIZE 1296040u
#define DVCDEC_WORK_AREA_SIZE 450560u

/* Frame file images. */
#define DVCDEC_FILE_SIZE_525 119232u
#define DVCDEC_FILE_SIZE_625 143072u
#define DVCDEC_HEADER_SIZE 32u

/* Mode word, bits 0-3: scale divisor (0 counts as 1). */
#define DVCDEC_SCALE_MASK 0x0000000Fu
#define DVCDEC_SCALE_1 0x1u
#define DVCDEC_SCALE_2 0x2u
#define DVCDEC_SCALE_4 0x4u
#define DVCDEC_SCALE_8 0x8u

/* Bits 4-7: picture shape. */
#define DVCDEC_SHAPE_MASK 0x000000F0u
#define DVCDEC_SHAPE_NONE 0x00u      /* as decoded */
#define DVCDEC_SHAPE_NATIVE 0x10u    /* as decoded, through the trimming copy */
#define DVCDEC_SHAPE_4_3 0x20u       /* 4:3 square pixels */
#define DVCDEC_SHAPE_16_9 0x40u      /* 16:9 square pixels from the whole frame */
#define DVCDEC_SHAPE_LETTERBOX 0x80u /* 16:9 square pixels from a letterboxed 4:3 frame */

/* Bits 8-11: pixel form. The export delivers only 24-bit bitmaps; other forms are refused. */
#define DVCDEC_FORM_MASK 0x00000F00u
#define DVCDEC_FORM_RGB24 0x100u

/* Bits 16-19: de-interlacing; any value other than these four means none. */
#define DVCDEC_DEINTERLACE_MASK 0x000F0000u
#define DVCDEC_DEINTERLACE_EVEN 0x10000u        /* rebuild the even lines where they comb */
#define DVCDEC_DEINTERLACE_ODD 0x20000u         /* rebuild the odd lines where they comb */
#define DVCDEC_DEINTERLACE_EVEN_ALWAYS 0x40000u /* interpolate every even line */
#define DVCDEC_DEINTERLACE_ODD_ALWAYS 0x80000u  /* interpolate every odd line */

/* Status codes: the low 16 bits of the result. */
#define DVCDEC_OK 0x0000u
/* `input` (or the request) is not a valid frame file header. */
#define DVCDEC_BAD_HEADER 0xFFF3u
/* The decoder refused the combination of scale, shape, pixel form, trims and system, or a buffer
 * pointer is missing. Nothing was written. */
#define DVCDEC_REFUSED 0xFFD8u
/* The temporary block for resampling could not be allocated: the bitmap header is written for the
 * target size but the pixels are not resampled. The export resamples inside the output buffer
 * and does not give it; callers may still meet it from other builds of the library. */
#define DVCDEC_NO_MEMORY 0xFFFBu

/* Decodes one frame. Returns a status code in the low 16 bits; the high 16 bits are 0. */
DVCDEC_API uint32_t dvcdec(const DvDecodeRequest *request);

#ifdef __cplusplus
}
#endif

#endif
