#ifndef CLIPNAIL_CLIP_PIECE_H
#define CLIPNAIL_CLIP_PIECE_H
/* One piece a scan found: where it is in the file and the size its header gives. */

#include <stdint.h>

typedef struct ClipPiece {
    int found;
    uint64_t position; /* AVI: the tag (a list's type, a chunk's id); QuickTime: the atom's start */
    uint64_t size;     /* AVI: the 32-bit size field; QuickTime: the atom's whole size */
} ClipPiece;

/* The first video frame: where its bytes are and how many there are (never past the file's end). */
typedef struct ClipFrame {
    uint64_t offset;
    uint64_t size;
} ClipFrame;

#endif
