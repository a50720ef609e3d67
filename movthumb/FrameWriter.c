#include "FrameWriter.h"

#include "HuffmanTable.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static const char temp_prefix[] = "KST";
static const char default_temp_folder[] = "/tmp";

int clip_temp_create(char** path)
{
    const char* folder = getenv("TMPDIR");
    if (!folder || !*folder)
        folder = default_temp_folder;
    const size_t length = strlen(folder) + 1 + sizeof temp_prefix - 1 + 6 + 1;
    char* name = malloc(length);
    if (!name)
        return -1;
    snprintf(name, length, "%s/%sXXXXXX", folder, temp_prefix);
    const int fd = mkstemp(name);
    if (fd < 0) {
        free(name);
        return -1;
    }
    *path = name;
    return fd;
}

static int write_all(int fd, const void* data, size_t length)
{
    const uint8_t* at = data;
    while (length > 0) {
        const ssize_t written = write(fd, at, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return -1;
        at += written;
        length -= (size_t)written;
    }
    return 0;
}

/* Copies frame bytes [from, frame end) in pieces of CLIP_COPY_PIECE bytes. */
static int copy_range(const ClipSource* source, const ClipFrame* frame, uint64_t from, int fd)
{
    uint8_t piece[CLIP_COPY_PIECE];
    for (uint64_t done = from; done < frame->size;) {
        const uint64_t left = frame->size - done;
        const size_t wanted = left < sizeof piece ? (size_t)left : sizeof piece;
        if (!clip_source_read_exact(source, frame->offset + done, piece, wanted) || write_all(fd, piece, wanted) != 0)
            return -1;
        done += wanted;
    }
    return 0;
}

int64_t clip_find_start_of_image(const ClipSource* source, const ClipFrame* frame)
{
    uint8_t piece[CLIP_COPY_PIECE];
    int previous_ff = 0; /* carries a marker's first byte across the end of a piece */
    for (uint64_t done = 0; done < frame->size;) {
        const uint64_t left = frame->size - done;
        const size_t wanted = left < sizeof piece ? (size_t)left : sizeof piece;
        const size_t got = clip_source_read(source, frame->offset + done, piece, wanted);
        if (got == 0)
            return -1;
        for (size_t i = 0; i < got; ++i) {
            if (previous_ff && piece[i] == 0xD8)
                return (int64_t)(done + i - 1);
            previous_ff = piece[i] == 0xFF;
        }
        done += got;
    }
    return -1;
}

int clip_write_avi_jpeg(const ClipSource* source, const ClipFrame* frame, int fd)
{
    static const uint8_t start_of_image[2] = {0xFF, 0xD8};
    const int64_t marker = clip_find_start_of_image(source, frame);
    if (marker < 0)
        return -1;
    if (write_all(fd, start_of_image, sizeof start_of_image) != 0 ||
        write_all(fd, clip_huffman_segment, sizeof clip_huffman_segment) != 0)
        return -1;
    return copy_range(source, frame, (uint64_t)marker + sizeof start_of_image, fd);
}

int clip_write_frame(const ClipSource* source, const ClipFrame* frame, int fd)
{
    return copy_range(source, frame, 0, fd);
}
