#pragma once
// The program's picture currency: a packed DIB in one block from the C allocator (40-byte
// BITMAPINFOHEADER, colour table, pixel rows padded to 4 bytes, bottom line first unless the height is
// negative). PackedDib owns one such block and frees it with free(); blocks cross library boundaries
// only through adopt() and release().

#include <QImage>

#include <cstddef>
#include <cstdint>

namespace imaging {

struct BitmapInfoHeader {
    uint32_t size;
    int32_t width;
    int32_t height;
    uint16_t planes;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t sizeImage;
    int32_t xPelsPerMeter;
    int32_t yPelsPerMeter;
    uint32_t clrUsed;
    uint32_t clrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40, "BITMAPINFOHEADER is 40 bytes");

constexpr uint32_t kDibHeaderSize = 40;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
// BI_BITFIELDS keeps three 32-bit masks in front of the colour table.
constexpr std::size_t kBitfieldMaskBytes = 12;

// Colour table entries: colours-used when set, else 2, 4, 16, 256 for 1, 2, 4, 8 bits; none above.
uint32_t colourTableEntries(const BitmapInfoHeader& header);

// Bytes of one row: the bits of `width` pixels rounded up to whole 32-bit words. 0 for a width or bit
// count no DIB can have, or a row too long to be real.
std::size_t dibRowBytes(int64_t width, unsigned bitCount);

class PackedDib {
public:
    PackedDib() = default;
    ~PackedDib();
    PackedDib(PackedDib&& other) noexcept;
    PackedDib& operator=(PackedDib&& other) noexcept;
    PackedDib(const PackedDib&) = delete;
    PackedDib& operator=(const PackedDib&) = delete;

    // Takes ownership of a block from malloc/calloc (null gives an empty handle).
    static PackedDib adopt(void* block);
    // A zero-filled block of `bytes`; empty when memory is short.
    static PackedDib allocate(std::size_t bytes);
    // A zero-filled bottom-up DIB with an uncompressed header for width x height at bitCount, the image
    // size set and room for the default colour table (colours-used left 0). Empty on bad sizes.
    static PackedDib blank(int width, int height, unsigned bitCount);

    void* get() const { return block_; }
    void* release();
    void reset(void* block = nullptr);
    explicit operator bool() const { return block_ != nullptr; }
    bool isNull() const { return block_ == nullptr; }

    // The header; only on a non-null handle.
    const BitmapInfoHeader& header() const { return *static_cast<const BitmapInfoHeader*>(block_); }
    BitmapInfoHeader& header() { return *static_cast<BitmapInfoHeader*>(block_); }

    int width() const { return header().width; }
    // The height as a positive number of rows, whatever the row order.
    int height() const;
    bool isTopDown() const { return header().height < 0; }
    unsigned bitCount() const { return header().bitCount; }
    bool isCompressed() const { return header().compression != kBiRgb; }

    uint32_t colourEntries() const { return colourTableEntries(header()); }
    const uint8_t* colourTable() const;
    std::size_t bitsOffset() const;
    std::size_t rowBytes() const { return dibRowBytes(width(), bitCount()); }
    // Pixel bytes: rows x row size for uncompressed DIBs, the image size field for compressed ones.
    std::size_t imageBytes() const;
    std::size_t totalBytes() const { return bitsOffset() + imageBytes(); }
    // What the block can hold: the allocator's usable size of the block.
    std::size_t capacity() const;

    uint8_t* bits();
    const uint8_t* bits() const;
    // Row y counted from the top of the picture (either row order). Uncompressed DIBs only.
    uint8_t* row(int y);
    const uint8_t* row(int y) const;

    // A header a DIB can have (40 bytes, one plane, positive width, non-zero height, a known depth and
    // compression) describing no more bytes than the block holds.
    bool isValid() const;

    // A deep copy of the whole DIB (totalBytes); empty when invalid or out of memory.
    PackedDib copy() const;

    // A QImage of the picture (RGB32 or Indexed8), for drawing. Null for invalid or compressed DIBs.
    QImage toImage() const;
    // A 24-bit bottom-up DIB of the image; resolution taken from the image's dots per metre.
    static PackedDib fromImage(const QImage& image);

private:
    explicit PackedDib(void* block) : block_(block) {}
    void* block_ = nullptr;
};

}  // namespace imaging
