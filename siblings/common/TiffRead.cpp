#include "TiffRead.h"

#include "dib.h"
#include "trace.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ks {
namespace {

struct MemorySource {
    const unsigned char* data;
    toff_t size;
    toff_t at;
};

tmsize_t readProc(thandle_t handle, void* buffer, tmsize_t wanted)
{
    auto* source = static_cast<MemorySource*>(handle);
    if (wanted <= 0 || source->at >= source->size)
        return 0;
    const toff_t left = source->size - source->at;
    const toff_t count = static_cast<toff_t>(wanted) < left ? static_cast<toff_t>(wanted) : left;
    std::memcpy(buffer, source->data + source->at, count);
    source->at += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t writeProc(thandle_t, void*, tmsize_t)
{
    return -1;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence)
{
    auto* source = static_cast<MemorySource*>(handle);
    toff_t base = 0;
    if (whence == SEEK_CUR)
        base = source->at;
    else if (whence == SEEK_END)
        base = source->size;
    // libtiff passes negative relative offsets as wrapped unsigned values; the sum wraps back.
    source->at = base + offset;
    return source->at;
}

int closeProc(thandle_t)
{
    return 0;
}

toff_t sizeProc(thandle_t handle)
{
    return static_cast<MemorySource*>(handle)->size;
}

int mapProc(thandle_t, void**, toff_t*)
{
    return 0;
}

void unmapProc(thandle_t, void*, toff_t) {}

int quietHandler(TIFF*, void*, const char* module, const char* format, va_list args)
{
    char text[256];
    std::vsnprintf(text, sizeof text, format, args);
    ks_trace("libtiff %s: %s", module ? module : "", text);
    return 1;
}

// The whole picture into `raster`, bottom line first.
bool readRaster(TIFF* tiff, uint32_t width, uint32_t height, uint32_t* raster, bool asStored)
{
    if (!asStored)
        return TIFFReadRGBAImageOriented(tiff, width, height, raster, ORIENTATION_BOTLEFT, 1) != 0;
    char reason[1024];
    TIFFRGBAImage image;
    if (!TIFFRGBAImageBegin(&image, tiff, 1, reason))
        return false;
    // Taking the file's rows as top-left ones leaves libtiff nothing to mirror.
    image.orientation = ORIENTATION_TOPLEFT;
    image.req_orientation = ORIENTATION_BOTLEFT;
    const bool ok = TIFFRGBAImageGet(&image, raster, width, height) != 0;
    TIFFRGBAImageEnd(&image);
    return ok;
}

}  // namespace

void* readTiffMemory(const unsigned char* data, std::size_t size, bool asStored)
{
    if (!data || size < 8)
        return nullptr;
    MemorySource source{data, static_cast<toff_t>(size), 0};
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options)
        return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, quietHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quietHandler, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(KS_MAX_DIB_BYTES));
    TIFF* tiff = TIFFClientOpenExt("memory", "rm", &source, readProc, writeProc, seekProc, closeProc, sizeProc,
                                   mapProc, unmapProc, options);
    TIFFOpenOptionsFree(options);
    if (!tiff)
        return nullptr;

    void* dib = nullptr;
    uint32_t width = 0, height = 0;
    char reason[1024];
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    const uint64_t rasterBytes = static_cast<uint64_t>(width) * height * 4;
    if (width > 0 && height > 0 && width <= INT32_MAX && height <= INT32_MAX && rasterBytes <= KS_MAX_DIB_BYTES
        && TIFFRGBAImageOK(tiff, reason)) {
        auto* raster = static_cast<uint32_t*>(std::malloc(static_cast<std::size_t>(rasterBytes)));
        dib = raster ? ks_dib_create(static_cast<int32_t>(width), static_cast<int32_t>(height), 24, 0) : nullptr;
        // Stop at the first damaged strip or tile rather than show a partly empty picture.
        if (dib && readRaster(tiff, width, height, raster, asStored)) {
            const std::size_t stride = ks_dib_stride(width, 24);
            auto* bits = static_cast<unsigned char*>(dib) + KS_DIB_HEADER_SIZE;
            for (uint32_t y = 0; y < height; ++y) {
                const uint32_t* in = raster + static_cast<std::size_t>(y) * width;
                unsigned char* out = bits + static_cast<std::size_t>(y) * stride;
                for (uint32_t x = 0; x < width; ++x) {
                    out[x * 3] = static_cast<unsigned char>(TIFFGetB(in[x]));
                    out[x * 3 + 1] = static_cast<unsigned char>(TIFFGetG(in[x]));
                    out[x * 3 + 2] = static_cast<unsigned char>(TIFFGetR(in[x]));
                }
            }
        } else {
            std::free(dib);
            dib = nullptr;
        }
        std::free(raster);
    } else {
        ks_trace("libtiff: cannot read %ux%u picture", width, height);
    }
    TIFFClose(tiff);
    return dib;
}

}  // namespace ks
