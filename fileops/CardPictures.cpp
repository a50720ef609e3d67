#include "fileops/CardPictures.h"

#include "imaging/BmpFile.h"
#include "imaging/DibConvert.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace fileops {
namespace {

const QString TemporaryJpegPattern = QStringLiteral("KESTRELDSC%lu.jpg");
const QLatin1String NumberSlot("%lu");
constexpr int MaxNameAttempts = 100000; // far more than a folder of temporary files ever holds

bool endsWith(const QString& path, QLatin1String ending)
{
    return path.right(4).compare(ending, Qt::CaseInsensitive) == 0;
}

void removeUnlessSource(const QString& path, const QString& source)
{
    if (!path.isEmpty() && path != source)
        QFile::remove(path);
}

} // namespace

bool isCardPicture(const QString& path, const imaging::ExifKitBinding& exif)
{
    if (endsWith(path, QLatin1String(".bmp")) || endsWith(path, QLatin1String(".jpg")) ||
        endsWith(path, QLatin1String(".dvf")) || endsWith(path, QLatin1String(".ttl")))
        return true;
    if (!endsWith(path, QLatin1String(".tif")))
        return false;
    const int32_t answer = exif.checkFormat(path);
    return answer != EXIFKIT_NOT_EXIF && answer != imaging::kExifKitUnavailable;
}

QString uniqueNameFromPattern(const QString& pattern)
{
    if (!pattern.contains(NumberSlot))
        return pattern;
    for (int attempt = 0; attempt < MaxNameAttempts; ++attempt) {
        QString name = pattern;
        name.replace(NumberSlot, QString::number(static_cast<unsigned long>(std::rand())));
        const int fd = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}

bool convertToExifJpeg(const QString& source, QString* output, const imaging::DvFilterSettings& dvSettings)
{
    imaging::ExifKitBinding exif;
    if (!exif.bind(imaging::ExifKitBinding::CheckFormat | imaging::ExifKitBinding::OutputFromDib,
                   imaging::ExifKitBinding::Messages::None))
        return false;

    const bool needsConversion =
        endsWith(source, QLatin1String(".tif")) || exif.checkFormat(source) == EXIFKIT_NOT_EXIF;
    if (!needsConversion) {
        *output = source;
        return true;
    }

    // To a 24-bit BMP first, whatever the picture was.
    QString converted;
    const uint16_t status = imaging::convertImage(source, converted, IMGSHIFT_MODE_BMP, dvSettings);
    if (status == IMGSHIFT_ALREADY)
        converted = source;
    else if (status != IMGSHIFT_OK)
        return false;

    const QString jpeg =
        uniqueNameFromPattern(QFileInfo(converted).absolutePath() + QLatin1Char('/') + TemporaryJpegPattern);
    if (jpeg.isEmpty()) {
        removeUnlessSource(converted, source);
        return false;
    }

    imaging::PackedDib picture = imaging::convertTo24Bits(imaging::readBmpFile(converted));
    int32_t result = imaging::kExifKitUnavailable;
    if (picture) {
        ExifParams params = imaging::makeExifParams();
        params.image = picture.get();
        int32_t written = 0;
        result = exif.outputFromDib(params, jpeg, &written);
    }
    removeUnlessSource(converted, source);
    if (result != EXIFKIT_OK) {
        QFile::remove(jpeg);
        return false;
    }
    *output = jpeg;
    return true;
}

} // namespace fileops
