#pragma once
// Exif facts of JPEG and TIFF files, read with Exiv2, plus the few JPEG marker facts Exiv2 does not
// report (a JFIF APP0 segment). Every Exiv2 exception is caught here; Exiv2's own log is muted so that
// the libraries never print.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ks {

enum class FileForm { Unknown, Jpeg, Tiff, Bmp };

// The form by the first bytes: FF D8 FF is JPEG, "II*\0" or "MM\0*" TIFF, "BM" BMP.
FileForm sniffForm(const unsigned char* data, std::size_t size);

// The APPn segments of a JPEG up to its first scan: whether an APP0 "JFIF" and an APP1 "Exif" are there.
struct JpegSegments {
    bool jfif = false;
    bool exif = false;
};
JpegSegments scanJpegSegments(const unsigned char* data, std::size_t size);

struct ExifFacts {
    FileForm form = FileForm::Unknown;
    bool exif = false;          // JPEG: Exif data read from its APP1; TIFF: an Exif directory is linked
    int exifMajor = -1;         // from ExifVersion ("0220" gives 2); -1 when not recorded
    char exifVersion[4] = {};   // the four characters of ExifVersion, zeros when not recorded
    int32_t realWidth = 0;      // the picture's own size (JPEG frame header, TIFF first directory)
    int32_t realHeight = 0;
    int32_t pixelXDimension = 0;  // Exif pixel dimensions, 0 when not recorded
    int32_t pixelYDimension = 0;
    int orientation = 0;        // 1..8, 0 when not recorded or out of range
    std::string dateTimeOriginal;
    std::string dateTime;
    std::string make;
    std::string model;

    // The Exif pixel dimensions when both are recorded, else the real size.
    int32_t reportedWidth() const { return pixelXDimension > 0 && pixelYDimension > 0 ? pixelXDimension : realWidth; }
    int32_t reportedHeight() const { return pixelXDimension > 0 && pixelYDimension > 0 ? pixelYDimension : realHeight; }
};

// Reads the facts from a whole file in memory. False when Exiv2 cannot read it as a JPEG or TIFF at all.
bool readExifFacts(const unsigned char* data, std::size_t size, ExifFacts& facts);

// A date text "YYYY:MM:DD HH:MM:SS": 19 characters with digits at the number positions. Cameras with an
// unset clock write blanks instead; those are not dates.
bool isExifDate(const std::string& text);

// The shooting date: DateTimeOriginal when it is a date, else DateTime when that is one, else empty.
std::string shootingDate(const ExifFacts& facts);

// The embedded thumbnail as Exiv2 hands it out: a JPEG stream, or a small TIFF for an uncompressed one.
struct EmbeddedThumbnail {
    std::vector<unsigned char> data;
    bool jpeg = false;
};
bool readEmbeddedThumbnail(const unsigned char* data, std::size_t size, EmbeddedThumbnail& thumbnail);

// The orientation tag value after turning the displayed picture clockwise by quarterTurns x 90 degrees.
// An unknown current value counts as 1 (as stored).
int composeOrientation(int current, int quarterTurns);

// Sets Exif.Image.Orientation in the file image `data` and gives back the rewritten file image; only the
// metadata change, the compressed picture data are copied unchanged. False when it is not an Exif file.
bool rewriteOrientation(const std::vector<unsigned char>& data, int orientation, std::vector<unsigned char>& out);

// Wraps a JPEG stream (written without JFIF) into an Exif 2.2 file: version 0220, pixel dimensions,
// DateTime = `date`, DateTimeOriginal and DateTimeDigitized = `shotDate`, and `thumbnailJpeg` as the
// IFD1 JPEG thumbnail.
bool buildExifJpeg(const std::vector<unsigned char>& jpeg, int32_t width, int32_t height, const std::string& date,
                   const std::string& shotDate, const std::vector<unsigned char>& thumbnailJpeg,
                   std::vector<unsigned char>& out);

// The whole Exif JPEG file image of a valid DIB: picture at `quality` with 4:2:0 sampling and a 160 x 120
// thumbnail, dates as for buildExifJpeg.
bool encodeExifJpeg(const void* dib, int quality, const std::string& date, const std::string& shotDate,
                    std::vector<unsigned char>& out);

// The local time now as an Exif date text.
std::string exifDateNow();

}  // namespace ks
