// A folder of its own for a fuzz target that must hand its input to code reading a file. It lies in
// $TMPDIR (scripts/fuzz points that at a memory file system, so that no input waits for a disk) and
// is removed, empty by then, when the fuzzer ends.
#pragma once

#include <cstdlib>
#include <string>

#include <unistd.h>

namespace fuzzing {

class ScratchFolder {
public:
    explicit ScratchFolder(const char* tag)
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/kestrel-" + tag + "-XXXXXX";
        if (mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~ScratchFolder()
    {
        if (!path_.empty())
            rmdir(path_.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Empty when the folder could not be made.
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace fuzzing
