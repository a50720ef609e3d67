#include "DibFlip.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

enum {
    HEADER_SIZE = 40,     /* BITMAPINFOHEADER */
    RGB_QUAD_SIZE = 4,    /* one colour table entry: blue, green, red, reserved */
    OUTPUT_BITS = 24,     /* the screen is true colour, so the copy read back from it is 24-bit */
    BI_RGB = 0
};

static uint32_t get_u32(const uint8_t* at)
{
    return (uint32_t)at[0] | (uint32_t)at[1] << 8 | (uint32_t)at[2] << 16 | (uint32_t)at[3] << 24;
}

static uint16_t get_u16(const uint8_t* at)
{
    return (uint16_t)(at[0] | at[1] << 8);
}

static void put_u32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = (uint8_t)(value >> (8 * i));
}

static void put_u16(uint8_t* at, uint16_t value)
{
    at[0] = (uint8_t)value;
    at[1] = (uint8_t)(value >> 8);
}

static uint64_t row_bytes(uint64_t width, unsigned bits)
{
    return (width * bits + 31u) / 32u * 4u;
}

/* Blue, green and red of pixel x of one source row. */
static void read_pixel(const uint8_t* row, uint32_t x, unsigned bits, const uint8_t* table, uint32_t table_entries,
                       uint8_t bgr[3])
{
    uint32_t index = 0;
    switch (bits) {
    case 1:
        index = (row[x / 8] >> (7 - x % 8)) & 1u;
        break;
    case 4:
        index = (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xFu;
        break;
    case 8:
        index = row[x];
        break;
    case 16: {
        const uint16_t v = get_u16(row + 2 * (size_t)x);
        const uint8_t r = (uint8_t)((v >> 10) & 31u), g = (uint8_t)((v >> 5) & 31u), b = (uint8_t)(v & 31u);
        bgr[0] = (uint8_t)(b << 3 | b >> 2);
        bgr[1] = (uint8_t)(g << 3 | g >> 2);
        bgr[2] = (uint8_t)(r << 3 | r >> 2);
        return;
    }
    case 24:
        memcpy(bgr, row + 3 * (size_t)x, 3);
        return;
    default: /* 32 */
        memcpy(bgr, row + 4 * (size_t)x, 3);
        return;
    }
    if (index < table_entries)
        memcpy(bgr, table + (size_t)index * RGB_QUAD_SIZE, 3);
    else
        memset(bgr, 0, 3); /* an index past the table shows black rather than reading past it */
}

void* stillpick_flip_dib(const void* dib, size_t size, size_t* flipped_size)
{
    const uint8_t* in = dib;
    if (!in || size < HEADER_SIZE || !flipped_size)
        return NULL;
    const uint32_t header_size = get_u32(in);
    const int32_t width = (int32_t)get_u32(in + 4);
    const int32_t height = (int32_t)get_u32(in + 8);
    const unsigned bits = (unsigned)get_u16(in + 12) * get_u16(in + 14);
    const uint32_t compression = get_u32(in + 16);
    uint32_t table_entries = get_u32(in + 32);

    if (header_size < HEADER_SIZE || header_size > size || width <= 0 || height == 0 || height == INT32_MIN ||
        compression != BI_RGB)
        return NULL;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return NULL;
    if (bits <= 8) {
        if (table_entries > (1u << bits))
            return NULL; /* more colours than indices: not a table this depth can have */
        if (table_entries == 0)
            table_entries = 1u << bits;
    } else {
        table_entries = 0; /* uncompressed deep pixels carry no table worth reading */
    }

    const uint64_t rows = (uint64_t)(height < 0 ? -(int64_t)height : height);
    const uint64_t in_row = row_bytes((uint64_t)width, bits);
    const uint64_t table_offset = header_size;
    const uint64_t pixel_offset = table_offset + (uint64_t)table_entries * RGB_QUAD_SIZE;
    if (pixel_offset > size || in_row * rows > size - pixel_offset)
        return NULL;
    const uint64_t out_row = row_bytes((uint64_t)width, OUTPUT_BITS);
    const uint64_t image_size = out_row * rows;
    if (image_size > UINT32_MAX - HEADER_SIZE)
        return NULL;

    uint8_t* out = calloc(1, HEADER_SIZE + (size_t)image_size);
    if (!out)
        return NULL;
    put_u32(out + 0, HEADER_SIZE);
    put_u32(out + 4, (uint32_t)width);
    put_u32(out + 8, (uint32_t)rows); /* bottom-up */
    put_u16(out + 12, 1);
    put_u16(out + 14, OUTPUT_BITS);
    put_u32(out + 16, BI_RGB);
    put_u32(out + 20, (uint32_t)image_size);
    memcpy(out + 24, in + 24, 8); /* resolution */

    const uint8_t* table = in + table_offset;
    const uint8_t* pixels = in + pixel_offset;
    for (uint64_t r = 0; r < rows; ++r) {
        /* Output row r (counted from the bottom) shows the source's picture row r counted from the top. */
        const uint64_t source_row = height > 0 ? rows - 1 - r : r;
        const uint8_t* from = pixels + source_row * in_row;
        uint8_t* to = out + HEADER_SIZE + r * out_row;
        for (uint32_t x = 0; x < (uint32_t)width; ++x)
            read_pixel(from, x, bits, table, table_entries, to + 3 * (size_t)x);
    }
    *flipped_size = HEADER_SIZE + (size_t)image_size;
    return out;
}
