// ExifKit's exports. The check and the thumbnail read only a file's metadata (see PictureHead.h); the
// exports that decode or rewrite the picture read the file whole into memory once, Exiv2 parses the
// metadata from there and the JPEG or TIFF decoder takes the same bytes, so each sees one consistent
// file image.

#include "ExifKit.h"

#include "DibOrient.h"
#include "ExifMeta.h"
#include "FileUtil.h"
#include "PictureHead.h"
#include "TiffRead.h"
#include "dib.h"
#include "jpeg_io.h"
#include "trace.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

static_assert(offsetof(ExifParams, width) + 8 + sizeof(ExifParams::reserved2) <= sizeof(ExifParams));

namespace {

// Larger files are not camera pictures; refusing them keeps a hostile file from exhausting memory.
constexpr std::size_t kMaxFileBytes = std::size_t{1} << 30;
constexpr int kPictureQuality = 90;

bool validParams(const ExifParams* params)
{
    return params && params->size == sizeof(ExifParams);
}

void fillOutFields(ExifParams* params, const ks::ExifFacts& facts, int32_t realWidth, int32_t realHeight)
{
    params->orientation = static_cast<uint16_t>(facts.orientation);
    std::memcpy(params->exifVersion, facts.exifVersion, sizeof params->exifVersion);
    std::memset(params->dateTime, 0, sizeof params->dateTime);
    const std::string date = ks::shootingDate(facts);
    std::memcpy(params->dateTime, date.data(), date.size() < 19 ? date.size() : 19);
    const bool recorded = facts.pixelXDimension > 0 && facts.pixelYDimension > 0;
    int32_t width = recorded ? facts.pixelXDimension : (realWidth ? realWidth : facts.realWidth);
    int32_t height = recorded ? facts.pixelYDimension : (realHeight ? realHeight : facts.realHeight);
    // The sizes describe the picture as handed out: upright.
    if (ks::orientationSwapsSides(facts.orientation))
        std::swap(width, height);
    params->width = width;
    params->height = height;
}

// The picture as the camera meant it to be seen. A picture that cannot be turned (memory short) is
// handed out as stored rather than not at all.
void* upright(void* dib, int orientation)
{
    void* turned = ks::orientDib(dib, orientation);
    if (!turned)
        return dib;
    std::free(dib);
    return turned;
}

void* decodeJpeg(const std::vector<unsigned char>& data)
{
    return ks_jpeg_decode_memory(data.data(), data.size(), nullptr);
}

}  // namespace

extern "C" EXIFKIT_API int32_t Exif_CheckFormat(const char* path)
{
    ks::PictureHead head;
    if (!path || ks::readPictureHead(path, kMaxFileBytes, head) != ks::HeadStatus::Ok)
        return EXIFKIT_NOT_EXIF;
    ks::ExifFacts facts;
    if (!ks::readExifFacts(head.data(), head.size(), facts) || !facts.exif)
        return EXIFKIT_NOT_EXIF;
    return facts.form == ks::FileForm::Tiff ? EXIFKIT_EXIF_TIFF : EXIFKIT_EXIF_JPEG;
}

extern "C" EXIFKIT_API int32_t Exif_GetThumbnail(const char* path, ExifParams* params, int32_t)
{
    if (!path || !validParams(params))
        return EXIFKIT_BAD_ARGUMENT;
    // Only the metadata are read (for a JPEG, its segments up to the frame header); the thumbnail lies
    // among them, or is read on its own where a camera put it past the Exif segment.
    ks::PictureHead head;
    if (ks::readPictureHead(path, kMaxFileBytes, head) != ks::HeadStatus::Ok)
        return EXIFKIT_OPEN_FAILED;
    ks::ExifFacts facts;
    if (!ks::readExifFacts(head.data(), head.size(), facts) || !facts.exif)
        return EXIFKIT_NOT_EXIF;
    ks::EmbeddedThumbnail embedded;
    if (!ks::readEmbeddedThumbnail(head.data(), head.size(), embedded)) {
        if (!ks::readThumbnailPastSegment(path, head, embedded.data))
            return EXIFKIT_NO_THUMBNAIL;
        embedded.jpeg = true;
    }
    void* dib = embedded.jpeg ? decodeJpeg(embedded.data)
                              : ks::readTiffMemory(embedded.data.data(), embedded.data.size(), /*asStored=*/true);
    if (!dib) {
        ks_trace("Exif_GetThumbnail: %s: thumbnail cannot be decoded", path);
        return EXIFKIT_DECODE_FAILED;
    }
    // Cameras make the thumbnail from the stored pixels, so the main picture's tag applies to it too.
    params->thumbnail = upright(dib, facts.orientation);
    fillOutFields(params, facts, 0, 0);
    return EXIFKIT_OK;
}

extern "C" EXIFKIT_API int32_t Exif_GetPrimaryImage(const char* path, ExifParams* params, int32_t)
{
    if (!path || !validParams(params))
        return EXIFKIT_BAD_ARGUMENT;
    std::vector<unsigned char> data;
    if (!ks::readWholeFile(path, data, kMaxFileBytes))
        return EXIFKIT_OPEN_FAILED;
    const ks::FileForm form = ks::sniffForm(data.data(), data.size());
    if (form != ks::FileForm::Jpeg && form != ks::FileForm::Tiff)
        return EXIFKIT_NOT_EXIF;
    ks::ExifFacts facts;
    ks::readExifFacts(data.data(), data.size(), facts);  // a picture without readable metadata still decodes
    void* dib = form == ks::FileForm::Jpeg ? decodeJpeg(data)
                                           : ks::readTiffMemory(data.data(), data.size(), /*asStored=*/true);
    if (!dib)
        return EXIFKIT_DECODE_FAILED;
    KsDibHeader header;
    ks_dib_read_header(dib, &header);
    // The stored size: fillOutFields turns it with the recorded one.
    fillOutFields(params, facts, header.biWidth, header.biHeight < 0 ? -header.biHeight : header.biHeight);
    params->image = upright(dib, facts.orientation);
    return EXIFKIT_OK;
}

extern "C" EXIFKIT_API int32_t Exif_OutputFromDib(ExifParams* params, const char* path, int32_t* written)
{
    KsDibHeader header;
    if (!path || !*path || !validParams(params) || !ks_dib_read_header(params->image, &header)
        || !ks_dib_total_bytes(&header))
        return EXIFKIT_BAD_ARGUMENT;
    std::vector<unsigned char> file;
    const std::string now = ks::exifDateNow();
    if (!ks::encodeExifJpeg(params->image, kPictureQuality, now, now, file))
        return EXIFKIT_WRITE_FAILED;
    if (!ks::replaceFile(path, file.data(), file.size()))
        return EXIFKIT_WRITE_FAILED;
    if (written)
        *written = file.size() > INT32_MAX ? INT32_MAX : static_cast<int32_t>(file.size());
    return EXIFKIT_OK;
}

extern "C" EXIFKIT_API int32_t Exif_SetOrientation(const char* path, int32_t direction, ExifParams* params)
{
    // Clockwise quarter turns of each direction code.
    static constexpr int kQuarterTurns[] = {3, 2, 1};
    if (!path || !validParams(params) || direction < EXIFKIT_TURN_270 || direction > EXIFKIT_TURN_90)
        return EXIFKIT_BAD_ARGUMENT;
    std::vector<unsigned char> data;
    if (!ks::readWholeFile(path, data, kMaxFileBytes))
        return EXIFKIT_OPEN_FAILED;
    ks::ExifFacts facts;
    if (!ks::readExifFacts(data.data(), data.size(), facts) || !facts.exif)
        return EXIFKIT_NOT_EXIF;
    const int orientation = ks::composeOrientation(facts.orientation, kQuarterTurns[direction]);
    std::vector<unsigned char> rewritten;
    if (!ks::rewriteOrientation(data, orientation, rewritten) || !ks::replaceFile(path, rewritten.data(), rewritten.size()))
        return EXIFKIT_WRITE_FAILED;
    params->orientation = static_cast<uint16_t>(orientation);
    return EXIFKIT_OK;
}
