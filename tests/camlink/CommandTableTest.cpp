// The command table against the rows as the protocol fixes them, the reply readers against hand-made
// replies, and the frame reader against noisy and broken input.

#include "CamlinkFrame.h"
#include "camlink/CommandTable.h"
#include "camlink/TransportState.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace camlink;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes commandBytes(const CommandFrame& frame)
{
    return Bytes(frame.bytes.begin() + 3, frame.bytes.begin() + frame.length - 1);
}

std::array<std::uint8_t, kReplySize> replyWith(std::map<int, std::uint8_t> bytes)
{
    std::array<std::uint8_t, kReplySize> reply{};
    for (const auto& [at, value] : bytes)
        reply[at] = value;
    return reply;
}

}  // namespace

TEST(CommandTable, FixedRowsCarryExactlyTheirCommandBytes)
{
    const std::map<int, Bytes> fixed = {
        {0, {0x01, 0x20, 0xD0, 0x7F}},
        {1, {0x00, 0x20, 0xC3, 0x65}},
        {2, {0x00, 0x20, 0xC3, 0x75}},
        {3, {0x00, 0x20, 0xC4, 0x60}},
        {4, {0x00, 0x20, 0xC3, 0x7D}},
        {5, {0x00, 0x20, 0xC3, 0x40}},
        {6, {0x00, 0x20, 0xC3, 0x30}},
        {7, {0x00, 0x20, 0xC4, 0x65}},
        {8, {0x00, 0x20, 0xC4, 0x75}},
        {11, {0x01, 0x20, 0x51, 0x71, 0xFF, 0xFF, 0xFF, 0xFF}},
        {12, {0x01, 0x20, 0x52, 0x71, 0xFF, 0xFF, 0xFF, 0xFF}},
        {13, {0x01, 0x20, 0x53, 0x71, 0xFF, 0xFF, 0xFF, 0xFF}},
        {14, {0x01, 0x20, 0x54, 0x71, 0xFF, 0xFF, 0xFF, 0xFF}},
        {15, {0x00, 0x20, 0x52, 0x20, 0x00, 0x00, 0x00, 0x00}},
        {50, {0x00, 0x20, 0xC3, 0x4F}},
        {51, {0x00, 0x20, 0xC3, 0x3F}},
        {52, {0x00, 0x20, 0xC3, 0x31}},
        {56, {0x00, 0x38, 0xC4, 0x3F}},
        {57, {0x00, 0x38, 0xC4, 0x4F}},
        {58, {0x00, 0x38, 0xC4, 0x60}},
        {59, {0x00, 0x10, 0xC2, 0x75}},
        {60, {0x00, 0x10, 0xC3, 0x65}},
        {61, {0x00, 0x10, 0xC3, 0x75}},
        {62, {0x00, 0x10, 0xC4, 0x60}},
        {63, {0x00, 0x10, 0xC3, 0x7D}},
        {64, {0x00, 0x10, 0xC3, 0x40}},
        {65, {0x00, 0x10, 0xC3, 0x30}},
        {66, {0x00, 0x10, 0xC4, 0x65}},
        {67, {0x00, 0x10, 0xC4, 0x75}},
    };
    for (const auto& [row, bytes] : fixed)
        EXPECT_EQ(commandBytes(commandRow(row)), bytes) << "row " << row;

    // Vendor-dependent rows: opcode 0 and the company identifier; row 53 is a status query.
    for (int row : {31, 39, 47, 53, 54}) {
        const Bytes bytes = commandBytes(commandRow(row));
        ASSERT_GE(bytes.size(), 6u) << row;
        EXPECT_EQ(bytes[2], 0x00) << row;
        EXPECT_EQ(Bytes(bytes.begin() + 3, bytes.begin() + 6), Bytes(kCompanyId.begin(), kCompanyId.end())) << row;
    }
    EXPECT_EQ(commandRow(53).bytes[3], 0x01);
    EXPECT_EQ(commandRow(79).length, 0);
    EXPECT_EQ(commandRow(-1).length, 0);
}

TEST(CommandTable, SendTimeFillsAddressChecksumAndTheOperandLeastSignificantFirst)
{
    for (int row = 0; row < kCommandRows; ++row) {
        const CommandFrame frame = prepareCommand(row, 0x5C, 0xA1B2C3D4u);
        ASSERT_GE(frame.length, 5) << row;
        ASSERT_LE(frame.length, kRowSize) << row;
        EXPECT_EQ(frame.bytes[0], 0x01);
        EXPECT_EQ(frame.bytes[1], 0x5C);
        EXPECT_EQ(frame.bytes[2] + 5, frame.length) << row;
        std::uint8_t sum = 0;
        for (int i = 2; i <= frame.bytes[2] + 3; ++i)
            sum ^= frame.bytes[i];
        EXPECT_EQ(frame.bytes[frame.length - 1], sum) << row;
        EXPECT_TRUE(camlink_wire::isValidFrame(frame.bytes.data(), frame.length)) << row;
        EXPECT_EQ(usesSecondDevice(row), row >= 59) << row;
    }
    const CommandFrame control = prepareCommand(rows::kCounterControl, 0x21, 0x12345678u);
    EXPECT_EQ(Bytes(control.bytes.begin() + 7, control.bytes.begin() + 11), (Bytes{0x78, 0x56, 0x34, 0x12}));
    // Other rows ignore the operand; row 15 without one keeps zeros.
    EXPECT_EQ(commandBytes(prepareCommand(rows::kPlayForward, 0x21, 0xFFFFFFFFu)), (Bytes{0x00, 0x20, 0xC3, 0x75}));
    EXPECT_EQ(commandBytes(prepareCommand(rows::kCounterControl, 0x21)),
              (Bytes{0x00, 0x20, 0x52, 0x20, 0x00, 0x00, 0x00, 0x00}));
}

TEST(TransportState, EveryReplyOfTheTableDecodesAndNothingElseDoes)
{
    struct Case {
        std::uint8_t mode, first, last;
        int id;
    };
    const Case table[] = {{0xC1, 0x60, 0x60, 10002}, {0xC2, 0x7D, 0x7D, 10004}, {0xC2, 0x75, 0x75, 10005},
                          {0xC3, 0x30, 0x30, 10006}, {0xC3, 0x40, 0x40, 10007}, {0xC3, 0x31, 0x37, 10008},
                          {0xC3, 0x41, 0x47, 10009}, {0xC3, 0x75, 0x75, 10010}, {0xC3, 0x65, 0x65, 10011},
                          {0xC3, 0x39, 0x3F, 10012}, {0xC3, 0x49, 0x4F, 10013}, {0xC3, 0x7D, 0x7D, 10014},
                          {0xC3, 0x6D, 0x6D, 10015}, {0xC4, 0x75, 0x75, 10016}, {0xC4, 0x65, 0x65, 10017},
                          {0xC4, 0x60, 0x60, 10018}};
    std::map<std::pair<int, int>, int> expected;
    for (const Case& c : table)
        for (int operand = c.first; operand <= c.last; ++operand)
            expected[{c.mode, operand}] = c.id;
    for (int mode = 0; mode < 256; ++mode) {
        for (int operand = 0; operand < 256; ++operand) {
            const auto reply = replyWith({{3, 0x0C}, {4, 0x20}, {5, static_cast<std::uint8_t>(mode)},
                                          {6, static_cast<std::uint8_t>(operand)}});
            const auto found = expected.find({mode, operand});
            const int want = found == expected.end() ? states::kNone : found->second;
            ASSERT_EQ(decodeTransportState(status::kOk, reply.data()), want) << std::hex << mode << " " << operand;
        }
    }
    const auto playing = replyWith({{5, 0xC3}, {6, 0x75}});
    EXPECT_EQ(decodeTransportState(status::kTimedOut, playing.data()), 10010);
    for (int failure : {status::kNoReply, status::kBadReply, status::kBusy, status::kNotImplemented, -24, 1})
        EXPECT_EQ(decodeTransportState(failure, playing.data()), states::kNone) << failure;
    EXPECT_EQ(decodeTransportState(status::kOk, nullptr), states::kNone);
    // transportCodeOf is the inverse on the first code of each range.
    for (const Case& c : table)
        EXPECT_EQ(transportCodeOf(c.id), std::make_pair(c.mode, c.first));
    EXPECT_FALSE(transportCodeOf(10003));
}

TEST(TransportState, CountersAndTheDeviceWordReadTheirBytes)
{
    const auto counter = replyWith({{3, 0x0C}, {4, 0x01}, {5, 0x59}, {6, 0x07}, {7, 0x29}});
    EXPECT_EQ(decodeCounter(status::kOk, counter.data()), (TapeCounter{1, 59, 7, 29}));
    EXPECT_EQ((TapeCounter{1, 59, 7, 29}).totalSeconds(), 3600 + 59 * 60 + 7);
    EXPECT_FALSE(decodeCounter(status::kBusy, counter.data()));
    EXPECT_FALSE(decodeCounter(status::kTimedOut, counter.data()));
    // Not decimal digits, or out of range for a clock.
    for (auto [at, value] : std::vector<std::pair<int, std::uint8_t>>{{4, 0x0A}, {5, 0x60}, {6, 0xA0}, {7, 0x30}}) {
        auto broken = counter;
        broken[at] = value;
        EXPECT_FALSE(decodeCounter(status::kOk, broken.data())) << at;
    }

    const auto info = replyWith({{7, 0x12}, {8, 0x34}});
    EXPECT_EQ(deviceInfoWord(status::kOk, info.data()), 0x1234);
    EXPECT_EQ(deviceInfoWord(status::kNotImplemented, info.data()), 1);
    EXPECT_EQ(deviceInfoWord(status::kNoReply, info.data()), 0);
    EXPECT_EQ(deviceInfoWord(status::kBadReply, info.data()), 0);
}

TEST(FrameReader, SkipsNoiseAndRejectsBrokenFrames)
{
    auto feed = [](const Bytes& bytes, camlink_wire::FrameReader& reader) {
        for (std::uint8_t byte : bytes) {
            const auto result = reader.push(byte);
            if (result != camlink_wire::FrameReader::Result::NeedMore)
                return result;
        }
        return camlink_wire::FrameReader::Result::NeedMore;
    };
    std::uint8_t good[camlink_wire::kMaxFrame];
    const std::uint8_t body[] = {0x0C, 0x20, 0xC3, 0x75};
    const std::size_t length = camlink_wire::buildFrame(0x21, body, sizeof body, good);
    ASSERT_EQ(length, 8u);
    EXPECT_EQ(Bytes(good, good + length), (Bytes{0x01, 0x21, 0x03, 0x0C, 0x20, 0xC3, 0x75, 0x03 ^ 0x0C ^ 0x20 ^ 0xC3 ^ 0x75}));

    camlink_wire::FrameReader reader;
    Bytes noisy = {0x55, 0xFF, 0x00};
    noisy.insert(noisy.end(), good, good + length);
    EXPECT_EQ(feed(noisy, reader), camlink_wire::FrameReader::Result::Frame);
    EXPECT_EQ(reader.skipped(), 3u);
    EXPECT_EQ(Bytes(reader.data(), reader.data() + reader.size()), Bytes(good, good + length));

    Bytes garbled(good, good + length);
    garbled.back() ^= 0x01;
    camlink_wire::FrameReader second;
    EXPECT_EQ(feed(garbled, second), camlink_wire::FrameReader::Result::BadFrame);

    camlink_wire::FrameReader third;
    EXPECT_EQ(feed({0x01, 0x21, 0xF0}, third), camlink_wire::FrameReader::Result::BadFrame);
    EXPECT_EQ(camlink_wire::buildFrame(0x21, body, 0, good), 0u);
    EXPECT_EQ(camlink_wire::buildFrame(0x21, body, camlink_wire::kMaxBody + 1, good), 0u);
}
