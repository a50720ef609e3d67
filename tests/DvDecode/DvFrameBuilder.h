// A small DV frame encoder for tests: builds .dvf frame files from explicit block contents, so
// that tests know exactly which coefficients the decoder must find and where their macroblocks
// land in the picture. It spreads code words that overflow a block over the spare bits of the
// other blocks the way an encoder must (its macroblock first, then its segment).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace dvtest {

// One code of a block: skip `run` zero positions, then store `amplitude` (signed). Amplitude 0
// skips run + 1 positions without storing.
struct Code {
    int run;
    int amplitude;
};

struct BlockContent {
    int dc = 0;          // -256 ... 255; the block mean is 128 + dc / 2
    bool dct248 = false;
    int klass = 0;       // 0 ... 3
    std::vector<Code> codes;
    bool endOfBlock = true;
};

struct MacroblockContent {
    int sta = 0;
    int qno = 15;
    std::array<BlockContent, 6> blocks; // Y0 Y1 Y2 Y3 Cr Cb
};

// Where a macroblock sits in the full-size picture.
struct Place {
    int x, y;
    bool rightEdge; // a 16 x 16 macroblock of a 4:1:1 picture
};

class FrameBuilder {
public:
    explicit FrameBuilder(bool is525);

    int Sequences() const { return is525_ ? 10 : 12; }
    bool Is525() const { return is525_; }
    Place PlaceOf(int sequence, int segment, int m) const;

    // Fills every macroblock from `content` (called with sequence, segment, position and place).
    void Fill(const std::function<MacroblockContent(int, int, int, Place)> &content);

    // The bytes of one 400-byte video segment for five macroblocks.
    static std::vector<uint8_t> EncodeSegment(const std::array<MacroblockContent, 5> &mbs);

    // The frame file image: header and frame data.
    std::vector<uint8_t> File() const;
    // The raw frame data (DIF sequences without their first audio block).
    std::vector<uint8_t> &Data() { return data_; }
    // Offset of a segment in the frame data.
    static size_t SegmentOffset(int sequence, int segment);

private:
    bool is525_;
    std::vector<uint8_t> data_;
};

// The bits of one code word sequence (AC codes and the end of block), MSB first.
std::vector<bool> EncodeCodes(const std::vector<Code> &codes, bool endOfBlock);

// A valid frame of uniform colour: every block DC-only.
std::vector<uint8_t> UniformFrame(bool is525, int yDc, int crDc, int cbDc);

// A deterministic frame with random coefficients in every block (both DCT modes, all classes).
std::vector<uint8_t> RandomContentFrame(bool is525, uint32_t seed);

// The dequantised coefficient the decoder must store for one code (natural position order).
struct Expected {
    int position;
    int32_t value;
};
std::vector<Expected> ExpectedCoefficients(const BlockContent &block, int qno);

} // namespace dvtest
