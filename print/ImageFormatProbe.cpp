#include "print/ImageFormatProbe.h"

#include "imaging/SiblingMessages.h"
#include "platform/FileSearch.h"
#include "platform/MessageBox.h"

#include <QFile>

namespace print {
namespace {

const QString LibraryName = QStringLiteral("ImgProbe");
const char* const ExportName = "_GetImageFormat";
constexpr std::uint16_t ImgProbeOk = 0;

} // namespace

bool ImageFormatProbe::bind()
{
    if (tried_)
        return getImageFormat_ != nullptr;
    tried_ = true;
    library_ = platform::Library(LibraryName);
    if (!library_) {
        platform::messageBox(nullptr, QString::fromUtf8(imaging::messages::kImgProbeMissing),
                             QString::fromUtf8(imaging::messages::kImgProbeCaption), platform::MbOk);
        return false;
    }
    getImageFormat_ = library_.function<GetImageFormat>(ExportName);
    if (!getImageFormat_) {
        platform::messageBox(nullptr, QString::fromUtf8(imaging::messages::kImgProbeExportMissing),
                             QString::fromUtf8(imaging::messages::kImgProbeCaption), platform::MbOk);
        return false;
    }
    return true;
}

std::optional<std::uint16_t> ImageFormatProbe::format(const QString& path)
{
    if (!bind())
        return std::nullopt;
    const QString found = platform::FileSearch::resolve(path);
    std::uint16_t code = 0;
    if (getImageFormat_(QFile::encodeName(found.isEmpty() ? path : found).constData(), &code) != ImgProbeOk)
        return std::nullopt;
    return code;
}

QByteArray ImageFormatProbe::formatText(std::uint16_t code)
{
    switch (code) {
    case 6:
    case 7:
        return "JFIF";
    case 8:
        return "EXIF1 -J";
    case 9:
        return "EXIF2 -J";
    case ExifTiff2:
    case ExifTiff1:
        return "EXIF2 -T";
    default:
        return {};
    }
}

} // namespace print
