// JpegDecoder on hostile files: null or a DIB that matches the sizes it reports, never a crash, a stray
// read or an end of the process from inside libjpeg.

#include "siblings/FuzzInput.h"

#include "QuilJpeg.h"
#include "dib.h"
#include "jpeg_io.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzFile file(data, size);
    if (!file.ok())
        return 0;
    int32_t width = 0, height = 0;
    void* dib = JpegDecoder(file.path().c_str(), &width, &height);
    if (dib) {
        KsDibHeader header;
        ks_dib_read_header(dib, &header);
        if (header.biWidth != width || header.biHeight != height || !ks_dib_total_bytes(&header))
            std::abort();
        // Re-encoding reads every pixel of the decoded block.
        unsigned char* jpeg = nullptr;
        size_t jpegSize = 0;
        if (width * static_cast<int64_t>(height) < 1 << 20 && ks_jpeg_encode(dib, 50, 1, 1, &jpeg, &jpegSize) == KS_JPEG_OK)
            std::free(jpeg);
        std::free(dib);
    }
    return 0;
}
