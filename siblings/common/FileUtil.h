#pragma once
// File helpers of the sibling libraries: whole-file reads with a size cap, writes that never leave a
// half-written file behind, and the "(%d)" naming that keeps an existing file from being overwritten.

#include <cstddef>
#include <string>
#include <vector>

namespace ks {

bool fileExists(const std::string& path);

// Case-insensitive comparison of the last four characters of `path` with `extension` (".jpg").
bool hasExtension(const std::string& path, const char* extension);

// Reads a whole regular file; false when it cannot be read or is larger than maxBytes.
bool readWholeFile(const std::string& path, std::vector<unsigned char>& data, std::size_t maxBytes);

// Writes `data` to a temporary file in the destination's folder and renames it over `path`, so that the
// destination is either untouched or complete. An existing file keeps its permissions.
bool replaceFile(const std::string& path, const void* data, std::size_t size);

// Creates `path` only when no file of that name exists and writes `data`; false (and nothing left
// behind) on any failure. existed receives whether the name was already taken.
bool writeNewFile(const std::string& path, const void* data, std::size_t size, bool* existed = nullptr);

// Writes `data` under `path`, or when that name is taken under the name with its last four characters
// replaced by "(1)" + extension, "(2)" + extension, ... until a new name works. Returns the name used,
// or an empty string on failure.
std::string writeUniqueFile(const std::string& path, const std::string& extension, const void* data,
                            std::size_t size);

// The path with its last four characters (the extension with its dot) replaced.
std::string replaceLastFour(const std::string& path, const std::string& extension);

// Folder part of a path (up to, not including, the last '/'), "." when there is none.
std::string folderOf(const std::string& path);

}  // namespace ks
