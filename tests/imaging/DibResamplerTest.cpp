// The resampler's numbers on small hand-made pictures: which source pixel each target pixel takes on
// the plain path, the 4 x 4 sums of the smoothing path, the right-edge columns, every source depth.

#include "imaging/ImagingTestSupport.h"

#include "imaging/DibResampler.h"

using namespace imaging;
using namespace imagingtest;

namespace {

// A 24-bit picture whose pixel (x, y) is blue = f(x, y), green = y, red = 7.
template <typename F>
PackedDib picture24(int width, int height, F blue)
{
    PackedDib dib = PackedDib::blank(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = dib.row(y) + x * 3;
            p[0] = static_cast<uint8_t>(blue(x, y));
            p[1] = static_cast<uint8_t>(y);
            p[2] = 7;
        }
    return dib;
}

std::vector<int> blues(const PackedDib& dib, int y, int count = -1)
{
    std::vector<int> out;
    for (int x = 0; x < (count < 0 ? dib.width() : count); ++x)
        out.push_back(dib.row(y)[x * 3]);
    return out;
}

std::array<int, 3> bgr(const PackedDib& dib, int x, int y)
{
    const uint8_t* p = dib.row(y) + x * 3;
    return {p[0], p[1], p[2]};
}

FitRectangle sized(int width, int height, int left = 0, int top = 0)
{
    return {left, top, left + width, top + height};
}

}  // namespace

TEST(DibResamplerPlain, NearestPixelByAccumulatedSteps)
{
    PackedDib row = picture24(5, 1, [](int x, int) { return 10 * (x + 1); });
    PackedDib target = PackedDib::blank(2, 1, 24);
    ASSERT_EQ(resampleDib(row, target, sized(2, 1), true), kResampleOk);
    // Steps of 2.5: positions 0 and 2.5. Not larger than the target in height, so no smoothing.
    EXPECT_EQ(blues(target, 0), (std::vector<int>{10, 30}));

    // Enlarging 2 pixels to 12: six steps of 1/6 add up to 0.99999..., so the seventh pixel still takes
    // the first source pixel; multiplying instead would have given 6 and 6.
    PackedDib two = picture24(2, 1, [](int x, int) { return x == 0 ? 100 : 200; });
    PackedDib wide = PackedDib::blank(12, 1, 24);
    ASSERT_EQ(resampleDib(two, wide, sized(12, 1), false), kResampleOk);
    EXPECT_EQ(blues(wide, 0), (std::vector<int>{100, 100, 100, 100, 100, 100, 100, 200, 200, 200, 200, 200}));

    // Rows walk from the top: 3 rows into 2 take rows 0 and 1 (1.5 truncated).
    PackedDib column = picture24(1, 3, [](int, int y) { return 50 + y; });
    PackedDib two_rows = PackedDib::blank(1, 2, 24);
    ASSERT_EQ(resampleDib(column, two_rows, sized(1, 2), false), kResampleOk);
    EXPECT_EQ(bgr(two_rows, 0, 0)[0], 50);
    EXPECT_EQ(bgr(two_rows, 0, 1)[0], 51);
}

TEST(DibResamplerPlain, OffsetStartsTheWalkAndNeverReadsPastTheEnd)
{
    PackedDib row = picture24(4, 1, [](int x, int) { return 10 + x; });
    PackedDib target = PackedDib::blank(3, 1, 24);
    // Fitted 2 wide at left 1: step 2, the walk starts at 1 x 2 = 2: pixels 2 and 4, the latter clamped.
    ASSERT_EQ(resampleDib(row, target, sized(2, 1, 1, 0), false), kResampleOk);
    EXPECT_EQ(blues(target, 0), (std::vector<int>{12, 13, 0})) << "written at the target's top-left corner";
    // A far offset stays inside the picture (the sanitizer build would catch a stray read).
    PackedDib far = PackedDib::blank(2, 2, 24);
    ASSERT_EQ(resampleDib(row, far, sized(2, 2, 1000, 1000), false), kResampleOk);
    EXPECT_EQ(bgr(far, 1, 1)[0], 13);
}

TEST(DibResamplerPlain, EverySourceDepth)
{
    // 1 bit: 10110000 with black and a red entry.
    PackedDib mono = PackedDib::blank(8, 1, 1);
    uint8_t* table = static_cast<uint8_t*>(mono.get()) + 40;
    table[4 + 2] = 255;  // entry 1: red
    mono.row(0)[0] = 0xB0;
    PackedDib out8 = PackedDib::blank(8, 1, 24);
    ASSERT_EQ(resampleDib(mono, out8, sized(8, 1), true), kResampleOk);
    std::vector<int> reds;
    for (int x = 0; x < 8; ++x)
        reds.push_back(bgr(out8, x, 0)[2]);
    EXPECT_EQ(reds, (std::vector<int>{255, 0, 255, 255, 0, 0, 0, 0}));

    // 4 bits: high nibble first; index 3 beyond a 3-entry table gives black.
    PackedDib nibbles = PackedDib::blank(3, 1, 4);
    nibbles.header().clrUsed = 3;
    uint8_t* entries = static_cast<uint8_t*>(nibbles.get()) + 40;
    entries[4 * 1 + 0] = 11, entries[4 * 2 + 1] = 22;
    // With 3 entries the pixels begin right after them.
    nibbles.bits()[0] = 0x12;
    nibbles.bits()[1] = 0x30;
    PackedDib out4 = PackedDib::blank(3, 1, 24);
    ASSERT_EQ(resampleDib(nibbles, out4, sized(3, 1), false), kResampleOk);
    EXPECT_EQ(bgr(out4, 0, 0), (std::array<int, 3>{11, 0, 0}));
    EXPECT_EQ(bgr(out4, 1, 0), (std::array<int, 3>{0, 22, 0}));
    EXPECT_EQ(bgr(out4, 2, 0), (std::array<int, 3>{0, 0, 0}));

    // 16 bits, x-r-g-b 5 bits each, widened as (v << 3) | (v >> 2).
    PackedDib five = PackedDib::blank(3, 1, 16);
    const uint16_t values[] = {0x7FFF, 0x0421, 0x7C00};
    std::memcpy(five.bits(), values, sizeof values);
    PackedDib out16 = PackedDib::blank(3, 1, 24);
    ASSERT_EQ(resampleDib(five, out16, sized(3, 1), false), kResampleOk);
    EXPECT_EQ(bgr(out16, 0, 0), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(bgr(out16, 1, 0), (std::array<int, 3>{8, 8, 8}));
    EXPECT_EQ(bgr(out16, 2, 0), (std::array<int, 3>{0, 0, 255}));

    // 32 bits: blue, green, red, unused.
    PackedDib quad = PackedDib::blank(1, 1, 32);
    const uint8_t pixel[] = {1, 2, 3, 99};
    std::memcpy(quad.bits(), pixel, 4);
    PackedDib out32 = PackedDib::blank(1, 1, 24);
    ASSERT_EQ(resampleDib(quad, out32, sized(1, 1), false), kResampleOk);
    EXPECT_EQ(bgr(out32, 0, 0), (std::array<int, 3>{1, 2, 3}));

    // Top-down and bottom-up sources of one picture give one result.
    PackedDib down = makeDib({7, 5, 24, 0, true, 0}, 4);
    PackedDib up = PackedDib::blank(7, 5, 24);
    for (int y = 0; y < 5; ++y)
        std::memcpy(up.row(y), down.row(y), 21);
    PackedDib a = PackedDib::blank(3, 2, 24), b = PackedDib::blank(3, 2, 24);
    resampleDib(down, a, sized(3, 2), true);
    resampleDib(up, b, sized(3, 2), true);
    EXPECT_EQ(std::memcmp(a.bits(), b.bits(), a.imageBytes()), 0);
}

TEST(DibResamplerSmooth, SumsOfSixteenShiftedRightByFour)
{
    // 16 x 8 into 4 x 2: the intermediate picture is the source itself (step 1).
    PackedDib source = picture24(16, 8, [](int x, int y) { return x + 16 * y; });
    PackedDib target = PackedDib::blank(6, 2, 24);  // wider than the fitted picture: no edge columns hit
    ASSERT_EQ(resampleDib(source, target, sized(4, 2), true), kResampleOk);
    // Block (0, 0): blue sum 4 x (0+1+2+3) + 4 x 16 x (0+1+2+3) = 408, >> 4 = 25 (25.5 truncated).
    EXPECT_EQ(bgr(target, 0, 0), (std::array<int, 3>{25, 1, 7}));  // green: 4 x (0+1+2+3) = 24 >> 4 = 1
    // Block (3, 1): x 12..15, y 4..7: 4 x 54 + 4 x 16 x 22 = 1624 -> 101; green 4 x 22 = 88 -> 5.
    EXPECT_EQ(bgr(target, 3, 1), (std::array<int, 3>{101, 5, 7}));
    EXPECT_EQ(bgr(target, 4, 0), (std::array<int, 3>{0, 0, 0})) << "beyond the fitted width nothing is written";

    // The same into a target exactly the fitted width: its last two columns take their block's top-left
    // intermediate pixel instead of the average.
    PackedDib exact = PackedDib::blank(4, 2, 24);
    ASSERT_EQ(resampleDib(source, exact, sized(4, 2), true), kResampleOk);
    EXPECT_EQ(blues(exact, 0), (std::vector<int>{25, 29, 8, 12}));
    EXPECT_EQ(blues(exact, 1), (std::vector<int>{89, 93, 72, 76}));
}

TEST(DibResamplerSmooth, FractionalStepsPickIntermediatePixelsFirst)
{
    // 10 x 10 into 2 x 2: the intermediate 8 x 8 walks in steps of 1.25: 0, 1, 2, 3 | 5, 6, 7, 8.
    PackedDib source = picture24(10, 10, [](int x, int y) { return x + 10 * y; });
    PackedDib target = PackedDib::blank(4, 2, 24);
    ASSERT_EQ(resampleDib(source, target, sized(2, 2), true), kResampleOk);
    // Block (0, 0): columns 0..3, rows 0..3: 4 x 6 + 4 x 10 x 6 = 264 -> 16.
    // Block (1, 1): columns 5..8, rows 5..8: 4 x 26 + 4 x 10 x 26 = 1144 -> 71.
    EXPECT_EQ(bgr(target, 0, 0)[0], 16);
    EXPECT_EQ(bgr(target, 1, 1)[0], 71);
    EXPECT_EQ(bgr(target, 1, 1)[1], 6) << "green: rows 5..8 averaged: 4 x 26 / 16 = 6.5 -> 6";
    // A picture not larger than the fitted size in both directions takes the plain path even when
    // smoothing is asked for.
    PackedDib flat = picture24(10, 2, [](int x, int) { return x; });
    PackedDib out = PackedDib::blank(5, 2, 24);
    ASSERT_EQ(resampleDib(flat, out, sized(5, 2), true), kResampleOk);
    EXPECT_EQ(blues(out, 0), (std::vector<int>{0, 2, 4, 6, 8}));
}

TEST(DibResampler, RefusesWhatItCannotRead)
{
    PackedDib source = picture24(4, 4, [](int, int) { return 1; });
    PackedDib target = PackedDib::blank(2, 2, 24);
    EXPECT_EQ(resampleDib(source, target, sized(0, 2), true), kResampleRefused);
    EXPECT_EQ(resampleDib(source, target, sized(2, -1), true), kResampleRefused);
    PackedDib eight = PackedDib::blank(2, 2, 8);
    EXPECT_EQ(resampleDib(source, eight, sized(2, 2), true), kResampleRefused) << "targets are 24-bit";
    PackedDib rle = makeDib({4, 4, 8, 256, false, 1}, 1);
    EXPECT_EQ(resampleDib(rle, target, sized(2, 2), true), kResampleRefused);
    PackedDib fields = makeDib({4, 4, 16, 0, false, 3}, 1);
    EXPECT_EQ(resampleDib(fields, target, sized(2, 2), true), kResampleRefused);
    PackedDib none;
    EXPECT_EQ(resampleDib(none, target, sized(2, 2), true), kResampleRefused);
    source.header().height = 4000;
    EXPECT_EQ(resampleDib(source, target, sized(2, 2), true), kResampleRefused) << "a header larger than its block";
}
