// The packed DIB handle and the fitting rule.

#include "imaging/ImagingTestSupport.h"

#include "imaging/FitRect.h"

using namespace imaging;
using namespace imagingtest;

TEST(PackedDib, RowSizeFollowsTheBitmapRules)
{
    // ((w x bits + 31) / 32) x 4, and ceil(bytes per pixel x w) + 3 with the low two bits cleared.
    for (const unsigned bits : {1u, 2u, 4u, 8u, 16u, 24u, 32u})
        for (int width = 1; width <= 70; ++width) {
            const std::size_t bytes = (static_cast<std::size_t>(width) * bits + 7) / 8;
            EXPECT_EQ(dibRowBytes(width, bits), (bytes + 3) & ~std::size_t{3}) << bits << " bits, " << width;
        }
    EXPECT_EQ(dibRowBytes(0, 24), 0u);
    EXPECT_EQ(dibRowBytes(5, 0), 0u);
    EXPECT_EQ(dibRowBytes(int64_t{1} << 40, 32), 0u) << "absurd rows are refused, not wrapped";
}

TEST(PackedDib, BlankHasRoomForTheDefaultTable)
{
    for (const auto& [bits, table] : std::vector<std::pair<unsigned, uint32_t>>{{1, 2}, {4, 16}, {8, 256}, {24, 0}, {32, 0}}) {
        SCOPED_TRACE(bits);
        PackedDib dib = PackedDib::blank(7, 3, bits);
        ASSERT_TRUE(dib.isValid());
        EXPECT_EQ(dib.colourEntries(), table);
        EXPECT_EQ(dib.header().clrUsed, 0u);
        EXPECT_EQ(dib.header().sizeImage, dibRowBytes(7, bits) * 3);
        EXPECT_EQ(dib.totalBytes(), 40 + table * 4 + dibRowBytes(7, bits) * 3);
        EXPECT_GE(dib.capacity(), dib.totalBytes());
    }
    EXPECT_TRUE(PackedDib::blank(0, 3, 24).isNull());
    EXPECT_TRUE(PackedDib::blank(3, -1, 24).isNull());
    EXPECT_TRUE(PackedDib::blank(3, 3, 12).isNull());
}

TEST(PackedDib, ValidityChecksTheHeaderAgainstTheBlock)
{
    PackedDib small = PackedDib::blank(4, 4, 24);
    ASSERT_TRUE(small.isValid());
    small.header().width = 4000;  // now claims far more pixels than the block holds
    EXPECT_FALSE(small.isValid());
    PackedDib copy = small.copy();
    EXPECT_TRUE(copy.isNull()) << "an invalid DIB is not copied past its block";

    PackedDib fine = makeDib({9, 5, 4, 16, false, 0}, 3);
    ASSERT_TRUE(fine.isValid());
    PackedDib duplicate = fine.copy();
    ASSERT_TRUE(duplicate.isValid());
    EXPECT_EQ(std::memcmp(duplicate.get(), fine.get(), fine.totalBytes()), 0);
    fine.header().clrUsed = 1000;
    EXPECT_FALSE(fine.isValid());
    fine.header().clrUsed = 16;
    fine.header().planes = 2;
    EXPECT_FALSE(fine.isValid());

    PackedDib empty;
    EXPECT_FALSE(empty.isValid());
    void* raw = std::malloc(10);
    PackedDib tiny = PackedDib::adopt(raw);
    EXPECT_FALSE(tiny.isValid()) << "a block smaller than a header";
    EXPECT_EQ(tiny.release(), raw);
    std::free(raw);
}

TEST(PackedDib, ImagesRoundTripAndRowsCountFromTheTop)
{
    PackedDib bottomUp = makeDib({6, 4, 24, 0, false, 0}, 5);
    const QImage image = bottomUp.toImage();
    ASSERT_EQ(image.size(), QSize(6, 4));
    const uint8_t* top = bottomUp.row(0);
    EXPECT_EQ(image.pixel(0, 0), qRgb(top[2], top[1], top[0]));
    PackedDib back = PackedDib::fromImage(image);
    ASSERT_TRUE(back.isValid());
    EXPECT_EQ(std::memcmp(back.bits(), bottomUp.bits(), bottomUp.imageBytes()), 0);

    PackedDib topDown = makeDib({6, 4, 24, 0, true, 0}, 5);
    EXPECT_TRUE(topDown.isTopDown());
    EXPECT_EQ(topDown.height(), 4);
    EXPECT_EQ(topDown.row(0), topDown.bits()) << "a top-down DIB stores its top line first";
    EXPECT_EQ(bottomUp.row(0), bottomUp.bits() + 3 * bottomUp.rowBytes());

    PackedDib mono = makeDib({10, 2, 1, 2, false, 0}, 9);
    const QImage indexed = mono.toImage();
    ASSERT_EQ(indexed.format(), QImage::Format_Indexed8);
    const uint8_t* table = mono.colourTable();
    const int firstBit = mono.row(0)[0] >> 7;
    EXPECT_EQ(indexed.pixel(0, 0), qRgb(table[firstBit * 4 + 2], table[firstBit * 4 + 1], table[firstBit * 4]));
}

TEST(FitRect, WorkedExamplesAndEdges)
{
    FitRectangle r;
    ASSERT_EQ(FitRect(640, 480, 128, 128, false, r), 0);
    EXPECT_EQ(r, (FitRectangle{0, 16, 128, 112}));
    ASSERT_EQ(FitRect(640, 480, 1000, 1000, false, r), 0);
    EXPECT_EQ(r, (FitRectangle{180, 260, 820, 740}));
    ASSERT_EQ(FitRect(640, 480, 1000, 1000, true, r), 0);
    EXPECT_EQ(r, (FitRectangle{0, 125, 1000, 875}));
    ASSERT_EQ(FitRect(480, 640, 128, 128, false, r), 0);
    EXPECT_EQ(r, (FitRectangle{16, 0, 112, 128}));
    ASSERT_EQ(FitRect(100, 100, 128, 64, false, r), 0);
    EXPECT_EQ(r, (FitRectangle{32, 0, 96, 64})) << "one side too large is enough to shrink";
    ASSERT_EQ(FitRect(3, 1000, 128, 128, false, r), 0);
    EXPECT_EQ(r.width(), 0) << "a sliver may truncate to nothing";
    ASSERT_EQ(FitRect(350, 263, 100, 100, false, r), 0);
    EXPECT_EQ(r, (FitRectangle{0, 12, 100, 87}));  // 263 x 100 / 350 = 75.14, truncated; (100 - 75) / 2 = 12
    ASSERT_EQ(FitRect(263, 350, 100, 60, false, r), 0);
    EXPECT_EQ(r, (FitRectangle{27, 0, 72, 60}));  // 263 x 60 / 350 = 45.09

    const FitRectangle untouched{1, 2, 3, 4};
    for (const auto& sizes : std::vector<std::array<int, 4>>{{0, 480, 128, 128}, {640, 0, 128, 128}, {640, 480, 0, 128}, {640, 480, 128, 0}}) {
        r = untouched;
        EXPECT_EQ(FitRect(sizes[0], sizes[1], sizes[2], sizes[3], true, r), 1);
        EXPECT_EQ(r, untouched);
    }
}
