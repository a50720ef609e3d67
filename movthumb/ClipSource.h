#ifndef CLIPNAIL_CLIP_SOURCE_H
#define CLIPNAIL_CLIP_SOURCE_H
/* Random access to the bytes of a movie: an open file, or a block of memory (the fuzz targets). Every
 * read is bounded by the size the source had when it was opened, so a size or offset read from a
 * damaged file can never reach beyond it. */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ClipSource {
    int fd;              /* -1 for a memory source */
    const uint8_t* data; /* memory source only */
    uint64_t size;
} ClipSource;

/* Opens a regular file for reading. Returns 0, or -1 (nothing to close) when it cannot be opened or
 * is not a regular file. */
int clip_source_open(ClipSource* source, const char* path);
void clip_source_memory(ClipSource* source, const void* data, size_t size);
void clip_source_close(ClipSource* source);

/* Reads up to `length` bytes at `position`; fewer at the end of the source. Returns the count. */
size_t clip_source_read(const ClipSource* source, uint64_t position, void* buffer, size_t length);

/* Reads exactly `length` bytes; 0 when the source ends first. */
int clip_source_read_exact(const ClipSource* source, uint64_t position, void* buffer, size_t length);

/* 32-bit values in either byte order, and the 64-bit big-endian one; 0 when the source ends first. */
int clip_source_le32(const ClipSource* source, uint64_t position, uint32_t* value);
int clip_source_be32(const ClipSource* source, uint64_t position, uint32_t* value);
int clip_source_be64(const ClipSource* source, uint64_t position, uint64_t* value);

#ifdef __cplusplus
}
#endif

#endif
