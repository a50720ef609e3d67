#include "print/FullPictureLoader.h"

#include "imaging/FitRect.h"

#include <QFile>

#include <cmath>

namespace print {

FullPictureLoader::FullPictureLoader(DecoderFactory factory) : factory_(std::move(factory)) {}

FullPictureLoader::~FullPictureLoader()
{
    for (auto& decoder : decoders_)
        decoder->unbind();
}

imaging::PackedDib FullPictureLoader::load(const QString& path)
{
    if (!made_) {
        made_ = true;
        if (factory_)
            decoders_ = factory_(/*quiet=*/true);
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    LoadRequest request;
    request.embeddedThumbnails = 0;  // the camera's small preview would print blurred
    ThumbDecoder* decoder = nullptr;
    for (auto& candidate : decoders_) {
        file.seek(0);
        if (candidate->identify(file, path, request)) {
            decoder = candidate.get();
            break;
        }
    }
    // The icon decoder only names a file's icon; the caller draws icons itself.
    if (!decoder || decoder->isIconFallback())
        return {};
    file.seek(0);
    DecodeResult result;
    imaging::PackedDib picture;
    if (decoder->decode(file, path, result) == 0 && result.width > 0 && result.height > 0) {
        int width = result.width;
        int height = result.height;
        const long long pixels = static_cast<long long>(width) * height;
        if (pixels > kMaxPrintPixels) {
            const double shrink = std::sqrt(static_cast<double>(kMaxPrintPixels) / static_cast<double>(pixels));
            width = std::max(1, static_cast<int>(width * shrink));
            height = std::max(1, static_cast<int>(height * shrink));
        }
        imaging::FitRectangle fitted;
        if (imaging::FitRect(result.width, result.height, width, height, false, fitted) == 0) {
            picture = imaging::PackedDib::blank(fitted.width(), fitted.height(), 24);
            if (picture && decoder->render(picture, width, height, result) != 0)
                picture.reset();
        }
    }
    decoder->release();
    return picture;
}

}  // namespace print
