// The ASF grabber's own parsing: the packed DIB a decoder hands it, turned upside down into a 24-bit
// copy. A copy must be exactly as large as it says; turning a 24-bit bottom-up copy over twice must
// give back its pixels.

#include "DibFlip.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t HeaderSize = 40;
constexpr std::size_t MaxInput = 1 << 22;

uint32_t get32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t get16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > MaxInput)
        return 0;
    // An exact-size copy, so that any read past the block is seen.
    auto* source = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    if (size)
        std::memcpy(source, data, size);
    size_t flippedSize = 0;
    auto* flipped = static_cast<uint8_t*>(stillpick_flip_dib(source, size, &flippedSize));
    std::free(source);
    if (!flipped)
        return 0;

    const uint32_t width = get32(flipped + 4);
    const uint32_t height = get32(flipped + 8);
    const size_t row = (size_t(width) * 3 + 3) & ~size_t(3);
    if (get32(flipped) != HeaderSize || get16(flipped + 14) != 24 || int32_t(height) <= 0 ||
        flippedSize != HeaderSize + row * height || get32(flipped + 20) != row * height)
        std::abort();

    size_t backSize = 0;
    auto* back = static_cast<uint8_t*>(stillpick_flip_dib(flipped, flippedSize, &backSize));
    if (!back || backSize != flippedSize)
        std::abort();
    // Row r of the copy of the copy is row r of the copy turned over twice: the same pixels.
    size_t secondSize = 0;
    auto* second = static_cast<uint8_t*>(stillpick_flip_dib(back, backSize, &secondSize));
    if (!second || secondSize != flippedSize ||
        std::memcmp(second + HeaderSize, flipped + HeaderSize, flippedSize - HeaderSize) != 0)
        std::abort();
    std::free(second);
    std::free(back);
    std::free(flipped);
    return 0;
}
