#ifndef CLIPNAIL_MOV_SCAN_H
#define CLIPNAIL_MOV_SCAN_H
/* The QuickTime walk: finds the first Motion-JPEG frame and the creation time of a QuickTime movie by
 * tag scans. An atom is a big-endian 32-bit size (the whole atom, header included) followed by its
 * four-letter type; a size of 1 means a 64-bit size follows the type, a size of 0 that the atom runs
 * to the end of the file.
 *
 *  1. The top-level atoms are followed from the start of the file to "moov" (one header read per
 *     atom, however large the media data); where they do not lead there (a damaged or foreign file),
 *     a scan of the whole file finds "pnot", "mdat" and "moov", within the scan budget.
 *  2. A scan of "moov" finds the "minf" atoms; the type of each one's first child tells the video
 *     ("vmhd") from the sound ("smhd"); the last video one counts.
 *  3. A scan of the video "minf" finds "stsd", "stsz" and "stco"; the first sample description's
 *     format must be "jpeg" or "mjpa".
 *  4. The frame's size is the constant sample size, or else the first entry of the size table; its
 *     offset is the first chunk offset. */

#include "ClipPiece.h"
#include "ClipSource.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct MovScan {
    ClipPiece pnot, mdat, moov;
    ClipPiece video_minf, sound_minf;
    ClipPiece stsd, stsz, stco;
    int mjpeg;
    ClipFrame frame;
} MovScan;

/* Step 1 only. Returns 0 when "moov" was found. */
int mov_scan_top_level(const ClipSource* source, MovScan* scan);

/* Steps 1 to 4. Returns 0 when a frame was found, -1 otherwise (no "moov", no video "minf", a format
 * other than "jpeg"/"mjpa", no "stsz"/"stco", empty tables, a frame outside the file). */
int mov_scan(const ClipSource* source, MovScan* scan);

/* The movie header's creation time, in seconds since 1904-01-01 00:00:00, after step 1. The movie
 * header is the first child of "moov" in every movie seen so far; when it is not, it is looked for
 * inside "moov". Both header versions are read (32-bit and 64-bit times). Returns 0 on success. */
int mov_creation_seconds(const ClipSource* source, const MovScan* scan, uint64_t* seconds);

#ifdef __cplusplus
}
#endif

#endif
