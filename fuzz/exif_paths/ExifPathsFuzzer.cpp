// The Exif paths on hostile files: ExifKit's check, thumbnail and primary decodes and the orientation
// rewrite, and ImgProbe's two probes. Each must answer with a status; what it hands out must be sound.
//
// Every call parses the file's Exif block anew, and that parse is most of an input's time, so the check
// runs on every input and one of the four other paths on each: the input's length picks it (mutations
// change lengths all the time, so every file soon goes down every path).

#include "siblings/FuzzInput.h"
#include "../ScratchFolder.h"

#include "ExifKit.h"
#include "ImgProbe.h"
#include "dib.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace {

void checkDib(void* block)
{
    if (!block)
        return;
    KsDibHeader header;
    ks_dib_read_header(block, &header);
    const size_t total = ks_dib_total_bytes(&header);
    if (!total)
        std::abort();
    volatile unsigned char last = static_cast<unsigned char*>(block)[total - 1];
    (void)last;
    std::free(block);
}

// A folder for the orientation rewrite, which writes a temporary file beside the original.
const std::string& scratchFolder()
{
    static const fuzzing::ScratchFolder folder("exif-fuzz");
    return folder.path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzFile file(data, size);
    if (!file.ok())
        return 0;
    const char* path = file.path().c_str();
    const int32_t form = Exif_CheckFormat(path);
    ExifParams params;
    std::memset(&params, 0, sizeof params);
    params.size = sizeof params;
    switch (size % 4) {
    case 0:
        if (Exif_GetThumbnail(path, &params, 0) == EXIFKIT_OK && !params.thumbnail)
            std::abort();
        checkDib(params.thumbnail);
        break;
    case 1:
        if (Exif_GetPrimaryImage(path, &params, 0) == EXIFKIT_OK && !params.image)
            std::abort();
        checkDib(params.image);
        break;
    case 2: {
        uint16_t format = 0;
        _GetImageFormat(path, &format);
        char info[IMGPROBE_EXIF_INFO_SIZE];
        if (_GetExifInfo(path, info) == IMGPROBE_OK && std::strlen(info + 48) != 19)
            std::abort();
        break;
    }
    default:
        if (form != EXIFKIT_NOT_EXIF && !scratchFolder().empty()) {
            const std::string copy = scratchFolder() + "/input";
            if (FILE* out = std::fopen(copy.c_str(), "wb")) {
                std::fwrite(data, 1, size, out);
                std::fclose(out);
                Exif_SetOrientation(copy.c_str(), static_cast<int32_t>(size / 4 % 3), &params);
                unlink(copy.c_str());
            }
        }
        break;
    }
    return 0;
}
