#pragma once
// The camcorder command table: 79 complete frames of up to 16 bytes. Rows 0 to 58 go to the negotiated
// device address, rows 59 to 78 to the second device (subunit 0x10). Address and checksum are filled in
// at send time, so the table itself holds them as 0.
//
// Rows fixed by the protocol's users elsewhere are kept byte for byte. The rest are ours:
//   9, 10       record / record pause of the tape subunit
//   16, 17      play reverse pause / slow reverse
//   31..47      vendor-dependent controls 0x20..0x30 (our company identifier, then the function code)
//   53          vendor-dependent status 0x10: the device information word
//   54          vendor-dependent status 0x11: the device's own status
//   68          transport state of the second device
//   18..30, 48, 49, 55, 69..78
//               unused; they hold the transport-state query of their device, harmless if sent

#include <array>
#include <cstdint>
#include <optional>

namespace camlink {

constexpr int kCommandRows = 79;
constexpr int kRowSize = 16;
constexpr int kFirstSecondDeviceRow = 59;

// The company identifier our vendor-dependent rows carry: a locally administered value of our own,
// not an assigned one.
constexpr std::array<std::uint8_t, 3> kCompanyId = {0x02, 0x4B, 0x53};
constexpr std::uint8_t kVendorDeviceInfo = 0x10;
constexpr std::uint8_t kVendorDeviceStatus = 0x11;
constexpr std::uint8_t kFirstVendorControl = 0x20;

// Rows with a meaning the link relies on.
namespace rows {
constexpr int kTransportState = 0;
constexpr int kPlayReverse = 1;
constexpr int kPlayForward = 2;
constexpr int kWindStop = 3;
constexpr int kPause = 4;
constexpr int kPreviousFrame = 5;
constexpr int kNextFrame = 6;
constexpr int kRewind = 7;
constexpr int kFastForward = 8;
constexpr int kRecord = 9;
constexpr int kRecordPause = 10;
constexpr int kTimeCode = 13;       // counter reply
constexpr int kRelativeCounter = 14;  // counter reply
constexpr int kCounterControl = 15;   // four operand bytes, least significant first
constexpr int kPlayReversePause = 16;
constexpr int kSlowReverse = 17;
constexpr int kPlayFastReverse = 50;
constexpr int kPlayFastForward = 51;
constexpr int kPlaySlowForward = 52;
constexpr int kDeviceInfo = 53;
constexpr int kSecondTransportState = 68;
}  // namespace rows

struct CommandFrame {
    std::array<std::uint8_t, kRowSize> bytes{};
    int length = 0;  // n + 5
};

// Row `row` as stored (address and checksum 0); rows outside 0..78 give an empty frame.
CommandFrame commandRow(int row);

bool usesSecondDevice(int row);

// Row `row` ready to send to `address`: the address in byte 1, row 15's operand bytes from `operand`
// (least significant first) and the checksum last. Empty for rows outside the table.
CommandFrame prepareCommand(int row, std::uint8_t address, std::optional<std::uint32_t> operand = std::nullopt);

}  // namespace camlink
