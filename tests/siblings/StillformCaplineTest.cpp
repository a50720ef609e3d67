// The two formats of our own: .dcf stills and .ttl titles, each through its writer and its reader, and
// each reader against damaged and hostile files.

#include "siblings/SiblingTestSupport.h"

#include "Capline.h"
#include "Stillform.h"

#include <QTemporaryDir>

#include <malloc.h>

using namespace siblingtest;

namespace {

// A malloc'ed copy of file bytes, as the program hands files over.
Block mallocCopy(const QByteArray& bytes, std::size_t size)
{
    void* block = std::malloc(size ? size : 1);
    std::memcpy(block, bytes.constData(), std::min<std::size_t>(size, static_cast<std::size_t>(bytes.size())));
    return Block(block);
}

uint16_t decodeDcf(const QByteArray& file, std::vector<uint8_t>& output, uint32_t dataSize)
{
    output.assign(STILLFORM_OUTPUT_SIZE, 0);
    StillformRequest request{};
    request.data = file.constData();
    request.output = output.data();
    request.dataSize = dataSize;
    request.headerSize = STILLFORM_HEADER_SIZE;
    return mkDCbmp(&request);
}

}  // namespace

TEST(Stillform, WrittenPicturesReadBackExactly)
{
    QTemporaryDir dir;
    for (const auto& [width, height, grey] : std::vector<std::tuple<int, int, bool>>{{80, 60, false}, {1, 1, false}, {37, 11, false}, {160, 116, true}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        const uint32_t entries = grey ? 256 : 0;
        Block dib(makeDib({width, height, grey ? 8u : 24u, entries, false, 0}, static_cast<uint32_t>(width)));
        if (grey)
            for (int i = 0; i < 256; ++i)
                std::memset(static_cast<uint8_t*>(dib.get()) + 40 + i * 4, i, 3);
        const std::string path = dir.filePath(QStringLiteral("s.dcf")).toStdString();
        ASSERT_EQ(mkDCfile(path.c_str(), dib.get(), "20010609151732"), STILLFORM_OK);
        const QByteArray file = readFile(path);
        EXPECT_EQ(file.left(8), QByteArray("DCF 1.00"));
        EXPECT_EQ(file.mid(18, 14), QByteArray("20010609151732"));
        EXPECT_EQ(static_cast<uint8_t>(file[16]), grey ? 8 : 24);
        std::vector<uint8_t> output;
        ASSERT_EQ(decodeDcf(file, output, static_cast<uint32_t>(file.size())), STILLFORM_OK);
        EXPECT_EQ(firstMismatch(dibPixels(output.data()), dibPixels(dib.get())), "");
        Block block = mallocCopy(file, static_cast<std::size_t>(file.size()));
        StillformRequest request{block.get(), output.data(), 0, STILLFORM_HEADER_SIZE, {}};
        EXPECT_EQ(mkDCbmp(&request), STILLFORM_OK) << "a malloc'ed file needs no size";
    }
}

TEST(Stillform, RefusesWhatDoesNotFit)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("big.dcf")).toStdString();
    Block big(makeDib({96, 72, 24, 0, false, 0}, 3));  // 20,776 bytes as a DIB
    EXPECT_EQ(mkDCfile(path.c_str(), big.get(), nullptr), STILLFORM_TOO_LARGE);
    Block dib(makeDib({80, 60, 24, 0, false, 0}, 3));
    EXPECT_EQ(mkDCfile(path.c_str(), dib.get(), "2001"), STILLFORM_BAD_ARGUMENT);
    ASSERT_EQ(mkDCfile(path.c_str(), dib.get(), nullptr), STILLFORM_OK);
    const QByteArray good = readFile(path);
    std::vector<uint8_t> output;

    auto patched = [&](int offset, std::initializer_list<uint8_t> bytes) {
        QByteArray copy = good;
        int i = 0;
        for (const uint8_t b : bytes)
            copy[offset + i++] = static_cast<char>(b);
        return copy;
    };
    EXPECT_EQ(decodeDcf(patched(0, {'D', 'C', 'G'}), output, good.size()), STILLFORM_BAD_HEADER);
    EXPECT_EQ(decodeDcf(patched(4, {'2'}), output, good.size()), STILLFORM_BAD_HEADER);
    EXPECT_EQ(decodeDcf(patched(16, {16}), output, good.size()), STILLFORM_BAD_HEADER);
    EXPECT_EQ(decodeDcf(patched(8, {0, 0}), output, good.size()), STILLFORM_BAD_HEADER);
    EXPECT_EQ(decodeDcf(patched(12, {0, 0, 0, 33}), output, good.size()), STILLFORM_BAD_HEADER) << "total size wrong";
    // Claims of a large picture: right total size, but too big for the output buffer.
    QByteArray large = patched(8, {0x10, 0x00, 0x10, 0x00});
    const uint32_t total = 32 + 4096u * 4096 * 3;
    large[12] = static_cast<char>(total >> 24), large[13] = static_cast<char>(total >> 16), large[14] = static_cast<char>(total >> 8),
    large[15] = static_cast<char>(total);
    EXPECT_EQ(decodeDcf(large, output, good.size()), STILLFORM_TOO_LARGE);
    EXPECT_EQ(decodeDcf(good, output, good.size() - 1), STILLFORM_TRUNCATED);
    EXPECT_EQ(decodeDcf(good, output, 31), STILLFORM_TRUNCATED);
    // Without a size the block's allocation bounds the reads: half a file in a half-size block.
    Block half = mallocCopy(good, static_cast<std::size_t>(good.size() / 2));
    StillformRequest request{half.get(), output.data(), 0, STILLFORM_HEADER_SIZE, {}};
    EXPECT_EQ(mkDCbmp(&request), STILLFORM_TRUNCATED);
    request.headerSize = 0;
    EXPECT_EQ(mkDCbmp(&request), STILLFORM_BAD_ARGUMENT);
    EXPECT_EQ(mkDCbmp(nullptr), STILLFORM_BAD_ARGUMENT);
}

namespace {

CaplineTitle title(const char* text, uint8_t alignment = 0)
{
    CaplineTitle t{};
    t.width = 320;
    t.height = 240;
    t.background[0] = 0, t.background[1] = 0, t.background[2] = 128;
    t.foreground[0] = 255, t.foreground[1] = 255, t.foreground[2] = 0;
    t.alignment = alignment;
    t.text = text;
    return t;
}

struct Card {
    uint16_t status = 0xFFFF;
    Block dib;
    int32_t width = 0, height = 0;
};

void drawCard(const QByteArray& file, Card& card, std::size_t blockSize = 0, int32_t flags = 1025)
{
    Block block = mallocCopy(file, blockSize ? blockSize : static_cast<std::size_t>(file.size()));
    void* dib = nullptr;
    card.status = TitleDecoder(block.get(), &dib, &card.width, &card.height, flags);
    card.dib.reset(dib);
}

// Pixels near the text colour, and their horizontal extent.
struct Ink {
    int count = 0;
    int left = 1 << 30;
    int right = -1;
};

Ink inkOf(const Rgb& rgb)
{
    Ink ink;
    for (int y = 0; y < rgb.height; ++y)
        for (int x = 0; x < rgb.width; ++x)
            if (rgb.at(x, y)[0] > 200 && rgb.at(x, y)[1] > 200 && rgb.at(x, y)[2] < 60) {
                ++ink.count;
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
            }
    return ink;
}

QByteArray writeTitle(const QTemporaryDir& dir, const CaplineTitle& t)
{
    const std::string path = dir.filePath(QStringLiteral("t.ttl")).toStdString();
    EXPECT_EQ(TitleEncoder(path.c_str(), &t), CAPLINE_OK);
    return readFile(path);
}

}  // namespace

TEST(Capline, TitleCardShowsTheTextInItsColoursAndPlace)
{
    QTemporaryDir dir;
    const QByteArray centred = writeTitle(dir, title("夏の旅行\nSummer 2001"));
    EXPECT_EQ(centred.left(8), QByteArray("TTL 1.00"));
    Card card;
    drawCard(centred, card);
    ASSERT_EQ(card.status, CAPLINE_OK);
    EXPECT_EQ(card.width, 320);
    EXPECT_EQ(card.height, 240);
    const Rgb rgb = dibPixels(card.dib.get());
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {319, 0}, {0, 239}, {319, 239}})
        EXPECT_EQ(std::vector<uint8_t>(rgb.at(x, y), rgb.at(x, y) + 3), (std::vector<uint8_t>{0, 0, 128}));
    const Ink ink = inkOf(rgb);
    EXPECT_GT(ink.count, 500);
    EXPECT_GE(ink.left, 16) << "automatic size keeps lines within 90 % of the width";
    EXPECT_LE(ink.right, 303);
    EXPECT_LT(std::abs((ink.left + ink.right) / 2 - 160), 12) << "centred";

    Card left;
    drawCard(writeTitle(dir, title("Summer", 1)), left);
    ASSERT_EQ(left.status, CAPLINE_OK);
    EXPECT_LT(inkOf(dibPixels(left.dib.get())).right, 200);
    Card right;
    drawCard(writeTitle(dir, title("Summer", 2)), right);
    EXPECT_GT(inkOf(dibPixels(right.dib.get())).left, 120);

    Card empty;
    drawCard(writeTitle(dir, title("")), empty);
    ASSERT_EQ(empty.status, CAPLINE_OK);
    EXPECT_EQ(inkOf(dibPixels(empty.dib.get())).count, 0);
}

TEST(Capline, DamagedTitlesAreRefusedAndOddTextIsDrawn)
{
    QTemporaryDir dir;
    const QByteArray good = writeTitle(dir, title("Summer"));
    Card card;
    drawCard(good, card, 0, 1024);
    EXPECT_EQ(card.status, CAPLINE_BAD_ARGUMENT) << "a 24-bit DIB must be asked for";
    EXPECT_EQ(card.dib.get(), nullptr);
    drawCard(good, card, 0, 1);
    EXPECT_EQ(card.status, CAPLINE_OK) << "two-level glyphs";
    drawCard(good.left(40), card, 20);
    EXPECT_EQ(card.status, CAPLINE_TRUNCATED);
    QByteArray wrongTotal = good;
    wrongTotal[15] = static_cast<char>(wrongTotal[15] + 1);
    drawCard(wrongTotal, card);
    EXPECT_EQ(card.status, CAPLINE_BAD_HEADER);
    QByteArray huge = good;
    huge[8] = 0x7F;  // 32,000 pixels wide
    drawCard(huge, card);
    EXPECT_EQ(card.status, CAPLINE_BAD_HEADER);
    QByteArray magic = good;
    magic[0] = 'X';
    drawCard(magic, card);
    EXPECT_EQ(card.status, CAPLINE_BAD_HEADER);
    // Broken UTF-8 and control characters are drawn as far as they go.
    QByteArray odd = good;
    odd.replace(32, 6, QByteArray("\xC3\x28\x01\xF0\x9F\x98", 6));
    drawCard(odd, card);
    EXPECT_EQ(card.status, CAPLINE_OK);
    EXPECT_EQ(TitleDecoder(nullptr, nullptr, nullptr, nullptr, 1025), CAPLINE_BAD_ARGUMENT);

    CaplineTitle bad = title("x");
    bad.width = 0;
    EXPECT_EQ(TitleEncoder(dir.filePath(QStringLiteral("b.ttl")).toUtf8().constData(), &bad), CAPLINE_BAD_ARGUMENT);
}
