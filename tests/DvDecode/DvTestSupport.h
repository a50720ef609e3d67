// Helpers shared by the Vistra32 tests: fixtures, decoding through the export, pictures, PSNR.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dvtest {

// A picture top line first, 3 bytes per pixel (blue, green, red), no padding.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bgr;

    const uint8_t *At(int x, int y) const { return &bgr[(static_cast<size_t>(y) * width + x) * 3]; }
    uint8_t *At(int x, int y) { return &bgr[(static_cast<size_t>(y) * width + x) * 3]; }
};

struct Decoded {
    uint32_t status = 0;
    Picture picture;
    std::vector<uint8_t> output; // the raw output buffer
};

std::vector<uint8_t> ReadFile(const std::string &path);

// The folder of the DV fixtures, made by scripts/fixtures/dv-frames.sh on first use.
const std::string &FixtureDir();
std::vector<std::string> FixtureNames();

// Decodes a frame file through dvcdec with fresh buffers.
Decoded Decode(const std::vector<uint8_t> &file, uint32_t mode, uint32_t verticalTrim = 0,
               uint32_t horizontalTrim = 0);

// Reads the packed bitmap at the start of `output`; checks nothing but the header's own fields.
Picture FromBitmap(const uint8_t *output);

// Raw BGR24 picture, top line first.
Picture FromRaw(const std::vector<uint8_t> &bgr, int width, int height);

// PSNR over all channels of the pixels in every `columnStep`-th column.
double Psnr(const Picture &a, const Picture &b, int columnStep = 1);

// Whether the tests run under a sanitizer (slow): the heaviest numeric checks then take fewer frames.
bool UnderSanitizer();

// BT.601 luma of a pixel.
double Luma(const uint8_t *bgr);

// 64-bit FNV-1a.
uint64_t Fnv1a(const uint8_t *data, size_t size);

} // namespace dvtest
