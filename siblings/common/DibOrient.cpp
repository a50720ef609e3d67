#include "DibOrient.h"

#include "dib.h"

#include <cstdint>
#include <cstring>

namespace ks {

namespace {

struct Rows {
    unsigned char* bits;
    std::size_t stride;
    int32_t height;
    bool topDown;

    unsigned char* line(int32_t y) const
    {
        return bits + static_cast<std::size_t>(topDown ? y : height - 1 - y) * stride;
    }
};

}  // namespace

bool orientationSwapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

void* orientDib(const void* dib, int orientation)
{
    if (orientation < 2 || orientation > 8)
        return nullptr;
    KsDibHeader header;
    if (!ks_dib_read_header(dib, &header) || !ks_dib_total_bytes(&header) || header.biCompression != KS_BI_RGB)
        return nullptr;
    const unsigned bits = header.biBitCount;
    if (bits < 8 || bits % 8 != 0)
        return nullptr;
    const std::size_t pixelBytes = bits / 8;
    const int32_t width = header.biWidth;
    const int32_t height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    const bool swap = orientationSwapsSides(orientation);
    const int32_t outWidth = swap ? height : width;
    const int32_t outHeight = swap ? width : height;
    const uint32_t entries = ks_dib_palette_entries(&header);

    void* out = ks_dib_create(outWidth, outHeight, bits, entries);
    if (!out)
        return nullptr;
    KsDibHeader outHeader;
    ks_dib_read_header(out, &outHeader);
    const auto* in = static_cast<const unsigned char*>(dib);
    auto* target = static_cast<unsigned char*>(out);
    // The colour table (and nothing else: BI_BITFIELDS masks were refused above) sits right after the header.
    std::memcpy(target + KS_DIB_HEADER_SIZE, in + KS_DIB_HEADER_SIZE, std::size_t{entries} * 4);

    const Rows source{const_cast<unsigned char*>(in) + ks_dib_bits_offset(&header), ks_dib_stride(width, bits), height,
                      header.biHeight < 0};
    const Rows turned{target + ks_dib_bits_offset(&outHeader), ks_dib_stride(outWidth, bits), outHeight, false};

    // Where the stored pixel (x, y) is seen: y runs downwards in both pictures.
    for (int32_t y = 0; y < height; ++y) {
        const unsigned char* from = source.line(y);
        for (int32_t x = 0; x < width; ++x) {
            int32_t dx = x;
            int32_t dy = y;
            switch (orientation) {
            case 2: dx = width - 1 - x; break;
            case 3: dx = width - 1 - x, dy = height - 1 - y; break;
            case 4: dy = height - 1 - y; break;
            case 5: dx = y, dy = x; break;
            case 6: dx = height - 1 - y, dy = x; break;
            case 7: dx = height - 1 - y, dy = width - 1 - x; break;
            case 8: dx = y, dy = width - 1 - x; break;
            default: break;
            }
            std::memcpy(turned.line(dy) + static_cast<std::size_t>(dx) * pixelBytes,
                        from + static_cast<std::size_t>(x) * pixelBytes, pixelBytes);
        }
    }
    return out;
}

}  // namespace ks
