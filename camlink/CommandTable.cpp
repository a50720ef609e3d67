#include "camlink/CommandTable.h"

#include <initializer_list>

namespace camlink {

namespace {

constexpr std::uint8_t kTapeSubunit = 0x20;
constexpr std::uint8_t kSecondSubunit = 0x10;
constexpr std::uint8_t kControl = 0x00;
constexpr std::uint8_t kStatus = 0x01;

CommandFrame frameOf(std::initializer_list<std::uint8_t> body)
{
    CommandFrame frame;
    frame.bytes[0] = 0x01;
    frame.bytes[2] = static_cast<std::uint8_t>(body.size() - 1);
    int at = 3;
    for (std::uint8_t byte : body)
        frame.bytes[at++] = byte;
    frame.length = at + 1;
    return frame;
}

CommandFrame vendorRow(std::uint8_t ctype, std::uint8_t function)
{
    return frameOf({ctype, kTapeSubunit, 0x00, kCompanyId[0], kCompanyId[1], kCompanyId[2], function, 0xFF, 0xFF});
}

std::array<CommandFrame, kCommandRows> buildTable()
{
    std::array<CommandFrame, kCommandRows> table;
    const CommandFrame stateQuery = frameOf({kStatus, kTapeSubunit, 0xD0, 0x7F});
    const CommandFrame secondStateQuery = frameOf({kStatus, kSecondSubunit, 0xD0, 0x7F});
    for (int row = 0; row < kCommandRows; ++row)
        table[row] = row < kFirstSecondDeviceRow ? stateQuery : secondStateQuery;

    auto transport = [](std::uint8_t subunit, std::uint8_t opcode, std::uint8_t operand) {
        return frameOf({kControl, subunit, opcode, operand});
    };
    table[1] = transport(kTapeSubunit, 0xC3, 0x65);
    table[2] = transport(kTapeSubunit, 0xC3, 0x75);
    table[3] = transport(kTapeSubunit, 0xC4, 0x60);
    table[4] = transport(kTapeSubunit, 0xC3, 0x7D);
    table[5] = transport(kTapeSubunit, 0xC3, 0x40);
    table[6] = transport(kTapeSubunit, 0xC3, 0x30);
    table[7] = transport(kTapeSubunit, 0xC4, 0x65);
    table[8] = transport(kTapeSubunit, 0xC4, 0x75);
    table[9] = transport(kTapeSubunit, 0xC2, 0x75);
    table[10] = transport(kTapeSubunit, 0xC2, 0x7D);
    for (std::uint8_t opcode = 0x51; opcode <= 0x54; ++opcode)
        table[11 + (opcode - 0x51)] = frameOf({kStatus, kTapeSubunit, opcode, 0x71, 0xFF, 0xFF, 0xFF, 0xFF});
    table[15] = frameOf({kControl, kTapeSubunit, 0x52, 0x20, 0x00, 0x00, 0x00, 0x00});
    table[16] = transport(kTapeSubunit, 0xC3, 0x6D);
    table[17] = transport(kTapeSubunit, 0xC3, 0x41);
    for (int row = 31; row <= 47; ++row)
        table[row] = vendorRow(kControl, static_cast<std::uint8_t>(kFirstVendorControl + (row - 31)));
    table[50] = transport(kTapeSubunit, 0xC3, 0x4F);
    table[51] = transport(kTapeSubunit, 0xC3, 0x3F);
    table[52] = transport(kTapeSubunit, 0xC3, 0x31);
    table[53] = vendorRow(kStatus, kVendorDeviceInfo);
    table[54] = vendorRow(kStatus, kVendorDeviceStatus);
    table[56] = transport(0x38, 0xC4, 0x3F);
    table[57] = transport(0x38, 0xC4, 0x4F);
    table[58] = transport(0x38, 0xC4, 0x60);
    const std::uint8_t second[][2] = {{0xC2, 0x75}, {0xC3, 0x65}, {0xC3, 0x75}, {0xC4, 0x60}, {0xC3, 0x7D},
                                      {0xC3, 0x40}, {0xC3, 0x30}, {0xC4, 0x65}, {0xC4, 0x75}};
    for (int i = 0; i < 9; ++i)
        table[59 + i] = transport(kSecondSubunit, second[i][0], second[i][1]);
    return table;
}

const std::array<CommandFrame, kCommandRows>& table()
{
    static const auto rows = buildTable();
    return rows;
}

}  // namespace

CommandFrame commandRow(int row)
{
    if (row < 0 || row >= kCommandRows)
        return {};
    return table()[row];
}

bool usesSecondDevice(int row)
{
    return row >= kFirstSecondDeviceRow && row < kCommandRows;
}

CommandFrame prepareCommand(int row, std::uint8_t address, std::optional<std::uint32_t> operand)
{
    CommandFrame frame = commandRow(row);
    if (frame.length == 0)
        return frame;
    frame.bytes[1] = address;
    if (row == rows::kCounterControl && operand) {
        for (int i = 0; i < 4; ++i)
            frame.bytes[7 + i] = static_cast<std::uint8_t>(*operand >> (8 * i));
    }
    std::uint8_t sum = 0;
    for (int i = 2; i < frame.length - 1; ++i)
        sum ^= frame.bytes[i];
    frame.bytes[frame.length - 1] = sum;
    return frame;
}

}  // namespace camlink
