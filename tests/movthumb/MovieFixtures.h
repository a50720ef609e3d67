#pragma once
// Helpers shared by the movie thumbnail tests: the fixture folder (made by scripts/fixtures/movies.sh on
// first use, once for all test processes), PPM pictures and packed DIBs as plain RGB pixels, and PSNR.

#include "TestData.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace movietest {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // top line first, 3 bytes a pixel

    bool empty() const { return width <= 0 || height <= 0; }
};

// Runs a fixture script (idempotent, serialised across processes) and returns its output folder.
inline std::string fixtureFolder(const std::string& script, const std::string& name, const std::string& extra = {})
{
    const std::string out = std::string(KESTREL_BUILD_DIR) + "/fixtures/" + name;
    if (!std::filesystem::exists(out + "/.complete")) {
        std::string command = "bash '" + std::string(KESTREL_SOURCE_DIR) + "/scripts/fixtures/" + script + "' '" + out + "'";
        if (!extra.empty())
            command += " '" + extra + "'";
        if (std::system(command.c_str()) != 0)
            return {};
    }
    return out;
}

inline std::string movieFixtures()
{
    return fixtureFolder("movies.sh", "movies", testdata::realWorld("movies_mjpeg"));
}

inline std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A binary PPM (P6, maxval 255) as djpeg and ffmpeg write it.
inline Picture readPpm(const std::string& path)
{
    const std::vector<uint8_t> bytes = readFile(path);
    Picture picture;
    size_t at = 0;
    auto token = [&]() {
        std::string word;
        while (at < bytes.size()) {
            const char c = static_cast<char>(bytes[at]);
            if (c == '#') {
                while (at < bytes.size() && bytes[at] != '\n')
                    ++at;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                if (!word.empty())
                    break;
                ++at;
            } else {
                word += c;
                ++at;
            }
        }
        return word;
    };
    if (token() != "P6")
        return {};
    picture.width = std::atoi(token().c_str());
    picture.height = std::atoi(token().c_str());
    if (token() != "255")
        return {};
    ++at;  // the one whitespace byte before the pixels
    const size_t size = static_cast<size_t>(picture.width) * picture.height * 3;
    if (picture.empty() || bytes.size() < at + size)
        return {};
    picture.rgb.assign(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at + size));
    return picture;
}

inline uint32_t readLe32(const uint8_t* at)
{
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

// A 24-bit bottom-up packed DIB as top-down RGB; empty for anything else.
inline Picture dibPicture(const void* dib)
{
    const auto* bytes = static_cast<const uint8_t*>(dib);
    if (!bytes || readLe32(bytes) != 40 || (readLe32(bytes + 12) >> 16) != 24 || readLe32(bytes + 16) != 0)
        return {};
    Picture picture;
    picture.width = static_cast<int>(readLe32(bytes + 4));
    picture.height = static_cast<int>(readLe32(bytes + 8));
    if (picture.empty())
        return {};
    const size_t stride = (static_cast<size_t>(picture.width) * 3 + 3) / 4 * 4;
    picture.rgb.resize(static_cast<size_t>(picture.width) * picture.height * 3);
    for (int y = 0; y < picture.height; ++y) {
        const uint8_t* row = bytes + 40 + stride * static_cast<size_t>(picture.height - 1 - y);
        for (int x = 0; x < picture.width; ++x) {
            uint8_t* to = &picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3];
            to[0] = row[3 * x + 2];
            to[1] = row[3 * x + 1];
            to[2] = row[3 * x + 0];
        }
    }
    return picture;
}

inline double psnr(const Picture& a, const Picture& b)
{
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size() || a.rgb.empty())
        return 0.0;
    double sum = 0.0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        const double d = double(a.rgb[i]) - double(b.rgb[i]);
        sum += d * d;
    }
    const double mse = sum / double(a.rgb.size());
    return mse == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

// The first pixel where two pictures differ, as "x,y: r g b vs r g b", or empty when they are equal.
inline std::string firstDifference(const Picture& a, const Picture& b)
{
    if (a.width != b.width || a.height != b.height)
        return "sizes differ: " + std::to_string(a.width) + "x" + std::to_string(a.height) + " vs " +
               std::to_string(b.width) + "x" + std::to_string(b.height);
    for (size_t i = 0; i + 2 < a.rgb.size(); i += 3) {
        if (std::memcmp(&a.rgb[i], &b.rgb[i], 3) != 0) {
            const size_t pixel = i / 3;
            return std::to_string(pixel % a.width) + "," + std::to_string(pixel / a.width) + ": " +
                   std::to_string(a.rgb[i]) + " " + std::to_string(a.rgb[i + 1]) + " " + std::to_string(a.rgb[i + 2]) +
                   " vs " + std::to_string(b.rgb[i]) + " " + std::to_string(b.rgb[i + 1]) + " " +
                   std::to_string(b.rgb[i + 2]);
        }
    }
    return {};
}

// A private temporary folder, removed with the object.
class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kestrel-movtest-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    size_t entryCount() const
    {
        size_t count = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(path_))
            ++count;
        return count;
    }

private:
    std::string path_;
};

}  // namespace movietest
