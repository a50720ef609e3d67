#pragma once
/* JPEG decoding into packed DIBs and encoding from them, on libjpeg-turbo's libjpeg API. libjpeg reports
 * fatal errors by a long jump; these functions catch every one of them inside and answer with a status,
 * so nothing ever jumps past them. They print nothing. */

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

enum KsJpegStatus {
    KS_JPEG_OK = 0,
    KS_JPEG_OPEN_FAILED = 1,  /* the file cannot be opened */
    KS_JPEG_BAD_DATA = 2,     /* not a JPEG, damaged, truncated, or a form libjpeg-turbo refuses */
    KS_JPEG_TOO_LARGE = 3,    /* the picture would exceed the DIB size limit */
    KS_JPEG_NO_MEMORY = 4,
    KS_JPEG_BAD_ARGUMENT = 5, /* bad DIB, quality or sampling */
};

/* Decodes with libjpeg-turbo's default settings (accurate integer DCT, fancy upsampling), so the pixels
 * equal those of `djpeg`. Colour pictures (YCbCr, RGB, CMYK, YCCK) give a 24-bit DIB, greyscale ones an
 * 8-bit DIB with a 256-step grey table. Resolution fields come from the JFIF density when it is in dots
 * per inch or per centimetre. Damage (premature end of data, corrupt entropy-coded data, more than
 * KS_JPEG_MAX_SCANS scans) makes the decode fail rather than return a partly grey picture. */
void* ks_jpeg_decode_file(const char* path, int* status);
void* ks_jpeg_decode_memory(const unsigned char* data, size_t size, int* status);

/* A progressive file with more scans than this is hostile, not a photograph. */
enum { KS_JPEG_MAX_SCANS = 500 };

/* Encodes a valid packed DIB as a baseline JFIF JPEG into a block from malloc (*out, *outSize; freed
 * with free()). quality 1..100; chroma420 1 = 4:2:0 sampling, 0 = 4:4:4; jfif 0 leaves out the JFIF
 * APP0 segment (an Exif file starts with its APP1 instead). A DIB whose colours are all
 * greys (8 bits or less) is written as a one-component greyscale JPEG. The JFIF density is taken from
 * the DIB's resolution fields when both are set. */
int ks_jpeg_encode(const void* dib, int quality, int chroma420, int jfif, unsigned char** out, size_t* outSize);

/* The width and height in the frame header of a JPEG file, without decoding. KS_JPEG_OK on success. */
int ks_jpeg_read_size(const char* path, int* width, int* height);

#ifdef __cplusplus
}
#endif
