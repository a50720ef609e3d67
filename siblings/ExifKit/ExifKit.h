#ifndef EXIFKIT_H
#define EXIFKIT_H
/*
 * ExifKit: Exif JPEG and Exif TIFF files. Checks them, decodes their embedded thumbnail or their main
 * picture, writes new Exif JPEG files from pictures and turns a file by its orientation tag. On Exiv2
 * (metadata), libjpeg-turbo (JPEG) and libtiff (TIFF and uncompressed thumbnails).
 *
 * Pictures come out upright: the thumbnail and the primary picture are turned and mirrored as the
 * file's orientation tag says (the tag of the main picture, for both), and the sizes in the parameter
 * block are those of the upright picture.
 *
 * Loaded by name ("ExifKit" = libExifKit.so) and bound by export name. Pictures cross the boundary as
 * packed DIBs: one block from the C allocator holding a 40-byte BITMAPINFOHEADER, the colour table, then
 * the pixel rows bottom line first, each padded to a multiple of 4 bytes. Blocks this library puts into
 * the parameter block belong to the caller, who frees them with free().
 *
 * The library never prints, never ends the process and lets no library error escape its exports.
 */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define EXIFKIT_API __attribute__((visibility("default")))

/* The parameter block of every export but Exif_CheckFormat. The caller sets size to sizeof(ExifParams)
 * and everything else to zero before each call; a block of another size is refused. */
typedef struct ExifParams {
    uint32_t size;
    void* image;          /* primary picture: out of Exif_GetPrimaryImage, in of Exif_OutputFromDib */
    void* thumbnail;      /* out of Exif_GetThumbnail */
    uint16_t orientation; /* out: the file's Exif orientation 1..8, 0 when not recorded */
    char exifVersion[4];  /* out: ExifVersion as recorded ("0220"), zeros when not recorded */
    char dateTime[20];    /* out: shooting date "YYYY:MM:DD HH:MM:SS" + NUL (DateTimeOriginal, else
                             DateTime), empty when none is recorded */
    uint8_t reserved1[8];
    int32_t width;        /* out: the upright primary picture's width: the Exif pixel dimensions when
                             both are recorded, else the picture's own size; exchanged with the height
                             when the orientation turns the picture by a quarter */
    int32_t height;       /* out: its height, the same way */
    uint8_t reserved2[64];
} ExifParams;

/* Results. Exif_CheckFormat answers EXIFKIT_EXIF_JPEG, EXIFKIT_EXIF_TIFF or EXIFKIT_NOT_EXIF; the others
 * answer EXIFKIT_OK or one of the errors. */
#define EXIFKIT_OK 0
#define EXIFKIT_EXIF_JPEG 0
#define EXIFKIT_EXIF_TIFF 1
#define EXIFKIT_NOT_EXIF 2       /* not a JPEG with an Exif APP1 segment nor a TIFF with an Exif directory */
#define EXIFKIT_BAD_ARGUMENT 3   /* null pointer, wrong size field, unknown direction, invalid DIB */
#define EXIFKIT_OPEN_FAILED 4    /* the file cannot be read, or the name is no regular file */
#define EXIFKIT_NO_THUMBNAIL 5   /* the Exif data hold no thumbnail */
#define EXIFKIT_DECODE_FAILED 6  /* the picture or thumbnail data are damaged or of an unknown form */
#define EXIFKIT_WRITE_FAILED 7   /* the file could not be written; the destination is untouched */

/* Exif_SetOrientation's directions: clockwise turns of the picture as displayed. */
#define EXIFKIT_TURN_270 0
#define EXIFKIT_TURN_180 1
#define EXIFKIT_TURN_90 2

/* Exif_CheckFormat and Exif_GetThumbnail read only the file's metadata: of a JPEG its marker segments
 * up to the frame header (the Exif segment whole, the others by their lengths), plus a thumbnail that
 * IFD1 places past the Exif segment; a TIFF is read whole. */

/* Whether the file at `path` is a JPEG whose Exif APP1 segment can be read, or a TIFF whose first
 * directory links an Exif directory. The content decides, never the name. */
EXIFKIT_API int32_t Exif_CheckFormat(const char* path);

/* Decodes the thumbnail embedded in the Exif data (IFD1): a JPEG thumbnail (24 bits, or 8 bits grey) or
 * an uncompressed RGB or YCbCr one (24 bits) into params->thumbnail, and fills the out fields. `flags` is
 * reserved; pass 0. */
EXIFKIT_API int32_t Exif_GetThumbnail(const char* path, ExifParams* params, int32_t flags);

/* Decodes the main picture into params->image, upright: a JPEG as QuilJpeg's JpegDecoder does (pixels
 * equal to djpeg's, then turned by the orientation tag), a TIFF's first directory through libtiff as
 * 24 bits, turned the same way. Works on JPEG and TIFF files
 * with or without Exif. Fills the out fields. `flags` is reserved; pass 0. */
EXIFKIT_API int32_t Exif_GetPrimaryImage(const char* path, ExifParams* params, int32_t flags);

/*
 * Writes params->image (any valid uncompressed DIB; it stays the caller's) as an Exif 2.2 JPEG file at
 * `path`, replacing a file of that name: baseline, quality 90, 4:2:0 sampling, no JFIF segment; Exif
 * version 0220, PixelXDimension and PixelYDimension of the picture, the current local time as DateTime,
 * DateTimeOriginal and DateTimeDigitized, orientation 1, and a 160 x 120 JPEG thumbnail in IFD1 (the
 * picture fitted and centred on black). The file appears complete or not at all. `written` (may be null;
 * the program passes a variable holding 0) receives the file's size in bytes.
 */
EXIFKIT_API int32_t Exif_OutputFromDib(ExifParams* params, const char* path, int32_t* written);

/*
 * Turns the picture of the Exif file at `path` by changing its orientation tag: the new tag shows the
 * picture as it showed before, turned clockwise by `direction` (EXIFKIT_TURN_270, _180 or _90). The
 * compressed picture data stay byte for byte as they were; only the metadata are rewritten. The new file
 * is written under a temporary name beside the original and renamed over it, so a failure leaves the
 * original untouched. A file without an orientation tag counts as orientation 1.
 */
EXIFKIT_API int32_t Exif_SetOrientation(const char* path, int32_t direction, ExifParams* params);

#ifdef __cplusplus
}
#endif

#endif /* EXIFKIT_H */
