#include "imaging/DibResampler.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace imaging {
namespace {

// Each target pixel of the smoothing path averages a block of this many intermediate pixels a side.
constexpr int kBlock = 4;
constexpr int kBlockShift = 4;  // log2 of kBlock * kBlock
// The last columns of the target that take a block's top-left sample instead of its average.
constexpr int kEdgeColumns = 2;

using Bgr = std::array<uint8_t, 3>;

// Reads source pixels as blue-green-red whatever the depth.
class SourceReader {
public:
    explicit SourceReader(const PackedDib& dib) : dib_(dib), bits_(dib.bitCount()), entries_(dib.colourEntries()) {}

    Bgr pixel(int x, const uint8_t* row) const
    {
        switch (bits_) {
        case 32:
        case 24: {
            const uint8_t* p = row + static_cast<std::size_t>(x) * (bits_ / 8);
            return {p[0], p[1], p[2]};
        }
        case 16: {
            const unsigned v = row[x * 2] | row[x * 2 + 1] << 8;
            return {widen(v & 0x1F), widen((v >> 5) & 0x1F), widen((v >> 10) & 0x1F)};
        }
        default: {
            const unsigned index = row[x];
            if (index >= entries_)
                return {0, 0, 0};
            const uint8_t* e = dib_.colourTable() + index * 4;
            return {e[0], e[1], e[2]};
        }
        }
    }

private:
    static uint8_t widen(unsigned five) { return static_cast<uint8_t>(five << 3 | five >> 2); }

    const PackedDib& dib_;
    unsigned bits_;
    uint32_t entries_;
};

// A 1-, 2- or 4-bit picture as an 8-bit one with the same colour table.
PackedDib expandTo8(const PackedDib& source)
{
    const uint32_t entries = source.colourEntries();
    PackedDib out = PackedDib::blank(source.width(), source.height(), 8);
    if (!out)
        return out;
    out.header().clrUsed = entries;
    out.header().xPelsPerMeter = source.header().xPelsPerMeter;
    out.header().yPelsPerMeter = source.header().yPelsPerMeter;
    // blank() made room for 256 entries; with fewer used the pixels now start earlier, which only leaves
    // unused room at the block's end.
    std::memcpy(reinterpret_cast<uint8_t*>(out.get()) + kDibHeaderSize, source.colourTable(), entries * 4u);
    const unsigned bits = source.bitCount();
    const unsigned perByte = 8 / bits;
    for (int y = 0; y < source.height(); ++y) {
        const uint8_t* in = source.row(y);
        uint8_t* line = out.row(y);
        for (int x = 0; x < source.width(); ++x) {
            const unsigned shift = 8 - bits * (static_cast<unsigned>(x) % perByte + 1);
            line[x] = static_cast<uint8_t>((in[static_cast<unsigned>(x) / perByte] >> shift) & ((1u << bits) - 1));
        }
    }
    return out;
}

int clampIndex(double position, int size)
{
    const long long index = static_cast<long long>(position);
    return index < 0 ? 0 : index >= size ? size - 1 : static_cast<int>(index);
}

// One walk along a line: `count` positions from start, one step apart, as source indexes.
void walk(double start, double step, int count, int size, std::vector<int>& indexes)
{
    indexes.resize(static_cast<std::size_t>(count));
    double position = start;
    for (int i = 0; i < count; ++i) {
        indexes[static_cast<std::size_t>(i)] = clampIndex(position, size);
        position += step;
    }
}

void resamplePlain(const PackedDib& source, PackedDib& target, const FitRectangle& fitted)
{
    const SourceReader reader(source);
    const double xStep = static_cast<double>(source.width()) / fitted.width();
    const double yStep = static_cast<double>(source.height()) / fitted.height();
    std::vector<int> columns;
    walk(fitted.left * xStep, xStep, fitted.width(), source.width(), columns);
    const int rows = std::min(fitted.height(), target.height());
    const int count = std::min(fitted.width(), target.width());
    double y = fitted.top * yStep;
    for (int ty = 0; ty < rows; ++ty, y += yStep) {
        const uint8_t* in = source.row(clampIndex(y, source.height()));
        uint8_t* out = target.row(ty);
        for (int tx = 0; tx < count; ++tx) {
            const Bgr p = reader.pixel(columns[static_cast<std::size_t>(tx)], in);
            std::memcpy(out + tx * 3, p.data(), 3);
        }
    }
}

void resampleSmooth(const PackedDib& source, PackedDib& target, const FitRectangle& fitted)
{
    const SourceReader reader(source);
    const int wideWidth = fitted.width() * kBlock;
    const int wideHeight = fitted.height() * kBlock;
    const double xStep = static_cast<double>(source.width()) / wideWidth;
    const double yStep = static_cast<double>(source.height()) / wideHeight;
    std::vector<int> columns;
    walk(fitted.left * kBlock * xStep, xStep, wideWidth, source.width(), columns);
    // Four intermediate rows, blue-green-red, made as the walk goes down the picture.
    std::vector<Bgr> band(static_cast<std::size_t>(wideWidth) * kBlock);
    const int rows = std::min(fitted.height(), target.height());
    const int count = std::min(fitted.width(), target.width());
    const int edge = target.width() - kEdgeColumns;
    double y = fitted.top * kBlock * yStep;
    for (int ty = 0; ty < rows; ++ty) {
        for (int r = 0; r < kBlock; ++r, y += yStep) {
            const uint8_t* in = source.row(clampIndex(y, source.height()));
            Bgr* line = band.data() + static_cast<std::size_t>(r) * wideWidth;
            for (int x = 0; x < wideWidth; ++x)
                line[x] = reader.pixel(columns[static_cast<std::size_t>(x)], in);
        }
        uint8_t* out = target.row(ty);
        for (int tx = 0; tx < count; ++tx) {
            if (tx >= edge) {
                std::memcpy(out + tx * 3, band[static_cast<std::size_t>(tx) * kBlock].data(), 3);
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                unsigned sum = 0;
                for (int r = 0; r < kBlock; ++r)
                    for (int i = 0; i < kBlock; ++i)
                        sum += band[static_cast<std::size_t>(r) * wideWidth + static_cast<std::size_t>(tx) * kBlock + i][c];
                out[tx * 3 + c] = static_cast<uint8_t>(sum >> kBlockShift);
            }
        }
    }
}

}  // namespace

int resampleDib(const PackedDib& source, PackedDib& target, const FitRectangle& fitted, bool smooth)
{
    if (!source.isValid() || !target.isValid() || target.bitCount() != 24 || target.isCompressed()
        || fitted.width() <= 0 || fitted.height() <= 0 || source.isCompressed())
        return kResampleRefused;
    PackedDib expanded;
    const PackedDib* picture = &source;
    if (source.bitCount() < 8) {
        expanded = expandTo8(source);
        if (!expanded)
            return kResampleRefused;
        picture = &expanded;
    }
    const bool larger = picture->width() > fitted.width() && picture->height() > fitted.height();
    if (smooth && larger)
        resampleSmooth(*picture, target, fitted);
    else
        resamplePlain(*picture, target, fitted);
    return kResampleOk;
}

}  // namespace imaging
