#include "browser/FileAttributes.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kShownBits = fileattr::kReadOnly | fileattr::kHidden | fileattr::kSystem | fileattr::kArchive;

// The FAT driver's attribute byte, when the file lives on a FAT volume.
std::optional<std::uint32_t> fatAttributes(const QByteArray& name)
{
    struct statfs volume {};
    if (statfs(name.constData(), &volume) != 0 || volume.f_type != MSDOS_SUPER_MAGIC)
        return std::nullopt;
    // Non-blocking, so that opening never waits (the path was a regular file a moment ago, but need
    // not be one now).
    const int fd = open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    std::uint32_t bits = 0;
    const int status = ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &bits);
    close(fd);
    if (status != 0)
        return std::nullopt;
    return bits & kShownBits;
}

}  // namespace

std::optional<std::uint32_t> fileAttributes(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (stat(name.constData(), &info) != 0)
        return std::nullopt;
    if (const auto fat = fatAttributes(name))
        return fat;
    std::uint32_t bits = 0;
    if (!(info.st_mode & S_IWUSR))
        bits |= fileattr::kReadOnly;
    if (QFileInfo(path).fileName().startsWith(QLatin1Char('.')))
        bits |= fileattr::kHidden;
    return bits;
}
