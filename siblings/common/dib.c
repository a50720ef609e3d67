#include "dib.h"

#include <stdlib.h>
#include <string.h>

/* Rows longer than this are nonsense for a DIB whose whole size is capped anyway. */
#define KS_MAX_STRIDE ((size_t)1 << 28)

int ks_dib_read_header(const void* block, KsDibHeader* header)
{
    if (!block || !header)
        return 0;
    memcpy(header, block, sizeof *header);
    return 1;
}

size_t ks_dib_stride(int64_t width, unsigned bits)
{
    if (width <= 0 || bits == 0 || bits > 32)
        return 0;
    const uint64_t rowBits = (uint64_t)width * bits;
    const uint64_t stride = ((rowBits + 31) / 32) * 4;
    return stride > KS_MAX_STRIDE ? 0 : (size_t)stride;
}

uint32_t ks_dib_palette_entries(const KsDibHeader* header)
{
    if (header->biClrUsed)
        return header->biClrUsed;
    switch (header->biBitCount) {
    case 1: return 2;
    case 2: return 4;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

static size_t mask_bytes(const KsDibHeader* header)
{
    return header->biCompression == KS_BI_BITFIELDS ? 12 : 0;
}

size_t ks_dib_bits_offset(const KsDibHeader* header)
{
    return header->biSize + mask_bytes(header) + (size_t)ks_dib_palette_entries(header) * 4;
}

static int usable_bits(unsigned bits)
{
    return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

size_t ks_dib_total_bytes(const KsDibHeader* header)
{
    if (!header || header->biSize != KS_DIB_HEADER_SIZE || header->biWidth <= 0 || header->biHeight == 0
        || header->biHeight == INT32_MIN || !usable_bits(header->biBitCount))
        return 0;
    if (header->biCompression != KS_BI_RGB
        && !(header->biCompression == KS_BI_BITFIELDS && (header->biBitCount == 16 || header->biBitCount == 32)))
        return 0;
    if (header->biClrUsed > 256)
        return 0;
    const size_t stride = ks_dib_stride(header->biWidth, header->biBitCount);
    if (!stride)
        return 0;
    const uint64_t height = (uint64_t)(header->biHeight < 0 ? -(int64_t)header->biHeight : header->biHeight);
    const uint64_t total = (uint64_t)ks_dib_bits_offset(header) + stride * height;
    return total > KS_MAX_DIB_BYTES ? 0 : (size_t)total;
}

void* ks_dib_create(int32_t width, int32_t height, unsigned bits, uint32_t paletteEntries)
{
    KsDibHeader header;
    memset(&header, 0, sizeof header);
    header.biSize = KS_DIB_HEADER_SIZE;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = (uint16_t)bits;
    header.biCompression = KS_BI_RGB;
    header.biClrUsed = paletteEntries;
    if (height <= 0)
        return NULL;
    const size_t total = ks_dib_total_bytes(&header);
    if (!total)
        return NULL;
    header.biSizeImage = (uint32_t)(ks_dib_stride(width, bits) * (size_t)height);
    unsigned char* block = calloc(1, total);
    if (block)
        memcpy(block, &header, sizeof header);
    return block;
}

static unsigned mask_shift(uint32_t mask)
{
    unsigned shift = 0;
    while (mask && !(mask & 1u)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

/* Scales a masked field to 0..255 whatever its width. */
static uint8_t masked_channel(uint32_t value, uint32_t mask)
{
    if (!mask)
        return 0;
    const unsigned shift = mask_shift(mask);
    const uint32_t field = (value & mask) >> shift;
    const uint32_t maximum = mask >> shift;
    return (uint8_t)((field * 255u + maximum / 2) / maximum);
}

void ks_dib_row_rgb(const void* block, const KsDibHeader* header, int32_t y, uint8_t* rgb)
{
    const unsigned char* base = block;
    const size_t stride = ks_dib_stride(header->biWidth, header->biBitCount);
    const int64_t height = header->biHeight < 0 ? -(int64_t)header->biHeight : header->biHeight;
    const int64_t storedRow = header->biHeight < 0 ? y : height - 1 - y;
    const unsigned char* row = base + ks_dib_bits_offset(header) + (size_t)storedRow * stride;
    const unsigned char* table = base + header->biSize + mask_bytes(header);
    const uint32_t entries = ks_dib_palette_entries(header);
    const unsigned bits = header->biBitCount;
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (bits == 32)
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    if (header->biCompression == KS_BI_BITFIELDS)
        memcpy(masks, base + header->biSize, sizeof masks);

    for (int32_t x = 0; x < header->biWidth; ++x) {
        uint8_t* out = rgb + (size_t)x * 3;
        if (bits <= 8) {
            const unsigned perByte = 8 / bits;
            const unsigned byte = row[x / perByte];
            const unsigned shift = 8 - bits * (x % perByte + 1);
            const uint32_t index = (byte >> shift) & ((1u << bits) - 1);
            if (index < entries) {
                const unsigned char* entry = table + (size_t)index * 4;
                out[0] = entry[2], out[1] = entry[1], out[2] = entry[0];
            } else {
                out[0] = out[1] = out[2] = 0;
            }
        } else if (bits == 24) {
            const unsigned char* p = row + (size_t)x * 3;
            out[0] = p[2], out[1] = p[1], out[2] = p[0];
        } else {
            const unsigned char* p = row + (size_t)x * (bits / 8);
            const uint32_t value = bits == 16 ? (uint32_t)(p[0] | p[1] << 8)
                                              : (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16
                                                    | (uint32_t)p[3] << 24;
            out[0] = masked_channel(value, masks[0]);
            out[1] = masked_channel(value, masks[1]);
            out[2] = masked_channel(value, masks[2]);
        }
    }
}

int ks_dib_is_greyscale(const void* block, const KsDibHeader* header)
{
    if (header->biBitCount > 8)
        return 0;
    const unsigned char* table = (const unsigned char*)block + header->biSize;
    const uint32_t entries = ks_dib_palette_entries(header);
    for (uint32_t i = 0; i < entries; ++i) {
        const unsigned char* entry = table + (size_t)i * 4;
        if (entry[0] != entry[1] || entry[1] != entry[2])
            return 0;
    }
    return 1;
}
