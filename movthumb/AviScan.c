#include "AviScan.h"

#include "TagScan.h"

#include <string.h>

enum {
    LIST_SIZE_BEFORE_TYPE = 4, /* a list's size field sits just before its type */
    CHUNK_HEADER = 8,          /* chunk id, then its 32-bit size, then the data */
    STREAM_TYPE_AND_HANDLER = 8
};

static void record(ClipPiece* piece, uint64_t position, uint64_t size)
{
    if (piece->found)
        return; /* the first one counts */
    piece->found = 1;
    piece->position = position;
    piece->size = size;
}

static uint64_t on_top_level(void* context, const ClipSource* source, const ClipWindow* window, uint64_t at,
                             const uint8_t tag[4], int* stop)
{
    AviScan* scan = context;
    ClipPiece* list = memcmp(tag, "hdrl", 4) == 0 ? &scan->hdrl : memcmp(tag, "movi", 4) == 0 ? &scan->movi : NULL;
    uint32_t size;
    if (!list || at < LIST_SIZE_BEFORE_TYPE || !clip_window_le32(window, source, at - LIST_SIZE_BEFORE_TYPE, &size))
        return 0;
    record(list, at, size);
    /* Everything the walk needs sits in the first "hdrl" and the first "movi". */
    *stop = scan->hdrl.found && scan->movi.found;
    return clip_add(at, size);
}

static uint64_t on_header_list(void* context, const ClipSource* source, const ClipWindow* window, uint64_t at,
                               const uint8_t tag[4], int* stop)
{
    (void)stop;
    AviScan* scan = context;
    ClipPiece* chunk = memcmp(tag, "strh", 4) == 0   ? &scan->strh
                       : memcmp(tag, "strf", 4) == 0 ? &scan->strf
                       : memcmp(tag, "strd", 4) == 0 ? &scan->strd
                       : memcmp(tag, "strn", 4) == 0 ? &scan->strn
                                                      : NULL;
    uint32_t size;
    if (!chunk || !clip_window_le32(window, source, at + 4, &size))
        return 0;
    record(chunk, at, size);
    uint8_t type_and_handler[STREAM_TYPE_AND_HANDLER];
    /* The stream type and handler are read only when the header is long enough to hold them. */
    if (chunk == &scan->strh && size >= STREAM_TYPE_AND_HANDLER &&
        clip_window_read(window, source, at + CHUNK_HEADER, type_and_handler, sizeof type_and_handler) &&
        memcmp(type_and_handler, "vids", 4) == 0) {
        scan->video_strh.found = 1;
        scan->video_strh.position = at;
        scan->video_strh.size = size;
        scan->mjpeg = memcmp(type_and_handler + 4, "mjpg", 4) == 0;
    }
    return clip_add(at + CHUNK_HEADER, size);
}

static uint64_t on_movie_list(void* context, const ClipSource* source, const ClipWindow* window, uint64_t at,
                              const uint8_t tag[4], int* stop)
{
    AviScan* scan = context;
    if (tag[0] != '0')
        return 0;
    ClipPiece* chunk = memcmp(tag + 2, "dc", 2) == 0   ? &scan->video_chunk
                       : memcmp(tag + 2, "db", 2) == 0 ? &scan->data_chunk
                       : memcmp(tag + 2, "wb", 2) == 0 ? &scan->audio_chunk
                                                        : NULL;
    uint32_t size;
    if (!chunk || !clip_window_le32(window, source, at + 4, &size))
        return 0;
    /* An empty video chunk (a dropped frame) is passed over: the frame is the first one with data. */
    if (chunk != &scan->video_chunk || size != 0)
        record(chunk, at, size);
    *stop = scan->video_chunk.found;
    return clip_add(at + CHUNK_HEADER, size);
}

int avi_scan(const ClipSource* source, AviScan* scan)
{
    memset(scan, 0, sizeof *scan);
    uint8_t head[12];
    if (!clip_source_read_exact(source, 0, head, sizeof head) || memcmp(head, "RIFF", 4) != 0 ||
        memcmp(head + 8, "AVI ", 4) != 0)
        return -1;

    uint64_t budget = CLIP_SCAN_BUDGET;
    clip_tag_scan(source, 0, source->size, "hm", on_top_level, scan, &budget);
    if (!scan->hdrl.found || !scan->movi.found || scan->hdrl.size == 0 || scan->movi.size == 0)
        return -1;

    /* A list's contents follow its type and end where its size, counted from the type, says. */
    clip_tag_scan(source, scan->hdrl.position + 4, clip_add(scan->hdrl.position, scan->hdrl.size), "s",
                  on_header_list, scan, &budget);
    if (!scan->mjpeg)
        return -1;

    clip_tag_scan(source, scan->movi.position + 4, clip_add(scan->movi.position, scan->movi.size), "0",
                  on_movie_list, scan, &budget);
    if (!scan->video_chunk.found)
        return -1;

    /* A chunk size read from a damaged file may reach past its end: only the bytes that exist count. */
    const uint64_t offset = scan->video_chunk.position + CHUNK_HEADER;
    if (offset >= source->size)
        return -1;
    scan->frame.offset = offset;
    scan->frame.size = scan->video_chunk.size;
    if (scan->frame.size > source->size - offset)
        scan->frame.size = source->size - offset;
    return 0;
}
