#include "BmpFile.h"

#include "FileUtil.h"
#include "dib.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace ks {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr uint32_t kV4HeaderSize = 108;
constexpr uint32_t kV5HeaderSize = 124;
constexpr std::size_t kMaskBytes = 12;

uint32_t le32(const unsigned char* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void putLe16(std::string& out, uint16_t v)
{
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void putLe32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void* fail(BmpStatus* status, BmpStatus why)
{
    if (status)
        *status = why;
    return nullptr;
}

}  // namespace

void* readBmpMemory(const unsigned char* data, std::size_t size, BmpStatus* status)
{
    if (!data || size < kFileHeaderSize + KS_DIB_HEADER_SIZE || data[0] != 'B' || data[1] != 'M')
        return fail(status, BmpStatus::BadFormat);
    const unsigned char* info = data + kFileHeaderSize;
    const std::size_t infoAvailable = size - kFileHeaderSize;
    const uint32_t infoSize = le32(info);
    if ((infoSize != KS_DIB_HEADER_SIZE && infoSize != kV4HeaderSize && infoSize != kV5HeaderSize)
        || infoSize > infoAvailable)
        return fail(status, BmpStatus::BadFormat);

    KsDibHeader header;
    std::memcpy(&header, info, sizeof header);
    header.biSize = KS_DIB_HEADER_SIZE;
    if (header.biHeight <= 0)
        return fail(status, BmpStatus::BadFormat);
    const bool bitfields = header.biCompression == KS_BI_BITFIELDS;
    // The three masks sit right after the first 40 bytes either way: behind a 40-byte header, or as the
    // first fields of the V4/V5 extension.
    const std::size_t masksAt = KS_DIB_HEADER_SIZE;
    const std::size_t tableAt = infoSize + (bitfields && infoSize == KS_DIB_HEADER_SIZE ? kMaskBytes : 0);
    const std::size_t total = ks_dib_total_bytes(&header);
    if (!total)
        return fail(status, BmpStatus::BadFormat);
    const std::size_t tableBytes = static_cast<std::size_t>(ks_dib_palette_entries(&header)) * 4;
    const std::size_t imageBytes = total - ks_dib_bits_offset(&header);
    const std::size_t pixelsAt = le32(data + 10);
    if (masksAt + (bitfields ? kMaskBytes : 0) > infoAvailable || tableAt + tableBytes > infoAvailable
        || pixelsAt < kFileHeaderSize || pixelsAt > size || size - pixelsAt < imageBytes)
        return fail(status, BmpStatus::BadFormat);

    auto* dib = static_cast<unsigned char*>(std::calloc(1, total));
    if (!dib)
        return fail(status, BmpStatus::NoMemory);
    header.biSizeImage = static_cast<uint32_t>(imageBytes);
    std::memcpy(dib, &header, sizeof header);
    std::size_t at = KS_DIB_HEADER_SIZE;
    if (bitfields) {
        std::memcpy(dib + at, info + masksAt, kMaskBytes);
        at += kMaskBytes;
    }
    std::memcpy(dib + at, info + tableAt, tableBytes);
    std::memcpy(dib + at + tableBytes, data + pixelsAt, imageBytes);
    if (status)
        *status = BmpStatus::Ok;
    return dib;
}

void* readBmpFile(const std::string& path, BmpStatus* status)
{
    std::vector<unsigned char> bytes;
    if (!readWholeFile(path, bytes, KS_MAX_DIB_BYTES + kFileHeaderSize + kV5HeaderSize))
        return fail(status, BmpStatus::OpenFailed);
    return readBmpMemory(bytes.data(), bytes.size(), status);
}

std::string bmpFileImage(const void* dib)
{
    KsDibHeader header;
    if (!ks_dib_read_header(dib, &header))
        return {};
    const std::size_t total = ks_dib_total_bytes(&header);
    if (!total)
        return {};
    std::string out;
    out.reserve(kFileHeaderSize + total);
    out.push_back('B');
    out.push_back('M');
    putLe32(out, static_cast<uint32_t>(kFileHeaderSize + total));
    putLe16(out, 0);
    putLe16(out, 0);
    putLe32(out, static_cast<uint32_t>(kFileHeaderSize + ks_dib_bits_offset(&header)));
    out.append(static_cast<const char*>(dib), total);
    return out;
}

void* convertDibTo24(const void* dib)
{
    KsDibHeader header;
    if (!ks_dib_read_header(dib, &header) || !ks_dib_total_bytes(&header))
        return nullptr;
    const int32_t height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    auto* out = static_cast<unsigned char*>(ks_dib_create(header.biWidth, height, 24, 0));
    if (!out)
        return nullptr;
    auto* made = reinterpret_cast<KsDibHeader*>(out);
    made->biXPelsPerMeter = header.biXPelsPerMeter;
    made->biYPelsPerMeter = header.biYPelsPerMeter;
    const std::size_t stride = ks_dib_stride(header.biWidth, 24);
    std::vector<uint8_t> rgb(static_cast<std::size_t>(header.biWidth) * 3);
    for (int32_t y = 0; y < height; ++y) {
        ks_dib_row_rgb(dib, &header, y, rgb.data());
        unsigned char* row = out + KS_DIB_HEADER_SIZE + static_cast<std::size_t>(height - 1 - y) * stride;
        for (int32_t x = 0; x < header.biWidth; ++x) {
            row[x * 3] = rgb[x * 3 + 2];
            row[x * 3 + 1] = rgb[x * 3 + 1];
            row[x * 3 + 2] = rgb[x * 3];
        }
    }
    return out;
}

}  // namespace ks
