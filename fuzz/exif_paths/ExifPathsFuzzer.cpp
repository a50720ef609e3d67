// The Exif paths on hostile files: ExifKit's check, thumbnail and primary decodes and the orientation
// rewrite, and ImgProbe's two probes. Each must answer with a status; what it hands out must be sound.

#include "siblings/FuzzInput.h"

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

// A folder for the orientation rewrite, which writes a temporary file beside the original; removed
// (empty by then) when the fuzzer ends.
struct ScratchFolder {
    std::string path;
    ScratchFolder()
    {
        char name[] = "/tmp/kestrel-exif-fuzz-XXXXXX";
        path = mkdtemp(name) ? name : "";
    }
    ~ScratchFolder()
    {
        if (!path.empty())
            rmdir(path.c_str());
    }
};

const std::string& scratchFolder()
{
    static const ScratchFolder folder;
    return folder.path;
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
    if (Exif_GetThumbnail(path, &params, 0) == EXIFKIT_OK && !params.thumbnail)
        std::abort();
    checkDib(params.thumbnail);
    params.thumbnail = nullptr;
    if (Exif_GetPrimaryImage(path, &params, 0) == EXIFKIT_OK && !params.image)
        std::abort();
    checkDib(params.image);
    params.image = nullptr;

    uint16_t format = 0;
    _GetImageFormat(path, &format);
    char info[IMGPROBE_EXIF_INFO_SIZE];
    if (_GetExifInfo(path, info) == IMGPROBE_OK && std::strlen(info + 48) != 19)
        std::abort();

    if (form != EXIFKIT_NOT_EXIF && !scratchFolder().empty()) {
        const std::string copy = scratchFolder() + "/input";
        if (FILE* out = std::fopen(copy.c_str(), "wb")) {
            std::fwrite(data, 1, size, out);
            std::fclose(out);
            Exif_SetOrientation(copy.c_str(), static_cast<int32_t>(size % 3), &params);
            unlink(copy.c_str());
        }
    }
    return 0;
}
