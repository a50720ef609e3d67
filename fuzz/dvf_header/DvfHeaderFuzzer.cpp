// The DV still files (".dvf") as a card holds them: the program's reader (frame length from the
// header, buffers, options) in front of the decoder library, and the decoder's own header checks on
// exactly the bytes the header vouches for. Header bytes 24-31, which frame files leave zero, pick the
// picture options, so that shapes, de-interlacing and crop margins vary with the file.
//
// The reader's decoder is the built Vistra32 library beside this program, bound once; the header
// checks are the coverage-instrumented copy linked in.

#include "imaging/DvStillDecoder.h"
#include "platform/MessageBox.h"

#include "Vistra32.h"

#include <QBuffer>
#include <QByteArray>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr std::size_t MaxInput = DVCDEC_FILE_SIZE_625 + 4096;
constexpr std::size_t FrameLengthOffset = 12;

uint32_t be32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

const imaging::DvDecoderBinding* binding()
{
    static const auto kept = [] {
        // A missing library would show a box; there is no one to answer it here.
        platform::setMessageSink([](const platform::MessageRecord& record) { return platform::defaultAnswer(record.style); });
        auto made = std::make_unique<imaging::DvDecoderBinding>();
        if (!made->bind(imaging::BindingUse::Program))
            std::abort();  // libVistra32.so belongs beside this program
        return made;
    }();
    return kept.get();
}

imaging::DvStillOptions optionsOf(const uint8_t* header)
{
    if (!(header[24] & 0x80))
        return imaging::DvStillOptions::none();
    const auto margin = [](uint8_t byte) { return static_cast<int>(static_cast<int8_t>(byte)) * 4; };
    return imaging::DvStillOptions::from(header[24] & 7, header[25] & 7, header[26] & 3, margin(header[27]),
                                         margin(header[28]), margin(header[29]), margin(header[30]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > MaxInput)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer file;
    file.setData(bytes);
    file.open(QIODevice::ReadOnly);
    const imaging::DvStillOptions options = size >= DVCDEC_HEADER_SIZE ? optionsOf(data) : imaging::DvStillOptions::none();
    const imaging::PackedDib picture = imaging::decodeDvStill(file, options, binding());
    if (picture && !picture.isValid())
        std::abort();

    // The decoder itself, as the reader calls it: on a block of exactly the length the header gives,
    // when the file holds that much.
    if (size < DVCDEC_HEADER_SIZE)
        return 0;
    const uint32_t length = be32(data + FrameLengthOffset);
    if (length < DVCDEC_HEADER_SIZE || length > size)
        return 0;
    std::unique_ptr<uint8_t[]> frame(new uint8_t[length]);
    std::memcpy(frame.get(), data, length);
    static std::unique_ptr<uint8_t[]> output(new uint8_t[DVCDEC_OUTPUT_SIZE]);
    static std::unique_ptr<uint8_t[]> work(new uint8_t[DVCDEC_WORK_AREA_SIZE]());
    work[0] = 0;  // the options differ from the last input's
    const DvDecodeRequest request{frame.get(), output.get(), work.get(), imaging::dvDecodeFlags(options),
                                  imaging::dvVerticalTrim(options), imaging::dvHorizontalTrim(options)};
    const uint32_t status = dvcdec(&request);
    if (status != DVCDEC_OK && status != DVCDEC_BAD_HEADER && status != DVCDEC_REFUSED && status != DVCDEC_NO_MEMORY)
        std::abort();
    // The program's reader and the decoder agree on which files are frames.
    if ((status == DVCDEC_OK) != static_cast<bool>(picture))
        std::abort();
    return 0;
}
