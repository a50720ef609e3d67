// The TIFF and Exif-TIFF readers of the codec libraries on hostile files: the picture through libtiff,
// the Exif facts and the embedded thumbnail through Exiv2, and the orientation rewrite. Each must
// answer; a picture it hands out must be as large as its header says, and a rewritten file must still
// be one the reader accepts.

#include "ExifMeta.h"
#include "TiffRead.h"
#include "dib.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr std::size_t MaxInput = 1 << 20;

void checkDib(void* block)
{
    if (!block)
        return;
    KsDibHeader header;
    if (!ks_dib_read_header(block, &header))
        std::abort();
    const size_t total = ks_dib_total_bytes(&header);
    if (!total || header.biBitCount != 24)
        std::abort();
    volatile unsigned char last = static_cast<unsigned char*>(block)[total - 1];
    (void)last;
    std::free(block);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > MaxInput)
        return 0;
    checkDib(ks::readTiffMemory(data, size));

    ks::ExifFacts facts;
    if (!ks::readExifFacts(data, size, facts))
        return 0;
    if (facts.orientation < 0 || facts.orientation > 8)
        std::abort();
    ks::EmbeddedThumbnail thumbnail;
    if (ks::readEmbeddedThumbnail(data, size, thumbnail) && !thumbnail.jpeg)
        checkDib(ks::readTiffMemory(thumbnail.data.data(), thumbnail.data.size()));

    if (facts.form == ks::FileForm::Tiff && facts.exif) {
        const std::vector<unsigned char> file(data, data + size);
        std::vector<unsigned char> rewritten;
        const int orientation = 1 + static_cast<int>(size % 8);
        if (ks::rewriteOrientation(file, orientation, rewritten)) {
            ks::ExifFacts after;
            if (!ks::readExifFacts(rewritten.data(), rewritten.size(), after) || after.orientation != orientation)
                std::abort();
        }
    }
    return 0;
}
