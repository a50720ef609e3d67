#ifndef CLIPNAIL_TAG_SCAN_H
#define CLIPNAIL_TAG_SCAN_H
/* The tag scan: containers are not walked as trees; the pieces a walk needs are found by scanning the
 * bytes of a range for their four-letter tags.
 *
 * The range is read in windows of 32,768 bytes. Every byte equal to the first letter of a wanted tag
 * is a candidate, confirmed by comparing its 4 bytes. The confirmation, and the handler's look at the
 * fields around a tag, come from the window already read: each window is read with a few bytes of the
 * previous one and a few of the next one around it, so a candidate near either edge is confirmed all
 * the same and a file of nothing but candidate letters costs no more than its bytes. A confirmed piece
 * moves the scan to the piece's end, so nothing inside a recognised piece is scanned; a window without
 * one moves the scan on by its length. */

#include "ClipSource.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    CLIP_SCAN_WINDOW = 32768,
    CLIP_SCAN_BEHIND = 8, /* a size field sits at most this far before its tag */
    CLIP_SCAN_AHEAD = 32  /* the handlers' fields lie within this many bytes after a tag */
};

/* How many bytes the scans of one call may read. The scans skip every piece they recognise, so a real
 * movie costs them a few windows; only a file of unrecognised bytes (a damaged one, or a huge sparse
 * one) reaches this, and is then given up instead of being read to its end. */
#define CLIP_SCAN_BUDGET ((uint64_t)64 << 20)

/* The bytes of one scan window, with their position in the source. */
typedef struct ClipWindow {
    const uint8_t* bytes;
    uint64_t position;
    size_t length;
} ClipWindow;

/* Reads from the window when the bytes lie inside it, else from the source. Same results as
 * clip_source_read_exact / _le32 / _be32 / _be64. */
int clip_window_read(const ClipWindow* window, const ClipSource* source, uint64_t position, void* buffer,
                     size_t length);
int clip_window_le32(const ClipWindow* window, const ClipSource* source, uint64_t position, uint32_t* value);
int clip_window_be32(const ClipWindow* window, const ClipSource* source, uint64_t position, uint32_t* value);
int clip_window_be64(const ClipWindow* window, const ClipSource* source, uint64_t position, uint64_t* value);

/* Looks at the candidate tag at `at`. Returns the position where the scan resumes when it is a piece
 * (positions not past the tag are moved past it, so a scan always advances), or 0 when it is not.
 * Setting *stop ends the scan. */
typedef uint64_t (*ClipTagHandler)(void* context, const ClipSource* source, const ClipWindow* window, uint64_t at,
                                   const uint8_t tag[4], int* stop);

/* Scans [start, end) for tags whose first letter is one of `first_letters`. Only tags that lie wholly
 * inside the range are offered. When `budget` is not null it holds the number of bytes the scan may
 * still read; the scan takes what it reads from it and stops when it is spent. */
void clip_tag_scan(const ClipSource* source, uint64_t start, uint64_t end, const char* first_letters,
                   ClipTagHandler handler, void* context, uint64_t* budget);

/* a + b, held at UINT64_MAX instead of wrapping. */
static inline uint64_t clip_add(uint64_t a, uint64_t b)
{
    return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

#ifdef __cplusplus
}
#endif

#endif
