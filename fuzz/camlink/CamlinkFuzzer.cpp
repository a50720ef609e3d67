// Feeds arbitrary device output to Camlink's calls and the frame reader, then hands whatever reply
// they keep to the program's readers. Nothing may crash, read past the 64-byte reply, or call a frame
// with a wrong checksum good.

#include "Camlink.h"
#include "CamlinkFrame.h"
#include "camlink/TransportState.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// More than a socket buffer would hold without a reader; far more than any reply.
constexpr std::size_t kMaxInput = 4096;

void checkReaders(int status, const std::uint8_t* reply)
{
    const int state = camlink::decodeTransportState(status, reply);
    if (state != camlink::states::kNone && (state < camlink::states::kFirst || state > camlink::states::kLast))
        std::abort();
    if (const auto counter = camlink::decodeCounter(status, reply)) {
        if (counter->minutes > 59 || counter->seconds > 59 || counter->frames > 29 || counter->hours > 99)
            std::abort();
    }
    const int word = camlink::deviceInfoWord(status, reply);
    if (word < 0 || word > 0xFFFF)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1 || size > kMaxInput)
        return 0;
    const std::uint8_t call = data[0] % 4;
    const std::uint8_t* device = data + 1;
    const std::size_t deviceSize = size - 1;

    camlink_wire::FrameReader reader;
    for (std::size_t i = 0; i < deviceSize; ++i) {
        const auto result = reader.push(device[i]);
        if (reader.size() > camlink_wire::kMaxFrame)
            std::abort();
        if (result == camlink_wire::FrameReader::Result::Frame && !camlink_wire::isValidFrame(reader.data(), reader.size()))
            std::abort();
        if (result != camlink_wire::FrameReader::Result::NeedMore)
            reader.reset();
    }

    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0)
        return 0;
    std::size_t written = 0;
    while (written < deviceSize) {
        const ssize_t n = ::write(ends[1], device + written, deviceSize - written);
        if (n <= 0)
            break;
        written += static_cast<std::size_t>(n);
    }
    ::shutdown(ends[1], SHUT_WR);

    std::uint8_t reply[CAMLINK_REPLY_SIZE];
    std::memset(reply, 0xCC, sizeof reply);
    termios settings{};
    int status = 0;
    switch (call) {
    case 0: {
        const std::uint8_t frame[] = {0x01, 0x21, 0x03, 0x01, 0x20, 0xD0, 0x7F, 0x03 ^ 0x01 ^ 0x20 ^ 0xD0 ^ 0x7F};
        status = DvcCommand(ends[0], sizeof frame, frame, reply);
        break;
    }
    case 1: {
        std::uint8_t address = 0;
        std::uint32_t capabilities = 0;
        status = NegotiateDvcPc(ends[0], 0, &settings, &address, &capabilities);
        if (status == CAMLINK_OK && address == 0)
            std::abort();
        break;
    }
    case 2:
        status = CheckConnect(ends[0], 0x21, reply);
        break;
    default:
        status = ChangeSpeed(ends[0], 0x21, &settings, 9600, 0);
        break;
    }
    checkReaders(status, reply);
    ::close(ends[0]);
    ::close(ends[1]);
    return 0;
}
