#include "ClipSource.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

int clip_source_open(ClipSource* source, const char* path)
{
    /* The type is looked at before anything is opened: opening a FIFO waits for a writer, and opening
     * some devices does something. The descriptor is non-blocking and checked again, in case the name
     * was pointed somewhere else in between. */
    struct stat named;
    if (stat(path, &named) != 0 || !S_ISREG(named.st_mode))
        return -1;
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
        close(fd);
        return -1;
    }
    source->fd = fd;
    source->data = NULL;
    source->size = (uint64_t)info.st_size;
    return 0;
}

void clip_source_memory(ClipSource* source, const void* data, size_t size)
{
    source->fd = -1;
    source->data = data;
    source->size = data ? size : 0;
}

void clip_source_close(ClipSource* source)
{
    if (source->fd >= 0)
        close(source->fd);
    source->fd = -1;
    source->data = NULL;
    source->size = 0;
}

size_t clip_source_read(const ClipSource* source, uint64_t position, void* buffer, size_t length)
{
    if (position >= source->size)
        return 0;
    if (length > source->size - position)
        length = (size_t)(source->size - position);
    if (source->fd < 0) {
        memcpy(buffer, source->data + position, length);
        return length;
    }
    size_t done = 0;
    while (done < length) {
        const ssize_t got = pread(source->fd, (uint8_t*)buffer + done, length - done, (off_t)(position + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += (size_t)got;
    }
    return done;
}

int clip_source_read_exact(const ClipSource* source, uint64_t position, void* buffer, size_t length)
{
    return clip_source_read(source, position, buffer, length) == length;
}

int clip_source_le32(const ClipSource* source, uint64_t position, uint32_t* value)
{
    uint8_t b[4];
    if (!clip_source_read_exact(source, position, b, sizeof b))
        return 0;
    *value = (uint32_t)b[0] | (uint32_t)b[1] << 8 | (uint32_t)b[2] << 16 | (uint32_t)b[3] << 24;
    return 1;
}

int clip_source_be32(const ClipSource* source, uint64_t position, uint32_t* value)
{
    uint8_t b[4];
    if (!clip_source_read_exact(source, position, b, sizeof b))
        return 0;
    *value = (uint32_t)b[0] << 24 | (uint32_t)b[1] << 16 | (uint32_t)b[2] << 8 | (uint32_t)b[3];
    return 1;
}

int clip_source_be64(const ClipSource* source, uint64_t position, uint64_t* value)
{
    uint32_t high, low;
    if (!clip_source_be32(source, position, &high) || !clip_source_be32(source, position + 4, &low))
        return 0;
    *value = (uint64_t)high << 32 | low;
    return 1;
}
