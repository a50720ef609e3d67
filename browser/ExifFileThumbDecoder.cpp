#include "browser/ExifFileThumbDecoder.h"

bool ExifFileThumbDecoder::bind(bool quiet)
{
    using Binding = imaging::ExifKitBinding;
    return exif_.bind(Binding::CheckFormat | Binding::GetPrimaryImage | Binding::GetThumbnail,
                      quiet ? Binding::Messages::None : Binding::Messages::ThumbnailDecoder);
}

bool ExifFileThumbDecoder::identify(QFile&, const QString& path, const LoadRequest& request)
{
    const bool jpeg = endsWith(path, ".jpg");
    if (!jpeg && !endsWith(path, ".tif"))
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
