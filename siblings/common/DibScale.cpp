#include "DibScale.h"

#include "dib.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace ks {

void* fitDibIntoBox(const void* dib, int boxWidth, int boxHeight)
{
    KsDibHeader header;
    if (boxWidth <= 0 || boxHeight <= 0 || !ks_dib_read_header(dib, &header) || !ks_dib_total_bytes(&header))
        return nullptr;
    const int64_t sourceWidth = header.biWidth;
    const int64_t sourceHeight = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
    // The fitted size, in integers: the side that limits the scale fills the box exactly.
    int64_t fittedWidth = boxWidth, fittedHeight = boxHeight;
    if (sourceWidth * boxHeight > sourceHeight * boxWidth)
        fittedHeight = std::max<int64_t>(1, (sourceHeight * boxWidth + sourceWidth / 2) / sourceWidth);
    else
        fittedWidth = std::max<int64_t>(1, (sourceWidth * boxHeight + sourceHeight / 2) / sourceHeight);
    const int64_t left = (boxWidth - fittedWidth) / 2, top = (boxHeight - fittedHeight) / 2;

    auto* out = static_cast<unsigned char*>(ks_dib_create(boxWidth, boxHeight, 24, 0));
    if (!out)
        return nullptr;
    const std::size_t stride = ks_dib_stride(boxWidth, 24);
    std::vector<uint8_t> rgb(static_cast<std::size_t>(sourceWidth) * 3);
    std::vector<uint64_t> sums(static_cast<std::size_t>(fittedWidth) * 3);
    for (int64_t ty = 0; ty < fittedHeight; ++ty) {
        // Source rows [y0, y1) fall under target row ty; at least one when enlarging.
        const int64_t y0 = ty * sourceHeight / fittedHeight;
        const int64_t y1 = std::max(y0 + 1, (ty + 1) * sourceHeight / fittedHeight);
        std::fill(sums.begin(), sums.end(), 0);
        for (int64_t sy = y0; sy < y1; ++sy) {
            ks_dib_row_rgb(dib, &header, static_cast<int32_t>(sy), rgb.data());
            for (int64_t tx = 0; tx < fittedWidth; ++tx) {
                const int64_t x0 = tx * sourceWidth / fittedWidth;
                const int64_t x1 = std::max(x0 + 1, (tx + 1) * sourceWidth / fittedWidth);
                for (int64_t sx = x0; sx < x1; ++sx)
                    for (int c = 0; c < 3; ++c)
                        sums[static_cast<std::size_t>(tx * 3 + c)] += rgb[static_cast<std::size_t>(sx * 3 + c)];
            }
        }
        unsigned char* row = out + KS_DIB_HEADER_SIZE + static_cast<std::size_t>(boxHeight - 1 - (top + ty)) * stride;
        for (int64_t tx = 0; tx < fittedWidth; ++tx) {
            const int64_t x0 = tx * sourceWidth / fittedWidth;
            const int64_t x1 = std::max(x0 + 1, (tx + 1) * sourceWidth / fittedWidth);
            const uint64_t count = static_cast<uint64_t>((x1 - x0) * (y1 - y0));
            unsigned char* pixel = row + (left + tx) * 3;
            for (int c = 0; c < 3; ++c)  // RGB sums into blue-green-red order
                pixel[2 - c] = static_cast<unsigned char>((sums[static_cast<std::size_t>(tx * 3 + c)] + count / 2) / count);
        }
    }
    return out;
}

}  // namespace ks
