#include "TagScan.h"

#include <string.h>

int clip_window_read(const ClipWindow* window, const ClipSource* source, uint64_t position, void* buffer,
                     size_t length)
{
    if (window && position >= window->position && position - window->position <= window->length &&
        length <= window->length - (position - window->position)) {
        memcpy(buffer, window->bytes + (position - window->position), length);
        return 1;
    }
    return clip_source_read_exact(source, position, buffer, length);
}

int clip_window_le32(const ClipWindow* window, const ClipSource* source, uint64_t position, uint32_t* value)
{
    uint8_t b[4];
    if (!clip_window_read(window, source, position, b, sizeof b))
        return 0;
    *value = (uint32_t)b[0] | (uint32_t)b[1] << 8 | (uint32_t)b[2] << 16 | (uint32_t)b[3] << 24;
    return 1;
}

int clip_window_be32(const ClipWindow* window, const ClipSource* source, uint64_t position, uint32_t* value)
{
    uint8_t b[4];
    if (!clip_window_read(window, source, position, b, sizeof b))
        return 0;
    *value = (uint32_t)b[0] << 24 | (uint32_t)b[1] << 16 | (uint32_t)b[2] << 8 | (uint32_t)b[3];
    return 1;
}

int clip_window_be64(const ClipWindow* window, const ClipSource* source, uint64_t position, uint64_t* value)
{
    uint32_t high, low;
    if (!clip_window_be32(window, source, position, &high) || !clip_window_be32(window, source, position + 4, &low))
        return 0;
    *value = (uint64_t)high << 32 | low;
    return 1;
}

void clip_tag_scan(const ClipSource* source, uint64_t start, uint64_t end, const char* first_letters,
                   ClipTagHandler handler, void* context, uint64_t* budget)
{
    static const size_t tag_size = 4;
    const size_t letter_count = strlen(first_letters);
    if (end > source->size)
        end = source->size; /* nothing lies past the end of the source */
    uint8_t buffer[CLIP_SCAN_BEHIND + CLIP_SCAN_WINDOW + CLIP_SCAN_AHEAD];
    uint64_t position = start;
    int stop = 0;
    while (position < end && !stop) {
        const uint64_t left = end - position;
        const size_t wanted = left < CLIP_SCAN_WINDOW ? (size_t)left : CLIP_SCAN_WINDOW;
        /* The margins come from the source, not the range: handlers read fields on either side of a
         * tag, and what lies outside the range but inside the source is theirs to judge. */
        const size_t behind = position < CLIP_SCAN_BEHIND ? (size_t)position : CLIP_SCAN_BEHIND;
        const uint64_t first = position - behind;
        const size_t got = clip_source_read(source, first, buffer, behind + wanted + CLIP_SCAN_AHEAD);
        if (got <= behind)
            break;
        if (budget) {
            if (*budget < got) {
                *budget = 0;
                break;
            }
            *budget -= got;
        }
        const ClipWindow window = {buffer, first, got};
        const size_t scanned = got - behind < wanted ? got - behind : wanted;
        uint64_t resume = 0;
        size_t i = 0;
        while (i < scanned && !resume && !stop) {
            const uint8_t* tag = buffer + behind + i;
            const uint64_t at = position + i;
            /* The window holds every tag that lies wholly inside the range: it reaches CLIP_SCAN_AHEAD
             * bytes past the scanned part, or to the end of the source. */
            if (!memchr(first_letters, *tag, letter_count) || end - at < tag_size || behind + i + tag_size > got) {
                ++i;
                continue;
            }
            resume = handler(context, source, &window, at, tag, &stop);
            if (resume && resume < at + tag_size)
                resume = at + tag_size;
            /* A piece that ends inside this window: go on from there without reading it again. */
            if (resume && resume < position + scanned) {
                i = (size_t)(resume - position);
                resume = 0;
            } else if (!resume) {
                ++i;
            }
        }
        position = resume ? resume : position + scanned;
    }
}
