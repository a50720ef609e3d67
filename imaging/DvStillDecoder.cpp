#include "imaging/DvStillDecoder.h"

#include "platform/MessageBox.h"

#include <QFile>

#include <cstring>
#include <mutex>

namespace imaging {
namespace {

// The request bit every DV decode carries, and the 24-bit pixel form at full scale.
constexpr uint32_t kRequestBit = 0x4000000;
constexpr uint32_t kBaseFlags = kRequestBit | DVCDEC_FORM_RGB24;
constexpr uint32_t kNoSettingsFlags = kBaseFlags | DVCDEC_SHAPE_4_3 | DVCDEC_SCALE_1;  // 0x4000121
constexpr qint64 kFrameLengthOffset = 12;

std::mutex decoderLock;

uint32_t trim(int low, int high)
{
    return DVCDEC_TRIM(low, high);
}

}  // namespace

uint32_t dvDecodeFlags(const DvStillOptions& options)
{
    if (!options.given)
        return kNoSettingsFlags;
    uint32_t flags = kBaseFlags;
    switch (options.a) {
    case 1: flags |= DVCDEC_SHAPE_4_3; break;
    case 2: flags |= DVCDEC_SHAPE_LETTERBOX; break;
    case 3: flags |= DVCDEC_SHAPE_16_9; break;
    default: flags |= DVCDEC_SHAPE_NATIVE; break;
    }
    switch (options.b) {
    case 0:
        flags += options.c == 2 ? DVCDEC_DEINTERLACE_EVEN : options.c == 0 ? DVCDEC_DEINTERLACE_ODD : 0;
        break;
    case 1: flags += DVCDEC_DEINTERLACE_EVEN; break;
    case 2: flags += DVCDEC_DEINTERLACE_ODD; break;
    case 3:
        flags += options.c == 2 ? DVCDEC_DEINTERLACE_EVEN_ALWAYS : options.c == 0 ? DVCDEC_DEINTERLACE_ODD_ALWAYS : 0;
        break;
    case 4: flags += DVCDEC_DEINTERLACE_EVEN_ALWAYS; break;
    case 5: flags += DVCDEC_DEINTERLACE_ODD_ALWAYS; break;
    default: break;
    }
    return flags;
}

uint32_t dvVerticalTrim(const DvStillOptions& options)
{
    return options.given ? trim(options.cropTop, options.cropBottom) : 0;
}

uint32_t dvHorizontalTrim(const DvStillOptions& options)
{
    return options.given ? trim(options.cropLeft, options.cropRight) : 0;
}

bool DvDecoderBinding::bind(BindingUse use)
{
    unbind();
    library_ = platform::Library(QStringLiteral("Vistra32"));
    if (!library_) {
        if (use == BindingUse::Program)
            showProgramMessage(messages::kVistra32Missing, platform::MbOk | platform::MbIconExclamation);
        else
            showDecoderMessage(messages::kVistra32MissingThumbnail);
        return false;
    }
    decode_ = library_.function<decltype(&dvcdec)>("dvcdec");
    if (!decode_)
        library_.unload();
    return decode_ != nullptr;
}

void DvDecoderBinding::unbind()
{
    decode_ = nullptr;
    library_.unload();
}

uint32_t DvDecoderBinding::decode(const DvDecodeRequest& request) const
{
    if (!decode_)
        return DVCDEC_REFUSED;
    std::lock_guard guard(decoderLock);
    return decode_(&request);
}

namespace {
// A thread's work area for the DV decoder and the mode whose tables it holds.
struct KeptWorkArea {
    PackedDib block;
    std::uint32_t mode = 0;
    const void* library = nullptr;
    bool valid = false;
};
}  // namespace

PackedDib decodeDvStill(QIODevice& file, const DvStillOptions& options, const DvDecoderBinding* kept)
{
    unsigned char header[DVCDEC_HEADER_SIZE];
    if (!file.seek(0) || file.read(reinterpret_cast<char*>(header), sizeof header) != sizeof header)
        return {};
    const qint64 frameLength = static_cast<qint64>(header[kFrameLengthOffset]) << 24 | header[kFrameLengthOffset + 1] << 16
                               | header[kFrameLengthOffset + 2] << 8 | header[kFrameLengthOffset + 3];
    // The frame is read from the file's start; a length the file cannot hold is a damaged header, and
    // believing it would allocate whatever the header claims.
    if (frameLength < static_cast<qint64>(DVCDEC_HEADER_SIZE) || frameLength > file.size())
        return {};

    DvDecoderBinding own;
    const DvDecoderBinding* binding = kept;
    if (!binding) {
        if (!own.bind(BindingUse::Program))
            return {};
        binding = &own;
    }
    PackedDib output = PackedDib::allocate(DVCDEC_OUTPUT_SIZE);
    PackedDib input = PackedDib::allocate(static_cast<std::size_t>(frameLength));
    // The decoder's tables stay valid in its work area between calls of the same mode: each thread keeps
    // its area, so a folder of stills pays the set-up once (it costs more than an eighth-size decode).
    thread_local KeptWorkArea area;
    if (!area.block)
        area.block = PackedDib::allocate(DVCDEC_WORK_AREA_SIZE);
    if (!output || !input || !area.block) {
        showNumberedMessage(strings::kOutOfMemory, platform::MbOk | platform::MbIconExclamation);
        return {};
    }
    if (!file.seek(0) || file.read(static_cast<char*>(input.get()), frameLength) != frameLength)
        return {};
    auto* work = static_cast<unsigned char*>(area.block.get());
    const DvDecodeRequest request{static_cast<const unsigned char*>(input.get()), static_cast<unsigned char*>(output.get()),
                                  work, dvDecodeFlags(options), dvVerticalTrim(options), dvHorizontalTrim(options)};
    // Tables from another mode, or from a call that failed half-way, must be built anew.
    if (!area.valid || area.mode != request.mode || area.library != binding->identity())
        work[0] = 0;
    const bool decoded = (binding->decode(request) & 0xFFFF) == DVCDEC_OK;
    area.valid = decoded;
    area.mode = request.mode;
    area.library = binding->identity();
    if (!decoded || !output.isValid())
        return {};
    return output;
}

PackedDib decodeDvStill(const QString& path, const DvStillOptions& options, const DvDecoderBinding* kept)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        showNumberedMessage(strings::kCannotOpenFile, platform::MbOk | platform::MbIconExclamation);
        return {};
    }
    return decodeDvStill(file, options, kept);
}

}  // namespace imaging
