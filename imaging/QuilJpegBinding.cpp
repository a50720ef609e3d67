#include "imaging/QuilJpegBinding.h"

#include "imaging/SiblingMessages.h"

#include "platform/MessageBox.h"

#include <QFile>

namespace imaging {
namespace {

const QString kLibrary = QStringLiteral("QuilJpeg");

// Loads QuilJpeg and finds `name`, with the program's messages; null when either is missing.
void* bindForProgram(platform::Library& library, const char* name)
{
    library = platform::Library(kLibrary);
    if (!library) {
        showProgramMessage(messages::kQuilJpegMissing, platform::MbOk | platform::MbIconExclamation);
        return nullptr;
    }
    void* function = library.symbol(name);
    if (!function)
        showProgramMessage(messages::kQuilJpegExportMissing, platform::MbOk | platform::MbTaskModal);
    return function;
}

PackedDib callDecoder(decltype(&JpegDecoder) decoder, const QString& path, int* width, int* height)
{
    int32_t w = 0, h = 0;
    PackedDib dib = PackedDib::adopt(decoder(QFile::encodeName(path).constData(), &w, &h));
    if (!dib.isValid())
        return {};
    if (width)
        *width = w;
    if (height)
        *height = h;
    return dib;
}

}  // namespace

PackedDib decodeJpegFile(const QString& path, int* width, int* height)
{
    platform::Library library;
    auto decoder = reinterpret_cast<decltype(&JpegDecoder)>(bindForProgram(library, "JpegDecoder"));
    return decoder ? callDecoder(decoder, path, width, height) : PackedDib();
}

bool encodeJpegFile(const QString& path, const PackedDib& dib, uint16_t quality, uint16_t sampling)
{
    platform::Library library;
    auto coder = reinterpret_cast<decltype(&JpegCoder)>(bindForProgram(library, "JpegCoder"));
    if (!coder)
        return false;
    // The library works on a copy, so that nothing it does can touch the caller's picture.
    PackedDib copy = dib.copy();
    return copy && coder(QFile::encodeName(path).constData(), copy.get(), quality, sampling) == QUILJPEG_OK;
}

bool JpegDecoderBinding::bind()
{
    unbind();
    library_ = platform::Library(kLibrary);
    if (!library_) {
        showDecoderMessage(messages::kQuilJpegMissingThumbnail);
        return false;
    }
    decoder_ = library_.function<decltype(&JpegDecoder)>("JpegDecoder");
    if (!decoder_)
        library_.unload();
    return decoder_ != nullptr;
}

void JpegDecoderBinding::unbind()
{
    decoder_ = nullptr;
    library_.unload();
}

PackedDib JpegDecoderBinding::decode(const QString& path, int* width, int* height) const
{
    return decoder_ ? callDecoder(decoder_, path, width, height) : PackedDib();
}

}  // namespace imaging
