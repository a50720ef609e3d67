#pragma once
// The front of a picture file, read only as far as its metadata reach: the Exif facts and the embedded
// thumbnail never need the compressed picture, so a browser that asks for them should not read it.
//
// A JPEG is read marker segment by marker segment up to its first scan. The first Exif APP1 segment
// and the frame header are kept; every other segment is stepped over by its length without reading it.
// What is kept is put together again as a small JPEG image of its own (start of image, the Exif
// segment, the frame header, end of image), which Exiv2 reads as it would the whole file.
//
// A TIFF's directories may sit anywhere in the file, so its image keeps the file's size and layout but
// is sparse: memory that reads as zeros, into which only the directories are read (the header, every
// directory of the main chain and the Exif, GPS, interoperability and sub-image directories they link,
// each with the values stored outside it) and the first thumbnail's data. The picture's strips or tiles
// are never read.

#include "ExifMeta.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ks {

// A file-sized block of zeros that costs memory only where something is written into it.
class SparseImage {
public:
    SparseImage() = default;
    ~SparseImage();
    SparseImage(const SparseImage&) = delete;
    SparseImage& operator=(const SparseImage&) = delete;

    bool allocate(std::size_t size);
    unsigned char* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
};

struct PictureHead {
    FileForm form = FileForm::Unknown;
    // What the metadata readers take: the compact JPEG image, the sparse TIFF image, or for any other
    // form its first bytes (the form is all there is to know).
    std::vector<unsigned char> image;
    SparseImage tiff;
    const unsigned char* data() const { return form == FileForm::Tiff ? tiff.data() : image.data(); }
    std::size_t size() const { return form == FileForm::Tiff ? tiff.size() : image.size(); }

    bool jfif = false;       // a JPEG with an APP0 "JFIF" segment before its first scan
    bool exifSegment = false;  // a JPEG with an APP1 "Exif" segment before its first scan
    std::vector<unsigned char> exifPayload;  // that segment's payload, "Exif\0\0" included
    uint64_t exifPayloadAt = 0;  // the payload's position in the file
    uint64_t fileSize = 0;
};

enum class HeadStatus { Ok, OpenFailed, TooLarge };

// Reads the head of the regular file at `path` (nothing else is opened) into a freshly made `head`. maxTiffBytes bounds the size of
// a TIFF file (its sparse image is that large).
HeadStatus readPictureHead(const std::string& path, std::size_t maxTiffBytes, PictureHead& head);

// The JPEG thumbnail an Exif JPEG's IFD1 points at, taken from the file where its bytes lie past the end
// of the Exif segment (some cameras write it so; a reader of the segment alone finds none). Reads just
// those bytes. False when IFD1 names no such thumbnail, it does not lie wholly inside the file, or its
// bytes do not begin like a JPEG.
bool readThumbnailPastSegment(const std::string& path, const PictureHead& head, std::vector<unsigned char>& thumbnail);

}  // namespace ks
