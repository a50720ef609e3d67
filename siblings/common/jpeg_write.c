#include "dib.h"
#include "jpeg_io.h"
#include "jpeg_trap.h"

#include <stdlib.h>
#include <string.h>

/* libjpeg-turbo keeps the address of this sink and updates it as the buffer grows; it lives in memory
 * (its address is taken), so the error path can still free what was allocated. */
typedef struct MemorySink {
    unsigned char* data;
    unsigned long size;
} MemorySink;

int ks_jpeg_encode(const void* dib, int quality, int chroma420, int jfif, unsigned char** out, size_t* outSize)
{
    KsDibHeader header;
    if (!out || !outSize || !ks_dib_read_header(dib, &header) || !ks_dib_total_bytes(&header)
        || quality < 1 || quality > 100 || (chroma420 != 0 && chroma420 != 1))
        return KS_JPEG_BAD_ARGUMENT;
    *out = NULL;
    *outSize = 0;

    const int width = header.biWidth;
    const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    const int grey = ks_dib_is_greyscale(dib, &header);
    struct jpeg_compress_struct cinfo;
    KsJpegTrap trap;
    MemorySink sink = {NULL, 0};
    uint8_t* volatile rgb = NULL;

    cinfo.err = ks_jpeg_trap_init(&trap);
    if (setjmp(trap.jump)) {
        jpeg_destroy_compress(&cinfo);
        free(sink.data);
        free(rgb);
        return trap.status;
    }
    jpeg_create_compress(&cinfo);
    rgb = malloc((size_t)width * 3);
    if (!rgb)
        ks_jpeg_trap_jump((j_common_ptr)&cinfo, KS_JPEG_NO_MEMORY);
    jpeg_mem_dest(&cinfo, &sink.data, &sink.size);
    cinfo.image_width = (JDIMENSION)width;
    cinfo.image_height = (JDIMENSION)height;
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.write_JFIF_header = jfif ? TRUE : FALSE;
    if (!grey) {
        cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = chroma420 ? 2 : 1;
        for (int c = 1; c < 3; ++c)
            cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
    }
    if (header.biXPelsPerMeter > 0 && header.biYPelsPerMeter > 0) {
        cinfo.density_unit = 2; /* dots per centimetre, the unit a DIB's metres convert to exactly */
        const long x = (header.biXPelsPerMeter + 50L) / 100, y = (header.biYPelsPerMeter + 50L) / 100;
        cinfo.X_density = (UINT16)(x > 65535 ? 65535 : x);
        cinfo.Y_density = (UINT16)(y > 65535 ? 65535 : y);
    }
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        ks_dib_row_rgb(dib, &header, (int32_t)cinfo.next_scanline, rgb);
        if (grey)
            for (int x = 0; x < width; ++x)
                rgb[x] = rgb[x * 3];
        JSAMPROW row = rgb;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    free(rgb);
    *out = sink.data;
    *outSize = sink.size;
    return KS_JPEG_OK;
}
