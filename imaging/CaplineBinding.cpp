#include "imaging/CaplineBinding.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace imaging {

bool CaplineBinding::bind()
{
    unbind();
    library_ = platform::Library(QStringLiteral("Capline"));
    decode_ = library_.function<decltype(&TitleDecoder)>("TitleDecrder");
    if (!decode_)
        decode_ = library_.function<decltype(&TitleDecoder)>("TitleDecoder");
    if (!decode_)
        library_.unload();
    return decode_ != nullptr;
}

void CaplineBinding::unbind()
{
    decode_ = nullptr;
    library_.unload();
}

PackedDib CaplineBinding::decode(const QByteArray& file, int* width, int* height) const
{
    if (!decode_ || file.isEmpty())
        return {};
    std::unique_ptr<void, decltype(&std::free)> block(std::malloc(static_cast<std::size_t>(file.size())), &std::free);
    if (!block)
        return {};
    std::memcpy(block.get(), file.constData(), static_cast<std::size_t>(file.size()));
    void* dib = nullptr;
    int32_t w = 0, h = 0;
    if (decode_(block.get(), &dib, &w, &h, kTitleDecoderFlags) != CAPLINE_OK) {
        std::free(dib);
        return {};
    }
    PackedDib picture = PackedDib::adopt(dib);
    if (!picture.isValid())
        return {};
    if (width)
        *width = w;
    if (height)
        *height = h;
    return picture;
}

}  // namespace imaging
