#include "dib.h"
#include "jpeg_io.h"
#include "jpeg_trap.h"
#include "regular_file.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

/* A stream on a regular file only (see regular_file.h); null when the path names anything else. */
static FILE* open_picture(const char* path)
{
    const int fd = path ? ks_open_regular(path) : -1;
    if (fd < 0)
        return NULL;
    FILE* file = fdopen(fd, "rb");
    if (!file)
        close(fd);
    return file;
}

/* Warnings that mean the picture data are damaged. libjpeg would carry on and fill the rest of the
 * picture with grey; a browser that shows such a picture as if it were whole hides the damage, so the
 * decode fails instead. Harmless oddities (stray bytes between markers, unusual scan parameters, bad
 * JFIF thumbnails) are tolerated: real cameras write them. */
static int is_damage(int code)
{
    switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_BOGUS_PROGRESSION:
        return 1;
    default:
        return 0;
    }
}

static void trap_emit_message(j_common_ptr cinfo, int level)
{
    if (level < 0) {
        cinfo->err->num_warnings++;
        if (is_damage(cinfo->err->msg_code))
            ks_jpeg_trap_jump(cinfo, KS_JPEG_BAD_DATA);
    }
}

static void watch_scans(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor && ((j_decompress_ptr)cinfo)->input_scan_number > KS_JPEG_MAX_SCANS)
        ks_jpeg_trap_jump(cinfo, KS_JPEG_BAD_DATA);
}

static int32_t pels_per_meter(unsigned unit, unsigned density)
{
    if (unit == 1)
        return (int32_t)((density * 10000u + 127u) / 254u);
    if (unit == 2)
        return (int32_t)(density * 100u);
    return 0;
}

static uint8_t cmyk_channel(unsigned ink, unsigned black, int inverted)
{
    /* Adobe writes CMYK inverted (0 = full ink); everyone else the other way round. */
    if (!inverted) {
        ink = 255 - ink;
        black = 255 - black;
    }
    return (uint8_t)((ink * black + 127) / 255);
}

static void* decode(FILE* file, const unsigned char* data, size_t size, int* status)
{
    struct jpeg_decompress_struct cinfo;
    KsJpegTrap trap;
    struct jpeg_progress_mgr progress;
    unsigned char* volatile dib = NULL;
    unsigned char* volatile cmykRow = NULL;

    cinfo.err = ks_jpeg_trap_init(&trap);
    trap.base.emit_message = trap_emit_message;
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&cinfo);
        free(dib);
        free(cmykRow);
        if (status)
            *status = trap.status;
        return NULL;
    }
    jpeg_create_decompress(&cinfo);
    progress.progress_monitor = watch_scans;
    cinfo.progress = &progress;
    if (file)
        jpeg_stdio_src(&cinfo, file);
    else
        jpeg_mem_src(&cinfo, data, (unsigned long)size);
    jpeg_read_header(&cinfo, TRUE);

    unsigned bits = 24;
    uint32_t palette = 0;
    int cmyk = 0;
    switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        cinfo.out_color_space = JCS_GRAYSCALE;
        bits = 8;
        palette = 256;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo.out_color_space = JCS_CMYK;
        cmyk = 1;
        break;
    default:
        cinfo.out_color_space = JCS_EXT_BGR;
        break;
    }
    jpeg_calc_output_dimensions(&cinfo);
    const int width = (int)cinfo.output_width, height = (int)cinfo.output_height;
    KsDibHeader header = {KS_DIB_HEADER_SIZE, width, height, 1, (uint16_t)bits, KS_BI_RGB, 0, 0, 0, palette, 0};
    if (!ks_dib_total_bytes(&header))
        ks_jpeg_trap_jump((j_common_ptr)&cinfo, KS_JPEG_TOO_LARGE);
    dib = ks_dib_create(width, height, bits, palette);
    if (cmyk)
        cmykRow = malloc((size_t)width * 4);
    if (!dib || (cmyk && !cmykRow))
        ks_jpeg_trap_jump((j_common_ptr)&cinfo, KS_JPEG_NO_MEMORY);

    KsDibHeader* made = (KsDibHeader*)dib;
    if (cinfo.saw_JFIF_marker) {
        made->biXPelsPerMeter = pels_per_meter(cinfo.density_unit, cinfo.X_density);
        made->biYPelsPerMeter = pels_per_meter(cinfo.density_unit, cinfo.Y_density);
    }
    unsigned char* table = dib + KS_DIB_HEADER_SIZE;
    for (uint32_t i = 0; i < palette; ++i)
        table[i * 4] = table[i * 4 + 1] = table[i * 4 + 2] = (unsigned char)i;

    jpeg_start_decompress(&cinfo);
    const size_t stride = ks_dib_stride(width, bits);
    unsigned char* bitsBase = dib + ks_dib_bits_offset(made);
    const int inverted = cinfo.saw_Adobe_marker;
    while (cinfo.output_scanline < cinfo.output_height) {
        unsigned char* row = bitsBase + (size_t)(height - 1 - (int)cinfo.output_scanline) * stride;
        JSAMPROW target = cmyk ? cmykRow : row;
        if (jpeg_read_scanlines(&cinfo, &target, 1) != 1)
            ks_jpeg_trap_jump((j_common_ptr)&cinfo, KS_JPEG_BAD_DATA);
        if (cmyk) {
            for (int x = 0; x < width; ++x) {
                const unsigned char* in = cmykRow + (size_t)x * 4;
                unsigned char* out = row + (size_t)x * 3;
                out[0] = cmyk_channel(in[2], in[3], inverted);
                out[1] = cmyk_channel(in[1], in[3], inverted);
                out[2] = cmyk_channel(in[0], in[3], inverted);
            }
        }
    }
    /* Every line is in; what follows the last scan (a missing EOI, trailing bytes) cannot change the
     * picture, so it is not read. */
    jpeg_destroy_decompress(&cinfo);
    free(cmykRow);
    if (status)
        *status = KS_JPEG_OK;
    return dib;
}

void* ks_jpeg_decode_file(const char* path, int* status)
{
    FILE* file = open_picture(path);
    if (!file) {
        if (status)
            *status = KS_JPEG_OPEN_FAILED;
        return NULL;
    }
    void* dib = decode(file, NULL, 0, status);
    fclose(file);
    return dib;
}

void* ks_jpeg_decode_memory(const unsigned char* data, size_t size, int* status)
{
    if (!data || !size) {
        if (status)
            *status = KS_JPEG_BAD_DATA;
        return NULL;
    }
    return decode(NULL, data, size, status);
}

int ks_jpeg_read_size(const char* path, int* width, int* height)
{
    FILE* file = open_picture(path);
    if (!file)
        return KS_JPEG_OPEN_FAILED;
    struct jpeg_decompress_struct cinfo;
    KsJpegTrap trap;
    cinfo.err = ks_jpeg_trap_init(&trap);
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&cinfo);
        fclose(file);
        return trap.status;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    *width = (int)cinfo.image_width;
    *height = (int)cinfo.image_height;
    jpeg_destroy_decompress(&cinfo);
    fclose(file);
    return KS_JPEG_OK;
}
