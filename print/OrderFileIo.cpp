#include "print/OrderFileIo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace print {
namespace {

constexpr int NewFileMode = 0644;

IoError writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return ioErrorFromErrno(errno);
        }
        done += n;
    }
    return IoError::None;
}

} // namespace

IoError ioErrorFromErrno(int error)
{
    switch (error) {
    case 0:
        return IoError::None;
    case ENOENT:
    case ENOTDIR:
        return IoError::NotFound;
    case EROFS:
    case EACCES:
    case EPERM:
        return IoError::WriteProtected;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return IoError::DiskFull;
    case ENOMEDIUM:
    case ENXIO:
    case ENODEV:
    case EIO:
        return IoError::NotReady;
    default:
        return IoError::Other;
    }
}

OrderFileIo::~OrderFileIo()
{
    abandon();
}

IoError OrderFileIo::read(const QString& path, QByteArray* content)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return ioErrorFromErrno(errno);
    content->clear();
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return ioErrorFromErrno(error);
        }
        if (n == 0)
            break;
        content->append(buffer, n);
    }
    ::close(fd);
    return IoError::None;
}

IoError OrderFileIo::copy(const QString& from, const QString& to)
{
    QByteArray content;
    if (const IoError error = read(from, &content); error != IoError::None)
        return error;
    const int fd = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, NewFileMode);
    if (fd < 0)
        return ioErrorFromErrno(errno);
    IoError error = writeAll(fd, content);
    if (error == IoError::None && ::fsync(fd) != 0)
        error = ioErrorFromErrno(errno);
    if (::close(fd) != 0 && error == IoError::None)
        error = ioErrorFromErrno(errno);
    return error;
}

IoError OrderFileIo::create(const QString& path)
{
    abandon();
    // A card without a MISC folder gets one; if that fails, open() below names the reason.
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo(folder).isDir())
        QDir().mkpath(folder);
    fd_ = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, NewFileMode);
    return fd_ < 0 ? ioErrorFromErrno(errno) : IoError::None;
}

IoError OrderFileIo::write(const QByteArray& bytes)
{
    if (fd_ < 0)
        return IoError::Other;
    return writeAll(fd_, bytes);
}

IoError OrderFileIo::finish()
{
    if (fd_ < 0)
        return IoError::Other;
    IoError error = IoError::None;
    if (::fsync(fd_) != 0 && errno != EINVAL)
        error = ioErrorFromErrno(errno);
    if (::close(fd_) != 0 && error == IoError::None)
        error = ioErrorFromErrno(errno);
    fd_ = -1;
    return error;
}

void OrderFileIo::abandon()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool OrderFileIo::remove(const QString& path)
{
    return ::unlink(QFile::encodeName(path).constData()) == 0;
}

} // namespace print
