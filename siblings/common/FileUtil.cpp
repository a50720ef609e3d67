#include "FileUtil.h"

#include "regular_file.h"

#include <cerrno>
#include <cstdio>
#include <strings.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ks {
namespace {

// Far beyond any folder of camera pictures; only a guard against looping for ever.
constexpr int kMaxNameCounter = 100000;

bool writeAll(int fd, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// The process's file-creation mask, read without changing it (umask() itself cannot be read without
// setting it, which would race with other threads creating files).
mode_t currentUmask()
{
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[128];
        unsigned mask = 0;
        while (std::fgets(line, sizeof line, status)) {
            if (std::sscanf(line, "Umask: %o", &mask) == 1) {
                std::fclose(status);
                return static_cast<mode_t>(mask);
            }
        }
        std::fclose(status);
    }
    return 022;
}

}  // namespace

bool fileExists(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

bool hasExtension(const std::string& path, const char* extension)
{
    return path.size() >= 4 && strcasecmp(path.c_str() + path.size() - 4, extension) == 0;
}

bool readWholeFile(const std::string& path, std::vector<unsigned char>& data, std::size_t maxBytes)
{
    const int fd = ks_open_regular(path.c_str());
    if (fd < 0)
        return false;
    struct stat info;
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)
              && static_cast<unsigned long long>(info.st_size) <= maxBytes;
    if (ok) {
        data.resize(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        while (ok && done < data.size()) {
            const ssize_t got = ::read(fd, data.data() + done, data.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                ok = false;
            else
                done += static_cast<std::size_t>(got);
        }
    }
    ::close(fd);
    return ok;
}

bool replaceFile(const std::string& path, const void* data, std::size_t size)
{
    std::string temporary = folderOf(path) + "/.kestrel-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return false;
    struct stat existing;
    const mode_t mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : (0666 & ~currentUmask());
    bool ok = writeAll(fd, data, size) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
}

bool writeNewFile(const std::string& path, const void* data, std::size_t size, bool* existed)
{
    if (existed)
        *existed = false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (existed)
            *existed = errno == EEXIST;
        return false;
    }
    bool ok = writeAll(fd, data, size);
    ok = ::close(fd) == 0 && ok;
    if (!ok)
        ::unlink(path.c_str());
    return ok;
}

std::string writeUniqueFile(const std::string& path, const std::string& extension, const void* data,
                            std::size_t size)
{
    bool existed = false;
    if (writeNewFile(path, data, size, &existed))
        return path;
    if (!existed || path.size() < 4)
        return {};
    const std::string stem = path.substr(0, path.size() - 4);
    for (int counter = 1; counter < kMaxNameCounter; ++counter) {
        char number[16];
        std::snprintf(number, sizeof number, "(%d)", counter);
        const std::string candidate = stem + number + extension;
        if (writeNewFile(candidate, data, size, &existed))
            return candidate;
        if (!existed)
            return {};
    }
    return {};
}

std::string replaceLastFour(const std::string& path, const std::string& extension)
{
    return (path.size() >= 4 ? path.substr(0, path.size() - 4) : path) + extension;
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace ks
