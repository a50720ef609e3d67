// ImgProbe's exports: sniff the file's form, ask Exiv2 about its Exif data, answer with fixed codes.

#include "ImgProbe.h"

#include "ExifMeta.h"
#include "PictureHead.h"

#include <cstddef>
#include <cstring>
#include <vector>

static_assert(sizeof(ImgProbeExifInfo) == IMGPROBE_EXIF_INFO_SIZE);
static_assert(offsetof(ImgProbeExifInfo, dateTime) == 48);

namespace {

// Only a file's metadata are read (see PictureHead.h); a TIFF larger than this is no camera picture.
constexpr std::size_t kMaxProbeBytes = std::size_t{1} << 30;

uint16_t formatCode(const ks::PictureHead& head, const ks::ExifFacts* facts)
{
    switch (head.form) {
    case ks::FileForm::Bmp:
        return IMGPROBE_FORMAT_BMP;
    case ks::FileForm::Jpeg: {
        if (facts && facts->exif)
            return facts->exifMajor >= 2 ? IMGPROBE_FORMAT_EXIF2_JPEG : IMGPROBE_FORMAT_EXIF1_JPEG;
        return head.jfif ? IMGPROBE_FORMAT_JFIF : IMGPROBE_FORMAT_JPEG;
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
    ks::PictureHead head;
    if (ks::readPictureHead(path, kMaxProbeBytes, head) != ks::HeadStatus::Ok)
        return IMGPROBE_OPEN_FAILED;
    ks::ExifFacts facts;
    const bool known = ks::readExifFacts(head.data(), head.size(), facts);
    *format = formatCode(head, known ? &facts : nullptr);
    return IMGPROBE_OK;
}

extern "C" IMGPROBE_API uint16_t _GetExifInfo(const char* path, void* block)
{
    if (!path || !block)
        return IMGPROBE_BAD_ARGUMENT;
    auto* info = static_cast<ImgProbeExifInfo*>(block);
    std::memset(info, 0, sizeof *info);
    ks::PictureHead head;
    if (ks::readPictureHead(path, kMaxProbeBytes, head) != ks::HeadStatus::Ok)
        return IMGPROBE_OPEN_FAILED;
    ks::ExifFacts facts;
    if (!ks::readExifFacts(head.data(), head.size(), facts) || !facts.exif)
        return IMGPROBE_NO_EXIF;
    info->width = facts.reportedWidth();
    info->height = facts.reportedHeight();
    info->orientation = static_cast<uint16_t>(facts.orientation);
    info->format = formatCode(head, &facts);
    std::memcpy(info->exifVersion, facts.exifVersion, sizeof info->exifVersion);
    copyText(info->make, sizeof info->make, facts.make);
    copyText(info->model, sizeof info->model, facts.model);
    const std::string date = ks::shootingDate(facts);
    if (date.empty())
        return IMGPROBE_NO_DATE;
    copyText(info->dateTime, sizeof info->dateTime, date);
    return IMGPROBE_OK;
}
