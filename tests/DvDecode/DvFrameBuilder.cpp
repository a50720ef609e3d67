#include "DvFrameBuilder.h"

#include <cstring>
#include <map>
#include <random>
#include <stdexcept>
#include <string>

namespace dvtest {
namespace {

// The format's AC code words without their sign bit: (bits, run, amplitude).
struct Word {
    const char *bits;
    int run, amplitude;
};
const Word kWords[] = {
    {"00", 0, 1}, {"010", 0, 2}, {"0111", 1, 1}, {"1000", 0, 3}, {"1001", 0, 4}, {"10100", 2, 1},
    {"10101", 1, 2}, {"10110", 0, 5}, {"10111", 0, 6}, {"110000", 3, 1}, {"110001", 4, 1}, {"110010", 0, 7},
    {"110011", 0, 8}, {"1101000", 5, 1}, {"1101001", 6, 1}, {"1101010", 2, 2}, {"1101011", 1, 3},
    {"1101100", 1, 4}, {"1101101", 0, 9}, {"1101110", 0, 10}, {"1101111", 0, 11}, {"11100000", 7, 1},
    {"11100001", 8, 1}, {"11100010", 9, 1}, {"11100011", 10, 1}, {"11100100", 3, 2}, {"11100101", 4, 2},
    {"11100110", 2, 3}, {"11100111", 1, 5}, {"11101000", 1, 6}, {"11101001", 1, 7}, {"11101010", 0, 12},
    {"11101011", 0, 13}, {"11101100", 0, 14}, {"11101101", 0, 15}, {"11101110", 0, 16}, {"11101111", 0, 17},
    {"111100000", 11, 1}, {"111100001", 12, 1}, {"111100010", 13, 1}, {"111100011", 14, 1},
    {"111100100", 5, 2}, {"111100101", 6, 2}, {"111100110", 3, 3}, {"111100111", 4, 3}, {"111101000", 2, 4},
    {"111101001", 2, 5}, {"111101010", 1, 8}, {"111101011", 0, 18}, {"111101100", 0, 19},
    {"111101101", 0, 20}, {"111101110", 0, 21}, {"111101111", 0, 22}, {"1111100000", 5, 3},
    {"1111100001", 3, 4}, {"1111100010", 3, 5}, {"1111100011", 2, 6}, {"1111100100", 1, 9},
    {"1111100101", 1, 10}, {"1111100110", 1, 11}, {"11111001110", 0, 0}, {"11111001111", 1, 0},
    {"11111010000", 6, 3}, {"11111010001", 4, 4}, {"11111010010", 3, 6}, {"11111010011", 1, 12},
    {"11111010100", 1, 13}, {"11111010101", 1, 14}, {"111110101100", 2, 0}, {"111110101101", 3, 0},
    {"111110101110", 4, 0}, {"111110101111", 5, 0}, {"111110110000", 7, 2}, {"111110110001", 8, 2},
    {"111110110010", 9, 2}, {"111110110011", 10, 2}, {"111110110100", 7, 3}, {"111110110101", 8, 3},
    {"111110110110", 4, 5}, {"111110110111", 3, 7}, {"111110111000", 2, 7}, {"111110111001", 2, 8},
    {"111110111010", 2, 9}, {"111110111011", 2, 10}, {"111110111100", 2, 11}, {"111110111101", 1, 15},
    {"111110111110", 1, 16}, {"111110111111", 1, 17},
};

const std::map<std::pair<int, int>, std::string> &CodeMap()
{
    static const std::map<std::pair<int, int>, std::string> map = [] {
        std::map<std::pair<int, int>, std::string> m;
        for (const Word &w : kWords)
            m[{w.run, w.amplitude}] = w.bits;
        return m;
    }();
    return map;
}

void Put(std::vector<bool> &bits, const std::string &code)
{
    for (char c : code)
        bits.push_back(c == '1');
}

void PutNumber(std::vector<bool> &bits, unsigned value, int count)
{
    for (int i = count - 1; i >= 0; --i)
        bits.push_back((value >> i) & 1);
}

// Scans, areas and steps of the format, kept here independently of the library.
const int kZigzag88[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
                           41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
                           30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
const int kZigzag248[64] = {0,  32, 1,  33, 8,  40, 2,  34, 9,  41, 16, 48, 24, 56, 17, 49, 10, 42, 3,  35, 4,  36,
                            11, 43, 18, 50, 25, 57, 26, 58, 19, 51, 12, 44, 5,  37, 6,  38, 13, 45, 20, 52, 27, 59,
                            28, 60, 21, 53, 14, 46, 7,  39, 15, 47, 22, 54, 29, 61, 30, 62, 23, 55, 31, 63};
const int kShift[16][4] = {{3, 3, 4, 4}, {3, 3, 4, 4}, {2, 3, 3, 4}, {2, 3, 3, 4}, {2, 2, 3, 3}, {2, 2, 3, 3},
                           {1, 2, 2, 3}, {1, 2, 2, 3}, {1, 1, 2, 2}, {1, 1, 2, 2}, {0, 1, 1, 2}, {0, 1, 1, 2},
                           {0, 0, 1, 1}, {0, 0, 1, 1}, {0, 0, 0, 1}, {0, 0, 0, 0}};
const int kClassOffset[4] = {6, 3, 0, 1};

int Area(int scan)
{
    return scan <= 5 ? 0 : scan <= 20 ? 1 : scan <= 42 ? 2 : 3;
}

const int kBlockOffset[6] = {4, 18, 32, 46, 60, 70};
const int kBlockBytes[6] = {14, 14, 14, 14, 10, 10};

// Writes bits into a byte buffer at a bit position.
void WriteBits(std::vector<uint8_t> &bytes, size_t at, const std::vector<bool> &bits, size_t from, size_t count)
{
    for (size_t i = 0; i < count; ++i, ++at) {
        uint8_t mask = static_cast<uint8_t>(0x80u >> (at & 7));
        if (bits[from + i])
            bytes[at >> 3] |= mask;
        else
            bytes[at >> 3] &= static_cast<uint8_t>(~mask);
    }
}

struct Region {
    size_t start, end; // bit positions in the segment
};

} // namespace

std::vector<bool> EncodeCodes(const std::vector<Code> &codes, bool endOfBlock)
{
    std::vector<bool> bits;
    for (const Code &c : codes) {
        const int magnitude = c.amplitude < 0 ? -c.amplitude : c.amplitude;
        if (magnitude == 0) {
            auto it = CodeMap().find({c.run, 0});
            if (it != CodeMap().end()) {
                Put(bits, it->second);
            } else {
                Put(bits, "1111110");
                PutNumber(bits, static_cast<unsigned>(c.run), 6);
            }
            continue;
        }
        auto it = CodeMap().find({c.run, magnitude});
        if (it != CodeMap().end()) {
            Put(bits, it->second);
            bits.push_back(c.amplitude < 0);
            continue;
        }
        if (c.run > 0) {
            // A pair without a code of its own: the zero run first, then the amplitude.
            const std::vector<bool> pair = EncodeCodes({{c.run - 1, 0}, {0, c.amplitude}}, false);
            bits.insert(bits.end(), pair.begin(), pair.end());
            continue;
        }
        if (magnitude > 255)
            throw std::runtime_error("amplitude out of range");
        Put(bits, "1111111");
        PutNumber(bits, static_cast<unsigned>(magnitude), 8);
        bits.push_back(c.amplitude < 0);
    }
    if (endOfBlock)
        Put(bits, "0110");
    return bits;
}

std::vector<Expected> ExpectedCoefficients(const BlockContent &block, int qno)
{
    std::vector<Expected> out;
    const int *zigzag = block.dct248 ? kZigzag248 : kZigzag88;
    int index = qno + kClassOffset[block.klass];
    index = index > 15 ? 15 : index;
    int scan = 0;
    for (const Code &c : block.codes) {
        const int magnitude = c.amplitude < 0 ? -c.amplitude : c.amplitude;
        scan += c.run + 1;
        if (scan > 63)
            break;
        if (magnitude == 0)
            continue;
        const int shift = 4 + kShift[index][Area(scan)] + (block.klass == 3);
        // A code of its own stores (4 A + 1); the amplitude escape stores 2 x (A, sign) as a 9-bit field.
        const bool own = CodeMap().count({c.run, magnitude}) || CodeMap().count({0, magnitude});
        int32_t value;
        if (own)
            value = (4 * magnitude + 1) * (1 << shift) * (c.amplitude < 0 ? -1 : 1);
        else
            value = c.amplitude < 0 ? -(2 * (2 * magnitude + 1)) * (1 << shift) : 2 * (2 * magnitude) * (1 << shift);
        out.push_back({zigzag[scan], value});
    }
    return out;
}

std::vector<uint8_t> FrameBuilder::EncodeSegment(const std::array<MacroblockContent, 5> &mbs)
{
    std::vector<uint8_t> seg(400, 0);
    std::vector<std::vector<bool>> streams(30);
    std::vector<size_t> used(30, 0);
    std::vector<Region> own(30);
    for (int m = 0; m < 5; ++m) {
        uint8_t *dif = &seg[m * 80];
        dif[0] = 0x90;
        dif[1] = 0x07;
        dif[2] = static_cast<uint8_t>(m);
        dif[3] = static_cast<uint8_t>((mbs[m].sta & 15) << 4 | (mbs[m].qno & 15));
        for (int b = 0; b < 6; ++b) {
            const BlockContent &block = mbs[m].blocks[b];
            const int i = m * 6 + b;
            const size_t start = static_cast<size_t>(m * 80 + kBlockOffset[b]) * 8;
            std::vector<bool> header;
            PutNumber(header, static_cast<unsigned>(block.dc) & 511u, 9);
            header.push_back(block.dct248);
            PutNumber(header, static_cast<unsigned>(block.klass), 2);
            WriteBits(seg, start, header, 0, header.size());
            own[i] = {start + 12, start + static_cast<size_t>(kBlockBytes[b]) * 8};
            streams[i] = EncodeCodes(block.codes, block.endOfBlock);
        }
    }
    // Pass 1: every block into its own area.
    std::vector<Region> spare(30);
    for (int i = 0; i < 30; ++i) {
        const size_t room = own[i].end - own[i].start, n = std::min(room, streams[i].size());
        WriteBits(seg, own[i].start, streams[i], 0, n);
        used[i] = n;
        spare[i] = {own[i].start + n, own[i].end};
    }
    auto finished = [&](int i) { return used[i] == streams[i].size(); };
    // Writes the rest of block i into the regions in order, from region r and bit offset at.
    auto spill = [&](int i, std::vector<Region> &pool, size_t &r) {
        while (!finished(i) && r < pool.size()) {
            Region &g = pool[r];
            const size_t n = std::min(g.end - g.start, streams[i].size() - used[i]);
            WriteBits(seg, g.start, streams[i], used[i], n);
            used[i] += n;
            g.start += n;
            if (g.start == g.end)
                ++r;
        }
    };
    // Pass 2: per macroblock, spare bits of its finished blocks.
    std::vector<Region> left;
    for (int m = 0; m < 5; ++m) {
        std::vector<Region> pool;
        for (int b = 0; b < 6; ++b)
            if (finished(m * 6 + b) && spare[m * 6 + b].start < spare[m * 6 + b].end)
                pool.push_back(spare[m * 6 + b]);
        size_t r = 0;
        for (int b = 0; b < 6; ++b)
            spill(m * 6 + b, pool, r);
        for (; r < pool.size(); ++r)
            if (pool[r].start < pool[r].end)
                left.push_back(pool[r]);
    }
    // Pass 3: what is left anywhere in the segment.
    size_t r = 0;
    for (int i = 0; i < 30; ++i)
        spill(i, left, r);
    return seg;
}

FrameBuilder::FrameBuilder(bool is525) : is525_(is525), data_(static_cast<size_t>(Sequences()) * 11920, 0) {}

size_t FrameBuilder::SegmentOffset(int sequence, int segment)
{
    return static_cast<size_t>(sequence) * 11920 + 480 + static_cast<size_t>(segment) * 400 +
           static_cast<size_t>(segment / 3) * 80;
}

Place FrameBuilder::PlaceOf(int sequence, int segment, int m) const
{
    static const int rowOffset[5] = {2, 6, 8, 0, 4}, column[5] = {2, 1, 3, 0, 4};
    const int n = Sequences(), row = (sequence + rowOffset[m]) % n, j = column[m], k = segment;
    if (!is525_) {
        const int c = k / 3, r = (c % 2 == 0) ? k % 3 : 2 - k % 3;
        return {144 * j + 16 * c, 48 * row + 16 * r, false};
    }
    static const int start[5] = {0, 4, 9, 13, 18};
    const int e = k + ((j == 1 || j == 3) ? 3 : 0), c = e / 6, r = (c % 2 == 0) ? e % 6 : 5 - e % 6;
    const int x = start[j] + c;
    if (x <= 21)
        return {32 * x, 48 * row + 8 * r, false};
    return {704, 48 * row + 16 * r, true};
}

void FrameBuilder::Fill(const std::function<MacroblockContent(int, int, int, Place)> &content)
{
    for (int i = 0; i < Sequences(); ++i) {
        for (int k = 0; k < 27; ++k) {
            std::array<MacroblockContent, 5> mbs;
            for (int m = 0; m < 5; ++m)
                mbs[m] = content(i, k, m, PlaceOf(i, k, m));
            const auto seg = EncodeSegment(mbs);
            std::memcpy(&data_[SegmentOffset(i, k)], seg.data(), seg.size());
        }
    }
}

std::vector<uint8_t> FrameBuilder::File() const
{
    const uint32_t dataSize = static_cast<uint32_t>(data_.size()), total = dataSize + 32;
    std::vector<uint8_t> file = {'D', 'V', 'F', ' ', '1', '.', '0', '0', 'S', 'D', static_cast<uint8_t>(is525_ ? '5' : '6'), 0};
    for (uint32_t v : {total, dataSize, 32u})
        for (int s = 24; s >= 0; s -= 8)
            file.push_back(static_cast<uint8_t>(v >> s));
    file.resize(32, 0);
    file.insert(file.end(), data_.begin(), data_.end());
    return file;
}

std::vector<uint8_t> UniformFrame(bool is525, int yDc, int crDc, int cbDc)
{
    FrameBuilder builder(is525);
    builder.Fill([&](int, int, int, Place) {
        MacroblockContent mb;
        for (int b = 0; b < 6; ++b)
            mb.blocks[b].dc = b < 4 ? yDc : b == 4 ? crDc : cbDc;
        return mb;
    });
    return builder.File();
}

std::vector<uint8_t> RandomContentFrame(bool is525, uint32_t seed)
{
    // Raw generator outputs only: the distributions of <random> differ between libraries.
    std::mt19937 random(seed);
    auto below = [&](uint32_t n) { return static_cast<int>(random() % n); };
    FrameBuilder builder(is525);
    builder.Fill([&](int, int, int, Place) {
        MacroblockContent mb;
        mb.qno = below(16);
        mb.sta = 0;
        for (int b = 0; b < 6; ++b) {
            BlockContent &block = mb.blocks[b];
            block.dc = below(300) - 150;
            block.dct248 = below(4) == 0;
            block.klass = below(4);
            const int count = below(4) == 0 ? 0 : below(24);
            int scan = 0;
            for (int c = 0; c < count; ++c) {
                const int run = below(5) == 0 ? below(12) : 0;
                if (scan + run + 1 > 63)
                    break;
                scan += run + 1;
                const int amplitude = below(20) == 0 ? 0 : 1 + (below(6) == 0 ? below(40) : below(4));
                block.codes.push_back({run, below(2) ? amplitude : -amplitude});
            }
        }
        return mb;
    });
    return builder.File();
}

} // namespace dvtest
