#ifndef IMGSHIFT_H
#define IMGSHIFT_H
/*
 * ImgShift: converts picture files between forms: BMP, JPEG, TIFF, DV stills (".dvf", through the DV
 * decoder Vistra32) and title files (".ttl", through Capline) into a 24-bit BMP, an Exif JPEG or a JFIF
 * JPEG. On libjpeg-turbo, libtiff and Exiv2; Vistra32 and Capline are loaded from this library's own
 * folder at the moment of use.
 *
 * Loaded by name ("ImgShift" = libImgShift.so) and bound by export name. Nothing is printed.
 */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define IMGSHIFT_API __attribute__((visibility("default")))

/* The crop margins of DV pictures, in pixels of the decoded picture. Passed by value (16 bytes). */
typedef struct ImgShiftRect {
    int32_t left, top, right, bottom;
} ImgShiftRect;

/*
 * Keeps the DV picture options for the conversions that follow (process-wide, until the next call):
 *  - attributeA: the DV file's picture shape: 1 a 4:3 picture, 2 a 16:9 picture from a letterboxed
 *    frame, 3 a 16:9 picture from the whole frame, any other value the picture as decoded;
 *  - attributesBC: b x 256 + c, b the de-interlacing choice and c the field order (2 or 0):
 *    b 0 rebuilds where the lines comb, the even lines when c is 2, the odd ones when c is 0; b 1 and 2
 *    rebuild the even or odd lines where they comb; b 3 interpolates every even line when c is 2, every
 *    odd line when c is 0; b 4 and 5 interpolate every even or odd line; other values do nothing;
 *  - crop: lines and columns dropped at each edge of the DV picture.
 * Without any call the values are 1, 0 and the rectangle (5, 0, 5, 0).
 */
IMGSHIFT_API void SetDvFilter(int32_t attributeA, int32_t attributesBC, ImgShiftRect crop);

/* _ImageConvert's modes. */
#define IMGSHIFT_MODE_BMP 0  /* 24-bit bottom-up BMP, ".bmp" */
#define IMGSHIFT_MODE_EXIF 1 /* Exif 2.2 JPEG (quality 90, 4:2:0, 160 x 120 thumbnail), ".jpg" */
#define IMGSHIFT_MODE_JFIF 2 /* JFIF JPEG (quality 90, 4:2:0), ".jpg" */

/* _ImageConvert's statuses (16-bit). */
#define IMGSHIFT_OK 0
#define IMGSHIFT_ALREADY 8 /* the source is already in the target form: a 24-bit bottom-up BMP for mode 0,
                              an Exif JPEG for mode 1, a JPEG without Exif for mode 2; nothing written */
#define IMGSHIFT_FAILED 10 /* bad argument or mode, unknown source extension, unreadable or damaged
                              source, missing Vistra32 or Capline, or the output could not be written */

#define IMGSHIFT_PATH_SIZE 260 /* the output buffer's size in characters, NUL included */

/*
 * Converts the file at `source`, chosen by its last four characters (any case): ".bmp", ".jpg", ".tif",
 * ".dvf" or ".ttl". The output goes to the path already in `output` when the caller put one there (a
 * non-empty string), else beside the source with the last four characters replaced by ".bmp" or ".jpg".
 * An existing file is never overwritten: when the name is taken, its last four characters are replaced
 * by "(1)" and the extension, then "(2)", ... until a new name works. On IMGSHIFT_OK `output` receives
 * the path written (NUL-terminated; a path that does not fit 260 characters is not written at all).
 * A JPEG made from an Exif source keeps the source's shooting date as DateTimeOriginal; otherwise it is
 * the time of the conversion.
 */
IMGSHIFT_API uint16_t _ImageConvert(const char* source, char* output, int32_t mode);

#ifdef __cplusplus
}
#endif

#endif /* IMGSHIFT_H */
