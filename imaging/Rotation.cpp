#include "imaging/Rotation.h"

#include "imaging/BmpFile.h"
#include "imaging/ExifKitBinding.h"
#include "imaging/ImageFiles.h"
#include "imaging/QuilJpegBinding.h"
#include "imaging/TurnkitBinding.h"

namespace imaging {
namespace {

bool endsWith(const QString& path, const char* extension)
{
    return path.endsWith(QLatin1String(extension), Qt::CaseInsensitive);
}

QString withLastFour(const QString& path, const QString& extension)
{
    return path.left(path.size() >= 4 ? path.size() - 4 : 0) + extension;
}

}  // namespace

QString rotateJpeg(const QString& path, int direction)
{
    ExifKitBinding exifKit;
    if (!exifKit.bind(ExifKitBinding::CheckFormat, ExifKitBinding::Messages::None, ExifKitBinding::SetOrientation))
        return {};
    if (exifKit.checkFormat(path) == EXIFKIT_NOT_EXIF) {
        const PackedDib picture = decodeJpegFile(path);
        if (!picture)
            return {};
        const PackedDib turned = turnDib(picture, direction);
        if (!turned || !saveAsJpeg(path, turned, kJpegQuality, kJpegSampling))
            return {};
        return path;
    }
    if (direction != kTurn270 && direction != kTurn180 && direction != kTurn90)
        return {};
    ExifParams params = makeExifParams();
    return exifKit.setOrientation(path, direction, params) == EXIFKIT_OK ? path : QString();
}

RotateOutcome rotateFile(const QString& path, int direction, const DvStillOptions& dv)
{
    RotateOutcome outcome;
    if (endsWith(path, ".bmp")) {
        const PackedDib picture = readBmpFile(path);
        const PackedDib turned = picture ? turnDib(picture, direction) : PackedDib();
        outcome.refresh = turned && writeBmpFile(path, turned, true);
    } else if (endsWith(path, ".jpg")) {
        outcome.refresh = !rotateJpeg(path, direction).isEmpty();
    } else if (endsWith(path, ".dvf")) {
        const PackedDib picture = decodeDvStill(path, dv);
        const PackedDib turned = picture ? turnDib(picture, direction) : PackedDib();
        QString written;
        if (turned && writeBmpFile(withLastFour(path, QStringLiteral(".bmp")), turned, false, &written))
            outcome.newFile = written;
    }
    return outcome;
}

}  // namespace imaging
