// Turning works pixel by pixel through one reader and one writer per depth: every depth below a byte
// packs several pixels into one, so whole-byte copies would only serve some of them.

#include "Turnkit.h"

#include "dib.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

struct Plane {
    unsigned char* bits;
    std::size_t stride;
    int64_t height;
    bool topDown;
    unsigned bitCount;

    unsigned char* row(int64_t y) const { return bits + static_cast<std::size_t>(topDown ? y : height - 1 - y) * stride; }
};

// A pixel's value: its colour-table index below 16 bits, its packed bytes above.
uint32_t readPixel(const Plane& plane, int64_t x, int64_t y)
{
    const unsigned char* row = plane.row(y);
    switch (plane.bitCount) {
    case 1: case 2: case 4: {
        const unsigned perByte = 8 / plane.bitCount;
        const unsigned shift = 8 - plane.bitCount * (static_cast<unsigned>(x % perByte) + 1);
        return (row[x / perByte] >> shift) & ((1u << plane.bitCount) - 1);
    }
    case 8: return row[x];
    case 16: return row[x * 2] | row[x * 2 + 1] << 8;
    case 24: return row[x * 3] | row[x * 3 + 1] << 8 | row[x * 3 + 2] << 16;
    default: {
        uint32_t value;
        std::memcpy(&value, row + x * 4, 4);
        return value;
    }
    }
}

void writePixel(const Plane& plane, int64_t x, int64_t y, uint32_t value)
{
    unsigned char* row = plane.row(y);
    switch (plane.bitCount) {
    case 1: case 2: case 4: {
        const unsigned perByte = 8 / plane.bitCount;
        const unsigned shift = 8 - plane.bitCount * (static_cast<unsigned>(x % perByte) + 1);
        const unsigned mask = ((1u << plane.bitCount) - 1) << shift;
        row[x / perByte] = static_cast<unsigned char>((row[x / perByte] & ~mask) | ((value << shift) & mask));
        break;
    }
    case 8: row[x] = static_cast<unsigned char>(value); break;
    case 16: row[x * 2] = value & 0xFF, row[x * 2 + 1] = (value >> 8) & 0xFF; break;
    case 24: row[x * 3] = value & 0xFF, row[x * 3 + 1] = (value >> 8) & 0xFF, row[x * 3 + 2] = (value >> 16) & 0xFF; break;
    default: std::memcpy(row + x * 4, &value, 4); break;
    }
}

void* turn(const void* source, int quarterTurns)
{
    KsDibHeader header;
    if (!ks_dib_read_header(source, &header) || !ks_dib_total_bytes(&header))
        return nullptr;
    const int64_t width = header.biWidth;
    const int64_t height = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
    const bool quarter = quarterTurns % 2 == 1;
    const int64_t newWidth = quarter ? height : width;
    const int64_t newHeight = quarter ? width : height;

    KsDibHeader made = header;
    made.biWidth = static_cast<int32_t>(newWidth);
    made.biHeight = static_cast<int32_t>(newHeight);
    if (quarter) {
        made.biXPelsPerMeter = header.biYPelsPerMeter;
        made.biYPelsPerMeter = header.biXPelsPerMeter;
    }
    const std::size_t total = ks_dib_total_bytes(&made);
    if (!total)
        return nullptr;
    const std::size_t stride = ks_dib_stride(newWidth, made.biBitCount);
    made.biSizeImage = static_cast<uint32_t>(stride * static_cast<std::size_t>(newHeight));
    auto* out = static_cast<unsigned char*>(std::calloc(1, total));
    if (!out)
        return nullptr;
    const std::size_t tableBytes = ks_dib_bits_offset(&header) - KS_DIB_HEADER_SIZE;
    std::memcpy(out, &made, sizeof made);
    std::memcpy(out + KS_DIB_HEADER_SIZE, static_cast<const unsigned char*>(source) + KS_DIB_HEADER_SIZE, tableBytes);

    const Plane from{const_cast<unsigned char*>(static_cast<const unsigned char*>(source)) + ks_dib_bits_offset(&header),
                     ks_dib_stride(width, header.biBitCount), height, header.biHeight < 0, header.biBitCount};
    const Plane to{out + ks_dib_bits_offset(&made), stride, newHeight, false, made.biBitCount};
    // (x, y) are target coordinates from the top-left corner; each case names the source pixel shown there.
    for (int64_t y = 0; y < newHeight; ++y) {
        for (int64_t x = 0; x < newWidth; ++x) {
            uint32_t value;
            if (quarterTurns == 1)
                value = readPixel(from, y, height - 1 - x);
            else if (quarterTurns == 2)
                value = readPixel(from, width - 1 - x, height - 1 - y);
            else
                value = readPixel(from, width - 1 - y, x);
            writePixel(to, x, y, value);
        }
    }
    return out;
}

}  // namespace

extern "C" TURNKIT_API void* _DoTurnkit90(const void* dib)
{
    return turn(dib, 1);
}

extern "C" TURNKIT_API void* _DoTurnkit180(const void* dib)
{
    return turn(dib, 2);
}

extern "C" TURNKIT_API void* _DoTurnkit270(const void* dib)
{
    return turn(dib, 3);
}
