#ifndef CAPLINE_H
#define CAPLINE_H
/*
 * Capline: the ".ttl" title files, a title text with its colours, drawn as a title card.
 *
 * Loaded by name ("Capline" = libCapline.so) and bound by export name. Text is drawn with FreeType from
 * the font fontconfig picks for "IPAPGothic" with Japanese as the language (else the default sans-serif
 * face), so Japanese titles show as well as Latin ones. Nothing is printed.
 *
 * File layout (numbers big-endian):
 *   offset  size  content
 *   0       4     "TTL " (with the trailing blank)
 *   4       4     "1.00"
 *   8       2     card width in pixels, 1..4096
 *   10      2     card height in pixels, 1..4096
 *   12      4     total file size: 32 + text length
 *   16      3     background colour: red, green, blue
 *   19      3     text colour: red, green, blue
 *   22      1     alignment of each line: 0 centred, 1 left, 2 right
 *   23      1     0
 *   24      2     text length in bytes, 0..4096
 *   26      2     font size in pixels; 0 chooses the largest size, at most a sixth of the card's height,
 *                 at which every line fits 90 % of its width
 *   28      4     0
 *   32            the text, UTF-8 (invalid sequences show as U+FFFD), lines separated by LF; the block
 *                 of lines is centred vertically
 */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define CAPLINE_API __attribute__((visibility("default")))

#define CAPLINE_HEADER_SIZE 32
#define CAPLINE_MAX_SIDE 4096
#define CAPLINE_MAX_TEXT 4096

/* TitleDecoder's flags; the program passes 1025. */
#define CAPLINE_FLAG_DIB24 0x0001     /* a 24-bit DIB is wanted (required) */
#define CAPLINE_FLAG_ANTIALIAS 0x0400 /* smooth glyph edges; without it glyphs are drawn in two levels */

/* Statuses (16-bit). */
#define CAPLINE_OK 0
#define CAPLINE_BAD_ARGUMENT 1  /* null pointer, CAPLINE_FLAG_DIB24 missing, bad title record */
#define CAPLINE_BAD_HEADER 2    /* not "TTL " "1.00", sizes out of range, wrong total size */
#define CAPLINE_TRUNCATED 3     /* the block is shorter than the header's total size */
#define CAPLINE_NO_FONT 4       /* no usable font on this system */
#define CAPLINE_NO_MEMORY 5
#define CAPLINE_WRITE_FAILED 6

/*
 * Draws the title card of the .ttl file held in `block`, a block from the C allocator (malloc) holding the
 * whole file; its usable size bounds every read. On success *dib receives a new packed DIB (40-byte
 * header, 24 bits, bottom-up; the caller frees it with free()) and *width, *height the card's size.
 */
CAPLINE_API uint16_t TitleDecoder(const void* block, void** dib, int32_t* width, int32_t* height, int32_t flags);

/* A title for TitleEncoder. */
typedef struct CaplineTitle {
    uint16_t width, height;
    uint8_t background[3]; /* red, green, blue */
    uint8_t foreground[3];
    uint8_t alignment;     /* 0 centred, 1 left, 2 right */
    uint16_t fontSize;     /* 0 = automatic */
    const char* text;      /* UTF-8, LF between lines */
} CaplineTitle;

/* Writes `title` as a .ttl file at `path`, replacing a file of that name once the new one is complete. */
CAPLINE_API uint16_t TitleEncoder(const char* path, const CaplineTitle* title);

#ifdef __cplusplus
}
#endif

#endif /* CAPLINE_H */
