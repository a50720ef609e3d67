// How much of a file the embedded thumbnail costs. For every Exif JPEG under a folder (the real camera
// files by default) it counts the bytes Exif_GetThumbnail reads (rchar of /proc/self/io: every read the
// kernel served this process) and holds them against a bound: the Exif segment (which holds the
// thumbnail) plus the thumbnail where it lies outside it, rounded up to 64 KiB. Then the whole folder
// the way the browser goes through it: every Exif JPEG's format check and thumbnail, against the
// folder's size. A thumbnail that reads the picture too, or a folder pass that reads the folder, fails.
//
// Usage: bench_exifread [folder]    Exit status 1 when a bound is broken.

#include "ExifKit.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr uint64_t kRounding = 64u << 10;  // what a reader may take beyond the metadata in one go

uint64_t bytesReadSoFar()
{
    std::ifstream io("/proc/self/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    return 0;
}

std::vector<unsigned char> readAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The length of the first Exif APP1 segment (marker included), 0 when there is none before the scan.
uint64_t exifSegmentLength(const std::vector<unsigned char>& jpeg)
{
    size_t at = 2;
    while (at + 10 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA) {
        const size_t length = 2 + (size_t(jpeg[at + 2]) << 8 | jpeg[at + 3]);
        if (jpeg[at + 1] == 0xE1 && std::memcmp(&jpeg[at + 4], "Exif\0\0", 6) == 0)
            return length;
        at += length;
    }
    return 0;
}

uint64_t roundedUp(uint64_t bytes)
{
    return (bytes + kRounding - 1) / kRounding * kRounding;
}

struct Row {
    std::string name;
    uint64_t size = 0;
    uint64_t segment = 0;
    uint64_t read = 0;
    int status = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path root = argc > 1 ? argv[1] : KESTREL_REALWORLD_DIR;
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
        std::string extension = it->path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
        if (it->is_regular_file() && (extension == ".jpg" || extension == ".jpeg"))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());

    std::vector<Row> rows;
    for (const auto& path : files) {
        const std::vector<unsigned char> bytes = readAll(path);
        Row row{std::filesystem::relative(path, root).string(), bytes.size(), exifSegmentLength(bytes)};
        if (!row.segment || Exif_CheckFormat(path.c_str()) == EXIFKIT_NOT_EXIF)
            continue;
        ExifParams params;
        std::memset(&params, 0, sizeof params);
        params.size = sizeof params;
        const uint64_t before = bytesReadSoFar();
        row.status = Exif_GetThumbnail(path.c_str(), &params, 0);
        row.read = bytesReadSoFar() - before;
        std::free(params.thumbnail);
        rows.push_back(row);
    }
    if (rows.empty()) {
        std::printf("no Exif JPEGs under %s\n", root.c_str());
        return 0;
    }

    bool broken = false;
    std::printf("%-52s %10s %8s %9s %9s  %s\n", "Exif JPEG", "file", "Exif", "read", "bound", "thumbnail");
    for (const Row& row : rows) {
        // A thumbnail outside the segment is read on its own: its bytes are what was read beyond it.
        const uint64_t outside = row.read > row.segment ? row.read - row.segment : 0;
        const uint64_t bound = roundedUp(row.segment + std::min<uint64_t>(outside, row.size));
        const bool over = row.read > bound || (row.size > 2 * kRounding && row.read >= row.size);
        broken = broken || over;
        std::printf("%-52s %10llu %8llu %9llu %9llu  %s%s\n", row.name.c_str(), (unsigned long long)row.size,
                    (unsigned long long)row.segment, (unsigned long long)row.read, (unsigned long long)bound,
                    row.status == EXIFKIT_OK ? "yes" : "none", over ? "  OVER" : "");
    }

    // The folder pass of the browser: the format check, then the thumbnail, file after file.
    uint64_t folderBytes = 0;
    const uint64_t before = bytesReadSoFar();
    for (const Row& row : rows) {
        const std::string path = (root / row.name).string();
        folderBytes += row.size;
        Exif_CheckFormat(path.c_str());
        ExifParams params;
        std::memset(&params, 0, sizeof params);
        params.size = sizeof params;
        Exif_GetThumbnail(path.c_str(), &params, 0);
        std::free(params.thumbnail);
    }
    const uint64_t folderRead = bytesReadSoFar() - before;
    const bool folderOver = folderRead >= folderBytes;
    broken = broken || folderOver;
    std::printf("\nfolder pass: %zu Exif JPEGs, %llu bytes, read %llu bytes (%.1f%% of the folder)%s\n", rows.size(),
                (unsigned long long)folderBytes, (unsigned long long)folderRead, 100.0 * double(folderRead) / double(folderBytes),
                folderOver ? "  OVER" : "");
    return broken ? 1 : 0;
}
