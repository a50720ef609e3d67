#include "imaging/ExifKitBinding.h"

#include "platform/MessageBox.h"

#include <QFile>

#include <cstring>

namespace imaging {
namespace {

void report(ExifKitBinding::Messages messages, const char* text)
{
    if (messages == ExifKitBinding::Messages::Program)
        showProgramMessage(text, platform::MbOk);
    else if (messages == ExifKitBinding::Messages::ThumbnailDecoder)
        showDecoderMessage(text);
}

// Looks an export up when it is required or optional; only a required one missing counts.
template <typename Function>
bool find(const platform::Library& library, const char* name, Function& function, bool required, bool optional)
{
    function = required || optional ? library.function<Function>(name) : nullptr;
    return !required || function != nullptr;
}

}  // namespace

ExifParams makeExifParams()
{
    ExifParams params;
    std::memset(&params, 0, sizeof params);
    params.size = sizeof params;
    return params;
}

bool ExifKitBinding::bind(unsigned exports, Messages messages, unsigned optional)
{
    unbind();
    library_ = platform::Library(QStringLiteral("ExifKit"));
    if (!library_) {
        report(messages, messages::kExifKitMissing);
        return false;
    }
    bool found = find(library_, "Exif_CheckFormat", checkFormat_, exports & CheckFormat, optional & CheckFormat);
    found = find(library_, "Exif_GetThumbnail", getThumbnail_, exports & GetThumbnail, optional & GetThumbnail) && found;
    found = find(library_, "Exif_GetPrimaryImage", getPrimaryImage_, exports & GetPrimaryImage, optional & GetPrimaryImage)
            && found;
    found = find(library_, "Exif_OutputFromDib", outputFromDib_, exports & OutputFromDib, optional & OutputFromDib) && found;
    found = find(library_, "Exif_SetOrientation", setOrientation_, exports & SetOrientation, optional & SetOrientation)
            && found;
    if (!found) {
        report(messages, messages::kExifKitExportMissing);
        unbind();
    }
    return found;
}

void ExifKitBinding::unbind()
{
    checkFormat_ = nullptr;
    getThumbnail_ = nullptr;
    getPrimaryImage_ = nullptr;
    outputFromDib_ = nullptr;
    setOrientation_ = nullptr;
    library_.unload();
}

int32_t ExifKitBinding::checkFormat(const QString& path) const
{
    return checkFormat_ ? checkFormat_(QFile::encodeName(path).constData()) : kExifKitUnavailable;
}

int32_t ExifKitBinding::getThumbnail(const QString& path, ExifParams& params) const
{
    return getThumbnail_ ? getThumbnail_(QFile::encodeName(path).constData(), &params, 0) : kExifKitUnavailable;
}

int32_t ExifKitBinding::getPrimaryImage(const QString& path, ExifParams& params) const
{
    return getPrimaryImage_ ? getPrimaryImage_(QFile::encodeName(path).constData(), &params, 0) : kExifKitUnavailable;
}

int32_t ExifKitBinding::outputFromDib(ExifParams& params, const QString& path, int32_t* written) const
{
    return outputFromDib_ ? outputFromDib_(&params, QFile::encodeName(path).constData(), written) : kExifKitUnavailable;
}

int32_t ExifKitBinding::setOrientation(const QString& path, int32_t direction, ExifParams& params) const
{
    return setOrientation_ ? setOrientation_(QFile::encodeName(path).constData(), direction, &params)
                           : kExifKitUnavailable;
}

}  // namespace imaging
