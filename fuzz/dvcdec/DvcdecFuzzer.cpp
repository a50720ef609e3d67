// Fuzzes the DV frame decoder. Input layout: 4 bytes mode, 4 bytes vertical trim, 4 bytes
// horizontal trim, 1 control byte (system, scale choice, work-area flag, core or export), 4 bytes
// core line length, then the frame's DIF data. The seeds carry whole real frames (119,200 or 143,040
// bytes after the control bytes), so mutations change a few blocks of a frame that otherwise decodes;
// a shorter input is repeated to fill the frame. Buffers are allocated at exactly their documented
// sizes so that AddressSanitizer sees any write past them.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "DvCore.h"
#include "Vistra32.h"

namespace {

constexpr size_t kControlBytes = 17;
constexpr uint32_t kScales[8] = {0, 1, 2, 4, 8, 3, 1, 2};

uint32_t Read32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void PutBE32(uint8_t *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Short inputs read as if padded with zeros.
    uint8_t head[kControlBytes] = {0};
    std::memcpy(head, data, size < kControlBytes ? size : kControlBytes);
    const uint8_t *frame = size > kControlBytes ? data + kControlBytes : nullptr;
    const size_t frameSize = size > kControlBytes ? size - kControlBytes : 0;
    data = head;
    // Mostly modes the export accepts: the fields are picked from their valid values, and only
    // sometimes is the raw word used as it is.
    static const uint32_t shapes[8] = {0x00, 0x10, 0x20, 0x40, 0x80, 0x80, 0x30, 0x10};
    static const uint32_t deinterlace[8] = {0, 0, 0x10000, 0x20000, 0x40000, 0x80000, 0x30000, 0};
    static const uint32_t forms[8] = {0, 0x100, 0x100, 0x100, 0x100, 0x100, 0x200, 0x800};
    const uint32_t raw = Read32(data);
    const uint32_t verticalTrim = Read32(data + 4), horizontalTrim = Read32(data + 8);
    const uint8_t control = data[12];
    const int32_t lineLength = static_cast<int32_t>(Read32(data + 13));
    const bool is525 = control & 1;
    uint32_t mode = kScales[(control >> 1) & 7];
    if (control & 0x08)
        mode |= raw & ~0xFu;
    else
        mode |= shapes[raw & 7] | deinterlace[(raw >> 3) & 7] | forms[(raw >> 6) & 7] | (raw & 0xFF000000u);

    const size_t frameBytes = is525 ? 119200 : 143040;
    std::vector<uint8_t> file(32 + frameBytes, 0);
    std::memcpy(file.data(), is525 ? "DVF 1.00SD5" : "DVF 1.00SD6", 11);
    PutBE32(&file[12], static_cast<uint32_t>(file.size()));
    PutBE32(&file[16], static_cast<uint32_t>(frameBytes));
    PutBE32(&file[20], 32);
    if (frameSize >= frameBytes)
        std::memcpy(&file[32], frame, frameBytes);
    else
        for (size_t i = 0; frameSize && i < frameBytes; ++i)
            file[32 + i] = frame[i % frameSize];

    // The work area survives between inputs, as the program's might; sometimes it is handed over
    // with its flag cleared.
    static std::unique_ptr<uint8_t[]> work(new uint8_t[DVCDEC_WORK_AREA_SIZE]());
    if (control & 0x10)
        work[0] = 0;

    if (control & 0x20) {
        // The core directly, with a buffer of exactly |line length| x lines; mostly a mode it accepts.
        static const uint32_t forms[4] = {DV_CORE_FORM_RGB24, DV_CORE_FORM_RGB565, DV_CORE_FORM_RGB555,
                                          DV_CORE_FORM_DITHER8};
        if (control & 0x40)
            mode = (mode & ~(DV_CORE_SYSTEM_MASK | DV_CORE_FORM_MASK)) | DV_CORE_REQUIRED | forms[control >> 6 & 3] |
                   (is525 ? DV_CORE_SYSTEM_525 : DV_CORE_SYSTEM_625);
        int32_t width = 0, height = 0;
        if (!DvPictureSize(mode, &width, &height))
            return 0;
        const int64_t span = lineLength < 0 ? -static_cast<int64_t>(lineLength) : lineLength;
        if (span < width || span > 4 * width)
            return 0;
        const int bytes = (mode & DV_CORE_FORM_MASK) == DV_CORE_FORM_RGB24 ? 3
                          : (mode & DV_CORE_FORM_MASK) == DV_CORE_FORM_DITHER8 ? 1 : 2;
        std::unique_ptr<uint8_t[]> out(new uint8_t[static_cast<size_t>(span) * bytes * height]);
        DecodeFrame(file.data() + 32, out.get(), mode, lineLength, work.get());
        return 0;
    }
    std::unique_ptr<uint8_t[]> output(new uint8_t[DVCDEC_OUTPUT_SIZE]);
    DvDecodeRequest request{file.data(), output.get(), work.get(), mode, verticalTrim, horizontalTrim};
    const uint32_t status = dvcdec(&request);
    if (status != DVCDEC_OK && status != DVCDEC_BAD_HEADER && status != DVCDEC_REFUSED && status != DVCDEC_NO_MEMORY)
        std::abort();
    return 0;
}
