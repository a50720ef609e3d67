#pragma once
// Helpers for the codec library tests: the fixture and real camera files, outside tools as oracles
// (djpeg, exiv2), and small packed DIBs built by hand.

#include "TestData.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace siblingtest {

// The fixtures of scripts/fixtures/imaging.sh, made once per build folder.
inline QString fixtureFolder()
{
    static const QString folder = [] {
        const QString out = QStringLiteral(KESTREL_BUILD_DIR "/fixtures/imaging");
        const int status = QProcess::execute(QStringLiteral(KESTREL_SOURCE_DIR "/scripts/fixtures/imaging.sh"), {out});
        EXPECT_EQ(status, 0) << "imaging fixtures could not be made";
        return out;
    }();
    return folder;
}

inline std::string fixture(const char* name)
{
    return (fixtureFolder() + QLatin1Char('/') + QLatin1String(name)).toStdString();
}

inline QString realWorldFolder()
{
    return QString::fromStdString(testdata::realWorld());
}

// Every JPEG (".jpg" in any case) of a category of the test data: first the real camera files under
// realworld/<category>, then the pictures made in their place under made/<category> (standing in for
// camera files whose licence we could not confirm). Each part is sorted by path.
inline std::vector<std::string> realJpegs(const char* category)
{
    std::vector<std::string> files;
    for (const char* part : {"realworld", "made"}) {
        const QString folder = QString::fromStdString(testdata::root()) + QLatin1Char('/') + QLatin1String(part) +
                               QLatin1Char('/') + QLatin1String(category);
        std::vector<std::string> found;
        QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive))
                found.push_back(path.toStdString());
        }
        std::sort(found.begin(), found.end());
        files.insert(files.end(), found.begin(), found.end());
    }
    if (files.empty())
        testdata::require(std::string("realworld/") + category);  // ends the program naming what is missing
    return files;
}

// Standard output of a tool; empty when it cannot run. Standard error is dropped.
inline QByteArray runTool(const QString& program, const QStringList& arguments, int* exitCode = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return {};
    if (exitCode)
        *exitCode = process.exitCode();
    return process.readAllStandardOutput();
}

// One value as exiv2 prints it ("-Pv"), trimmed; empty when the file has no such tag.
inline std::string exiv2Value(const std::string& path, const char* key)
{
    const QByteArray out = runTool(QStringLiteral("exiv2"), {QStringLiteral("-q"), QStringLiteral("-Pv"), QStringLiteral("-g"),
                                                               QLatin1String(key), QStringLiteral("pr"), QString::fromStdString(path)});
    // -g matches by substring; the first line is the tag itself when it exists.
    const QByteArray line = out.split('\n').value(0);
    return line.trimmed().toStdString();
}

// A picture as rows of red, green, blue, top line first.
struct Rgb {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;

    const uint8_t* at(int x, int y) const { return pixels.data() + (static_cast<std::size_t>(y) * width + x) * 3; }
};

inline uint32_t le32(const uint8_t* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The picture of a packed DIB of 8 (with colour table) or 24 bits, bottom-up or top-down.
inline Rgb dibPixels(const void* block)
{
    const auto* dib = static_cast<const uint8_t*>(block);
    Rgb rgb;
    rgb.width = static_cast<int32_t>(le32(dib + 4));
    const int32_t h = static_cast<int32_t>(le32(dib + 8));
    rgb.height = h < 0 ? -h : h;
    const unsigned bits = dib[14] | dib[15] << 8;
    uint32_t entries = le32(dib + 32);
    if (!entries && bits <= 8)
        entries = 1u << bits;
    const uint8_t* table = dib + 40;
    const uint8_t* bitsStart = table + entries * 4;
    const std::size_t stride = (static_cast<std::size_t>(rgb.width) * bits + 31) / 32 * 4;
    rgb.pixels.resize(static_cast<std::size_t>(rgb.width) * rgb.height * 3);
    for (int y = 0; y < rgb.height; ++y) {
        const uint8_t* row = bitsStart + static_cast<std::size_t>(h < 0 ? y : rgb.height - 1 - y) * stride;
        for (int x = 0; x < rgb.width; ++x) {
            uint8_t* out = rgb.pixels.data() + (static_cast<std::size_t>(y) * rgb.width + x) * 3;
            if (bits == 24) {
                out[0] = row[x * 3 + 2], out[1] = row[x * 3 + 1], out[2] = row[x * 3];
            } else {
                const uint8_t* e = table + row[x] * 4;
                out[0] = e[2], out[1] = e[1], out[2] = e[0];
            }
        }
    }
    return rgb;
}

// The picture of a BMP file image (file header first).
inline Rgb bmpPixels(const QByteArray& file)
{
    if (file.size() < 54)
        return {};
    return dibPixels(file.constData() + 14);
}

// djpeg's decode of a JPEG file with its defaults, as a BMP file image.
inline QByteArray djpegBmp(const std::string& path)
{
    return runTool(QStringLiteral("djpeg"), {QStringLiteral("-bmp"), QString::fromStdString(path)});
}

inline QByteArray readFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Mean absolute difference per channel of two pictures of the same size (255 when sizes differ).
inline double meanDifference(const Rgb& a, const Rgb& b)
{
    if (a.width != b.width || a.height != b.height || a.pixels.empty())
        return 255.0;
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        sum += std::abs(static_cast<int>(a.pixels[i]) - static_cast<int>(b.pixels[i]));
    return sum / static_cast<double>(a.pixels.size());
}

// The first differing pixel, for failure messages; "" when equal.
inline std::string firstMismatch(const Rgb& a, const Rgb& b)
{
    if (a.width != b.width || a.height != b.height)
        return "sizes " + std::to_string(a.width) + "x" + std::to_string(a.height) + " and " + std::to_string(b.width) + "x"
               + std::to_string(b.height);
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (std::memcmp(a.at(x, y), b.at(x, y), 3) != 0)
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return {};
}

// A packed DIB built by hand in a malloc'ed block: uncompressed, bottom-up unless topDown, `entries`
// colours in the table, every pixel byte from the generator (the padding stays 0).
struct DibSpec {
    int width = 1;
    int height = 1;
    unsigned bits = 24;
    uint32_t entries = 0;
    bool topDown = false;
    uint32_t compression = 0;
};

inline std::size_t dibStride(int width, unsigned bits)
{
    return (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
}

inline void* makeDib(const DibSpec& shape, uint32_t seed)
{
    const std::size_t stride = dibStride(shape.width, shape.bits);
    const std::size_t maskBytes = shape.compression == 3 ? 12 : 0;
    const std::size_t total = 40 + maskBytes + shape.entries * 4 + stride * shape.height;
    auto* dib = static_cast<uint8_t*>(std::calloc(1, total));
    const int32_t height = shape.topDown ? -shape.height : shape.height;
    const uint32_t image = static_cast<uint32_t>(stride * shape.height);
    const uint32_t header[] = {40, static_cast<uint32_t>(shape.width), static_cast<uint32_t>(height)};
    std::memcpy(dib, header, 12);
    dib[12] = 1;
    dib[14] = static_cast<uint8_t>(shape.bits);
    std::memcpy(dib + 16, &shape.compression, 4);
    std::memcpy(dib + 20, &image, 4);
    const int32_t resolution[] = {2835, 3780};
    std::memcpy(dib + 24, resolution, 8);
    std::memcpy(dib + 32, &shape.entries, 4);
    if (maskBytes) {
        const uint32_t masks[] = {shape.bits == 16 ? 0xF800u : 0xFF0000u, shape.bits == 16 ? 0x07E0u : 0xFF00u,
                                  shape.bits == 16 ? 0x001Fu : 0xFFu};
        std::memcpy(dib + 40, masks, 12);
    }
    std::mt19937 random(seed);
    uint8_t* table = dib + 40 + maskBytes;
    for (uint32_t i = 0; i < shape.entries * 4; ++i)
        table[i] = static_cast<uint8_t>(i % 4 == 3 ? 0 : random());
    uint8_t* pixels = table + shape.entries * 4;
    const std::size_t used = (static_cast<std::size_t>(shape.width) * shape.bits + 7) / 8;
    for (int y = 0; y < shape.height; ++y)
        for (std::size_t i = 0; i < used; ++i) {
            uint8_t value = static_cast<uint8_t>(random());
            // The last byte of a row of sub-byte pixels keeps its unused low bits clear, as writers do.
            if (i == used - 1 && shape.bits < 8) {
                const unsigned unusedBits = static_cast<unsigned>(used * 8 - static_cast<std::size_t>(shape.width) * shape.bits);
                value = static_cast<uint8_t>(value & (0xFF << unusedBits));
            }
            pixels[static_cast<std::size_t>(y) * stride + i] = value;
        }
    return dib;
}

inline std::size_t dibTotal(const void* block)
{
    const auto* dib = static_cast<const uint8_t*>(block);
    const int32_t width = static_cast<int32_t>(le32(dib + 4));
    const int32_t h = static_cast<int32_t>(le32(dib + 8));
    const unsigned bits = dib[14] | dib[15] << 8;
    const uint32_t compression = le32(dib + 16);
    uint32_t entries = le32(dib + 32);
    if (!entries && bits <= 8)
        entries = 1u << bits;
    return 40 + (compression == 3 ? 12 : 0) + entries * 4 + dibStride(width, bits) * static_cast<std::size_t>(h < 0 ? -h : h);
}

// Owns a malloc'ed block for the length of a test.
struct Block {
    void* p = nullptr;
    explicit Block(void* block = nullptr) : p(block) {}
    ~Block() { std::free(p); }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    void reset(void* block) { std::free(p); p = block; }
    void* get() const { return p; }
};

}  // namespace siblingtest
