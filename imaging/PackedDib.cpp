#include "imaging/PackedDib.h"

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace imaging {
namespace {

// Longer rows are nonsense for any picture this program meets; the cap keeps size arithmetic small.
constexpr std::size_t kMaxRowBytes = std::size_t{1} << 28;

bool knownDepth(unsigned bits)
{
    return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

uint32_t colourTableEntries(const BitmapInfoHeader& header)
{
    if (header.clrUsed)
        return header.clrUsed;
    switch (header.bitCount) {
    case 1: return 2;
    case 2: return 4;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

std::size_t dibRowBytes(int64_t width, unsigned bitCount)
{
    if (width <= 0 || bitCount == 0 || bitCount > 32)
        return 0;
    const uint64_t bytes = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
    return bytes > kMaxRowBytes ? 0 : static_cast<std::size_t>(bytes);
}

PackedDib::~PackedDib()
{
    std::free(block_);
}

PackedDib::PackedDib(PackedDib&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}

PackedDib& PackedDib::operator=(PackedDib&& other) noexcept
{
    if (this != &other)
        reset(std::exchange(other.block_, nullptr));
    return *this;
}

PackedDib PackedDib::adopt(void* block)
{
    return PackedDib(block);
}

PackedDib PackedDib::allocate(std::size_t bytes)
{
    return PackedDib(bytes ? std::calloc(1, bytes) : nullptr);
}

PackedDib PackedDib::blank(int width, int height, unsigned bitCount)
{
    const std::size_t row = dibRowBytes(width, bitCount);
    if (!row || height <= 0 || !knownDepth(bitCount))
        return {};
    BitmapInfoHeader header{kDibHeaderSize, width, height, 1, static_cast<uint16_t>(bitCount), kBiRgb, 0, 0, 0, 0, 0};
    const uint64_t image = static_cast<uint64_t>(row) * static_cast<uint64_t>(height);
    if (image > UINT32_MAX)
        return {};
    header.sizeImage = static_cast<uint32_t>(image);
    PackedDib dib = allocate(kDibHeaderSize + colourTableEntries(header) * 4u + static_cast<std::size_t>(image));
    if (dib)
        std::memcpy(dib.block_, &header, sizeof header);
    return dib;
}

void* PackedDib::release()
{
    return std::exchange(block_, nullptr);
}

void PackedDib::reset(void* block)
{
    std::free(std::exchange(block_, block));
}

int PackedDib::height() const
{
    const int32_t h = header().height;
    return h < 0 ? -h : h;
}

const uint8_t* PackedDib::colourTable() const
{
    return static_cast<const uint8_t*>(block_) + header().size
           + (header().compression == kBiBitfields ? kBitfieldMaskBytes : 0);
}

std::size_t PackedDib::bitsOffset() const
{
    return header().size + (header().compression == kBiBitfields ? kBitfieldMaskBytes : 0)
           + static_cast<std::size_t>(colourEntries()) * 4;
}

std::size_t PackedDib::imageBytes() const
{
    if (isCompressed() && header().compression != kBiBitfields)
        return header().sizeImage;
    return rowBytes() * static_cast<std::size_t>(height());
}

std::size_t PackedDib::capacity() const
{
    return block_ ? malloc_usable_size(block_) : 0;
}

uint8_t* PackedDib::bits()
{
    return static_cast<uint8_t*>(block_) + bitsOffset();
}

const uint8_t* PackedDib::bits() const
{
    return static_cast<const uint8_t*>(block_) + bitsOffset();
}

uint8_t* PackedDib::row(int y)
{
    return const_cast<uint8_t*>(std::as_const(*this).row(y));
}

const uint8_t* PackedDib::row(int y) const
{
    const int stored = isTopDown() ? y : height() - 1 - y;
    return bits() + static_cast<std::size_t>(stored) * rowBytes();
}

bool PackedDib::isValid() const
{
    if (!block_ || capacity() < kDibHeaderSize)
        return false;
    const BitmapInfoHeader& h = header();
    if (h.size != kDibHeaderSize || h.planes != 1 || h.width <= 0 || h.height == 0 || h.height == INT32_MIN
        || !knownDepth(h.bitCount) || !rowBytes() || h.clrUsed > 256)
        return false;
    const bool rle = (h.compression == kBiRle8 && h.bitCount == 8) || (h.compression == kBiRle4 && h.bitCount == 4);
    const bool fields = h.compression == kBiBitfields && (h.bitCount == 16 || h.bitCount == 32);
    if (h.compression != kBiRgb && !rle && !fields)
        return false;
    const uint64_t total = bitsOffset() + static_cast<uint64_t>(imageBytes());
    return total <= capacity();
}

PackedDib PackedDib::copy() const
{
    if (!isValid())
        return {};
    const std::size_t bytes = totalBytes();
    PackedDib out = allocate(bytes);
    if (out)
        std::memcpy(out.block_, block_, bytes);
    return out;
}

QImage PackedDib::toImage() const
{
    if (!isValid() || (isCompressed() && header().compression != kBiBitfields))
        return {};
    const int w = width(), h = height();
    const unsigned bits = bitCount();
    if (bits <= 8) {
        QImage image(w, h, QImage::Format_Indexed8);
        if (image.isNull())
            return {};
        const uint32_t entries = colourEntries();
        QList<QRgb> table(1 << bits, qRgb(0, 0, 0));
        for (uint32_t i = 0; i < entries && i < static_cast<uint32_t>(table.size()); ++i) {
            const uint8_t* e = colourTable() + i * 4;
            table[static_cast<qsizetype>(i)] = qRgb(e[2], e[1], e[0]);
        }
        image.setColorTable(table);
        const unsigned perByte = 8 / bits;
        for (int y = 0; y < h; ++y) {
            const uint8_t* in = row(y);
            uchar* out = image.scanLine(y);
            for (int x = 0; x < w; ++x) {
                const unsigned shift = 8 - bits * (static_cast<unsigned>(x) % perByte + 1);
                out[x] = static_cast<uchar>((in[static_cast<unsigned>(x) / perByte] >> shift) & ((1u << bits) - 1));
            }
        }
        return image;
    }
    QImage image(w, h, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (bits == 32)
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    if (header().compression == kBiBitfields)
        std::memcpy(masks, static_cast<const uint8_t*>(block_) + header().size, sizeof masks);
    auto channel = [](uint32_t value, uint32_t mask) -> int {
        if (!mask)
            return 0;
        int shift = 0;
        while (!((mask >> shift) & 1u))
            ++shift;
        const uint32_t top = mask >> shift;
        return static_cast<int>((((value & mask) >> shift) * 255u + top / 2) / top);
    };
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = row(y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            if (bits == 24) {
                out[x] = qRgb(in[x * 3 + 2], in[x * 3 + 1], in[x * 3]);
                continue;
            }
            uint32_t v = 0;
            if (bits == 16)
                v = in[x * 2] | in[x * 2 + 1] << 8;
            else
                std::memcpy(&v, in + x * 4, 4);
            out[x] = qRgb(channel(v, masks[0]), channel(v, masks[1]), channel(v, masks[2]));
        }
    }
    return image;
}

PackedDib PackedDib::fromImage(const QImage& image)
{
    if (image.isNull())
        return {};
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    PackedDib dib = blank(rgb.width(), rgb.height(), 24);
    if (!dib)
        return {};
    dib.header().xPelsPerMeter = rgb.dotsPerMeterX();
    dib.header().yPelsPerMeter = rgb.dotsPerMeterY();
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* in = rgb.constScanLine(y);
        uint8_t* out = dib.row(y);
        for (int x = 0; x < rgb.width(); ++x) {
            out[x * 3] = in[x * 3 + 2];
            out[x * 3 + 1] = in[x * 3 + 1];
            out[x * 3 + 2] = in[x * 3];
        }
    }
    return dib;
}

}  // namespace imaging
