#include "DvTestSupport.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "Vistra32.h"

namespace dvtest {

std::vector<uint8_t> ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

const std::string &FixtureDir()
{
    static const std::string dir = [] {
        const std::string out = std::string(KESTREL_BUILD_DIR) + "/fixtures/dv";
        const std::string command =
            "'" + std::string(KESTREL_SOURCE_DIR) + "/scripts/fixtures/dv-frames.sh' '" + out + "'";
        if (std::system(command.c_str()) != 0)
            throw std::runtime_error("fixture script failed: " + command);
        return out;
    }();
    return dir;
}

std::vector<std::string> FixtureNames()
{
    std::vector<std::string> names;
    for (const char *source : {"testsrc2", "bars", "mandelbrot", "gradient", "woven"})
        for (const char *system : {"525", "625"})
            names.push_back(std::string(source) + "-" + system);
    return names;
}

Picture FromBitmap(const uint8_t *output)
{
    int32_t width, height;
    std::memcpy(&width, output + 4, 4);
    std::memcpy(&height, output + 8, 4);
    Picture p;
    p.width = width;
    p.height = height;
    p.bgr.resize(static_cast<size_t>(width) * height * 3);
    const int stride = (width * 3 + 3) & ~3;
    for (int y = 0; y < height; ++y)
        std::memcpy(p.At(0, y), output + 40 + static_cast<size_t>(height - 1 - y) * stride, width * 3);
    return p;
}

Picture FromRaw(const std::vector<uint8_t> &bgr, int width, int height)
{
    Picture p;
    p.width = width;
    p.height = height;
    p.bgr.assign(bgr.begin(), bgr.begin() + static_cast<long>(width) * height * 3);
    return p;
}

Decoded Decode(const std::vector<uint8_t> &file, uint32_t mode, uint32_t verticalTrim, uint32_t horizontalTrim)
{
    Decoded d;
    d.output.assign(DVCDEC_OUTPUT_SIZE, 0);
    std::vector<uint8_t> work(DVCDEC_WORK_AREA_SIZE, 0);
    DvDecodeRequest request{file.data(), d.output.data(), work.data(), mode, verticalTrim, horizontalTrim};
    d.status = dvcdec(&request);
    if (d.status == DVCDEC_OK || d.status == DVCDEC_NO_MEMORY)
        d.picture = FromBitmap(d.output.data());
    return d;
}

double Psnr(const Picture &a, const Picture &b, int columnStep)
{
    if (a.width != b.width || a.height != b.height)
        throw std::runtime_error("PSNR of pictures of different sizes");
    double sum = 0;
    size_t count = 0;
    for (int y = 0; y < a.height; ++y) {
        const uint8_t *p = a.At(0, y), *q = b.At(0, y);
        for (int x = 0; x < a.width; x += columnStep) {
            for (int c = 0; c < 3; ++c) {
                const double d = double(p[3 * x + c]) - double(q[3 * x + c]);
                sum += d * d;
            }
            count += 3;
        }
    }
    if (sum == 0)
        return 99.0;
    return 10.0 * std::log10(255.0 * 255.0 / (sum / double(count)));
}

bool UnderSanitizer()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

double Luma(const uint8_t *bgr)
{
    return 0.114 * bgr[0] + 0.587 * bgr[1] + 0.299 * bgr[2];
}

uint64_t Fnv1a(const uint8_t *data, size_t size)
{
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < size; ++i) {
        h ^= data[i];
        h *= 1099511628211ull;
    }
    return h;
}

} // namespace dvtest
