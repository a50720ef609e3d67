#ifndef QUILGRAB_TARGET_H
#define QUILGRAB_TARGET_H
/* The contract between the frame grabber element ("quilgrab", in libgstquilgrab.so) and the thread
 * that receives its frame. The receiver hands the grabber a pointer to a QuilGrabTarget through the
 * element's "target" property before the pipeline runs; the grabber posts exactly one frame message
 * through it, from its streaming thread, and never touches the target again after that. The target
 * must outlive the element.
 *
 * Frame message (QUILGRAB_FRAME_MESSAGE): `block` is a malloc'ed packed DIB (a 40-byte
 * BITMAPINFOHEADER, then the 24-bit pixel rows bottom line first, each padded to 4 bytes) of `size`
 * bytes, and `status` is 0; or `block` is null and `status` says why no frame could be made. The
 * receiver owns the block from the moment post() is called, whatever post() does with it. */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The thread message number the frame travels as (one past the first user message number). */
#define QUILGRAB_FRAME_MESSAGE 1025u

/* Statuses the grabber reports instead of a frame. They are chosen apart from the library's own
 * statuses (3, 16, 19, 20) so that a caller can tell who failed. */
#define QUILGRAB_STATUS_NO_MEMORY 8
#define QUILGRAB_STATUS_BAD_FRAME 13

typedef struct QuilGrabTarget QuilGrabTarget;
struct QuilGrabTarget {
    void (*post)(QuilGrabTarget* target, unsigned message, void* block, size_t size, int32_t status);
};

/* The 40-byte header at the front of every packed DIB, little-endian as on disk. */
typedef struct QuilGrabBitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
} QuilGrabBitmapInfoHeader;

#ifdef __cplusplus
}
#endif

#endif
