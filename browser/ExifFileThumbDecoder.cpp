#include "browser/ExifFileThumbDecoder.h"

#include "browser/RegularFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

imaging::PackedDib ExifFileThumbDecoder::cropToShape(imaging::PackedDib thumbnail, int shapeWidth, int shapeHeight)
{
    if (!thumbnail.isValid() || thumbnail.isCompressed() || shapeWidth <= 0 || shapeHeight <= 0)
        return thumbnail;
    const unsigned bits = thumbnail.bitCount();
    // Whole bytes per pixel only; the library hands out 24-bit colour and 8-bit grey thumbnails.
    if (bits < 8 || bits % 8 != 0)
        return thumbnail;
    const int width = thumbnail.width();
    const int height = thumbnail.height();
    const double shape = static_cast<double>(shapeWidth) / shapeHeight;
    int keptWidth = width;
    int keptHeight = height;
    if (static_cast<double>(width) / height > shape)
        keptWidth = std::clamp(static_cast<int>(std::lround(height * shape)), 1, width);
    else
        keptHeight = std::clamp(static_cast<int>(std::lround(width / shape)), 1, height);
    // A pixel either way is rounding, not a band.
    if (width - keptWidth <= kShapeTolerance && height - keptHeight <= kShapeTolerance)
        return thumbnail;
    imaging::PackedDib cropped = imaging::PackedDib::blank(keptWidth, keptHeight, bits);
    if (!cropped)
        return thumbnail;
    if (const std::uint32_t entries = thumbnail.colourEntries(); entries > 0) {
        cropped.header().clrUsed = std::min<std::uint32_t>(entries, cropped.colourEntries());
        std::memcpy(const_cast<std::uint8_t*>(cropped.colourTable()), thumbnail.colourTable(),
                    std::size_t{cropped.header().clrUsed} * 4);
    }
    const int left = (width - keptWidth) / 2;
    const int top = (height - keptHeight) / 2;
    const std::size_t pixelBytes = bits / 8;
    for (int y = 0; y < keptHeight; ++y) {
        std::memcpy(cropped.row(y), thumbnail.row(top + y) + static_cast<std::size_t>(left) * pixelBytes,
                    static_cast<std::size_t>(keptWidth) * pixelBytes);
    }
    return cropped;
}

bool ExifFileThumbDecoder::bind(bool quiet)
{
    using Binding = imaging::ExifKitBinding;
    return exif_.bind(Binding::CheckFormat | Binding::GetPrimaryImage | Binding::GetThumbnail,
                      quiet ? Binding::Messages::None : Binding::Messages::ThumbnailDecoder);
}

bool ExifFileThumbDecoder::identify(QFile&, const QString& path, const LoadRequest& request)
{
    const bool jpeg = endsWith(path, ".jpg");
    // ExifKit opens the path itself: it must still be the regular file the loader opened.
    if ((!jpeg && !endsWith(path, ".tif")) || !isRegularFile(path))
        return false;
    if (exif_.checkFormat(path) == EXIFKIT_NOT_EXIF)
        return false;
    kind_ = jpeg ? KindExifJpeg : KindExifTiff;
    useEmbedded_ = request.embeddedThumbnails != 0;
    return true;
}

int ExifFileThumbDecoder::decode(QFile&, const QString& path, DecodeResult& result)
{
    ExifParams params = imaging::makeExifParams();
    void* picture = nullptr;
    if (useEmbedded_ && exif_.getThumbnail(path, params) == EXIFKIT_OK) {
        picture = params.thumbnail;
        // A portrait shot keeps a landscape thumbnail with black bands: its shape does not match the
        // picture's, and fitted to the picture's box it would be cut. The primary picture serves then.
        imaging::PackedDib thumbnail = imaging::PackedDib::adopt(picture);
        const bool sameShape = thumbnail.isValid() &&
                               (thumbnail.height() > thumbnail.width()) == (params.height > params.width);
        // A 3:2 camera stores its 160 x 120 thumbnail with bands above and below the picture: cut to the
        // picture's own shape, the bands go and all of the picture stays.
        if (sameShape)
            thumbnail = cropToShape(std::move(thumbnail), params.width, params.height);
        picture = sameShape ? thumbnail.release() : nullptr;
    }
    if (!picture) {
        params = imaging::makeExifParams();
        if (exif_.getPrimaryImage(path, params) != EXIFKIT_OK) {
            std::free(params.image);
            return 1;
        }
        picture = params.image;
    }
    picture_ = imaging::PackedDib::adopt(picture);
    if (!picture_.isValid()) {
        picture_ = imaging::PackedDib();
        return 1;
    }
    exifSize_ = QSize(params.width, params.height);
    result.width = params.width;
    result.height = params.height;
    result.bitCount = static_cast<std::int32_t>(picture_.bitCount());
    result.kind = kind_;
    result.enlarge = 1;
    return 0;
}
