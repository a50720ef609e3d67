// mkDCbmp on hostile .dcf files, once with the data size given and once bounded by a malloc'ed block:
// a DIB that fits the 19,624-byte buffer, or a status, never a read or write past a buffer.

#include "Stillform.h"
#include "dib.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<unsigned char> output(STILLFORM_OUTPUT_SIZE, 0);
    StillformRequest request{};
    request.data = data;
    request.output = output.data();
    request.dataSize = static_cast<uint32_t>(size);
    request.headerSize = STILLFORM_HEADER_SIZE;
    if (mkDCbmp(&request) == STILLFORM_OK) {
        KsDibHeader header;
        ks_dib_read_header(output.data(), &header);
        const size_t total = ks_dib_total_bytes(&header);
        if (!total || total > STILLFORM_OUTPUT_SIZE)
            std::abort();
    }
    void* block = std::malloc(size ? size : 1);
    std::memcpy(block, data, size);
    request.data = block;
    request.dataSize = 0;
    mkDCbmp(&request);
    std::free(block);
    return 0;
}
