#include "camlink/TransportState.h"

#include <array>

namespace camlink {

namespace {

struct StateRange {
    std::uint8_t mode;
    std::uint8_t first;
    std::uint8_t last;
    int id;
};

constexpr std::array<StateRange, 16> kStates = {{
    {0xC1, 0x60, 0x60, 10002},
    {0xC2, 0x7D, 0x7D, 10004},
    {0xC2, 0x75, 0x75, 10005},
    {0xC3, 0x30, 0x30, 10006},
    {0xC3, 0x40, 0x40, 10007},
    {0xC3, 0x31, 0x37, 10008},
    {0xC3, 0x41, 0x47, 10009},
    {0xC3, 0x75, 0x75, 10010},
    {0xC3, 0x65, 0x65, 10011},
    {0xC3, 0x39, 0x3F, 10012},
    {0xC3, 0x49, 0x4F, 10013},
    {0xC3, 0x7D, 0x7D, 10014},
    {0xC3, 0x6D, 0x6D, 10015},
    {0xC4, 0x75, 0x75, 10016},
    {0xC4, 0x65, 0x65, 10017},
    {0xC4, 0x60, 0x60, 10018},
}};

std::optional<int> bcd(std::uint8_t byte, int limit)
{
    const int high = byte >> 4;
    const int low = byte & 0x0F;
    if (high > 9 || low > 9)
        return std::nullopt;
    const int value = high * 10 + low;
    if (value >= limit)
        return std::nullopt;
    return value;
}

}  // namespace

int decodeTransportState(int status, const std::uint8_t* reply)
{
    if (!reply || (status != status::kOk && status != status::kTimedOut))
        return states::kNone;
    for (const StateRange& range : kStates) {
        if (reply[5] == range.mode && reply[6] >= range.first && reply[6] <= range.last)
            return range.id;
    }
    return states::kNone;
}

std::optional<std::pair<std::uint8_t, std::uint8_t>> transportCodeOf(int stateId)
{
    for (const StateRange& range : kStates) {
        if (range.id == stateId)
            return std::make_pair(range.mode, range.first);
    }
    return std::nullopt;
}

std::optional<TapeCounter> decodeCounter(int status, const std::uint8_t* reply)
{
    if (!reply || status != status::kOk)
        return std::nullopt;
    // Tapes are at most a few hours long, and DV counts at most 30 frames a second.
    constexpr int kHourLimit = 100;
    constexpr int kFrameLimit = 30;
    const auto hours = bcd(reply[4], kHourLimit);
    const auto minutes = bcd(reply[5], 60);
    const auto seconds = bcd(reply[6], 60);
    const auto frames = bcd(reply[7], kFrameLimit);
    if (!hours || !minutes || !seconds || !frames)
        return std::nullopt;
    return TapeCounter{*hours, *minutes, *seconds, *frames};
}

int deviceInfoWord(int status, const std::uint8_t* reply)
{
    if (status == status::kNotImplemented)
        return 1;
    if (status != status::kOk || !reply)
        return 0;
    return reply[7] << 8 | reply[8];
}

}  // namespace camlink
