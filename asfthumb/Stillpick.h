#ifndef STILLPICK_H
#define STILLPICK_H
/* Stillpick: one decoded picture from an ASF movie (Windows Media video), through a GStreamer
 * pipeline. The library decodes nothing itself: it runs filesrc → asfdemux → a video decoder →
 * videoconvert → the project's grabber element "quilgrab" → fakesink, and waits for the grabber to
 * hand over the first frame. The grabber lives in libgstquilgrab.so in the program's folder (the
 * folder of /proc/self/exe) and is loaded into GStreamer's registry for the length of a call.
 *
 * Each call is complete in itself: its message thread, pipeline and grabber registration end before
 * it returns. The library shows no windows; developer trace lines go to standard error when the
 * environment variable KESTREL_DEBUG is set. */

#include <stdint.h>

#define STILLPICK_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* Results of _GetASFThumbnail. Any other non-zero value is the grabber's own status. */
enum StillpickStatus {
    STILLPICK_OK = 0,
    STILLPICK_NO_CONTEXT = 3,    /* the call's own resources could not be made, or the frame copied */
    STILLPICK_NO_FRAME = 16,     /* no frame arrived within 5,000 ms */
    STILLPICK_NO_GRAPH = 19,     /* the pipeline could not be built around the file, or not run */
    STILLPICK_NO_GRABBER = 20    /* the grabber could not be registered, or GStreamer not started */
};

/* Takes a picture from the ASF movie at `path` (a file-system path, bytes as given). On success
 * returns 0 and stores in *picture a malloc'ed packed DIB: a 40-byte BITMAPINFOHEADER, then 24-bit
 * pixel rows bottom line first, each padded to 4 bytes. The caller owns it and frees it with free().
 * *picture is written only when a picture exists. A null `path` counts as an empty path; a null
 * `picture` is refused with STILLPICK_NO_CONTEXT before anything is started. A path that names no
 * regular file (a FIFO, a device) and a video stream that declares a picture of more than 64 Mpixel
 * give STILLPICK_NO_GRAPH before anything waits or is decoded. */
STILLPICK_API int32_t _GetASFThumbnail(const char* path, void** picture);

/* Test seam. Tests point the grabber lookup at another folder (one without the plugin, say) and
 * exercise the vertical flip that no grabber on this platform needs. Passing null restores the
 * defaults: the program's folder, no flip. Not for use while another call is running. */
typedef struct StillpickTestSeam {
    const char* grabberFolder; /* copied; null means the program's folder */
    int forceFlip;             /* non-zero: flip every picture upside down before handing it over */
} StillpickTestSeam;

STILLPICK_API void StillpickSetTestSeam(const StillpickTestSeam* seam);

#ifdef __cplusplus
}
#endif

#endif
