#pragma once
// Fuzz inputs as files: the readers under test take paths, so each input is written to an anonymous
// in-memory file and handed over as /proc/self/fd/N.

#include <cstddef>
#include <cstdint>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

class FuzzFile {
public:
    FuzzFile(const uint8_t* data, std::size_t size)
    {
        fd_ = memfd_create("fuzz-input", 0);
        if (fd_ < 0)
            return;
        std::size_t done = 0;
        while (done < size) {
            const ssize_t written = ::write(fd_, data + done, size - done);
            if (written <= 0)
                break;
            done += static_cast<std::size_t>(written);
        }
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~FuzzFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FuzzFile(const FuzzFile&) = delete;
    FuzzFile& operator=(const FuzzFile&) = delete;

    bool ok() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};
