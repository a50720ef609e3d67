// ImgShift's conversions on hostile files: the dispatch by extension (BMP, JPEG, TIFF, DV still,
// title), the three output modes and the DV picture options with any crop margins. A conversion
// answers OK with the file it names written, ALREADY with nothing written, or FAILED.
//
// Input: byte 0 picks the source form (bits 0-2, modulo 5) and the mode (bits 3-4); with bit 5 set the
// next 11 bytes are the DV options (shape, de-interlacing, field order, four signed 16-bit margins).
// The rest is the file.

#include "ImgShift.h"
#include "../ScratchFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr std::size_t MaxInput = 1 << 20;
constexpr std::size_t OptionBytes = 11;
const char* const Extensions[] = {".bmp", ".jpg", ".tif", ".dvf", ".ttl"};

// One folder for the whole run, emptied after every input.
const std::string& scratch()
{
    static const fuzzing::ScratchFolder folder("imgshift-fuzz");
    return folder.path();
}

int16_t le16(const uint8_t* p)
{
    return static_cast<int16_t>(p[0] | p[1] << 8);
}

bool exists(const std::string& path)
{
    struct stat facts;
    return ::stat(path.c_str(), &facts) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > MaxInput || scratch().empty())
        return 0;
    const uint8_t choice = data[0];
    const char* extension = Extensions[(choice & 7) % 5];
    const int32_t mode = (choice >> 3) & 3;
    ++data;
    --size;
    if ((choice & 0x20) && size >= OptionBytes) {
        SetDvFilter(static_cast<int8_t>(data[0]), static_cast<int8_t>(data[1]) * 256 + static_cast<int8_t>(data[2]),
                    ImgShiftRect{le16(data + 3), le16(data + 5), le16(data + 7), le16(data + 9)});
        data += OptionBytes;
        size -= OptionBytes;
    } else {
        SetDvFilter(1, 0, ImgShiftRect{5, 0, 5, 0});
    }

    const std::string source = scratch() + "/input" + extension;
    FILE* out = std::fopen(source.c_str(), "wb");
    if (!out)
        return 0;
    std::fwrite(data, 1, size, out);
    std::fclose(out);

    const std::string target = scratch() + (mode == IMGSHIFT_MODE_BMP ? "/output.bmp" : "/output.jpg");
    char output[IMGSHIFT_PATH_SIZE] = {};
    std::snprintf(output, sizeof output, "%s", target.c_str());
    const uint16_t status = _ImageConvert(source.c_str(), output, mode);
    const bool written = exists(target);
    if (mode > IMGSHIFT_MODE_JFIF && status != IMGSHIFT_FAILED)
        std::abort();
    if (status == IMGSHIFT_OK && (target != output || !written))
        std::abort();
    if (status != IMGSHIFT_OK && written)
        std::abort();
    if (status != IMGSHIFT_OK && status != IMGSHIFT_ALREADY && status != IMGSHIFT_FAILED)
        std::abort();
    unlink(target.c_str());
    unlink(source.c_str());
    return 0;
}
