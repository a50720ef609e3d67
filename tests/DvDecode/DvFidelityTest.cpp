// Decoding real encoder output: frames that ffmpeg encoded from synthetic pictures, compared with
// ffmpeg's own decode, with libdv's decode and with the source picture; the reduced scales are
// compared with a box-filtered reduction of the full-size decode.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

extern "C" {
#include <libdv/dv.h>
}

#include "DvTestSupport.h"
#include "Vistra32.h"

using namespace dvtest;

namespace {

constexpr double kDecoderAgreement = 38.0; // dB against ffmpeg's decode
constexpr double kSourceSlack = 0.5;       // dB that libdv may be closer to the source
constexpr double kReducedAgreement = 30.0; // dB against the box-filtered full-size decode

struct Fixture {
    std::string name;
    bool is525;
    int width = 720, height;
    std::vector<uint8_t> dvf, raw, planes;
    Picture source, ffmpeg;
};

Fixture Load(const std::string &name)
{
    Fixture f;
    f.name = name;
    f.is525 = name.find("-525") != std::string::npos;
    f.height = f.is525 ? 480 : 576;
    const std::string base = FixtureDir() + "/" + name;
    f.dvf = ReadFile(base + ".dvf");
    f.raw = ReadFile(base + ".dv");
    f.planes = ReadFile(base + ".yuv");
    f.source = FromRaw(ReadFile(base + ".src.bgr"), f.width, f.height);
    f.ffmpeg = FromRaw(ReadFile(base + ".ref.bgr"), f.width, f.height);
    return f;
}

Picture DecodeWithLibdv(const Fixture &f)
{
    dv_decoder_t *decoder = dv_decoder_new(0, 0, 0);
    decoder->quality = DV_QUALITY_BEST;
    EXPECT_GE(dv_parse_header(decoder, f.raw.data()), 0);
    std::vector<uint8_t> bgr0(static_cast<size_t>(f.width) * f.height * 4);
    uint8_t *pixels[1] = {bgr0.data()};
    int pitches[1] = {f.width * 4};
    dv_decode_full_frame(decoder, f.raw.data(), e_dv_color_bgr0, pixels, pitches);
    dv_decoder_free(decoder);
    Picture p;
    p.width = f.width;
    p.height = f.height;
    p.bgr.resize(static_cast<size_t>(f.width) * f.height * 3);
    for (size_t i = 0; i < static_cast<size_t>(f.width) * f.height; ++i)
        std::memcpy(&p.bgr[3 * i], &bgr0[4 * i], 3);
    return p;
}

// ffmpeg's decoded 4:1:1 planes with the chroma stepped linearly from each co-sited sample to the
// next and held at the right edge, converted by the BT.601 studio-range formulas.
Picture LinearChromaModel(const Fixture &f)
{
    const int w = f.width, h = f.height, cw = w / 4;
    const uint8_t *y = f.planes.data(), *cb = y + w * h, *cr = cb + cw * h;
    Picture p;
    p.width = w;
    p.height = h;
    p.bgr.resize(static_cast<size_t>(w) * h * 3);
    for (int line = 0; line < h; ++line)
        for (int x = 0; x < w; ++x) {
            const int k = x / 4, next = k + 1 < cw ? k + 1 : k;
            const double j = (x % 4) / 4.0;
            const double u = cb[line * cw + k] + j * (cb[line * cw + next] - cb[line * cw + k]) - 128;
            const double v = cr[line * cw + k] + j * (cr[line * cw + next] - cr[line * cw + k]) - 128;
            const double l = 1.164383 * (y[line * w + x] - 16);
            const double rgb[3] = {l + 2.017232 * u, l - 0.391762 * u - 0.812968 * v, l + 1.596027 * v};
            for (int c = 0; c < 3; ++c)
                p.At(x, line)[c] = static_cast<uint8_t>(std::lround(std::min(255.0, std::max(0.0, rgb[c]))));
        }
    return p;
}

class DvFidelity : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        // Under a sanitizer these numeric checks take one fixture per system; memory safety is
        // what that build is for.
        if (UnderSanitizer() && GetParam().rfind("testsrc2", 0) != 0)
            GTEST_SKIP() << "numeric check left to the plain build";
    }
};

TEST_P(DvFidelity, FullSizeAgreesWithTwoIndependentDecoders)
{
    const Fixture f = Load(GetParam());
    const Decoded ours = Decode(f.dvf, DVCDEC_SCALE_1);
    ASSERT_EQ(ours.status, DVCDEC_OK);
    ASSERT_EQ(ours.picture.width, f.width);
    ASSERT_EQ(ours.picture.height, f.height);

    // ffmpeg repeats each chroma sample; so does this decoder in 4:2:0, while in 4:1:1 it steps
    // between samples and agrees with ffmpeg exactly on the sample columns only.
    const double versusFfmpeg = Psnr(ours.picture, f.ffmpeg, f.is525 ? 4 : 1);
    EXPECT_GE(versusFfmpeg, kDecoderAgreement) << f.name;
    if (f.is525) {
        EXPECT_GE(Psnr(ours.picture, LinearChromaModel(f)), kDecoderAgreement) << f.name << " whole frame";
    }

    const double ourSource = Psnr(ours.picture, f.source), libdvSource = Psnr(DecodeWithLibdv(f), f.source);
    EXPECT_GE(ourSource, libdvSource - kSourceSlack) << f.name;
    RecordProperty("psnr_ffmpeg", std::to_string(versusFfmpeg));
    RecordProperty("psnr_source", std::to_string(ourSource) + " (libdv " + std::to_string(libdvSource) + ")");
}

TEST_P(DvFidelity, ReducedScalesAreBoxFilteredFullSize)
{
    const Fixture f = Load(GetParam());
    const Decoded full = Decode(f.dvf, DVCDEC_SCALE_1);
    ASSERT_EQ(full.status, DVCDEC_OK);
    // Colour detail finer than a macroblock is beyond the reduced decoders' chroma; the smooth
    // fixture has camera-like chroma and is held to full colour, the others to their luma.
    const bool smoothChroma = f.name.rfind("gradient", 0) == 0;
    for (int scale : {2, 4, 8}) {
        const Decoded reduced = Decode(f.dvf, static_cast<uint32_t>(scale));
        ASSERT_EQ(reduced.status, DVCDEC_OK);
        const int width = scale == 8 ? 88 : f.width / scale, height = f.height / scale;
        ASSERT_EQ(reduced.picture.width, width);
        ASSERT_EQ(reduced.picture.height, height);
        Picture box;
        box.width = width;
        box.height = height;
        box.bgr.resize(static_cast<size_t>(width) * height * 3);
        double lumaError = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                double sum[3] = {0, 0, 0}, luma = 0;
                for (int dy = 0; dy < scale; ++dy)
                    for (int dx = 0; dx < scale; ++dx) {
                        const uint8_t *p = full.picture.At(x * scale + dx, y * scale + dy);
                        for (int c = 0; c < 3; ++c)
                            sum[c] += p[c];
                        luma += Luma(p);
                    }
                for (int c = 0; c < 3; ++c)
                    box.At(x, y)[c] = static_cast<uint8_t>(std::lround(sum[c] / (scale * scale)));
                const double d = luma / (scale * scale) - Luma(reduced.picture.At(x, y));
                lumaError += d * d;
            }
        const double lumaPsnr = 10 * std::log10(255.0 * 255.0 / (lumaError / (width * height)));
        EXPECT_GE(lumaPsnr, kReducedAgreement) << f.name << " 1/" << scale << " luma";
        if (smoothChroma) {
            EXPECT_GE(Psnr(reduced.picture, box), kReducedAgreement) << f.name << " 1/" << scale;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, DvFidelity, ::testing::ValuesIn(FixtureNames()),
                         [](const auto &info) {
                             std::string n = info.param;
                             for (char &c : n)
                                 if (c == '-')
                                     c = '_';
                             return n;
                         });

TEST(DvFidelityFixtures, WovenFramesExerciseTheTwoFourEightTransform)
{
    // Blocks whose DCT mode bit is set, counted over the whole frame.
    for (const char *name : {"woven-525", "woven-625"}) {
        const auto dvf = ReadFile(FixtureDir() + "/" + name + ".dvf");
        static const int offset[6] = {4, 18, 32, 46, 60, 70};
        int count = 0;
        const size_t sequences = (dvf.size() - 32) / 11920;
        for (size_t s = 0; s < sequences; ++s)
            for (int k = 0; k < 27; ++k)
                for (int m = 0; m < 5; ++m)
                    for (int b = 0; b < 6; ++b) {
                        const size_t at = 32 + s * 11920 + 480 + k * 400 + (k / 3) * 80 + m * 80 + offset[b];
                        count += (dvf[at + 1] >> 6) & 1;
                    }
        EXPECT_GT(count, 50) << name;
    }
}

} // namespace
