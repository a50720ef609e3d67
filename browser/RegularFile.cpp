#include "browser/RegularFile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

EntryType typeOfMode(mode_t mode)
{
    if (S_ISREG(mode))
        return EntryType::Regular;
    if (S_ISDIR(mode))
        return EntryType::Directory;
    return EntryType::Special;
}

}  // namespace

EntryType entryTypeOf(const QString& path)
{
    if (path.isEmpty())
        return EntryType::Missing;
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return EntryType::Missing;
    return typeOfMode(info.st_mode);
}

bool openRegularFile(QFile& file, const QString& path, EntryType* type)
{
    EntryType found = entryTypeOf(path);
    if (found == EntryType::Regular) {
        // O_NONBLOCK keeps the open itself from waiting should a pipe have taken the file's place since
        // the look above; the descriptor is checked again before anything reads from it.
        int fd = -1;
        do {
            fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        } while (fd < 0 && errno == EINTR);
        struct stat info;
        if (fd < 0) {
            found = EntryType::Missing;
        } else if (::fstat(fd, &info) != 0 || (found = typeOfMode(info.st_mode)) != EntryType::Regular) {
            ::close(fd);
            if (found == EntryType::Regular)
                found = EntryType::Missing;
        } else {
            // Regular files ignore the flag, but reads through QFile should see a plain descriptor.
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
                if (type)
                    *type = EntryType::Regular;
                return true;
            }
            ::close(fd);
            found = EntryType::Missing;
        }
    }
    if (type)
        *type = found;
    return false;
}
