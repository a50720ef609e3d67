// The decoder core: refusals, the set-up cache, the code tables, the three coefficient passes and
// STA, the exactness of every fast path, the pixel forms, and the chroma rules of both systems.
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DvCore.h"
#include "DvFrameBuilder.h"
#include "DvTestSupport.h"
#include "Vistra32.h"

using namespace dvtest;

namespace {

constexpr uint32_t kCore = DV_CORE_REQUIRED | 0x10000;
constexpr uint32_t k525 = DV_CORE_SYSTEM_525, k625 = DV_CORE_SYSTEM_625;
constexpr uint32_t kForms[] = {DV_CORE_FORM_RGB24, DV_CORE_FORM_RGB565, DV_CORE_FORM_RGB555, DV_CORE_FORM_DITHER8};

int BytesPerPixel(uint32_t form)
{
    return form == DV_CORE_FORM_RGB24 ? 3 : form == DV_CORE_FORM_DITHER8 ? 1 : 2;
}

// A work area with its own storage; the flag byte starts at 0.
struct WorkArea {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(DVCDEC_WORK_AREA_SIZE + 64, 0);
    uint8_t *Area() { return bytes.data() + 5; } // deliberately not aligned
};

// Runs the core on a frame file image into a buffer of exactly the picture's size.
struct CoreResult {
    uint32_t status;
    std::vector<uint8_t> pixels;
    int width, height, pitch;
};

CoreResult RunCore(const std::vector<uint8_t> &file, uint32_t mode, int lineSign = -1, WorkArea *work = nullptr)
{
    WorkArea local;
    WorkArea &w = work ? *work : local;
    int32_t width = 0, height = 0;
    DvPictureSize(mode, &width, &height);
    CoreResult r{0, {}, width, height, width * BytesPerPixel(mode & DV_CORE_FORM_MASK)};
    r.pixels.assign(static_cast<size_t>(r.pitch) * std::max(height, 1), 0);
    r.status = DecodeFrame(file.data() + 32, r.pixels.data(), mode, lineSign * width, w.Area());
    return r;
}

// The picture line `y` (0 = top) of a bottom-up core result.
const uint8_t *Line(const CoreResult &r, int y)
{
    return &r.pixels[static_cast<size_t>(r.height - 1 - y) * r.pitch];
}

TEST(DvCoreModes, RefusesWhatItCannotDecode)
{
    const auto frame = UniformFrame(true, 0, 0, 0);
    std::vector<uint8_t> out(720 * 480 * 3);
    WorkArea work;
    const uint32_t good = kCore | k525 | DV_CORE_FORM_RGB24 | 1;
    EXPECT_EQ(DecodeFrame(frame.data() + 32, out.data(), good, -720, work.Area()), 0u);
    for (uint32_t mode : {0u, good & ~DV_CORE_REQUIRED, (good & ~0x30u) | 0x30u, good & ~0x30u, (good & ~0xFu) | 3,
                          (good & ~0xFu), (good & ~0xF00u) | 0x300, (good & ~0xF00u) | 0x1000})
        EXPECT_EQ(DecodeFrame(frame.data() + 32, out.data(), mode, -720, work.Area()), DV_CORE_REFUSED)
            << std::hex << mode;
    // The line must hold the scale's width, whatever its sign.
    EXPECT_EQ(DecodeFrame(frame.data() + 32, out.data(), good, -700, work.Area()), DV_CORE_REFUSED);
    EXPECT_EQ(DecodeFrame(frame.data() + 32, out.data(), good, 719, work.Area()), DV_CORE_REFUSED);
    EXPECT_EQ(DecodeFrame(frame.data() + 32, out.data(), (good & ~0xFu) | 8, -87, work.Area()), DV_CORE_REFUSED);
    EXPECT_EQ(DecodeFrame(frame.data() + 32, out.data(), (good & ~0xFu) | 8, -88, work.Area()), 0u);
    // 176 pixels cannot hold the 180 of a quarter-size line.
    EXPECT_EQ(DecodeFrame(frame.data() + 32, out.data(), (good & ~0xFu) | 4, 176, work.Area()), DV_CORE_REFUSED);
}

TEST(DvCoreModes, LineLengthSignAndSpanPlaceTheLines)
{
    const auto frame = RandomContentFrame(false, 5);
    const uint32_t mode = kCore | k625 | DV_CORE_FORM_RGB24 | 2;
    const auto up = RunCore(frame, mode, -1), down = RunCore(frame, mode, +1);
    for (int y = 0; y < 288; ++y)
        ASSERT_EQ(std::memcmp(Line(up, y), &down.pixels[static_cast<size_t>(y) * down.pitch], down.pitch), 0) << y;

    // A longer line leaves the pixels beyond the picture alone.
    const int span = 400;
    std::vector<uint8_t> wide(static_cast<size_t>(span) * 3 * 288, 0x5A);
    WorkArea work;
    ASSERT_EQ(DecodeFrame(frame.data() + 32, wide.data(), mode, -span, work.Area()), 0u);
    for (int y = 0; y < 288; ++y) {
        const uint8_t *row = &wide[static_cast<size_t>(287 - y) * span * 3];
        ASSERT_EQ(std::memcmp(row, Line(up, y), 360 * 3), 0);
        for (int i = 360 * 3; i < span * 3; ++i)
            ASSERT_EQ(row[i], 0x5A);
    }
}

TEST(DvCoreCache, ReusesTheTablesWhileTheFlagStaysSet)
{
    const auto frame = UniformFrame(false, 0, 0, 0);
    const uint32_t mode = kCore | k625 | DV_CORE_FORM_RGB24 | 1;
    WorkArea work;
    const auto first = RunCore(frame, mode, -1, &work);
    ASSERT_EQ(work.Area()[0], 1);
    const unsigned setUps = DvSetUpCount();
    const auto second = RunCore(frame, mode, -1, &work);
    EXPECT_EQ(DvSetUpCount(), setUps) << "same mode, same line, flag 1: no set-up";
    EXPECT_EQ(first.pixels, second.pixels);

    // Spoil a table behind the cache's back: a reused cache shows it...
    DvContext *ctx = DvContextOf(work.Area());
    std::vector<uint8_t> saved(ctx->convert, ctx->convert + DV_CONVERT_SIZE);
    std::memset(ctx->convert, 7, DV_CONVERT_SIZE);
    if (!gDvReferencePixels) {
        // The eight-pixel writers compute the conversion; the per-pixel ones read the table.
        gDvReferencePixels = 1;
        work.Area()[0] = 0;
        RunCore(frame, mode, -1, &work);
        std::memset(ctx->convert, 7, DV_CONVERT_SIZE);
    }
    const auto spoiled = RunCore(frame, mode, -1, &work);
    EXPECT_EQ(spoiled.pixels[0], 7);
    // ...and zeroing the flag byte forces a rebuild.
    work.Area()[0] = 0;
    const auto rebuilt = RunCore(frame, mode, -1, &work);
    EXPECT_EQ(DvSetUpCount(), setUps + 2);
    EXPECT_EQ(rebuilt.pixels, first.pixels);
    gDvReferencePixels = 0;

    // Another mode or line length also rebuilds, and so does another area with its flag set.
    RunCore(frame, mode | 0x4000000, -1, &work);
    EXPECT_EQ(DvSetUpCount(), setUps + 3);
    WorkArea other;
    RunCore(frame, (mode & ~0xFu) | 2, -1, &other);
    const unsigned before = DvSetUpCount();
    RunCore(frame, (mode & ~0xFu) | 2, -1, &work); // flag 1, key matches, but the area holds another mode
    EXPECT_EQ(DvSetUpCount(), before + 1);
}

TEST(DvCoreTables, CodeWordsFormACompletePrefixCode)
{
    // A code with a sign bit stands for two code words of one more bit, which weigh as much as
    // the code itself; the two 7-bit escape prefixes cover the rest.
    double kraft = 2.0 / 128.0;
    std::vector<std::string> words;
    for (const DvCodeWord *w = kDvCodeWords; w->bits; ++w) {
        kraft += 1.0 / double(1ull << std::strlen(w->bits));
        words.push_back(w->bits);
    }
    EXPECT_EQ(words.size(), 89u);
    EXPECT_DOUBLE_EQ(kraft, 1.0);
    for (size_t i = 0; i < words.size(); ++i)
        for (size_t j = 0; j < words.size(); ++j)
            if (i != j) {
                ASSERT_NE(words[j].rfind(words[i], 0), 0u) << words[i] << " is a prefix of " << words[j];
            }
}

TEST(DvCoreTables, ConversionTableHitsTheStudioRange)
{
    uint8_t t[DV_CONVERT_SIZE], t5[DV_CONVERT_SIZE];
    DvBuildConvertTables(t, t5);
    auto T = [&](int x) { return t[x - DV_CONVERT_MIN]; };
    auto T5 = [&](int x) { return t5[x - DV_CONVERT_MIN]; };
    EXPECT_EQ(T(0), 130);
    EXPECT_EQ(T(-112), 0);
    EXPECT_EQ(T(107), 255);
    EXPECT_EQ(T(-113), 0);
    EXPECT_EQ(T(383), 255);
    EXPECT_EQ(T(-512), 0);
    EXPECT_EQ(T5(0), 16);
    EXPECT_EQ(T5(107), 31);
    EXPECT_EQ(T5(-112), 0);
    for (int x = DV_CONVERT_MIN + 1; x <= DV_CONVERT_MAX; ++x) {
        ASSERT_GE(T(x), T(x - 1));
        ASSERT_LE(T(x) - T(x - 1), 2);
    }
}

TEST(DvCorePixels, UniformFramesGiveTheStudioLevels)
{
    struct Case {
        int dc;
        uint8_t level;
    };
    // The DC word carries luma x 2: 0 is level 128 (T = 130), -224 studio black, 214 studio white.
    for (const Case c : {Case{0, 130}, Case{-224, 0}, Case{214, 255}}) {
        for (bool is525 : {true, false}) {
            const auto frame = UniformFrame(is525, c.dc, 0, 0);
            for (uint32_t scale : {1u, 2u, 4u, 8u}) {
                const auto r = RunCore(frame, kCore | (is525 ? k525 : k625) | DV_CORE_FORM_RGB24 | scale);
                ASSERT_EQ(r.status, 0u);
                for (size_t i = 0; i < r.pixels.size(); ++i)
                    ASSERT_EQ(r.pixels[i], c.level) << "dc " << c.dc << " scale " << scale << " byte " << i;
            }
        }
    }
}

// Decodes a frame through every combination of system, scale, form and writer choice.
std::map<std::string, uint64_t> ChecksumAll(const std::vector<uint8_t> &frame525, const std::vector<uint8_t> &frame625)
{
    std::map<std::string, uint64_t> sums;
    for (bool is525 : {true, false})
        for (uint32_t scale : {1u, 2u, 4u, 8u})
            for (uint32_t form : kForms) {
                const auto r = RunCore(is525 ? frame525 : frame625, kCore | (is525 ? k525 : k625) | form | scale);
                sums[std::to_string(is525 ? 525 : 625) + "/" + std::to_string(scale) + "/" + std::to_string(form)] =
                    Fnv1a(r.pixels.data(), r.pixels.size());
            }
    return sums;
}

TEST(DvCoreExactness, FastPathsAndEightPixelWritersEqualThePlainCode)
{
    for (uint32_t seed : {1u}) {
        const auto f525 = RandomContentFrame(true, seed), f625 = RandomContentFrame(false, seed);
        const auto fast = ChecksumAll(f525, f625);
        gDvReferenceTransform = 1;
        gDvReferencePixels = 1;
        const auto plain = ChecksumAll(f525, f625);
        gDvReferenceTransform = 0;
        gDvReferencePixels = 0;
        EXPECT_EQ(fast, plain);
    }
    // Only DC values: flat 8 x 8 squares through the shortcuts, equal to the full transform.
    const auto dcOnly = [] {
        FrameBuilder b(false);
        std::mt19937 random(3);
        b.Fill([&](int, int, int, Place) {
            MacroblockContent mb;
            for (auto &block : mb.blocks) {
                block.dc = static_cast<int>(random() % 400) - 200;
                block.dct248 = random() % 2;
            }
            return mb;
        });
        return b.File();
    }();
    const uint32_t mode = kCore | k625 | DV_CORE_FORM_RGB24 | 1;
    const auto fast = RunCore(dcOnly, mode);
    gDvReferenceTransform = 1;
    const auto full = RunCore(dcOnly, mode);
    gDvReferenceTransform = 0;
    EXPECT_EQ(fast.pixels, full.pixels);
    for (int y = 0; y < 576; y += 8)
        for (int x = 0; x < 720; x += 8)
            for (int i = 0; i < 8; i += 7)
                for (int j = 0; j < 8; j += 7)
                    ASSERT_EQ(std::memcmp(Line(fast, y + i) + 3 * (x + j), Line(fast, y) + 3 * x, 3), 0);
}

TEST(DvCoreExactness, BaselineTransformEqualsTheAvx2Build)
{
    // The transform is built twice; the set-up picks one by the processor. Force the baseline
    // build on a cached set-up and compare.
    for (bool is525 : {true, false}) {
        const auto frame = RandomContentFrame(is525, 8);
        const uint32_t mode = kCore | (is525 ? k525 : k625) | DV_CORE_FORM_RGB24 | 1;
        WorkArea work;
        const auto chosen = RunCore(frame, mode, -1, &work);
        gDvBaselineTransform = 1;
        const auto baseline = RunCore(frame, mode, -1, &work);
        gDvBaselineTransform = 0;
        EXPECT_EQ(chosen.pixels, baseline.pixels);
    }
}

TEST(DvCoreExactness, EightPixelConversionEqualsTheTableForEveryIndex)
{
    // A frame whose luma sweeps every table index (DC steps of one luma level) with zero chroma.
    FrameBuilder b(false);
    b.Fill([&](int, int, int, Place p) {
        MacroblockContent mb;
        const int cell = p.x / 16 + 45 * (p.y / 16);
        for (int i = 0; i < 4; ++i)
            mb.blocks[i].dc = cell % 512 - 256; // every DC value
        mb.blocks[4].dc = (cell * 7) % 512 - 256;
        mb.blocks[5].dc = (cell * 13) % 512 - 256;
        return mb;
    });
    const auto frame = b.File();
    const uint32_t mode = kCore | k625 | DV_CORE_FORM_RGB24 | 1;
    const auto vector = RunCore(frame, mode);
    gDvReferencePixels = 1;
    const auto table = RunCore(frame, mode);
    gDvReferencePixels = 0;
    EXPECT_EQ(vector.pixels, table.pixels);
}

// Pinned results of deterministic synthetic frames: any speed-up must leave them bit for bit.
TEST(DvCoreExactness, PinnedChecksumsOfSyntheticFrames)
{
    const auto sums = ChecksumAll(RandomContentFrame(true, 2024), RandomContentFrame(false, 2024));
    const std::map<std::string, uint64_t> pinned = {
#include "DvPinnedChecksums.inc"
    };
    if (pinned.empty()) {
        for (const auto &s : sums)
            std::printf("    {\"%s\", 0x%016llxull},\n", s.first.c_str(), static_cast<unsigned long long>(s.second));
        FAIL() << "no checksums pinned yet";
    }
    EXPECT_EQ(sums, pinned);
}

TEST(DvCorePixels, FormsAgreeWithTheTwentyFourBitPicture)
{
    for (bool is525 : {true, false}) {
        const auto frame = RandomContentFrame(is525, 77);
        const uint32_t base = kCore | (is525 ? k525 : k625) | 1;
        const auto rgb = RunCore(frame, base | DV_CORE_FORM_RGB24);
        const auto w565 = RunCore(frame, base | DV_CORE_FORM_RGB565);
        for (size_t p = 0; p < rgb.pixels.size() / 3; ++p) {
            const uint8_t *c = &rgb.pixels[3 * p];
            const unsigned word = w565.pixels[2 * p] | w565.pixels[2 * p + 1] << 8;
            ASSERT_EQ(word, ((c[2] >> 3) << 11 | (c[1] >> 2) << 5 | (c[0] >> 3))) << p;
        }
    }
    // 5-5-5 takes its own table: level 128 gives 16 in every channel.
    const auto grey = RunCore(UniformFrame(false, 0, 0, 0), kCore | k625 | 1 | DV_CORE_FORM_RGB555);
    for (size_t p = 0; p < grey.pixels.size(); p += 2)
        ASSERT_EQ(grey.pixels[p] | grey.pixels[p + 1] << 8, 16 | 16 << 5 | 16 << 10);
}

TEST(DvCorePixels, DitherFollowsTheMatrixIncludingItsOddEntries)
{
    // A uniform colour whose red ends 55 above a multiple of 64 and whose green ends 7 above a
    // multiple of 16: line 3 column 0 (50, not 60) rounds red up, line 7 column 7 (21, not 31)
    // rounds green up.
    uint8_t t[DV_CONVERT_SIZE], t5[DV_CONVERT_SIZE];
    DvBuildConvertTables(t, t5);
    auto T = [&](int x) { return t[std::min(std::max(x, DV_CONVERT_MIN), DV_CONVERT_MAX) - DV_CONVERT_MIN]; };
    // Candidate DC values from the conversion rule (a DC word's sample is DC / 2, rounded down).
    bool candidate = false;
    int yDc = 0, crDc = 0;
    const int cbDc = 40, cb = cbDc >> 1, b = 2 * cb - (cb >> 2);
    for (int y = -200; y < 200 && !candidate; ++y)
        for (int c = -100; c < 100 && !candidate; ++c) {
            const int Y = y >> 1, cr = c >> 1, r = cr + ((3 * cr) >> 3), g = -((3 * b) >> 4) - (r >> 1);
            const int R = T(Y + r), G = T(Y + g);
            if (R % 64 == 55 && G % 16 == 7 && R < 192 && G < 240) {
                candidate = true;
                yDc = y;
                crDc = c;
            }
        }
    ASSERT_TRUE(candidate);
    EXPECT_EQ(kDvDither[3][0], 50);
    EXPECT_EQ(kDvDither[7][7], 21);
    for (bool is525 : {true, false}) {
        const auto frame = UniformFrame(is525, yDc, crDc, cbDc);
        const uint32_t base = kCore | (is525 ? k525 : k625) | 1;
        const auto rgb = RunCore(frame, base | DV_CORE_FORM_RGB24);
        const int R = rgb.pixels[2], G = rgb.pixels[1], B = rgb.pixels[0];
        ASSERT_EQ(R % 64, 55);
        ASSERT_EQ(G % 16, 7);
        const auto dithered = RunCore(frame, base | DV_CORE_FORM_DITHER8);
        for (int py = 0; py < rgb.height; ++py)
            for (int px = 0; px < rgb.width; ++px) {
                const int d = kDvDither[py % 8][px % 8];
                const int r2 = R / 64 + (d < R % 64), g4 = G / 16 + (d < 4 * (G % 16)),
                          b2 = B / 64 + (d < B % 64 && B < 192);
                ASSERT_EQ(Line(dithered, py)[px], r2 << 6 | g4 << 2 | b2) << px << "," << py;
            }
        EXPECT_EQ(Line(dithered, 3)[0] >> 6, R / 64 + 1);
        EXPECT_EQ((Line(dithered, 7)[7] >> 2) & 15, G / 16 + 1);
    }
}

// Macroblock columns alternate between two colours; the chroma blocks carry DC only, except in
// the right-edge macroblocks, whose colour changes along the line.
std::vector<uint8_t> StripedFrame(bool is525, int stripe)
{
    FrameBuilder b(is525);
    b.Fill([&](int, int, int, Place p) {
        MacroblockContent mb;
        const bool odd = (p.x / stripe) % 2;
        mb.blocks[4].dc = odd ? -120 : 120;
        mb.blocks[5].dc = odd ? 80 : -80;
        if (p.rightEdge) {
            mb.qno = 15;
            mb.blocks[4].codes = {{0, 20}}; // the first horizontal frequency
            mb.blocks[5].codes = {{0, -20}};
        }
        return mb;
    });
    return b.File();
}

TEST(DvCoreChroma, FourOneOneBlendsIntoTheNextMacroblockAndHoldsAtTheRightEdge)
{
    const auto frame = StripedFrame(true, 32);
    for (uint32_t scale : {1u, 2u}) {
        const auto r = RunCore(frame, kCore | k525 | DV_CORE_FORM_RGB24 | scale);
        const int mb = 32 / scale, group = 4;
        for (int y = 0; y < r.height; y += 3) {
            const uint8_t *line = Line(r, y);
            // Inside the first macroblock the colour is flat...
            for (int x = 1; x < mb - group; ++x)
                ASSERT_EQ(std::memcmp(line + 3 * x, line, 3), 0) << x;
            // ...its last four pixels step toward the next macroblock's colour...
            const int first = mb - group;
            EXPECT_EQ(std::memcmp(line + 3 * first, line, 3), 0);
            for (int j = 1; j < group; ++j)
                EXPECT_LT(line[3 * (first + j) + 2], line[3 * (first + j - 1) + 2]) << "red falls at " << first + j;
            EXPECT_GT(line[3 * (first + 3) + 2], line[3 * mb + 2]) << "but does not reach it";
            // ...and the right edge keeps its last sample: no neighbour to step toward, while the
            // group before it still steps.
            const int w = r.width;
            for (int x = w - group; x < w; ++x)
                ASSERT_EQ(std::memcmp(line + 3 * x, line + 3 * (w - group), 3), 0) << x;
            EXPECT_NE(std::memcmp(line + 3 * (w - 2 * group), line + 3 * (w - group - 1), 3), 0) << "line " << y;
        }
    }
}

TEST(DvCoreChroma, FourTwoZeroColourIsUniformOverEveryTwoByTwoSquare)
{
    // Flat luma, busy chroma.
    FrameBuilder b(false);
    std::mt19937 random(9);
    b.Fill([&](int, int, int, Place) {
        MacroblockContent mb;
        mb.qno = 8;
        for (int i = 4; i < 6; ++i) {
            mb.blocks[i].dc = static_cast<int>(random() % 200) - 100;
            for (int c = 0; c < 12; ++c)
                mb.blocks[i].codes.push_back({0, static_cast<int>(random() % 9) - 4});
        }
        return mb;
    });
    const auto r = RunCore(b.File(), kCore | k625 | DV_CORE_FORM_RGB24 | 1);
    int changes = 0;
    for (int y = 0; y < 576; y += 2)
        for (int x = 0; x < 720; x += 2) {
            const uint8_t *p = Line(r, y) + 3 * x;
            ASSERT_EQ(std::memcmp(p, p + 3, 3), 0);
            ASSERT_EQ(std::memcmp(p, Line(r, y + 1) + 3 * x, 3), 0);
            ASSERT_EQ(std::memcmp(p, Line(r, y + 1) + 3 * x + 3, 3), 0);
            changes += x > 0 && std::memcmp(p, p - 3, 3) != 0;
        }
    EXPECT_GT(changes, 10000) << "the squares themselves differ";
}

TEST(DvCoreGeometry, EighthScaleLeavesTheRightmostColumnsOut)
{
    for (bool is525 : {true, false}) {
        const auto frame = RandomContentFrame(is525, 4);
        const int span = 100, height = is525 ? 60 : 72;
        std::vector<uint8_t> out(static_cast<size_t>(span) * 3 * height, 0x77);
        WorkArea work;
        ASSERT_EQ(DecodeFrame(frame.data() + 32, out.data(), kCore | (is525 ? k525 : k625) | DV_CORE_FORM_RGB24 | 8,
                              -span, work.Area()),
                  0u);
        for (int y = 0; y < height; ++y)
            for (int i = 88 * 3; i < span * 3; ++i)
                ASSERT_EQ(out[static_cast<size_t>(y) * span * 3 + i], 0x77);
    }
}

TEST(DvCoreGeometry, EveryMacroblockLandsWhereTheShuffleSaysAtEveryScale)
{
    // Each macroblock's luma DC encodes its own place; the decoded picture must show it there.
    for (bool is525 : {true, false}) {
        FrameBuilder b(is525);
        std::map<std::pair<int, int>, int> expected;
        b.Fill([&](int i, int k, int m, Place p) {
            MacroblockContent mb;
            const int level = ((i * 27 + k) * 5 + m) % 200 - 100;
            for (int j = 0; j < 4; ++j)
                mb.blocks[j].dc = level;
            expected[{p.x, p.y}] = level;
            return mb;
        });
        const auto frame = b.File();
        for (uint32_t scale : {1u, 2u, 4u, 8u}) {
            const auto r = RunCore(frame, kCore | (is525 ? k525 : k625) | DV_CORE_FORM_RGB24 | scale);
            uint8_t t[DV_CONVERT_SIZE], t5[DV_CONVERT_SIZE];
            DvBuildConvertTables(t, t5);
            for (const auto &e : expected) {
                const int x = e.first.first / static_cast<int>(scale), y = e.first.second / static_cast<int>(scale);
                if (x >= r.width)
                    continue;
                // The macroblock's first pixel is grey at T(DC / 2, rounded down).
                const uint8_t v = t[(e.second >> 1) - DV_CONVERT_MIN];
                const uint8_t *px = Line(r, y) + 3 * x;
                ASSERT_TRUE(px[0] == v && px[1] == v && px[2] == v)
                    << (is525 ? 525 : 625) << " scale " << scale << " at " << x << "," << y;
            }
        }
    }
}

// Decodes one segment through the coefficient decoder and returns its 30 coefficient blocks.
std::vector<std::vector<int32_t>> DecodeSegmentCoefficients(const std::array<MacroblockContent, 5> &mbs)
{
    // One set-up at full size provides the tables; the segment is then decoded on its own.
    static WorkArea work;
    static const bool ready = [] {
        const auto frame = UniformFrame(false, 0, 0, 0);
        std::vector<uint8_t> out(720 * 576 * 3);
        return DecodeFrame(frame.data() + 32, out.data(), kCore | k625 | DV_CORE_FORM_RGB24 | 1, -720, work.Area()) == 0;
    }();
    EXPECT_TRUE(ready);
    DvContext *ctx = DvContextOf(work.Area());
    const auto seg = FrameBuilder::EncodeSegment(mbs);
    std::memcpy(ctx->segment, seg.data(), seg.size());
    std::memset(ctx->coef, 0, sizeof ctx->coef);
    DvDecodeSegment(ctx, DV_PASSES_ALL, 63, 0);
    std::vector<std::vector<int32_t>> blocks;
    for (int i = 0; i < DV_SEGMENT_MBLOCKS; ++i)
        blocks.emplace_back(ctx->coef[i], ctx->coef[i] + 64);
    return blocks;
}

std::vector<int32_t> ExpectedBlock(const BlockContent &block, int qno, size_t keepCodes = SIZE_MAX)
{
    std::vector<int32_t> v(64, 0);
    BlockContent kept = block;
    if (keepCodes < kept.codes.size())
        kept.codes.resize(keepCodes);
    for (const auto &e : ExpectedCoefficients(kept, qno))
        v[e.position] = e.value;
    // The DC word: 9-bit DC, mode bit, class, then the first four AC bits.
    return v;
}

int32_t DcWord(const std::array<MacroblockContent, 5> &mbs, int m, int b)
{
    const auto seg = FrameBuilder::EncodeSegment(mbs);
    static const int offset[6] = {4, 18, 32, 46, 60, 70};
    return static_cast<int16_t>(seg[m * 80 + offset[b]] << 8 | seg[m * 80 + offset[b] + 1]);
}

TEST(DvCorePasses, OverflowingBlocksAreReassembledFromTheirMacroblockAndSegment)
{
    std::mt19937 random(12);
    for (int round = 0; round < 40; ++round) {
        std::array<MacroblockContent, 5> mbs;
        for (auto &mb : mbs) {
            mb.qno = static_cast<int>(random() % 16);
            for (int b = 0; b < 6; ++b) {
                BlockContent &block = mb.blocks[b];
                block.dc = static_cast<int>(random() % 512) - 256;
                block.dct248 = random() % 3 == 0;
                block.klass = static_cast<int>(random() % 4);
                // Some blocks are long, most are short, so bits must move between blocks.
                const int count = random() % 4 == 0 ? 20 + static_cast<int>(random() % 30) : static_cast<int>(random() % 4);
                int scan = 0;
                for (int c = 0; c < count; ++c) {
                    const int run = random() % 4 == 0 ? static_cast<int>(random() % 9) : 0;
                    if (scan + run + 1 > 63)
                        break;
                    scan += run + 1;
                    const int amplitude = random() % 15 == 0 ? 0 : 1 + static_cast<int>(random() % (random() % 8 ? 5 : 60));
                    block.codes.push_back({run, random() % 2 ? amplitude : -amplitude});
                }
            }
        }
        // Keep the whole segment within its 2,680 AC bits so that every block can finish.
        size_t bits = 0;
        for (const auto &mb : mbs)
            for (const auto &block : mb.blocks)
                bits += EncodeCodes(block.codes, true).size();
        if (bits > 2680)
            continue;
        const auto blocks = DecodeSegmentCoefficients(mbs);
        for (int m = 0; m < 5; ++m)
            for (int b = 0; b < 6; ++b) {
                auto expect = ExpectedBlock(mbs[m].blocks[b], mbs[m].qno);
                expect[0] = DcWord(mbs, m, b);
                ASSERT_EQ(blocks[m * 6 + b], expect) << "round " << round << " macroblock " << m << " block " << b;
            }
    }
}

TEST(DvCorePasses, StatusBitsKeepBitsInsideTheirMacroblock)
{
    // Macroblock 0's first block needs far more than its own 100 bits: 60 codes (0, 22) of 10 bits.
    // Every other block is empty and leaves its area after a 4-bit end of block.
    std::array<MacroblockContent, 5> mbs;
    for (int c = 0; c < 60; ++c)
        mbs[0].blocks[0].codes.push_back({0, 22});
    const int own = 100 / 10, macroblock = (100 + 3 * 96 + 2 * 64) / 10;

    auto count = [](const std::vector<int32_t> &block) {
        int n = 0;
        for (int i = 1; i < 64; ++i)
            n += block[i] != 0;
        return n;
    };
    // STA 0: passes 2 and 3 give it everything.
    EXPECT_EQ(count(DecodeSegmentCoefficients(mbs)[0]), 60);
    // STA 0xF on its own DIF block: no pass 2 for it, no pass 3 anywhere.
    mbs[0].sta = 0xF;
    EXPECT_EQ(count(DecodeSegmentCoefficients(mbs)[0]), own);
    // An error status elsewhere stops pass 3 only; low bits 7 there stop that macroblock's pass 2.
    mbs[0].sta = 0;
    for (int sta : {0x1, 0x7, 0xE}) {
        mbs[3].sta = sta;
        EXPECT_EQ(count(DecodeSegmentCoefficients(mbs)[0]), macroblock) << "STA " << sta;
    }
}

TEST(DvCorePasses, HostileSegmentsStayInsideTheirBlocks)
{
    // Every byte pattern of a segment: the 30 coefficient blocks and their neighbours only.
    WorkArea work;
    const auto frame = UniformFrame(true, 0, 0, 0);
    std::vector<uint8_t> out(720 * 480 * 3);
    DecodeFrame(frame.data() + 32, out.data(), kCore | k525 | DV_CORE_FORM_RGB24 | 1, -720, work.Area());
    DvContext *ctx = DvContextOf(work.Area());
    std::mt19937 random(99);
    for (int round = 0; round < 300; ++round) {
        for (int i = 0; i < DV_SEGMENT_BYTES; ++i)
            ctx->segment[i] = static_cast<uint8_t>(round % 3 == 0 ? 0xFF : round % 3 == 1 ? random() : (random() & 0x0F));
        std::memset(ctx->coef, 0, sizeof ctx->coef);
        DvDecodeSegment(ctx, DV_PASSES_ALL, 63, 0);
        for (int i = 0; i < DV_SEGMENT_MBLOCKS; ++i)
            for (int s = 64; s < DV_COEF_SLOTS; ++s)
                ASSERT_EQ(ctx->coef[i][s], 0);
    }
}

} // namespace
