#pragma once
// The test data kept in the checkout (tests/data): real camera files under realworld/ (see its
// SOURCES.md) and pictures made by scripts/fixtures/jfxx.sh under made/.
//
// A file that is missing ends the test program with a message naming it: callers go on to index into
// picture lists and compare pixels, so carrying on would only turn a packaging mistake into a crash or
// a pile of unrelated failures.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace testdata {

inline std::string root()
{
    return KESTREL_TESTDATA_DIR;
}

// The absolute path of `relative` under tests/data; it must exist (file or folder).
inline std::string require(const std::string& relative)
{
    const std::string path = root() + "/" + relative;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        std::fprintf(stderr,
                     "\nTest data missing: %s\nThe tests read their camera files from tests/data in the checkout; "
                     "restore that folder (git checkout -- tests/data).\n",
                     path.c_str());
        std::fflush(stderr);
        std::exit(EXIT_FAILURE);
    }
    return path;
}

// A real camera file (or folder) under tests/data/realworld, e.g. "jpeg_exif/Canon IXUS.jpg".
inline std::string realWorld(const std::string& relative = {})
{
    return require(relative.empty() ? std::string("realworld") : "realworld/" + relative);
}

}  // namespace testdata
