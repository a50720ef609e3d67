// Turnkit on every depth: hand-checked pixel positions for one small picture, and round trips of random
// pictures (four quarter turns, a half turn twice, a quarter turn and three quarters) that must give the
// original bytes back.

#include "siblings/SiblingTestSupport.h"

#include "Turnkit.h"

using namespace siblingtest;

namespace {

bool sameDib(const void* a, const void* b)
{
    const std::size_t size = dibTotal(a);
    return size == dibTotal(b) && std::memcmp(a, b, size) == 0;
}

int32_t field(const void* dib, int offset)
{
    return static_cast<int32_t>(le32(static_cast<const uint8_t*>(dib) + offset));
}

}  // namespace

TEST(Turnkit, QuarterTurnsMovePixelsClockwise)
{
    // 3 x 2, 24 bits, each pixel's blue byte its number: top line 1 2 3, bottom line 4 5 6.
    Block dib(makeDib({3, 2, 24, 0, false, 0}, 0));
    auto* pixels = static_cast<uint8_t*>(dib.get()) + 40;
    const int top[] = {1, 2, 3}, bottom[] = {4, 5, 6};
    for (int x = 0; x < 3; ++x) {
        pixels[12 + x * 3] = static_cast<uint8_t>(top[x]);  // the second stored row is the top line
        pixels[x * 3] = static_cast<uint8_t>(bottom[x]);
    }
    auto picture = [](const void* d) {
        const Rgb rgb = dibPixels(d);
        std::vector<int> numbers;
        for (int y = 0; y < rgb.height; ++y)
            for (int x = 0; x < rgb.width; ++x)
                numbers.push_back(rgb.at(x, y)[2]);
        return numbers;
    };
    Block turned90(_DoTurnkit90(dib.get()));
    Block turned180(_DoTurnkit180(dib.get()));
    Block turned270(_DoTurnkit270(dib.get()));
    EXPECT_EQ(picture(turned90.get()), (std::vector<int>{4, 1, 5, 2, 6, 3}));   // 2 wide, 3 high
    EXPECT_EQ(picture(turned180.get()), (std::vector<int>{6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(picture(turned270.get()), (std::vector<int>{3, 6, 2, 5, 1, 4}));
    EXPECT_EQ(field(turned90.get(), 4), 2);
    EXPECT_EQ(field(turned90.get(), 8), 3);
    EXPECT_EQ(field(turned90.get(), 24), 3780) << "resolutions swap with the sides";
    EXPECT_EQ(field(turned90.get(), 28), 2835);
    EXPECT_EQ(field(turned90.get(), 20), 3 * 8) << "image size of 3 rows of 8 bytes";
}

TEST(Turnkit, EveryDepthRoundTrips)
{
    for (const unsigned bits : {1u, 2u, 4u, 8u, 16u, 24u, 32u}) {
        for (const auto& [width, height] : std::vector<std::pair<int, int>>{{1, 1}, {13, 7}, {9, 33}, {64, 3}}) {
            SCOPED_TRACE(std::to_string(bits) + " bits " + std::to_string(width) + "x" + std::to_string(height));
            const uint32_t entries = bits <= 8 ? (1u << bits) - (bits == 8 ? 56 : 0) : 0;
            Block original(makeDib({width, height, bits, entries, false, bits == 16 ? 3u : 0u}, bits * 100 + width));
            Block quarter(_DoTurnkit90(original.get()));
            ASSERT_NE(quarter.get(), nullptr);
            EXPECT_EQ(field(quarter.get(), 4), height);
            EXPECT_EQ(field(quarter.get(), 8), width);
            EXPECT_EQ(field(quarter.get(), 32), static_cast<int32_t>(entries)) << "colours-used kept";
            EXPECT_EQ(std::memcmp(static_cast<uint8_t*>(quarter.get()) + 40, static_cast<uint8_t*>(original.get()) + 40,
                                  entries * 4 + (bits == 16 ? 12 : 0)),
                      0)
                << "masks and colour table kept";
            Block half(_DoTurnkit90(quarter.get()));
            Block threeQuarters(_DoTurnkit90(half.get()));
            Block full(_DoTurnkit90(threeQuarters.get()));
            EXPECT_TRUE(sameDib(full.get(), original.get())) << "four quarter turns";
            Block halfDirect(_DoTurnkit180(original.get()));
            EXPECT_TRUE(sameDib(halfDirect.get(), half.get())) << "a half turn is two quarters";
            Block back(_DoTurnkit270(quarter.get()));
            EXPECT_TRUE(sameDib(back.get(), original.get())) << "three quarters undo one";
            Block twice(_DoTurnkit180(halfDirect.get()));
            EXPECT_TRUE(sameDib(twice.get(), original.get()));
        }
    }
}

TEST(Turnkit, TopDownSourcesTurnLikeBottomUpOnes)
{
    Block bottomUp(makeDib({5, 3, 24, 0, false, 0}, 7));
    Block topDown(makeDib({5, 3, 24, 0, true, 0}, 7));
    // Same bytes, opposite row order: the top-down picture is the bottom-up one mirrored top to bottom.
    Block flippedBack(_DoTurnkit180(topDown.get()));
    const Rgb a = dibPixels(bottomUp.get()), b = dibPixels(flippedBack.get());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(std::memcmp(a.at(x, y), b.at(4 - x, y), 3), 0) << x << "," << y;
    EXPECT_GT(field(flippedBack.get(), 8), 0) << "turned pictures are bottom-up";
}

TEST(Turnkit, RefusesWhatItCannotTurn)
{
    EXPECT_EQ(_DoTurnkit90(nullptr), nullptr);
    Block rle(makeDib({8, 8, 8, 256, false, 1}, 1));
    EXPECT_EQ(_DoTurnkit90(rle.get()), nullptr);
    Block odd(makeDib({8, 8, 24, 0, false, 0}, 1));
    static_cast<uint8_t*>(odd.get())[14] = 12;  // 12 bits per pixel is no DIB depth
    EXPECT_EQ(_DoTurnkit180(odd.get()), nullptr);
    Block wide(makeDib({8, 8, 24, 0, false, 0}, 1));
    const int32_t huge = 0x7FFFFFFF;
    std::memcpy(static_cast<uint8_t*>(wide.get()) + 4, &huge, 4);
    EXPECT_EQ(_DoTurnkit270(wide.get()), nullptr);
}
