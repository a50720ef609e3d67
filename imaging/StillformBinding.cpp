#include "imaging/StillformBinding.h"

#include "imaging/SiblingMessages.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace imaging {

bool StillformBinding::bind()
{
    unbind();
    library_ = platform::Library(QStringLiteral("Stillform"));
    if (!library_) {
        showDecoderMessage(messages::kStillformMissing);
        return false;
    }
    decode_ = library_.function<decltype(&mkDCbmp)>("mkDCbmp");
    if (!decode_)
        library_.unload();
    return decode_ != nullptr;
}

void StillformBinding::unbind()
{
    decode_ = nullptr;
    library_.unload();
}

PackedDib StillformBinding::decode(const QByteArray& file) const
{
    if (!decode_ || file.isEmpty())
        return {};
    PackedDib output = PackedDib::allocate(STILLFORM_OUTPUT_SIZE);
    // The file goes over in a block of the C allocator: with a data size of 0 the library bounds its
    // reads by that block's size.
    std::unique_ptr<void, decltype(&std::free)> data(std::malloc(static_cast<std::size_t>(file.size())), &std::free);
    if (!output || !data)
        return {};
    std::memcpy(data.get(), file.constData(), static_cast<std::size_t>(file.size()));
    StillformRequest request{};
    request.data = data.get();
    request.output = output.get();
    request.dataSize = 0;
    request.headerSize = STILLFORM_HEADER_SIZE;
    if (decode_(&request) != STILLFORM_OK || !output.isValid())
        return {};
    return output;
}

}  // namespace imaging
