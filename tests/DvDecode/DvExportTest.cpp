// The export: header checks, refusals, picture sizes and shapes, trims, the bitmap header, and
// that the shared library shows nothing but `dvcdec`.
#include <dlfcn.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DvFrameBuilder.h"
#include "DvReshape.h"
#include "DvTestSupport.h"
#include "Vistra32.h"

using namespace dvtest;

namespace {

// The program sets this bit in every request; the library must ignore it.
constexpr uint32_t kProgramBit = 0x4000000;

const std::vector<uint8_t> &Frame525()
{
    static const auto frame = UniformFrame(true, 40, 10, -10);
    return frame;
}

const std::vector<uint8_t> &Frame625()
{
    static const auto frame = UniformFrame(false, 40, 10, -10);
    return frame;
}

void PutBE32(std::vector<uint8_t> &file, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        file[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

struct HeaderCase {
    const char *name;
    std::function<void(std::vector<uint8_t> &)> damage;
};

TEST(DvExportHeader, EveryCheckRefusesWithBadHeaderStatus)
{
    const std::vector<HeaderCase> cases = {
        {"magic", [](auto &f) { f[3] = '_'; }},
        {"magic case", [](auto &f) { f[0] = 'd'; }},
        {"version", [](auto &f) { f[7] = '1'; }},
        {"system tag", [](auto &f) { f[10] = '7'; }},
        {"tag SD5 with the 625/50 total size", [](auto &f) { PutBE32(f, 12, 143072); }},
        {"byte 11", [](auto &f) { f[11] = 1; }},
        {"data size", [](auto &f) { PutBE32(f, 16, 119201); }},
        {"offset byte 23", [](auto &f) { f[23] = 0x21; }},
        // The offset's upper bytes would point the decoder outside the frame file.
        {"offset upper bytes", [](auto &f) { f[21] = 0x01; }},
    };
    for (const auto &c : cases) {
        auto file = Frame525();
        c.damage(file);
        std::vector<uint8_t> output(DVCDEC_OUTPUT_SIZE, 0xA5), work(DVCDEC_WORK_AREA_SIZE, 0);
        DvDecodeRequest request{file.data(), output.data(), work.data(), 1, 0, 0};
        EXPECT_EQ(dvcdec(&request), DVCDEC_BAD_HEADER) << c.name;
        EXPECT_EQ(output[0], 0xA5) << c.name << ": nothing may be written";
    }
}

TEST(DvExportHeader, MissingPointersAreRefusedNotFollowed)
{
    auto file = Frame525();
    std::vector<uint8_t> output(DVCDEC_OUTPUT_SIZE), work(DVCDEC_WORK_AREA_SIZE);
    EXPECT_EQ(dvcdec(nullptr), DVCDEC_BAD_HEADER);
    DvDecodeRequest noInput{nullptr, output.data(), work.data(), 1, 0, 0};
    EXPECT_EQ(dvcdec(&noInput), DVCDEC_BAD_HEADER);
    DvDecodeRequest noOutput{file.data(), nullptr, work.data(), 1, 0, 0};
    EXPECT_EQ(dvcdec(&noOutput), DVCDEC_REFUSED);
    DvDecodeRequest noWork{file.data(), output.data(), nullptr, 1, 0, 0};
    EXPECT_EQ(dvcdec(&noWork), DVCDEC_REFUSED);
}

TEST(DvExportModes, UnsupportedScalesShapesAndFormsWriteNothing)
{
    for (uint32_t mode : {3u, 5u, 6u, 7u, 9u, 15u, 1u | 0x30u, 1u | 0x50u, 1u | 0x200u, 1u | 0x400u, 1u | 0x800u}) {
        std::vector<uint8_t> output(DVCDEC_OUTPUT_SIZE, 0xA5), work(DVCDEC_WORK_AREA_SIZE, 0);
        DvDecodeRequest request{Frame525().data(), output.data(), work.data(), mode | kProgramBit, 0, 0};
        EXPECT_EQ(dvcdec(&request), DVCDEC_REFUSED) << std::hex << mode;
        EXPECT_EQ(output[0], 0xA5);
        EXPECT_EQ(output[DVCDEC_OUTPUT_SIZE - 1], 0xA5);
    }
    // A bad header wins over a bad scale: the header is checked first.
    auto file = Frame525();
    file[0] = 'X';
    std::vector<uint8_t> output(DVCDEC_OUTPUT_SIZE), work(DVCDEC_WORK_AREA_SIZE);
    DvDecodeRequest request{file.data(), output.data(), work.data(), 3, 0, 0};
    EXPECT_EQ(dvcdec(&request), DVCDEC_BAD_HEADER);
}

struct SizeCase {
    bool is525;
    uint32_t scale, shape;
    int width, height;
};

TEST(DvExportSizes, EveryScaleAndShapeGivesItsSize)
{
    const std::vector<SizeCase> cases = {
        {true, 0, 0x00, 720, 480},   {true, 1, 0x10, 720, 480},  {true, 1, 0x20, 640, 480},
        {true, 1, 0x40, 640, 360},   {true, 1, 0x80, 640, 360},  {false, 1, 0x00, 720, 576},
        {false, 1, 0x20, 720, 540},  {false, 1, 0x40, 720, 405}, {false, 1, 0x80, 720, 405},
        {true, 2, 0x00, 360, 240},   {true, 2, 0x20, 320, 240},  {true, 2, 0x40, 320, 180},
        {false, 2, 0x10, 360, 288},  {false, 2, 0x20, 360, 275}, {false, 2, 0x80, 360, 202},
        {true, 4, 0x00, 180, 120},   {true, 4, 0x20, 160, 120},  {true, 4, 0x80, 160, 90},
        {false, 4, 0x00, 180, 144},  {false, 4, 0x20, 180, 135}, {false, 4, 0x40, 180, 101},
        {true, 8, 0x00, 88, 60},     {true, 8, 0x20, 80, 60},    {true, 8, 0x40, 80, 45},
        {false, 8, 0x00, 88, 72},    {false, 8, 0x20, 88, 67},   {false, 8, 0x80, 88, 50},
    };
    for (const auto &c : cases) {
        const auto d = Decode(c.is525 ? Frame525() : Frame625(), c.scale | c.shape | kProgramBit);
        SCOPED_TRACE(std::string(c.is525 ? "525" : "625") + " scale " + std::to_string(c.scale) + " shape " +
                     std::to_string(c.shape));
        ASSERT_EQ(d.status, DVCDEC_OK);
        const uint8_t *h = d.output.data();
        uint32_t size, planes = 0, bits = 0, compression, image;
        std::memcpy(&size, h, 4);
        std::memcpy(&planes, h + 12, 2);
        std::memcpy(&bits, h + 14, 2);
        std::memcpy(&compression, h + 16, 4);
        std::memcpy(&image, h + 20, 4);
        EXPECT_EQ(size, 40u);
        EXPECT_EQ(d.picture.width, c.width);
        EXPECT_EQ(d.picture.height, c.height);
        EXPECT_EQ(planes, 1u);
        EXPECT_EQ(bits, 24u);
        EXPECT_EQ(compression, 0u);
        const int stride = (c.width * 3 + 3) & ~3;
        EXPECT_EQ(image, static_cast<uint32_t>(stride * c.height));
        for (int i = 24; i < 40; ++i)
            EXPECT_EQ(h[i], 0) << "byte " << i;
        // Row padding is zero.
        for (int y = 0; y < c.height; ++y)
            for (int p = c.width * 3; p < stride; ++p)
                ASSERT_EQ(h[40 + y * stride + p], 0);
    }
}

TEST(DvExportTrims, TrimsCutTheRightWindow)
{
    const auto frame = RandomContentFrame(true, 11);
    const auto whole = Decode(frame, 1 | 0x10);
    ASSERT_EQ(whole.status, DVCDEC_OK);

    // Ten columns off each side: 700 x 480 starting at source column 10.
    const auto cut = Decode(frame, 1 | 0x10, 0, DVCDEC_TRIM(10, 10));
    ASSERT_EQ(cut.status, DVCDEC_OK);
    ASSERT_EQ(cut.picture.width, 700);
    ASSERT_EQ(cut.picture.height, 480);
    for (int y = 0; y < 480; y += 7)
        for (int x = 0; x < 700; x += 3)
            ASSERT_EQ(std::memcmp(cut.picture.At(x, y), whole.picture.At(x + 10, y), 3), 0) << x << "," << y;

    // Lines: the low half drops lines at the top, the high half at the bottom.
    const auto lines = Decode(frame, 1 | 0x10, DVCDEC_TRIM(5, 20), DVCDEC_TRIM(3, 0));
    ASSERT_EQ(lines.status, DVCDEC_OK);
    ASSERT_EQ(lines.picture.width, 717);
    ASSERT_EQ(lines.picture.height, 455);
    EXPECT_EQ(std::memcmp(lines.picture.At(0, 0), whole.picture.At(3, 5), 3), 0);
    EXPECT_EQ(std::memcmp(lines.picture.At(716, 454), whole.picture.At(719, 459), 3), 0);

    // Without a shape the trims still apply, so the header matches the rows.
    const auto plain = Decode(frame, 1, DVCDEC_TRIM(5, 20), DVCDEC_TRIM(3, 0));
    ASSERT_EQ(plain.status, DVCDEC_OK);
    EXPECT_EQ(plain.output, lines.output);
}

TEST(DvExportTrims, NegativeAndExhaustingTrimsStayInsideTheBuffer)
{
    const auto frame = Frame625();
    const auto reference = Decode(frame, 1 | 0x20);
    const auto negative = Decode(frame, 1 | 0x20, DVCDEC_TRIM(-5, -300), DVCDEC_TRIM(-32768, -1));
    ASSERT_EQ(negative.status, DVCDEC_OK);
    EXPECT_EQ(negative.output, reference.output) << "a negative trim counts as none";

    for (auto trims : {std::pair<uint32_t, uint32_t>{0, DVCDEC_TRIM(360, 360)}, {DVCDEC_TRIM(540, 0), 0},
                       {DVCDEC_TRIM(300, 300), 0}, {0, DVCDEC_TRIM(32767, 0)}}) {
        std::vector<uint8_t> output(DVCDEC_OUTPUT_SIZE, 0xA5), work(DVCDEC_WORK_AREA_SIZE, 0);
        DvDecodeRequest request{frame.data(), output.data(), work.data(), 1 | 0x20, trims.first, trims.second};
        EXPECT_EQ(dvcdec(&request), DVCDEC_REFUSED);
        EXPECT_EQ(output, std::vector<uint8_t>(DVCDEC_OUTPUT_SIZE, 0xA5)) << "nothing may be written";
    }
    // One pixel left is still a picture.
    const auto single = Decode(frame, 1 | 0x20, DVCDEC_TRIM(539, 0), DVCDEC_TRIM(0, 719));
    ASSERT_EQ(single.status, DVCDEC_OK);
    EXPECT_EQ(single.picture.width, 1);
    EXPECT_EQ(single.picture.height, 1);
}

// The decoded picture before any reshaping, bottom line first, rows padded.
std::vector<uint8_t> NativeRows(const std::vector<uint8_t> &frame, uint32_t scale)
{
    const auto d = Decode(frame, scale);
    EXPECT_EQ(d.status, DVCDEC_OK);
    return std::vector<uint8_t>(d.output.begin() + 40, d.output.end());
}

TEST(DvExportReshaping, DeinterlacingLetterboxAndResamplingRunInOrder)
{
    // A 625/50 picture whose top 72 lines are black, so that the band search stops at buffer
    // line 507, the first it scans.
    FrameBuilder builder(false);
    builder.Fill([](int, int, int, Place p) {
        MacroblockContent mb;
        for (int b = 0; b < 4; ++b) {
            const int top = p.y + (b < 2 ? 0 : 8);
            mb.blocks[b].dc = top < 72 ? -224 : (p.x + 3 * p.y) % 300 - 150;
        }
        mb.blocks[4].dc = p.y < 80 ? 0 : (p.y % 7) * 20 - 60;
        return mb;
    });
    const auto frame = builder.File();
    for (uint32_t deinterlace : {0u, DVCDEC_DEINTERLACE_ODD, DVCDEC_DEINTERLACE_EVEN_ALWAYS}) {
        auto rows = NativeRows(frame, 1);
        if (deinterlace)
            DvDeinterlace(rows.data(), 720, 576, deinterlace);
        const int32_t stop = DvCutLetterbox(rows.data(), 720, 576, 0, 0, 432);
        EXPECT_EQ(stop, 507);
        ASSERT_EQ(DvResample(rows.data(), 720, 432, 720, 405, 0, 0, 0, 0), DVCDEC_OK);

        const auto d = Decode(frame, 1 | DVCDEC_SHAPE_LETTERBOX | deinterlace);
        ASSERT_EQ(d.status, DVCDEC_OK);
        EXPECT_EQ(d.picture.width, 720);
        EXPECT_EQ(d.picture.height, 405);
        const size_t bytes = static_cast<size_t>(DvRowBytes(720)) * 405;
        EXPECT_EQ(std::memcmp(d.output.data() + 40, rows.data(), bytes), 0) << std::hex << deinterlace;
    }
}

TEST(DvExportLibrary, OnlyTheDecoderIsExported)
{
    const std::string path = std::string(KESTREL_BIN_DIR) + "/libVistra32.so";
    void *library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto entry = reinterpret_cast<uint32_t (*)(const DvDecodeRequest *)>(dlsym(library, "dvcdec"));
    ASSERT_NE(entry, nullptr);
    for (const char *hidden : {"DecodeFrame", "DvSetUp", "DvResample", "DvDeinterlace", "kDvCodeWords"})
        EXPECT_EQ(dlsym(library, hidden), nullptr) << hidden;

    std::vector<uint8_t> output(DVCDEC_OUTPUT_SIZE), work(DVCDEC_WORK_AREA_SIZE);
    DvDecodeRequest request{Frame625().data(), output.data(), work.data(), 8 | kProgramBit, 0, 0};
    EXPECT_EQ(entry(&request), DVCDEC_OK);
    EXPECT_EQ(FromBitmap(output.data()).width, 88);
    dlclose(library);
}

} // namespace
