// Reshaping of decoded pictures: de-interlacing, the letterbox band and resampling with trims.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "DvFrameBuilder.h"
#include "DvReshape.h"
#include "DvTestSupport.h"
#include "Vistra32.h"

namespace {

// A bottom-up 24-bit picture with padded rows, as the decoder leaves it.
struct Buffer {
    int width, height, stride;
    std::vector<uint8_t> bytes;
    Buffer(int w, int h) : width(w), height(h), stride(DvRowBytes(w)), bytes(static_cast<size_t>(stride) * h + 64, 0) {}
    uint8_t *Line(int b) { return &bytes[static_cast<size_t>(b) * stride]; }
    void FillLine(int b, uint8_t v) { std::memset(Line(b), v, static_cast<size_t>(width) * 3); }
};

TEST(DvDeinterlace, CombsAreInterpolatedAndSmoothLinesKept)
{
    const int w = 16, h = 20;
    // Kept lines bright, rebuilt lines dark: a comb everywhere.
    Buffer comb(w, h);
    for (int b = 0; b < h; ++b)
        comb.FillLine(b, ((h - 1 - b) % 2 == 0) ? 40 : 200); // picture line 0 is the last buffer line
    DvDeinterlace(comb.bytes.data(), w, h, DVCDEC_DEINTERLACE_EVEN);
    for (int b = 0; b < h; ++b)
        for (int i = 0; i < w * 3; ++i)
            ASSERT_EQ(comb.Line(b)[i], 200) << "buffer line " << b;

    // A smooth but not straight ramp: the adaptive rule keeps the middle lines.
    auto ramp = [](int b) { return static_cast<uint8_t>(b * b / 2); };
    for (uint32_t request : {DVCDEC_DEINTERLACE_ODD, DVCDEC_DEINTERLACE_ODD_ALWAYS}) {
        Buffer smooth(w, h);
        for (int b = 0; b < h; ++b)
            smooth.FillLine(b, ramp(b));
        DvDeinterlace(smooth.bytes.data(), w, h, request);
        // Odd picture lines are the even buffer lines here; buffer line 0 copies the line above.
        EXPECT_EQ(smooth.Line(0)[0], ramp(1));
        for (int i = 0, b = 2; b < h; ++i, b += 2) {
            const uint8_t interpolated = static_cast<uint8_t>((ramp(b - 1) >> 1) + (ramp(b + 1) >> 1));
            const bool always = request == DVCDEC_DEINTERLACE_ODD_ALWAYS || i < 3 || b + 4 >= h;
            EXPECT_EQ(smooth.Line(b)[5], always ? interpolated : ramp(b)) << "buffer line " << b;
            EXPECT_EQ(smooth.Line(b + 1)[5], ramp(b + 1)) << "kept lines never change";
        }
    }
}

TEST(DvDeinterlace, TheTopLineOfAnEvenRequestHasNoLineAboveIt)
{
    // With an even height the picture's top line is the buffer's last; it copies the line below.
    const int w = 8, h = 10;
    Buffer p(w, h);
    for (int b = 0; b < h; ++b)
        p.FillLine(b, static_cast<uint8_t>(10 + 20 * b));
    DvDeinterlace(p.bytes.data(), w, h, DVCDEC_DEINTERLACE_EVEN_ALWAYS);
    EXPECT_EQ(p.Line(h - 1)[0], p.Line(h - 2)[0]);
    EXPECT_EQ(p.bytes[static_cast<size_t>(h) * p.stride], 0) << "nothing beyond the picture";
}

TEST(DvDeinterlace, OutsideItsLimitsNothingChanges)
{
    for (auto size : {std::pair<int, int>{16, 5}, {2049, 8}, {0, 8}}) {
        Buffer p(std::max(size.first, 1), size.second);
        for (int b = 0; b < size.second; ++b)
            p.FillLine(b, static_cast<uint8_t>(b % 2 ? 250 : 0));
        const auto before = p.bytes;
        DvDeinterlace(p.bytes.data(), size.first, size.second, DVCDEC_DEINTERLACE_EVEN_ALWAYS);
        EXPECT_EQ(p.bytes, before);
    }
}

// The adaptive rule pixel by pixel, written from its description: the oracle of the line-at-a-time
// vector code. Works on the bottom-up rows of a decoded picture.
void DeinterlaceOnePixelAtATime(uint8_t *picture, int width, int height, uint32_t request)
{
    const bool adaptive = request == DVCDEC_DEINTERLACE_EVEN || request == DVCDEC_DEINTERLACE_ODD;
    const bool even = request == DVCDEC_DEINTERLACE_EVEN || request == DVCDEC_DEINTERLACE_EVEN_ALWAYS;
    const int stride = DvRowBytes(width);
    auto line = [&](int b) { return picture + static_cast<size_t>(b) * stride; };
    auto y = [](const uint8_t *p) { return (p[0] >> 2) + p[1] + (p[2] >> 1); };
    const std::vector<uint8_t> decoded(picture, picture + static_cast<size_t>(stride) * height);
    auto original = [&](int b) { return decoded.data() + static_cast<size_t>(b) * stride; };
    // Buffer line b is picture line height - 1 - b.
    std::vector<int> rebuiltLines;
    for (int b = 0; b < height; ++b)
        if (((height - 1 - b) % 2 == 0) == even)
            rebuiltLines.push_back(b);
    const int count = static_cast<int>(rebuiltLines.size());
    for (int i = 0; i < count; ++i) {
        const int b = rebuiltLines[i];
        if (b == 0 || b == height - 1) {
            std::memcpy(line(b), line(b == 0 ? 1 : height - 2), static_cast<size_t>(width) * 3);
            continue;
        }
        const bool always = !adaptive || i < 4 || i >= count - 2;
        for (int col = 0; col < width; ++col) {
            const uint8_t *a = original(b - 1) + 3 * col, *c = original(b + 1) + 3 * col;
            bool interpolate = always;
            if (!always) {
                const int x = y(original(b) + 3 * col);
                const int k = x - y(a), t = x - y(c);
                const int j = y(original(b - 2) + 3 * col) - y(a), w = y(original(b + 2) + 3 * col) - y(c);
                interpolate = !(k * t < 0 || (k * j < 0 && w * t < 0)) ||
                              (j * j > k * k && t * t > k * k && w * t > 0) ||
                              (k * j >= 0 && k * k > t * t && w * w > t * t);
            }
            if (interpolate)
                for (int n = 0; n < 3; ++n)
                    line(b)[3 * col + n] = static_cast<uint8_t>((a[n] >> 1) + (c[n] >> 1));
        }
    }
}

TEST(DvDeinterlace, VectorAndBaselineBuildsFollowTheRulePixelByPixel)
{
    const std::vector<std::vector<uint8_t>> frames = {dvtest::RandomContentFrame(true, 21),
                                                      dvtest::RandomContentFrame(false, 22)};
    for (int baseline = 0; baseline < 2; ++baseline) {
        gDvBaselineTransform = baseline;
        for (const auto &frame : frames)
            for (uint32_t scale : {1u, 2u, 8u})
                for (uint32_t request : {DVCDEC_DEINTERLACE_EVEN, DVCDEC_DEINTERLACE_ODD, DVCDEC_DEINTERLACE_ODD_ALWAYS}) {
                    const auto plain = dvtest::Decode(frame, scale);
                    const auto ours = dvtest::Decode(frame, scale | request);
                    ASSERT_EQ(ours.status, DVCDEC_OK);
                    auto expected = plain.output;
                    DeinterlaceOnePixelAtATime(expected.data() + 40, plain.picture.width, plain.picture.height, request);
                    const auto mismatch = std::mismatch(expected.begin(), expected.end(), ours.output.begin());
                    EXPECT_TRUE(mismatch.first == expected.end())
                        << "baseline " << baseline << " scale " << scale << " request 0x" << std::hex << request
                        << std::dec << ": first difference at byte " << (mismatch.first - expected.begin());
                }
    }
    gDvBaselineTransform = 0;
}

// A 720 x 480 picture, bright between buffer lines 60 and 419 and dark elsewhere.
Buffer Letterboxed(uint8_t dark)
{
    Buffer p(720, 480);
    for (int b = 0; b < 480; ++b) {
        p.FillLine(b, (b >= 60 && b < 420) ? 150 : dark);
        p.Line(b)[0] = static_cast<uint8_t>(b); // marks the line
    }
    p.Line(479)[0] = p.Line(479)[1] = p.Line(479)[2] = dark;
    return p;
}

TEST(DvLetterbox, TheBandEndsAtTheFirstLineWhoseSamplesAreAllDark)
{
    {
        Buffer p = Letterboxed(16);
        EXPECT_EQ(DvCutLetterbox(p.bytes.data(), 720, 480, 0, 1, 365), 421);
        EXPECT_EQ(p.Line(0)[0], 56);
        EXPECT_EQ(p.Line(364)[0], 420 % 256);
    }
    {
        // Picture content reaching into the scanned lines at one sample column keeps the scan going.
        Buffer p = Letterboxed(16);
        for (int b = 421; b <= 422; ++b)
            std::memset(p.Line(b) + 3 * 40, 200, 3);
        EXPECT_EQ(DvCutLetterbox(p.bytes.data(), 720, 480, 0, 1, 365), 423);
    }
    {
        // A grey top-left pixel sets the threshold 10 above itself: 30 counts as dark then...
        Buffer p = Letterboxed(30);
        p.Line(479)[0] = p.Line(479)[1] = p.Line(479)[2] = 22;
        EXPECT_EQ(DvCutLetterbox(p.bytes.data(), 720, 480, 0, 1, 365), 421);
        // ...but beside a coloured top-left pixel only 20 and below is dark: no dark line, the
        // last scanned line ends the band.
        Buffer q = Letterboxed(30);
        q.Line(479)[2] = 90;
        EXPECT_EQ(DvCutLetterbox(q.bytes.data(), 720, 480, 0, 1, 365), 424);
    }
    {
        Buffer p(88, 72);
        for (int b = 0; b < 72; ++b)
            p.FillLine(b, b < 63 ? 120 : 0);
        EXPECT_EQ(DvCutLetterbox(p.bytes.data(), 88, 72, 3, 0, 54), 63);
    }
}

TEST(DvResample, FlatStaysFlatAndRampsStayRamps)
{
    Buffer flat(720, 576);
    std::memset(flat.bytes.data(), 77, static_cast<size_t>(flat.stride) * 576);
    ASSERT_EQ(DvResample(flat.bytes.data(), 720, 576, 720, 540, 0, 0, 0, 0), DVCDEC_OK);
    const int stride = DvRowBytes(720);
    for (int b = 0; b < 540; ++b)
        for (int i = 0; i < 720 * 3; ++i)
            ASSERT_EQ(flat.bytes[static_cast<size_t>(b) * stride + i], 77);

    // A horizontal ramp from 720 to 640 columns follows the ideal line to within a level.
    Buffer ramp(720, 480);
    for (int b = 0; b < 480; ++b)
        for (int x = 0; x < 720; ++x)
            std::memset(ramp.Line(b) + 3 * x, x / 3, 3);
    ASSERT_EQ(DvResample(ramp.bytes.data(), 720, 480, 640, 480, 0, 0, 0, 0), DVCDEC_OK);
    const int out = DvRowBytes(640);
    for (int b = 0; b < 480; b += 31)
        for (int x = 0; x < 640; ++x) {
            const uint8_t v = ramp.bytes[static_cast<size_t>(b) * out + 3 * x];
            const double ideal = std::floor(x * 720.0 / 640.0) / 3.0;
            ASSERT_NEAR(v, ideal, 1.0) << x;
            if (x > 0) {
                ASSERT_GE(v, ramp.bytes[static_cast<size_t>(b) * out + 3 * (x - 1)]);
            }
        }
}

TEST(DvResample, TrimmedResultIsAWindowOfTheUntrimmedOne)
{
    Buffer source(360, 288);
    for (int b = 0; b < 288; ++b)
        for (int i = 0; i < 360 * 3; ++i)
            source.Line(b)[i] = static_cast<uint8_t>((b * 7 + i * 13) % 251);
    Buffer whole = source, cut = source;
    ASSERT_EQ(DvResample(whole.bytes.data(), 360, 288, 360, 275, 0, 0, 0, 0), DVCDEC_OK);
    // Left 5, right 7, top 3, bottom 11.
    ASSERT_EQ(DvResample(cut.bytes.data(), 360, 288, 360, 275, 5, 7, 3, 11), DVCDEC_OK);
    const int wholeStride = DvRowBytes(360), cutStride = DvRowBytes(348);
    for (int j = 0; j < 275 - 14; ++j)
        ASSERT_EQ(std::memcmp(&cut.bytes[static_cast<size_t>(j) * cutStride],
                              &whole.bytes[static_cast<size_t>(j + 11) * wholeStride + 3 * 5], 348 * 3),
                  0)
            << j;
}

} // namespace
