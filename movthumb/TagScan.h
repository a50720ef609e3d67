#ifndef CLIPNAIL_TAG_SCAN_H
#define CLIPNAIL_TAG_SCAN_H
/* The tag scan: containers are not walked as trees; the pieces a walk needs are found by scanning the
 * bytes of a range for their four-letter tags.
 *
 * The range is read in windows of 32,768 bytes. Every byte equal to the first letter of a wanted tag
 * is a candidate, confirmed by reading its 4 bytes from the source (so a candidate near the end of a
 * window is confirmed all the same). A confirmed piece moves the scan to the piece's end, so nothing
 * inside a recognised piece is scanned; a window without one moves the scan on by its length. */

#include "ClipSource.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { CLIP_SCAN_WINDOW = 32768 };

/* Looks at the candidate tag at `at`. Returns the position where the scan resumes when it is a piece
 * (positions not past the tag are moved past it, so a scan always advances), or 0 when it is not.
 * Setting *stop ends the scan. */
typedef uint64_t (*ClipTagHandler)(void* context, const ClipSource* source, uint64_t at, const uint8_t tag[4],
                                   int* stop);

/* Scans [start, end) for tags whose first letter is one of `first_letters`. Only tags that lie wholly
 * inside the range are offered. */
void clip_tag_scan(const ClipSource* source, uint64_t start, uint64_t end, const char* first_letters,
                   ClipTagHandler handler, void* context);

/* a + b, held at UINT64_MAX instead of wrapping. */
static inline uint64_t clip_add(uint64_t a, uint64_t b)
{
    return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

#ifdef __cplusplus
}
#endif

#endif
