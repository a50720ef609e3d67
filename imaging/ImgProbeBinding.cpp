#include "imaging/ImgProbeBinding.h"

#include "imaging/SiblingMessages.h"

#include "platform/Library.h"
#include "platform/MessageBox.h"

#include <QFile>

namespace imaging {
namespace {

void show(const char* text, const char* caption, const ProbeMessageReport& report)
{
    if (report)
        report(text, caption);
    else
        platform::messageBox(nullptr, QString::fromUtf8(text), QString::fromUtf8(caption), platform::MbOk);
}

}  // namespace

uint16_t getImageFormat(const QString& path, uint16_t* format, const ProbeMessageReport& report)
{
    if (path.isEmpty() || !format)
        return kImgProbeUnavailable;
    platform::Library library(QStringLiteral("ImgProbe"));
    if (!library) {
        show(messages::kImgProbeMissing, messages::kImgProbeCaption, report);
        return kImgProbeUnavailable;
    }
    auto probe = library.function<decltype(&_GetImageFormat)>("_GetImageFormat");
    if (!probe) {
        show(messages::kImgProbeExportMissing, messages::kImgProbeCaption, report);
        return kImgProbeUnavailable;
    }
    return probe(QFile::encodeName(path).constData(), format);
}

uint16_t getExifInfo(const QString& path, ImgProbeExifInfo* info, const ProbeMessageReport& report)
{
    if (path.isEmpty() || !info)
        return kImgProbeUnavailable;
    platform::Library library(QStringLiteral("ImgProbe"));
    if (!library) {
        show(messages::kImgProbeMissingExifInfo, messages::kImgProbeCaption, report);
        return kImgProbeUnavailable;
    }
    auto read = library.function<decltype(&_GetExifInfo)>("_GetExifInfo");
    if (!read) {
        show(messages::kImgProbeExportMissingExifInfo, messages::kImgProbeExifInfoExportCaption, report);
        return kImgProbeUnavailable;
    }
    return read(QFile::encodeName(path).constData(), info);
}

bool isExifTiff(const QString& path)
{
    uint16_t format = IMGPROBE_FORMAT_OTHER;
    return getImageFormat(path, &format) == IMGPROBE_OK
           && (format == IMGPROBE_FORMAT_EXIF2_TIFF || format == IMGPROBE_FORMAT_EXIF1_TIFF);
}

}  // namespace imaging
