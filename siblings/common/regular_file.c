#include "regular_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int ks_open_regular(const char* path)
{
    struct stat info;
    if (!path || !*path) {
        errno = ENOENT;
        return -1;
    }
    if (stat(path, &info) != 0)
        return -1;
    if (!S_ISREG(info.st_mode)) {
        errno = EINVAL;
        return -1;
    }
    /* Non-blocking only while opening: should the name have become a FIFO after the look above, the
     * open returns at once and the check below turns it away. */
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}
