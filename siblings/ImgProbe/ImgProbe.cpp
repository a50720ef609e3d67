// ImgProbe's exports: sniff the file's form, ask Exiv2 about its Exif data, answer with fixed codes.

#include "ImgProbe.h"

#include "ExifMeta.h"
#include "FileUtil.h"

#include <cstddef>
#include <cstring>
#include <vector>

static_assert(sizeof(ImgProbeExifInfo) == IMGPROBE_EXIF_INFO_SIZE);
static_assert(offsetof(ImgProbeExifInfo, dateTime) == 48);

namespace {

// Metadata sit at the start of the files these libraries meet, but a TIFF may put its directories at
// the end, so the whole file is read; nothing of this size is a camera picture.
constexpr std::size_t kMaxProbeBytes = std::size_t{1} << 30;

uint16_t formatCode(const std::vector<unsigned char>& data, const ks::ExifFacts* facts)
{
    switch (ks::sniffForm(data.data(), data.size())) {
    case ks::FileForm::Bmp:
        return IMGPROBE_FORMAT_BMP;
    case ks::FileForm::Jpeg: {
        if (facts && facts->exif)
            return facts->exifMajor >= 2 ? IMGPROBE_FORMAT_EXIF2_JPEG : IMGPROBE_FORMAT_EXIF1_JPEG;
        return ks::scanJpegSegments(data.data(), data.size()).jfif ? IMGPROBE_FORMAT_JFIF : IMGPROBE_FORMAT_JPEG;
    }
    case ks::FileForm::Tiff:
        if (facts && facts->exif)
            return facts->exifMajor >= 2 ? IMGPROBE_FORMAT_EXIF2_TIFF : IMGPROBE_FORMAT_EXIF1_TIFF;
        return IMGPROBE_FORMAT_TIFF;
    default:
        return IMGPROBE_FORMAT_OTHER;
    }
}

void copyText(char* target, std::size_t capacity, const std::string& text)
{
    const std::size_t length = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::memcpy(target, text.data(), length);
    target[length] = '\0';
}

}  // namespace

extern "C" IMGPROBE_API uint16_t _GetImageFormat(const char* path, uint16_t* format)
{
    if (!path || !format)
        return IMGPROBE_BAD_ARGUMENT;
    *format = IMGPROBE_FORMAT_OTHER;
    std::vector<unsigned char> data;
    if (!ks::readWholeFile(path, data, kMaxProbeBytes))
        return IMGPROBE_OPEN_FAILED;
    ks::ExifFacts facts;
    const bool known = ks::readExifFacts(data.data(), data.size(), facts);
    *format = formatCode(data, known ? &facts : nullptr);
    return IMGPROBE_OK;
}

extern "C" IMGPROBE_API uint16_t _GetExifInfo(const char* path, void* block)
{
    if (!path || !block)
        return IMGPROBE_BAD_ARGUMENT;
    auto* info = static_cast<ImgProbeExifInfo*>(block);
    std::memset(info, 0, sizeof *info);
    std::vector<unsigned char> data;
    if (!ks::readWholeFile(path, data, kMaxProbeBytes))
        return IMGPROBE_OPEN_FAILED;
    ks::ExifFacts facts;
    if (!ks::readExifFacts(data.data(), data.size(), facts) || !facts.exif)
        return IMGPROBE_NO_EXIF;
    info->width = facts.reportedWidth();
    info->height = facts.reportedHeight();
    info->orientation = static_cast<uint16_t>(facts.orientation);
    info->format = formatCode(data, &facts);
    std::memcpy(info->exifVersion, facts.exifVersion, sizeof info->exifVersion);
    copyText(info->make, sizeof info->make, facts.make);
    copyText(info->model, sizeof info->model, facts.model);
    const std::string date = ks::shootingDate(facts);
    if (date.empty())
        return IMGPROBE_NO_DATE;
    copyText(info->dateTime, sizeof info->dateTime, date);
    return IMGPROBE_OK;
}
