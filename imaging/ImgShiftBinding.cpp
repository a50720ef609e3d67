#include "imaging/ImgShiftBinding.h"

#include "platform/Library.h"

#include <QFile>

#include <array>
#include <cstring>

namespace imaging {

uint16_t convertImage(const QString& source, QString& output, int32_t mode, const DvFilterSettings& settings)
{
    platform::Library library(QStringLiteral("ImgShift"));
    if (!library)
        return kImgShiftLibraryMissing;
    auto convert = library.function<decltype(&_ImageConvert)>("_ImageConvert");
    if (!convert)
        return kImgShiftExportMissing;
    if (auto setFilter = library.function<decltype(&SetDvFilter)>("SetDvFilter"))
        setFilter(settings.attributeA, settings.attributesBC, settings.crop);

    std::array<char, IMGSHIFT_PATH_SIZE> buffer{};
    const QByteArray wanted = QFile::encodeName(output);
    if (wanted.size() >= static_cast<qsizetype>(buffer.size()))
        return IMGSHIFT_FAILED;
    std::memcpy(buffer.data(), wanted.constData(), static_cast<std::size_t>(wanted.size()));
    const uint16_t status = convert(QFile::encodeName(source).constData(), buffer.data(), mode);
    if (status == IMGSHIFT_OK)
        output = QFile::decodeName(QByteArray(buffer.data(), static_cast<qsizetype>(strnlen(buffer.data(), buffer.size()))));
    return status;
}

}  // namespace imaging
