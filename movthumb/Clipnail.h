#ifndef CLIPNAIL_H
#define CLIPNAIL_H
/* Clipnail: the first frame and the creation time of Motion-JPEG movies (AVI and QuickTime).
 *
 * The first video frame is written out as a stand-alone JPEG file in the temporary folder and decoded
 * by QuilJpeg (libQuilJpeg.so, export JpegDecoder, loaded per call from the program's folder, else
 * along the loader path). The temporary file is deleted before the export returns. Each call is
 * complete in itself; the library keeps nothing between calls.
 *
 * Pictures are packed DIBs in one malloc'ed block: a 40-byte BITMAPINFOHEADER, the colour table (if
 * any), then the rows bottom line first, each padded to 4 bytes. The caller owns the block and frees
 * it with free().
 *
 * Only regular files are opened: a name of anything else (a FIFO, a socket, a device) gives 0 at once
 * without a message, and a file that is not a movie is given up after a bounded amount of reading
 * (see CLIP_SCAN_BUDGET in TagScan.h), however large it is.
 *
 * Messages go through the host's KestrelMessageBox when the process has one (the Kestrel program, the
 * Qt tests), owned by the window `owner` (a QWidget*, may be null); otherwise they become a trace line
 * on standard error when KESTREL_DEBUG is set. A host without a GUI never makes a call fail. */

#include <stdint.h>

#define CLIPNAIL_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* A calendar date and time of day, field for field as the Windows SYSTEMTIME record. */
typedef struct ClipnailSystemTime {
    uint16_t wYear;
    uint16_t wMonth;     /* 1..12 */
    uint16_t wDayOfWeek; /* 0 = Sunday */
    uint16_t wDay;       /* 1..31 */
    uint16_t wHour;
    uint16_t wMinute;
    uint16_t wSecond;
    uint16_t wMilliseconds;
} ClipnailSystemTime;

/* The first frame of a QuickTime movie whose video is Motion-JPEG (sample format "jpeg" or "mjpa"),
 * decoded. Returns the packed DIB, or null: when the file is missing (after the message "Can't open
 * <path>"), is not such a movie, is damaged, or QuilJpeg is missing or cannot decode the frame. */
CLIPNAIL_API void* DoMovClipnail(void* owner, const char* path);

/* The first frame of an AVI movie whose video stream handler is "mjpg", decoded; results as above. */
CLIPNAIL_API void* DoAviClipnail(void* owner, const char* path);

/* Reads the creation time of a QuickTime movie (its movie header, seconds since 1904-01-01 00:00:00,
 * no time-zone conversion) into *time. Returns non-zero when the time was read and converted, else 0.
 * A missing file shows "Can't open <path>". */
CLIPNAIL_API int32_t GetMovCreateTime(void* owner, const char* path, ClipnailSystemTime* time);

/* Test seam: tests look at the temporary JPEG file and present a folder without QuilJpeg. Passing
 * null restores the defaults. Not for use while another call is running. */
typedef struct ClipnailTestSeam {
    /* When set, libQuilJpeg.so is looked for in this folder only (copied). */
    const char* decoderFolder;
    /* When set, called with the temporary file's path once the JPEG is complete, before it is decoded. */
    void (*jpegWritten)(const char* path, void* context);
    void* context;
} ClipnailTestSeam;

CLIPNAIL_API void ClipnailSetTestSeam(const ClipnailTestSeam* seam);

#ifdef __cplusplus
}
#endif

#endif
