#ifndef IMGPROBE_H
#define IMGPROBE_H
/*
 * ImgProbe: what kind of picture file is this, and what does its Exif data say. On Exiv2.
 *
 * Loaded by name ("ImgProbe" = libImgProbe.so) and bound by export name. Both exports read the file only;
 * they never change it, never print and never end the process. Of a JPEG they read only the marker
 * segments up to its frame header; a TIFF is read whole. A name that is no regular file (a FIFO, a
 * device) is not opened and counts as a file that cannot be read.
 */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define IMGPROBE_API __attribute__((visibility("default")))

/* Format codes written by _GetImageFormat. */
#define IMGPROBE_FORMAT_OTHER 0      /* not a picture file this library recognises */
#define IMGPROBE_FORMAT_BMP 1        /* starts with "BM" */
#define IMGPROBE_FORMAT_TIFF 2       /* TIFF without an Exif directory */
#define IMGPROBE_FORMAT_JFIF 6       /* JPEG with a JFIF APP0 segment and no Exif */
#define IMGPROBE_FORMAT_JPEG 7       /* JPEG with neither JFIF nor Exif */
#define IMGPROBE_FORMAT_EXIF1_JPEG 8 /* Exif JPEG whose ExifVersion is below 0200 or not recorded */
#define IMGPROBE_FORMAT_EXIF2_JPEG 9 /* Exif JPEG of version 0200 or later (Exif 3 included) */
#define IMGPROBE_FORMAT_EXIF2_TIFF 16
#define IMGPROBE_FORMAT_EXIF1_TIFF 17
/* A JPEG with both JFIF and Exif segments counts as Exif. The form is recognised by content, never by
 * the file name's extension. */

/* Statuses (16-bit) of both exports. */
#define IMGPROBE_OK 0
#define IMGPROBE_OPEN_FAILED 1  /* the file cannot be read */
#define IMGPROBE_NO_EXIF 2      /* _GetExifInfo: not a JPEG or TIFF with Exif data */
#define IMGPROBE_BAD_ARGUMENT 3 /* a null pointer */
#define IMGPROBE_NO_DATE 4      /* _GetExifInfo: Exif data read, but no shooting date recorded */

/*
 * Writes the format code of the file at `path` to *format (IMGPROBE_FORMAT_OTHER when the file cannot
 * be read). Returns IMGPROBE_OK, IMGPROBE_OPEN_FAILED, or IMGPROBE_BAD_ARGUMENT when either pointer is
 * null (nothing written).
 */
IMGPROBE_API uint16_t _GetImageFormat(const char* path, uint16_t* format);

/* The caller's block for _GetExifInfo: 1,620 bytes, every field at a fixed offset. */
#define IMGPROBE_EXIF_INFO_SIZE 1620
typedef struct ImgProbeExifInfo {
    int32_t width;           /* 0: Exif pixel dimensions when recorded, else the picture's own size */
    int32_t height;          /* 4 */
    uint16_t orientation;    /* 8: Exif orientation 1..8, 0 when not recorded */
    uint16_t format;         /* 10: the _GetImageFormat code */
    char exifVersion[4];     /* 12: ExifVersion as recorded ("0220"), zeros when not recorded */
    char reserved1[32];      /* 16 */
    char dateTime[20];       /* 48: shooting date "YYYY:MM:DD HH:MM:SS" and a NUL; numbers at character
                                    offsets 0, 5, 8, 11, 14 and 17 */
    char make[64];           /* 68: Exif Make, NUL-terminated (cut to fit) */
    char model[64];          /* 132: Exif Model, NUL-terminated (cut to fit) */
    char reserved2[1424];    /* 196 */
} ImgProbeExifInfo;

/*
 * Fills the block at `info` (at least IMGPROBE_EXIF_INFO_SIZE bytes; cleared first) from the Exif data
 * of the JPEG or TIFF file at `path`. The shooting date is DateTimeOriginal when it holds a date, else
 * DateTime; a value of blanks and colons (written by cameras whose clock was never set) is no date.
 * Returns IMGPROBE_OK with the date in dateTime; IMGPROBE_NO_DATE with every other field filled and
 * dateTime empty; IMGPROBE_NO_EXIF, IMGPROBE_OPEN_FAILED or IMGPROBE_BAD_ARGUMENT otherwise.
 */
IMGPROBE_API uint16_t _GetExifInfo(const char* path, void* info);

#ifdef __cplusplus
}
#endif

#endif /* IMGPROBE_H */
