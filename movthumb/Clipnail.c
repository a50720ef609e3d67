/* The exports: the common flow of the two thumbnail calls, and the creation time. */

#include "Clipnail.h"

#include "AviScan.h"
#include "ClipnailMessage.h"
#include "FrameWriter.h"
#include "JpegBinding.h"
#include "MovScan.h"
#include "MovTime.h"

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

/* Set by tests only (see ClipnailSetTestSeam). */
static ClipnailTestSeam seam;
static char* seam_folder;

void ClipnailSetTestSeam(const ClipnailTestSeam* new_seam)
{
    free(seam_folder);
    seam_folder = NULL;
    memset(&seam, 0, sizeof seam);
    if (!new_seam)
        return;
    seam = *new_seam;
    seam_folder = new_seam->decoderFolder ? strdup(new_seam->decoderFolder) : NULL;
    seam.decoderFolder = seam_folder;
}

typedef enum { MOVIE_AVI, MOVIE_QUICKTIME } MovieKind;

/* Whether the path names something that exists; tells the user when it does not. */
static int check_exists(void* owner, const char* path)
{
    struct stat info;
    if (path && *path && stat(path, &info) == 0)
        return 1;
    clip_message_cannot_open(owner, path);
    return 0;
}

static void* thumbnail(void* owner, const char* path, MovieKind kind)
{
    if (!check_exists(owner, path))
        return NULL;
    ClipSource source;
    if (clip_source_open(&source, path) != 0)
        return NULL;
    ClipFrame frame;
    int found;
    if (kind == MOVIE_AVI) {
        AviScan scan;
        found = avi_scan(&source, &scan) == 0;
        frame = scan.frame;
    } else {
        MovScan scan;
        found = mov_scan(&source, &scan) == 0;
        frame = scan.frame;
    }
    char* jpeg_path = NULL;
    const int fd = found ? clip_temp_create(&jpeg_path) : -1;
    if (fd < 0) {
        clip_source_close(&source);
        return NULL;
    }
    const int written = kind == MOVIE_AVI ? clip_write_avi_jpeg(&source, &frame, fd)
                                          : clip_write_frame(&source, &frame, fd);
    clip_source_close(&source);
    const int closed = close(fd);
    void* picture = NULL;
    if (written == 0 && closed == 0) {
        if (seam.jpegWritten)
            seam.jpegWritten(jpeg_path, seam.context);
        picture = clip_decode_jpeg(owner, jpeg_path, seam.decoderFolder);
    }
    /* The temporary file goes whatever happened: nothing of a call outlives it. */
    unlink(jpeg_path);
    free(jpeg_path);
    return picture;
}

void* DoMovClipnail(void* owner, const char* path)
{
    return thumbnail(owner, path, MOVIE_QUICKTIME);
}

void* DoAviClipnail(void* owner, const char* path)
{
    return thumbnail(owner, path, MOVIE_AVI);
}

int32_t GetMovCreateTime(void* owner, const char* path, ClipnailSystemTime* time)
{
    if (!check_exists(owner, path) || !time)
        return 0;
    ClipSource source;
    if (clip_source_open(&source, path) != 0)
        return 0;
    MovScan scan;
    uint64_t seconds = 0;
    const int found = mov_scan_top_level(&source, &scan) == 0 && mov_creation_seconds(&source, &scan, &seconds) == 0;
    clip_source_close(&source);
    return found && clip_time_from_1904(seconds, time);
}
