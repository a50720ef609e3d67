// The .dcf reader and writer. The reader trusts nothing in the header: every size is checked against the
// bytes really present and against the fixed output buffer before a single pixel is copied.

#include "Stillform.h"

#include "FileUtil.h"
#include "dib.h"

#include <malloc.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr unsigned kGreyEntries = 256;
constexpr std::size_t kDateOffset = 18;
constexpr std::size_t kDateLength = 14;

uint32_t be16(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) << 8 | p[1];
}

uint32_t be32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

void putBe16(unsigned char* p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v >> 8);
    p[1] = static_cast<unsigned char>(v);
}

void putBe32(unsigned char* p, uint32_t v)
{
    putBe16(p, v >> 16);
    putBe16(p + 2, v & 0xFFFF);
}

// The DIB of a width x height picture at `bits`, or 0 when it does not fit the output buffer.
std::size_t dibSize(uint32_t width, uint32_t height, unsigned bits)
{
    const std::size_t table = bits == 8 ? kGreyEntries * 4 : 0;
    const std::size_t stride = ks_dib_stride(width, bits);
    const uint64_t total = KS_DIB_HEADER_SIZE + table + static_cast<uint64_t>(stride) * height;
    return total <= STILLFORM_OUTPUT_SIZE ? static_cast<std::size_t>(total) : 0;
}

}  // namespace

extern "C" STILLFORM_API uint16_t mkDCbmp(StillformRequest* request)
{
    if (!request || !request->data || !request->output || request->headerSize != STILLFORM_HEADER_SIZE)
        return STILLFORM_BAD_ARGUMENT;
    const auto* data = static_cast<const unsigned char*>(request->data);
    const std::size_t available = request->dataSize ? request->dataSize : malloc_usable_size(const_cast<void*>(request->data));
    if (available < STILLFORM_HEADER_SIZE)
        return STILLFORM_TRUNCATED;
    if (std::memcmp(data, "DCF ", 4) != 0 || std::memcmp(data + 4, "1.00", 4) != 0)
        return STILLFORM_BAD_HEADER;
    const uint32_t width = be16(data + 8), height = be16(data + 10), total = be32(data + 12);
    const unsigned bits = data[16];
    if (width == 0 || height == 0 || (bits != 8 && bits != 24))
        return STILLFORM_BAD_HEADER;
    const uint64_t pixelBytes = static_cast<uint64_t>(width) * height * (bits / 8);
    if (total != STILLFORM_HEADER_SIZE + pixelBytes)
        return STILLFORM_BAD_HEADER;
    if (!dibSize(width, height, bits))
        return STILLFORM_TOO_LARGE;
    if (available < total)
        return STILLFORM_TRUNCATED;

    auto* out = static_cast<unsigned char*>(request->output);
    KsDibHeader header{KS_DIB_HEADER_SIZE, static_cast<int32_t>(width), static_cast<int32_t>(height), 1,
                       static_cast<uint16_t>(bits), KS_BI_RGB, 0, 0, 0, bits == 8 ? kGreyEntries : 0, 0};
    const std::size_t stride = ks_dib_stride(width, bits);
    header.biSizeImage = static_cast<uint32_t>(stride * height);
    std::memcpy(out, &header, sizeof header);
    unsigned char* pixels = out + ks_dib_bits_offset(&header);
    if (bits == 8)
        for (unsigned i = 0; i < kGreyEntries; ++i)
            out[KS_DIB_HEADER_SIZE + i * 4] = out[KS_DIB_HEADER_SIZE + i * 4 + 1] = out[KS_DIB_HEADER_SIZE + i * 4 + 2] =
                static_cast<unsigned char>(i);
    const unsigned char* in = data + STILLFORM_HEADER_SIZE;
    const std::size_t lineBytes = static_cast<std::size_t>(width) * (bits / 8);
    for (uint32_t y = 0; y < height; ++y) {
        const unsigned char* line = in + y * lineBytes;
        unsigned char* row = pixels + (height - 1 - y) * stride;
        if (bits == 8) {
            std::memcpy(row, line, lineBytes);
            continue;
        }
        for (uint32_t x = 0; x < width; ++x) {
            row[x * 3] = line[x * 3 + 2];
            row[x * 3 + 1] = line[x * 3 + 1];
            row[x * 3 + 2] = line[x * 3];
        }
    }
    return STILLFORM_OK;
}

extern "C" STILLFORM_API uint16_t mkDCfile(const char* path, const void* dib, const char* date)
{
    KsDibHeader header;
    if (!path || !*path || !ks_dib_read_header(dib, &header) || !ks_dib_total_bytes(&header))
        return STILLFORM_BAD_ARGUMENT;
    if (date && (std::strlen(date) != kDateLength || std::strspn(date, "0123456789") != kDateLength))
        return STILLFORM_BAD_ARGUMENT;
    const uint32_t width = static_cast<uint32_t>(header.biWidth);
    const uint32_t height = static_cast<uint32_t>(header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight);
    const unsigned bits = ks_dib_is_greyscale(dib, &header) ? 8 : 24;
    if (width > 0xFFFF || height > 0xFFFF || !dibSize(width, height, bits))
        return STILLFORM_TOO_LARGE;

    const std::size_t lineBytes = static_cast<std::size_t>(width) * (bits / 8);
    std::vector<unsigned char> file(STILLFORM_HEADER_SIZE + lineBytes * height, 0);
    std::memcpy(file.data(), "DCF 1.00", 8);
    putBe16(file.data() + 8, width);
    putBe16(file.data() + 10, height);
    putBe32(file.data() + 12, static_cast<uint32_t>(file.size()));
    file[16] = static_cast<unsigned char>(bits);
    if (date)
        std::memcpy(file.data() + kDateOffset, date, kDateLength);
    std::vector<uint8_t> rgb(static_cast<std::size_t>(width) * 3);
    for (uint32_t y = 0; y < height; ++y) {
        ks_dib_row_rgb(dib, &header, static_cast<int32_t>(y), rgb.data());
        unsigned char* line = file.data() + STILLFORM_HEADER_SIZE + y * lineBytes;
        if (bits == 8)
            for (uint32_t x = 0; x < width; ++x)
                line[x] = rgb[x * 3];
        else
            std::memcpy(line, rgb.data(), lineBytes);
    }
    return ks::replaceFile(path, file.data(), file.size()) ? STILLFORM_OK : STILLFORM_WRITE_FAILED;
}
