#ifndef CLIPNAIL_AVI_SCAN_H
#define CLIPNAIL_AVI_SCAN_H
/* The AVI walk: finds the first Motion-JPEG frame of an AVI file by tag scans.
 *
 *  1. The file begins with "RIFF" and has "AVI " at offset 8.
 *  2. A scan of the whole file finds the lists "hdrl" and "movi" (their type field; the size sits just
 *     before it, counting from the type on).
 *  3. A scan of "hdrl" finds the stream headers and formats; the video stream header ("vids") says
 *     Motion-JPEG exactly when its handler is "mjpg" (case counts).
 *  4. A scan of "movi" finds the first stream chunks: "0?dc" video, "0?db" data, "0?wb" audio (the
 *     stream digit is not compared); the first video chunk with data is the frame. */

#include "ClipPiece.h"
#include "ClipSource.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct AviScan {
    ClipPiece hdrl, movi;
    ClipPiece strh, strf, strd, strn;
    ClipPiece video_strh;
    int mjpeg;
    ClipPiece video_chunk, data_chunk, audio_chunk;
    ClipFrame frame;
} AviScan;

/* Fills *scan. Returns 0 when a frame was found, -1 otherwise (not an AVI, no lists, video not
 * "mjpg", no video chunk with data, a frame outside the file). */
int avi_scan(const ClipSource* source, AviScan* scan);

#ifdef __cplusplus
}
#endif

#endif
