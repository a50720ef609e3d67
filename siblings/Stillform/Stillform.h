#ifndef STILLFORM_H
#define STILLFORM_H
/*
 * Stillform: the ".dcf" still pictures, small uncompressed pictures behind a 32-byte header.
 *
 * Loaded by name ("Stillform" = libStillform.so) and bound by export name. Nothing is printed.
 *
 * File layout (numbers big-endian):
 *   offset  size  content
 *   0       4     "DCF " (with the trailing blank)
 *   4       4     "1.00"
 *   8       2     width in pixels, 1..65535
 *   10      2     height in pixels, 1..65535
 *   12      4     total file size: 32 + width x height x bytes per pixel
 *   16      1     bits per pixel: 24 (red, green, blue bytes) or 8 (grey levels)
 *   17      1     0
 *   18      14    shooting date as "YYYYMMDDhhmmss", or 14 zero bytes when unknown
 *   32            the pixels, top line first, lines not padded
 * A picture must be small enough that its packed DIB (40-byte header, for 8 bits a 256-entry grey table,
 * rows padded to 4 bytes) fits the 19,624-byte output buffer: 80 x 60 in colour fits, so does 160 x 116
 * in grey.
 */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define STILLFORM_API __attribute__((visibility("default")))

#define STILLFORM_HEADER_SIZE 32
#define STILLFORM_OUTPUT_SIZE 19624

/* mkDCbmp's parameter record. */
typedef struct StillformRequest {
    const void* data;      /* the whole .dcf file in memory */
    void* output;          /* the caller's zero-filled buffer of STILLFORM_OUTPUT_SIZE bytes */
    uint32_t dataSize;     /* bytes at data; 0 means data is a block from the C allocator (malloc) whose
                              usable size then bounds every read, so a file shorter than its header
                              claims can still not be read past its end */
    uint32_t headerSize;   /* STILLFORM_HEADER_SIZE */
    uint16_t reserved[5];  /* zero */
} StillformRequest;

/* Statuses (16-bit). */
#define STILLFORM_OK 0
#define STILLFORM_BAD_ARGUMENT 1 /* null record, data or output, or a header size other than 32 */
#define STILLFORM_BAD_HEADER 2   /* not "DCF " "1.00", zero size, unknown depth, wrong total size */
#define STILLFORM_TRUNCATED 3    /* fewer bytes than the header's total size */
#define STILLFORM_TOO_LARGE 4    /* the picture's DIB would not fit the output buffer */
#define STILLFORM_WRITE_FAILED 5

/* Decodes the file in request->data into a packed bottom-up DIB at the start of request->output: 24 bits
 * (blue, green, red) for colour, 8 bits with a 256-step grey table for grey. On failure the output buffer
 * is left as it was. */
STILLFORM_API uint16_t mkDCbmp(StillformRequest* request);

/* Writes the packed DIB `dib` (any uncompressed depth) as a .dcf file at `path`, replacing a file of that
 * name only once the new one is complete. A DIB whose colour table holds greys only is stored as 8 bits,
 * others as 24 bits. `date` is "YYYYMMDDhhmmss" or null for none. The DIB stays the caller's. */
STILLFORM_API uint16_t mkDCfile(const char* path, const void* dib, const char* date);

#ifdef __cplusplus
}
#endif

#endif /* STILLFORM_H */
