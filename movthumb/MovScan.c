#include "MovScan.h"

#include "TagScan.h"

#include <string.h>

enum {
    ATOM_HEADER = 8,          /* size, type */
    WIDE_ATOM_HEADER = 16,    /* size 1, type, 64-bit size */
    SIZE_BEFORE_TYPE = 4,
    FIRST_CHILD_TYPE = 12,    /* minf: its header, the first child's size, then that child's type */
    SAMPLE_FORMAT = 20,       /* stsd: header, version and flags, entry count, first entry's size */
    SAMPLE_SIZE = 12,         /* stsz: header, version and flags */
    SAMPLE_COUNT = 16,
    FIRST_SAMPLE_SIZE = 20,
    CHUNK_COUNT = 12,         /* stco: header, version and flags */
    FIRST_CHUNK_OFFSET = 16,
    MOVIE_HEADER_VERSION = 8, /* mvhd: header, then the version byte */
    CREATION_TIME = 12,       /* mvhd: header, version and flags */
    TOP_LEVEL_ATOM_LIMIT = 4096 /* movies have a handful; more means the walk is not on real atoms */
};

/* Reads the size of the atom that starts at `start`. Returns 0 when the header cannot be read or
 * gives a size too small to hold the header itself. */
static uint64_t atom_size(const ClipWindow* window, const ClipSource* source, uint64_t start)
{
    uint32_t size32;
    if (!clip_window_be32(window, source, start, &size32))
        return 0;
    if (size32 == 0)
        return source->size > start ? source->size - start : 0;
    if (size32 == 1) {
        uint64_t size64;
        if (!clip_window_be64(window, source, start + ATOM_HEADER, &size64) || size64 < WIDE_ATOM_HEADER)
            return 0;
        return size64;
    }
    return size32 >= ATOM_HEADER ? size32 : 0;
}

/* The atom whose type is the tag at `at`, when it starts inside [range_start, ...) and has a usable
 * size. Returns its size, 0 when it is not an atom. */
static uint64_t atom_at_tag(const ClipWindow* window, const ClipSource* source, uint64_t at, uint64_t range_start,
                            uint64_t* start)
{
    if (at < range_start + SIZE_BEFORE_TYPE)
        return 0;
    *start = at - SIZE_BEFORE_TYPE;
    return atom_size(window, source, *start);
}

/* Whether a field of `length` bytes at `offset` lies inside the atom. */
static int inside(const ClipPiece* atom, uint64_t offset, uint64_t length)
{
    return atom->size >= offset + length;
}

static void record(ClipPiece* piece, uint64_t start, uint64_t size)
{
    if (piece->found)
        return;
    piece->found = 1;
    piece->position = start;
    piece->size = size;
}

static uint64_t on_top_level(void* context, const ClipSource* source, const ClipWindow* window, uint64_t at,
                             const uint8_t tag[4], int* stop)
{
    MovScan* scan = context;
    ClipPiece* atom = memcmp(tag, "pnot", 4) == 0   ? &scan->pnot
                      : memcmp(tag, "mdat", 4) == 0 ? &scan->mdat
                      : memcmp(tag, "moov", 4) == 0 ? &scan->moov
                                                     : NULL;
    uint64_t start = 0;
    const uint64_t size = atom ? atom_at_tag(window, source, at, 0, &start) : 0;
    if (!size)
        return 0;
    record(atom, start, size);
    *stop = scan->pnot.found && scan->mdat.found && scan->moov.found;
    return clip_add(start, size);
}

typedef struct RangeScan {
    MovScan* scan;
    uint64_t start; /* atoms must begin inside the range being scanned */
} RangeScan;

static uint64_t on_movie(void* context, const ClipSource* source, const ClipWindow* window, uint64_t at,
                         const uint8_t tag[4], int* stop)
{
    (void)stop;
    RangeScan* range = context;
    uint64_t start = 0;
    const uint64_t size = memcmp(tag, "minf", 4) == 0 ? atom_at_tag(window, source, at, range->start, &start) : 0;
    if (!size)
        return 0;
    uint8_t child[4];
    if (size >= FIRST_CHILD_TYPE + 4 && clip_window_read(window, source, start + FIRST_CHILD_TYPE, child, 4)) {
        ClipPiece* media = memcmp(child, "vmhd", 4) == 0 ? &range->scan->video_minf
                           : memcmp(child, "smhd", 4) == 0 ? &range->scan->sound_minf
                                                             : NULL;
        if (media) {
            /* A later track replaces an earlier one. */
            media->found = 1;
            media->position = start;
            media->size = size;
        }
    }
    return clip_add(start, size);
}

static uint64_t on_video_media(void* context, const ClipSource* source, const ClipWindow* window, uint64_t at,
                               const uint8_t tag[4], int* stop)
{
    RangeScan* range = context;
    MovScan* scan = range->scan;
    ClipPiece* atom = memcmp(tag, "stsd", 4) == 0   ? &scan->stsd
                      : memcmp(tag, "stsz", 4) == 0 ? &scan->stsz
                      : memcmp(tag, "stco", 4) == 0 ? &scan->stco
                                                     : NULL;
    uint64_t start = 0;
    const uint64_t size = atom ? atom_at_tag(window, source, at, range->start, &start) : 0;
    if (!size)
        return 0;
    if (atom == &scan->stsd && !scan->stsd.found) {
        uint8_t format[4];
        const ClipPiece candidate = {1, start, size};
        scan->mjpeg = inside(&candidate, SAMPLE_FORMAT, 4) &&
                      clip_window_read(window, source, start + SAMPLE_FORMAT, format, 4) &&
                      (memcmp(format, "jpeg", 4) == 0 || memcmp(format, "mjpa", 4) == 0);
    }
    record(atom, start, size);
    *stop = scan->stsd.found && scan->stsz.found && scan->stco.found;
    return clip_add(start, size);
}

/* Reads a big-endian 32-bit field of an atom, which must lie inside the atom. */
static int atom_field(const ClipSource* source, const ClipPiece* atom, uint64_t offset, uint32_t* value)
{
    return inside(atom, offset, 4) && clip_source_be32(source, atom->position + offset, value);
}

/* Follows the top-level atoms one after the other from the start of the file. Returns 1 when that
 * led to "moov" over sound atom headers; a damaged or foreign structure gives 0, and the tag scan
 * takes over. Reads one header per atom, so a huge movie costs no more than its first atoms. */
static int walk_top_level(const ClipSource* source, MovScan* scan)
{
    uint64_t start = 0;
    for (int atoms = 0; start < source->size && atoms < TOP_LEVEL_ATOM_LIMIT; ++atoms) {
        uint8_t type[4];
        if (!clip_source_read_exact(source, start + SIZE_BEFORE_TYPE, type, sizeof type))
            break;
        for (size_t i = 0; i < sizeof type; ++i) {
            if (type[i] < 0x20 || type[i] > 0x7E)
                return 0; /* not an atom type: the structure is not what it claims */
        }
        const uint64_t size = atom_size(NULL, source, start);
        if (!size)
            return 0;
        ClipPiece* atom = memcmp(type, "pnot", 4) == 0   ? &scan->pnot
                          : memcmp(type, "mdat", 4) == 0 ? &scan->mdat
                          : memcmp(type, "moov", 4) == 0 ? &scan->moov
                                                          : NULL;
        if (atom)
            record(atom, start, size);
        if (scan->pnot.found && scan->mdat.found && scan->moov.found)
            break;
        start = clip_add(start, size);
    }
    return scan->moov.found;
}

int mov_scan_top_level(const ClipSource* source, MovScan* scan)
{
    memset(scan, 0, sizeof *scan);
    if (walk_top_level(source, scan))
        return 0;
    memset(scan, 0, sizeof *scan);
    uint64_t budget = CLIP_SCAN_BUDGET;
    clip_tag_scan(source, 0, source->size, "pm", on_top_level, scan, &budget);
    return scan->moov.found ? 0 : -1;
}

int mov_scan(const ClipSource* source, MovScan* scan)
{
    if (mov_scan_top_level(source, scan) != 0)
        return -1;

    uint64_t budget = CLIP_SCAN_BUDGET;
    RangeScan movie = {scan, scan->moov.position + ATOM_HEADER};
    clip_tag_scan(source, movie.start, clip_add(scan->moov.position, scan->moov.size), "m", on_movie, &movie,
                  &budget);
    if (!scan->video_minf.found)
        return -1;

    RangeScan media = {scan, scan->video_minf.position + ATOM_HEADER};
    clip_tag_scan(source, media.start, clip_add(scan->video_minf.position, scan->video_minf.size), "s",
                  on_video_media, &media, &budget);
    if (!scan->mjpeg || !scan->stsz.found || !scan->stco.found)
        return -1;

    uint32_t frame_size, count, offset;
    if (!atom_field(source, &scan->stsz, SAMPLE_SIZE, &frame_size))
        return -1;
    if (frame_size == 0) {
        if (!atom_field(source, &scan->stsz, SAMPLE_COUNT, &count) || count == 0 ||
            !atom_field(source, &scan->stsz, FIRST_SAMPLE_SIZE, &frame_size))
            return -1;
    }
    if (!atom_field(source, &scan->stco, CHUNK_COUNT, &count) || count == 0 ||
        !atom_field(source, &scan->stco, FIRST_CHUNK_OFFSET, &offset))
        return -1;

    /* Sizes and offsets from a damaged file may point past its end: only bytes that exist are used. */
    if (frame_size == 0 || offset >= source->size)
        return -1;
    scan->frame.offset = offset;
    scan->frame.size = frame_size;
    if (scan->frame.size > source->size - offset)
        scan->frame.size = source->size - offset;
    return 0;
}

typedef struct HeaderSearch {
    uint64_t start;
    ClipPiece header;
} HeaderSearch;

static uint64_t on_movie_header(void* context, const ClipSource* source, const ClipWindow* window, uint64_t at,
                                const uint8_t tag[4], int* stop)
{
    HeaderSearch* search = context;
    uint64_t start = 0;
    const uint64_t size = memcmp(tag, "mvhd", 4) == 0 ? atom_at_tag(window, source, at, search->start, &start) : 0;
    if (!size)
        return 0;
    record(&search->header, start, size);
    *stop = 1;
    return clip_add(start, size);
}

int mov_creation_seconds(const ClipSource* source, const MovScan* scan, uint64_t* seconds)
{
    if (!scan->moov.found)
        return -1;
    uint64_t budget = CLIP_SCAN_BUDGET;
    const uint64_t first_child = scan->moov.position + ATOM_HEADER;
    HeaderSearch search = {first_child, {0, 0, 0}};
    uint8_t type[4];
    if (scan->moov.size >= 2 * ATOM_HEADER && clip_source_read_exact(source, first_child + SIZE_BEFORE_TYPE, type, 4) &&
        memcmp(type, "mvhd", 4) == 0)
        record(&search.header, first_child, atom_size(NULL, source, first_child));
    else
        clip_tag_scan(source, first_child, clip_add(scan->moov.position, scan->moov.size), "m", on_movie_header,
                      &search, &budget);
    const ClipPiece* header = &search.header;
    uint8_t version;
    if (!header->found || !inside(header, MOVIE_HEADER_VERSION, 1) ||
        !clip_source_read_exact(source, header->position + MOVIE_HEADER_VERSION, &version, 1))
        return -1;
    if (version == 1) {
        uint64_t value;
        if (!inside(header, CREATION_TIME, 8) || !clip_source_be64(source, header->position + CREATION_TIME, &value))
            return -1;
        *seconds = value;
        return 0;
    }
    uint32_t value;
    if (!atom_field(source, header, CREATION_TIME, &value))
        return -1;
    *seconds = value;
    return 0;
}
