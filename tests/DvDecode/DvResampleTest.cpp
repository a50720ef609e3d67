// The fixed-point resampler against the floating-point one it replaced: on ffmpeg-encoded frames
// through the export for every shape and scale, and on hostile patterns and odd ratios directly.
#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DvFrameBuilder.h"
#include "DvReshape.h"
#include "DvTestSupport.h"
#include "Vistra32.h"

using namespace dvtest;

namespace {

constexpr double kMinimumPsnr = 50.0;
constexpr int kMaximumLevelDifference = 1;

// Sets a test hook for one scope.
class Hook {
public:
    explicit Hook(int &flag) : flag_(flag) { flag_ = 1; }
    ~Hook() { flag_ = 0; }
    Hook(const Hook &) = delete;
    Hook &operator=(const Hook &) = delete;

private:
    int &flag_;
};

struct Difference {
    int maximum = 0;
    size_t differing = 0;
    std::string first; // where the first byte differs by more than the tolerance
};

Difference Compare(const Picture &a, const Picture &b)
{
    Difference d;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const int delta = std::abs(int(a.At(x, y)[c]) - int(b.At(x, y)[c]));
                d.differing += delta != 0;
                if (delta > d.maximum) {
                    d.maximum = delta;
                    if (delta > kMaximumLevelDifference && d.first.empty())
                        d.first = "x " + std::to_string(x) + " y " + std::to_string(y) + " channel " + std::to_string(c) +
                                  ": " + std::to_string(a.At(x, y)[c]) + " against " + std::to_string(b.At(x, y)[c]);
                }
            }
    return d;
}

// Every row's padding bytes are zero.
bool PaddingIsZero(const Decoded &d)
{
    const int stride = DvRowBytes(d.picture.width);
    for (int y = 0; y < d.picture.height; ++y)
        for (int p = 3 * d.picture.width; p < stride; ++p)
            if (d.output[40 + static_cast<size_t>(y) * stride + p] != 0)
                return false;
    return true;
}

// A 625/50 or 525/60 frame letterboxed by black bars of about 12 % at top and bottom, with busy
// content between them, so that the band search stops inside its scanned lines.
std::vector<uint8_t> LetterboxedFrame(bool is525)
{
    FrameBuilder builder(is525);
    const int height = is525 ? 480 : 576, bar = height / 8;
    builder.Fill([&](int, int, int, Place p) {
        MacroblockContent mb;
        for (int b = 0; b < 4; ++b) {
            const int top = p.y + (b < 2 || is525 ? 0 : 8);
            const bool dark = top < bar || top >= height - bar;
            mb.blocks[b].dc = dark ? -224 : (p.x * 7 + p.y * 3 + b * 50) % 400 - 200;
            if (!dark)
                mb.blocks[b].codes = {{0, (p.x + b) % 9 - 4}, {2, (p.y % 5) - 2}};
        }
        mb.blocks[4].dc = (p.x * 5) % 300 - 150;
        mb.blocks[5].dc = (p.y * 3) % 300 - 150;
        return mb;
    });
    return builder.File();
}

struct Frame {
    std::string name;
    std::vector<uint8_t> file;
    bool allRequests; // trims and de-interlacing too, not only the plain shapes
};

// Under a sanitizer (slow) only the synthetic letterboxed frames run: memory safety is what that
// build is for, and they reach every path.
std::vector<Frame> Frames()
{
    std::vector<Frame> frames;
    if (!UnderSanitizer())
        for (const std::string &name : FixtureNames())
            frames.push_back({name, ReadFile(FixtureDir() + "/" + name + ".dvf"), name.rfind("testsrc2", 0) == 0});
    frames.push_back({"letterboxed-525", LetterboxedFrame(true), true});
    frames.push_back({"letterboxed-625", LetterboxedFrame(false), true});
    return frames;
}

struct Request {
    uint32_t mode, verticalTrim, horizontalTrim;
};

// Every shape at every scale, and with `all` per scale three requests that also trim and
// de-interlace; under a sanitizer the half and quarter scales are left out.
std::vector<Request> Requests(bool all)
{
    std::vector<Request> requests;
    for (uint32_t scale : {1u, 2u, 4u, 8u}) {
        if (UnderSanitizer() && (scale == 2 || scale == 4))
            continue;
        for (uint32_t shape : {DVCDEC_SHAPE_4_3, DVCDEC_SHAPE_16_9, DVCDEC_SHAPE_LETTERBOX})
            requests.push_back({scale | shape, 0, 0});
        if (!all)
            continue;
        const int t = 8 / static_cast<int>(scale) + 1;
        requests.push_back({scale | DVCDEC_SHAPE_LETTERBOX | DVCDEC_DEINTERLACE_ODD, DVCDEC_TRIM(t, 2 * t),
                            DVCDEC_TRIM(3 * t, t)});
        requests.push_back({scale | DVCDEC_SHAPE_4_3 | DVCDEC_DEINTERLACE_EVEN_ALWAYS, DVCDEC_TRIM(0, t),
                            DVCDEC_TRIM(t, 0)});
        requests.push_back({scale | DVCDEC_SHAPE_NATIVE, DVCDEC_TRIM(t, t), DVCDEC_TRIM(2 * t, 1)});
    }
    return requests;
}

std::string Describe(const Frame &frame, const Request &r)
{
    char text[96];
    std::snprintf(text, sizeof text, " mode 0x%x trims 0x%x 0x%x", r.mode, r.verticalTrim, r.horizontalTrim);
    return frame.name + text;
}

TEST(DvResampleFixedPoint, EveryShapeAndScaleStaysWithinOneLevelOfTheFloatResampler)
{
    for (const Frame &frame : Frames()) {
        for (const Request &r : Requests(frame.allRequests)) {
            SCOPED_TRACE(Describe(frame, r));
            const Decoded fixed = Decode(frame.file, r.mode, r.verticalTrim, r.horizontalTrim);
            Decoded reference;
            {
                Hook hook(gDvReferenceResample);
                reference = Decode(frame.file, r.mode, r.verticalTrim, r.horizontalTrim);
            }
            ASSERT_EQ(fixed.status, DVCDEC_OK);
            ASSERT_EQ(reference.status, DVCDEC_OK);
            ASSERT_EQ(std::memcmp(fixed.output.data(), reference.output.data(), 40), 0) << "bitmap headers differ";
            const Difference d = Compare(fixed.picture, reference.picture);
            EXPECT_LE(d.maximum, kMaximumLevelDifference) << d.first;
            EXPECT_GE(Psnr(fixed.picture, reference.picture), kMinimumPsnr);
            EXPECT_TRUE(PaddingIsZero(fixed));
        }
    }
}

TEST(DvResampleFixedPoint, VectorAndBaselineBuildsGiveTheSameBytes)
{
    // Only 4:1:1 frames change width, where the two builds part most.
    std::vector<std::vector<uint8_t>> frames{LetterboxedFrame(true)};
    if (!UnderSanitizer())
        frames.push_back(LetterboxedFrame(false));
    for (const auto &frame : frames)
        for (const Request &r : Requests(true)) {
            const Decoded chosen = Decode(frame, r.mode, r.verticalTrim, r.horizontalTrim);
            Hook hook(gDvBaselineTransform);
            const Decoded baseline = Decode(frame, r.mode, r.verticalTrim, r.horizontalTrim);
            ASSERT_EQ(chosen.status, DVCDEC_OK);
            const auto mismatch = std::mismatch(chosen.output.begin(), chosen.output.end(), baseline.output.begin());
            EXPECT_TRUE(mismatch.first == chosen.output.end())
                << std::hex << "mode 0x" << r.mode << std::dec << ": first difference at byte "
                << (mismatch.first - chosen.output.begin());
        }
}

// A bottom-up picture with padded rows and slack behind it, as the decoder's buffers have.
std::vector<uint8_t> Pattern(int width, int height, int kind, uint32_t seed)
{
    const int stride = DvRowBytes(width);
    std::vector<uint8_t> p(static_cast<size_t>(stride) * height + 64, 0);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < 3 * width; ++i) {
            uint8_t &v = p[static_cast<size_t>(y) * stride + i];
            switch (kind) {
            case 0: v = static_cast<uint8_t>(random()); break;                  // noise
            case 1: v = ((i / 3 + y) & 1) ? 255 : 0; break;                     // one-pixel checker
            default: v = static_cast<uint8_t>(i % 3 == 1 ? 255 - y % 256 : (i / 3) * 255 / width); // ramps
            }
        }
    return p;
}

struct Ratio {
    int width, height, targetWidth, targetHeight, left, right, top, bottom;
};

TEST(DvResampleFixedPoint, HostilePatternsAndOddRatiosStayWithinOneLevel)
{
    const std::vector<Ratio> ratios = {
        {720, 480, 640, 480, 0, 0, 0, 0},   {720, 480, 640, 360, 0, 0, 0, 0}, {720, 365, 640, 360, 7, 3, 2, 5},
        {720, 576, 720, 540, 0, 0, 0, 0},   {720, 432, 720, 405, 1, 2, 3, 4}, {88, 60, 80, 45, 0, 0, 0, 0},
        {88, 72, 88, 67, 0, 0, 0, 0},       {360, 288, 360, 275, 5, 7, 3, 11}, {180, 91, 160, 90, 0, 1, 0, 0},
        // Ratios the export never asks for: wide strides (the plain horizontal step) and stretches.
        {97, 61, 53, 40, 0, 0, 0, 0},       {180, 120, 360, 240, 0, 0, 0, 0}, {33, 17, 50, 9, 2, 3, 1, 1},
        {720, 480, 1, 1, 0, 0, 0, 0},       {720, 480, 720, 480, 10, 10, 4, 4},
    };
    const int kinds = UnderSanitizer() ? 1 : 3;
    for (const Ratio &r : ratios)
        for (int kind = 0; kind < kinds; ++kind) {
            SCOPED_TRACE(std::to_string(r.width) + "x" + std::to_string(r.height) + " to " +
                         std::to_string(r.targetWidth) + "x" + std::to_string(r.targetHeight) + " pattern " +
                         std::to_string(kind));
            const auto source = Pattern(r.width, r.height, kind, static_cast<uint32_t>(r.width * 31 + kind));
            auto fixed = source, reference = source;
            // The reference needs room for its result when it stretches.
            const size_t room = static_cast<size_t>(DvRowBytes(r.targetWidth)) * r.targetHeight + 64;
            fixed.resize(std::max(fixed.size(), room));
            reference.resize(std::max(reference.size(), room));
            ASSERT_EQ(DvResample(fixed.data(), r.width, r.height, r.targetWidth, r.targetHeight, r.left, r.right,
                                 r.top, r.bottom),
                      DVCDEC_OK);
            ASSERT_EQ(DvResampleReference(reference.data(), r.width, r.height, r.targetWidth, r.targetHeight, r.left,
                                          r.right, r.top, r.bottom),
                      DVCDEC_OK);
            const int outWidth = r.targetWidth - r.left - r.right, outHeight = r.targetHeight - r.top - r.bottom;
            Picture pf, pr;
            pf.width = pr.width = outWidth;
            pf.height = pr.height = outHeight;
            const int stride = DvRowBytes(outWidth);
            for (int y = 0; y < outHeight; ++y) {
                pf.bgr.insert(pf.bgr.end(), fixed.begin() + y * stride, fixed.begin() + y * stride + 3 * outWidth);
                pr.bgr.insert(pr.bgr.end(), reference.begin() + y * stride,
                              reference.begin() + y * stride + 3 * outWidth);
                for (int p = 3 * outWidth; p < stride; ++p)
                    ASSERT_EQ(fixed[static_cast<size_t>(y) * stride + p], 0) << "padding of row " << y;
            }
            const Difference d = Compare(pf, pr);
            EXPECT_LE(d.maximum, kMaximumLevelDifference) << d.first;

            // In place or into a separate buffer: the same bytes.
            std::vector<uint8_t> apart(room, 0xA5);
            DvResampleInto(source.data(), r.width, r.height, apart.data(), r.targetWidth, r.targetHeight, r.left,
                           r.right, r.top, r.bottom);
            EXPECT_EQ(std::memcmp(apart.data(), fixed.data(), static_cast<size_t>(stride) * outHeight), 0);
            EXPECT_EQ(apart[static_cast<size_t>(stride) * outHeight], 0xA5) << "wrote past its rows";
        }
}

TEST(DvResampleFixedPoint, FlatPicturesStayExactlyFlat)
{
    // The floating-point resampler may land a hair under a level; the integer one never does.
    for (uint8_t level : {0, 1, 77, 128, 254, 255}) {
        const int stride = DvRowBytes(720);
        std::vector<uint8_t> p(static_cast<size_t>(stride) * 480 + 64, level);
        ASSERT_EQ(DvResample(p.data(), 720, 480, 640, 360, 0, 0, 0, 0), DVCDEC_OK);
        const int out = DvRowBytes(640);
        for (int y = 0; y < 360; ++y)
            for (int i = 0; i < 640 * 3; ++i)
                ASSERT_EQ(p[static_cast<size_t>(y) * out + i], level) << "level " << int(level) << " at " << i << "," << y;
    }
}

} // namespace
