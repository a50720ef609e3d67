#ifndef CLIPNAIL_FRAME_WRITER_H
#define CLIPNAIL_FRAME_WRITER_H
/* The first frame as a stand-alone JPEG file in the temporary folder, for the decoder to open. */

#include "ClipPiece.h"
#include "ClipSource.h"

#ifdef __cplusplus
extern "C" {
#endif

enum { CLIP_COPY_PIECE = 32768 };

/* Creates a new, empty, uniquely named file "KSTxxxxxx" in the temporary folder ($TMPDIR, else
 * /tmp), atomically, so no other process can have made or opened it first. Returns its open
 * descriptor and stores its malloc'ed path in *path; -1 on failure. */
int clip_temp_create(char** path);

/* Writes an AVI frame: the start-of-image marker (looked for from the frame's first byte on), the
 * typical Huffman tables, then the frame's bytes after the marker. Returns 0, or -1 when the frame
 * holds no start-of-image marker or the file cannot be written. */
int clip_write_avi_jpeg(const ClipSource* source, const ClipFrame* frame, int fd);

/* Writes a frame's bytes unchanged (QuickTime frames are complete JPEG files). Returns 0 or -1. */
int clip_write_frame(const ClipSource* source, const ClipFrame* frame, int fd);

/* The offset of the first FF D8 pair inside the frame, or -1 when there is none. */
int64_t clip_find_start_of_image(const ClipSource* source, const ClipFrame* frame);

#ifdef __cplusplus
}
#endif

#endif
