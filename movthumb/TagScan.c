#include "TagScan.h"

#include <string.h>

void clip_tag_scan(const ClipSource* source, uint64_t start, uint64_t end, const char* first_letters,
                   ClipTagHandler handler, void* context)
{
    static const size_t tag_size = 4;
    const size_t letter_count = strlen(first_letters);
    if (end > source->size)
        end = source->size; /* nothing lies past the end of the source */
    uint8_t window[CLIP_SCAN_WINDOW];
    uint64_t position = start;
    int stop = 0;
    while (position < end && !stop) {
        const uint64_t left = end - position;
        const size_t wanted = left < CLIP_SCAN_WINDOW ? (size_t)left : CLIP_SCAN_WINDOW;
        const size_t got = clip_source_read(source, position, window, wanted);
        if (got == 0)
            break;
        uint64_t resume = 0;
        for (size_t i = 0; i < got && !resume && !stop; ++i) {
            if (!memchr(first_letters, window[i], letter_count))
                continue;
            const uint64_t at = position + i;
            uint8_t tag[4];
            if (end - at < tag_size || !clip_source_read_exact(source, at, tag, tag_size))
                continue;
            resume = handler(context, source, at, tag, &stop);
            if (resume && resume < at + tag_size)
                resume = at + tag_size;
        }
        position = resume ? resume : position + got;
    }
}
