#include "media/CameraFolders.h"

#include "platform/Volumes.h"

#include <QDir>
#include <QStringList>

namespace media {
namespace {

constexpr qsizetype CameraFolderNameLength = 8; // both layouts use 8.3 folder names without extension

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

bool isCameraNameChar(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || isAsciiDigit(c) || c == u'_';
}

bool isDcfFolderName(QStringView name)
{
    if (name.size() != CameraFolderNameLength)
        return false;
    if (!(name[0] >= u'1' && name[0] <= u'9') || !isAsciiDigit(name[1]) || !isAsciiDigit(name[2]))
        return false;
    for (qsizetype i = 3; i < CameraFolderNameLength; ++i) {
        if (!isCameraNameChar(name[i]))
            return false;
    }
    return true;
}

bool isOldCameraFolderName(QStringView name)
{
    if (name.size() != CameraFolderNameLength)
        return false;
    if ((name[0] != u'I' && name[0] != u'i') || (name[1] != u'M' && name[1] != u'm'))
        return false;
    if (!isAsciiDigit(name[2]) || !isAsciiDigit(name[3]) || (name[2] == u'0' && name[3] == u'0'))
        return false;
    for (qsizetype i = 4; i < CameraFolderNameLength; ++i) {
        if (!isCameraNameChar(name[i]))
            return false;
    }
    return true;
}

bool isCameraFolder(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QString clean = QDir::cleanPath(path);
    const QStringList parts = platform::Volumes::pathBelowDrive(clean).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.size() == 1)
        return isOldCameraFolderName(parts[0]);
    if (parts.size() == 2)
        return parts[0].compare(QLatin1String("DCIM"), Qt::CaseInsensitive) == 0 && isDcfFolderName(parts[1]);
    return false;
}

} // namespace media
