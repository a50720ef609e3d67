// TitleDecoder on hostile .ttl files in malloc'ed blocks (the block's size bounds the reads): a card of
// the size it reports, or a status.

#include "Capline.h"
#include "dib.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    void* block = std::malloc(size ? size : 1);
    std::memcpy(block, data, size);
    void* dib = nullptr;
    int32_t width = 0, height = 0;
    if (TitleDecoder(block, &dib, &width, &height, static_cast<int32_t>(size & 1 ? 1 : 1025)) == CAPLINE_OK) {
        KsDibHeader header;
        ks_dib_read_header(dib, &header);
        if (header.biWidth != width || header.biHeight != height || !ks_dib_total_bytes(&header))
            std::abort();
        std::free(dib);
    }
    std::free(block);
    return 0;
}
