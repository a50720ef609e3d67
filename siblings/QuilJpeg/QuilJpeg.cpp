// QuilJpeg's two exports: thin wrappers that keep libjpeg work and file handling in the shared helpers.

#include "QuilJpeg.h"

#include "FileUtil.h"
#include "dib.h"
#include "jpeg_io.h"
#include "trace.h"

#include <cstdlib>
#include <string>

extern "C" QUILJPEG_API void* JpegDecoder(const char* path, int32_t* width, int32_t* height)
{
    int status = KS_JPEG_BAD_ARGUMENT;
    void* dib = path ? ks_jpeg_decode_file(path, &status) : nullptr;
    if (!dib) {
        ks_trace("JpegDecoder: %s: status %d", path ? path : "(null)", status);
        return nullptr;
    }
    KsDibHeader header;
    ks_dib_read_header(dib, &header);
    if (width)
        *width = header.biWidth;
    if (height)
        *height = header.biHeight;
    return dib;
}

extern "C" QUILJPEG_API int32_t JpegCoder(const char* path, const void* dib, uint16_t quality, uint16_t sampling)
{
    if (!path || !*path || !dib)
        return QUILJPEG_BAD_ARGUMENT;
    unsigned char* data = nullptr;
    size_t size = 0;
    const int status = ks_jpeg_encode(dib, quality, sampling, 1, &data, &size);
    if (status != KS_JPEG_OK) {
        ks_trace("JpegCoder: %s: status %d", path, status);
        return status == KS_JPEG_BAD_ARGUMENT ? QUILJPEG_BAD_ARGUMENT : QUILJPEG_ENCODE_FAILED;
    }
    const bool written = ks::replaceFile(path, data, size);
    std::free(data);
    return written ? QUILJPEG_OK : QUILJPEG_WRITE_FAILED;
}
