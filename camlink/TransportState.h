#pragma once
// Reading the camcorder's replies: the transport state (shown by its string number), the tape counters
// and the device information word. Every reader takes the 64-byte reply buffer of the link.

#include <cstdint>
#include <optional>
#include <utility>

namespace camlink {

constexpr int kReplySize = 64;

// Status values of the link and its waits.
namespace status {
constexpr int kOk = 0;
constexpr int kNoReply = -20;
constexpr int kBadReply = -21;
constexpr int kNotImplemented = -25;  // the device information query: taken as word 1
constexpr int kBusy = -26;
constexpr int kTimedOut = -28;        // also the device's "in transition"; its reply still decodes
constexpr int kCancelled = -31;
constexpr int kWrongPosition = -110;
constexpr int kNotConnected = -1000;  // ours: no port open, or Camlink not bound
}  // namespace status

// String numbers of the transport states.
namespace states {
constexpr int kNone = 0;
constexpr int kFirst = 10002;
constexpr int kLast = 10018;
}  // namespace states

// The state string number the reply of the transport-state query gives (reply bytes 5 and 6), or
// states::kNone when the status or the reply gives none.
int decodeTransportState(int status, const std::uint8_t* reply);

// The mode/state pair that decodes to `stateId` (the first of a range), for the test camcorder and
// for checking the table both ways.
std::optional<std::pair<std::uint8_t, std::uint8_t>> transportCodeOf(int stateId);

struct TapeCounter {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int frames = 0;
    bool operator==(const TapeCounter&) const = default;
    int totalSeconds() const { return (hours * 60 + minutes) * 60 + seconds; }
};

// The counter of a counter reply (rows 13 and 14): BCD hours, minutes, seconds in reply bytes 4 to 6,
// frames in byte 7. Empty unless the status is 0 and every digit is a decimal digit in range.
std::optional<TapeCounter> decodeCounter(int status, const std::uint8_t* reply);

// The device information word from the reply to row 53: bytes 7 and 8, most significant first; a
// device that does not know the query (-25) has word 1; any other failure gives 0.
int deviceInfoWord(int status, const std::uint8_t* reply);

}  // namespace camlink
