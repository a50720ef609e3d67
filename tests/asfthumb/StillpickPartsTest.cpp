// The parts of Stillpick that need no pipeline: the vertical flip over every source depth, and the
// message thread's handling of the grabber's frame message (copy, status, time-out, late frames).

#include "DibFlip.h"
#include "GrabContext.h"

#include "movthumb/MovieFixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

using namespace movietest;

namespace {

using Bytes = std::vector<uint8_t>;

void put32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

void put16(Bytes& b, size_t at, uint16_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

// A packed DIB with the given depth, a colour table of `colours` entries (blue, green, red, 0) and rows
// of zeros; height negative for top-down rows.
Bytes makeDib(int width, int height, int bits, uint32_t colours = 0)
{
    const size_t stride = (size_t(width) * bits + 31) / 32 * 4;
    const uint32_t table = bits <= 8 ? (colours ? colours : 1u << bits) : 0;
    Bytes dib(40 + table * 4 + stride * size_t(std::abs(height)));
    put32(dib, 0, 40);
    put32(dib, 4, uint32_t(width));
    put32(dib, 8, uint32_t(height));
    put16(dib, 12, 1);
    put16(dib, 14, uint16_t(bits));
    put32(dib, 32, colours);
    return dib;
}

struct Flipped {
    Picture picture;
    size_t size = 0;
    bool ok = false;
};

Flipped flip(const Bytes& dib)
{
    Flipped out;
    void* result = stillpick_flip_dib(dib.data(), dib.size(), &out.size);
    if (result) {
        out.ok = true;
        EXPECT_EQ(readLe32(static_cast<uint8_t*>(result) + 20) + 40, out.size);
        out.picture = dibPicture(result);
        std::free(result);
    }
    return out;
}

const uint8_t* pixel(const Picture& p, int x, int y)
{
    return &p.rgb[(size_t(y) * p.width + x) * 3];
}

TEST(DibFlipTest, TwentyFourBitRowsAreReversed)
{
    // A 3 × 2 bottom-up picture: memory row 0 is the bottom line. Odd width: rows carry padding.
    Bytes dib = makeDib(3, 2, 24);
    const size_t stride = 12;
    for (int x = 0; x < 3; ++x) {
        dib[40 + 3 * x + 2] = uint8_t(10 + x);           // bottom line, red
        dib[40 + stride + 3 * x + 1] = uint8_t(20 + x);  // top line, green
    }
    const Flipped out = flip(dib);
    ASSERT_TRUE(out.ok);
    ASSERT_EQ(out.picture.width, 3);
    ASSERT_EQ(out.picture.height, 2);
    // Upside down: the old bottom line is now on top.
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(pixel(out.picture, x, 0)[0], 10 + x);
        EXPECT_EQ(pixel(out.picture, x, 1)[1], 20 + x);
    }

    // A top-down source shows its first memory row on top; flipped, that row ends at the bottom.
    Bytes topDown = makeDib(1, -2, 32);
    topDown[40 + 2] = 200;  // first memory row: the top line, red
    const Flipped fromTopDown = flip(topDown);
    ASSERT_TRUE(fromTopDown.ok);
    EXPECT_EQ(pixel(fromTopDown.picture, 0, 1)[0], 200);
    EXPECT_EQ(pixel(fromTopDown.picture, 0, 0)[0], 0);
}

TEST(DibFlipTest, PaletteAndSixteenBitSourcesBecomeTrueColour)
{
    // 1 bit: pixel 0 of the bottom line uses colour 1 (blue).
    Bytes mono = makeDib(9, 2, 1, 2);
    mono[40 + 4 * 1 + 0] = 255;  // colour 1: blue
    mono[48] = 0x80;             // bottom line, first pixel, index 1
    Flipped out = flip(mono);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(pixel(out.picture, 0, 0)[2], 255);
    EXPECT_EQ(pixel(out.picture, 1, 0)[2], 0);

    // 4 bits: the second pixel of the top line (low nibble) uses colour 15 (green).
    Bytes nibbles = makeDib(2, 2, 4);
    nibbles[40 + 15 * 4 + 1] = 128;
    nibbles[40 + 64 + 4] = 0x0F;  // memory row 1 (top line), pixels 0 and 1
    out = flip(nibbles);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(pixel(out.picture, 1, 1)[1], 128);
    EXPECT_EQ(pixel(out.picture, 0, 1)[1], 0);

    // 8 bits with a short table: an index past it shows black instead of reading past the table.
    Bytes bytes = makeDib(2, 1, 8, 2);
    bytes[40 + 4 + 2] = 77;  // colour 1: red
    bytes[48] = 1;
    bytes[49] = 200;
    out = flip(bytes);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(pixel(out.picture, 0, 0)[0], 77);
    EXPECT_EQ(pixel(out.picture, 1, 0)[0], 0);

    // 16 bits, 5-5-5: full red.
    Bytes high = makeDib(1, 1, 16);
    put16(high, 40, 0x7C00);
    out = flip(high);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(pixel(out.picture, 0, 0)[0], 255);
    EXPECT_EQ(pixel(out.picture, 0, 0)[1], 0);
}

TEST(DibFlipTest, MalformedSourcesAreRefused)
{
    size_t size = 0;
    const Bytes good = makeDib(4, 4, 24);
    EXPECT_EQ(stillpick_flip_dib(good.data(), good.size() - 1, &size), nullptr);  // rows cut short
    EXPECT_EQ(stillpick_flip_dib(good.data(), 39, &size), nullptr);
    EXPECT_EQ(stillpick_flip_dib(nullptr, 0, &size), nullptr);

    Bytes compressed = good;
    put32(compressed, 16, 1);  // run-length coded
    EXPECT_EQ(stillpick_flip_dib(compressed.data(), compressed.size(), &size), nullptr);
    Bytes oddDepth = good;
    put16(oddDepth, 14, 12);
    EXPECT_EQ(stillpick_flip_dib(oddDepth.data(), oddDepth.size(), &size), nullptr);
    Bytes tooManyColours = makeDib(4, 4, 4);
    put32(tooManyColours, 32, 17);
    EXPECT_EQ(stillpick_flip_dib(tooManyColours.data(), tooManyColours.size(), &size), nullptr);
    Bytes hugeHeader = good;
    put32(hugeHeader, 0, 0xFFFFFFF0u);
    EXPECT_EQ(stillpick_flip_dib(hugeHeader.data(), hugeHeader.size(), &size), nullptr);
    Bytes hugeWidth = good;
    put32(hugeWidth, 4, 0x7FFFFFFF);
    EXPECT_EQ(stillpick_flip_dib(hugeWidth.data(), hugeWidth.size(), &size), nullptr);
}

// ---------------------------------------------------------------- grab context

struct Context {
    explicit Context(int flip = 0) : context(grab_context_start(flip)) {}
    ~Context() { grab_context_end(context); }
    GrabContext* context;
};

void* copyOf(const Bytes& bytes)
{
    void* block = std::malloc(bytes.size());
    std::memcpy(block, bytes.data(), bytes.size());
    return block;
}

TEST(GrabContextTest, FrameIsCopiedForTheCaller)
{
    Context c;
    ASSERT_NE(c.context, nullptr);
    Bytes frame = makeDib(2, 2, 24);
    put32(frame, 20, 16);
    frame[40] = 99;
    QuilGrabTarget* target = grab_context_target(c.context);
    // Posted from another thread, as the grabber's streaming thread does.
    std::thread grabber([&] { target->post(target, QUILGRAB_FRAME_MESSAGE, copyOf(frame), frame.size(), 0); });
    EXPECT_EQ(grab_context_wait_frame(c.context, 5000, 16), 1);
    grabber.join();
    EXPECT_EQ(grab_context_status(c.context), 0);
    size_t size = 0;
    void* picture = grab_context_take_picture(c.context, &size);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(size, 56u);
    EXPECT_EQ(static_cast<uint8_t*>(picture)[40], 99);
    std::free(picture);
    EXPECT_EQ(grab_context_take_picture(c.context, &size), nullptr);
}

TEST(GrabContextTest, GrabberStatusComesThroughWithoutPicture)
{
    Context c;
    QuilGrabTarget* target = grab_context_target(c.context);
    target->post(target, QUILGRAB_FRAME_MESSAGE, nullptr, 0, QUILGRAB_STATUS_BAD_FRAME);
    EXPECT_EQ(grab_context_wait_frame(c.context, 5000, 16), 1);
    EXPECT_EQ(grab_context_status(c.context), QUILGRAB_STATUS_BAD_FRAME);
    EXPECT_EQ(grab_context_take_picture(c.context, nullptr), nullptr);
}

TEST(GrabContextTest, FrameLongerThanItsBlockIsNotCopied)
{
    Context c;
    Bytes frame = makeDib(2, 2, 24);
    put32(frame, 20, 1000);  // says 1,000 bytes of image, the block has 16
    QuilGrabTarget* target = grab_context_target(c.context);
    target->post(target, QUILGRAB_FRAME_MESSAGE, copyOf(frame), frame.size(), 0);
    EXPECT_EQ(grab_context_wait_frame(c.context, 5000, 16), 1);
    EXPECT_EQ(grab_context_status(c.context), 3);
    EXPECT_EQ(grab_context_take_picture(c.context, nullptr), nullptr);
}

TEST(GrabContextTest, TimeOutStandsAndLateFramesAreDropped)
{
    Context c;
    EXPECT_EQ(grab_context_wait_frame(c.context, 10, 16), 0);
    EXPECT_EQ(grab_context_status(c.context), 16);
    const Bytes frame = makeDib(1, 1, 24);
    QuilGrabTarget* target = grab_context_target(c.context);
    target->post(target, QUILGRAB_FRAME_MESSAGE, copyOf(frame), frame.size(), 0);
    // The late frame is either still queued or dropped by the thread; neither changes the outcome,
    // and ending the context frees it either way (the leak checker watches).
    EXPECT_EQ(grab_context_status(c.context), 16);
    EXPECT_EQ(grab_context_take_picture(c.context, nullptr), nullptr);
}

}  // namespace
