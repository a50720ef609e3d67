// The camcorder link library: frames out, one frame back, each exchange bounded by the port's own read
// time-out so that a silent or chattering line can never hold the caller.

#include "Camlink.h"

#include "CamlinkFrame.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Exchange {
    std::uint8_t reply[CAMLINK_REPLY_SIZE] = {};
    std::size_t replyLength = 0;
};

int replyTimeoutMs(int fd)
{
    termios settings{};
    if (tcgetattr(fd, &settings) != 0 || settings.c_cc[VTIME] == 0)
        return CAMLINK_DEFAULT_REPLY_MS;
    return settings.c_cc[VTIME] * 100;
}

int remainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool writeAll(int fd, const std::uint8_t* data, std::size_t length, Clock::time_point deadline)
{
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written > 0) {
            data += written;
            length -= static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN)
            return false;
        pollfd waitFor{fd, POLLOUT, 0};
        const int left = remainingMs(deadline);
        if (left == 0 || ::poll(&waitFor, 1, left) <= 0)
            return false;
    }
    return true;
}

// Sends `request` and collects one reply frame. Returns CAMLINK_OK, CAMLINK_E_NO_REPLY or
// CAMLINK_E_BAD_REPLY (a frame arrived but its shape or checksum is wrong).
int16_t exchange(int fd, const std::uint8_t* request, std::size_t requestLength, Exchange& out)
{
    if (fd < 0)
        return CAMLINK_E_ARGUMENT;
    const int timeout = replyTimeoutMs(fd);
    // A late answer to an earlier request must not be taken for this one's.
    tcflush(fd, TCIFLUSH);
    if (!writeAll(fd, request, requestLength, Clock::now() + std::chrono::milliseconds(timeout)))
        return CAMLINK_E_NO_REPLY;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout);
    camlink_wire::FrameReader reader;
    std::uint8_t chunk[CAMLINK_REPLY_SIZE];
    for (;;) {
        const int left = remainingMs(deadline);
        if (left == 0)
            return CAMLINK_E_NO_REPLY;
        pollfd waitFor{fd, POLLIN, 0};
        const int ready = ::poll(&waitFor, 1, left);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return CAMLINK_E_NO_REPLY;
        if (!(waitFor.revents & POLLIN))
            return CAMLINK_E_NO_REPLY;  // hung up or failed
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0)
            return CAMLINK_E_NO_REPLY;
        for (ssize_t i = 0; i < got; ++i) {
            const auto result = reader.push(chunk[i]);
            if (result == camlink_wire::FrameReader::Result::NeedMore)
                continue;
            out.replyLength = reader.size();
            std::memcpy(out.reply, reader.data(), reader.size());
            return result == camlink_wire::FrameReader::Result::Frame ? CAMLINK_OK : CAMLINK_E_BAD_REPLY;
        }
    }
}

int16_t requestFrame(int fd, std::uint8_t address, const std::uint8_t* body, std::size_t bodyLength, Exchange& out)
{
    std::uint8_t frame[camlink_wire::kMaxFrame];
    const std::size_t length = camlink_wire::buildFrame(address, body, bodyLength, frame);
    const int16_t status = exchange(fd, frame, length, out);
    if (status == CAMLINK_OK && out.reply[1] != address)
        return CAMLINK_E_BAD_REPLY;
    return status;
}

int16_t statusOfResponse(std::uint8_t code)
{
    switch (code) {
    case CAMLINK_AVC_ACCEPTED:
    case CAMLINK_AVC_STABLE:
    case CAMLINK_AVC_CHANGED:
        return CAMLINK_OK;
    case CAMLINK_AVC_NOT_IMPLEMENTED:
        return CAMLINK_E_NOT_IMPLEMENTED;
    case CAMLINK_AVC_REJECTED:
        return CAMLINK_E_REJECTED;
    case CAMLINK_AVC_IN_TRANSITION:
        return CAMLINK_E_IN_TRANSITION;
    case CAMLINK_AVC_INTERIM:
        return CAMLINK_E_INTERIM;
    default:
        return CAMLINK_E_BAD_REPLY;
    }
}

bool speedOf(int32_t baud, speed_t& speed)
{
    static const struct {
        int32_t baud;
        speed_t speed;
    } rates[] = {{1200, B1200},     {2400, B2400},     {4800, B4800},   {9600, B9600},
                 {19200, B19200},   {38400, B38400},   {57600, B57600}, {115200, B115200},
                 {230400, B230400}, {460800, B460800}};
    for (const auto& rate : rates) {
        if (rate.baud == baud) {
            speed = rate.speed;
            return true;
        }
    }
    return false;
}

void copyReply(const Exchange& exchange, uint8_t* reply)
{
    std::memset(reply, 0, CAMLINK_REPLY_SIZE);
    std::memcpy(reply, exchange.reply, exchange.replyLength);
}

}  // namespace

extern "C" {

int16_t NegotiateDvcPc(int32_t fd, int32_t /*portKind*/, const struct termios* settings, uint8_t* deviceAddress,
                       uint32_t* capabilities)
{
    if (!settings || !deviceAddress || !capabilities)
        return CAMLINK_E_ARGUMENT;
    const std::uint8_t hello[] = {CAMLINK_HELLO, CAMLINK_PROTOCOL_VERSION};
    Exchange answer;
    const int16_t status = requestFrame(fd, 0, hello, sizeof hello, answer);
    if (status != CAMLINK_OK)
        return status;
    if (answer.reply[2] != 3 || answer.reply[3] != CAMLINK_HELLO_REPLY || answer.reply[4] == 0)
        return CAMLINK_E_BAD_REPLY;
    *deviceAddress = answer.reply[4];
    *capabilities = static_cast<uint32_t>(answer.reply[5]) << 8 | answer.reply[6];
    return CAMLINK_OK;
}

int16_t CheckConnect(int32_t fd, uint8_t deviceAddress, uint8_t* reply)
{
    if (!reply)
        return CAMLINK_E_ARGUMENT;
    const std::uint8_t check[] = {CAMLINK_CHECK};
    Exchange answer;
    const int16_t status = requestFrame(fd, deviceAddress, check, sizeof check, answer);
    copyReply(answer, reply);
    return status;
}

int16_t DvcCommand(int32_t fd, int32_t length, const uint8_t* frame, uint8_t* reply)
{
    if (!frame || !reply || length < static_cast<int32_t>(camlink_wire::kFrameOverhead) ||
        length > static_cast<int32_t>(camlink_wire::kMaxFrame) || frame[0] != CAMLINK_LEAD)
        return CAMLINK_E_ARGUMENT;
    if (!camlink_wire::isValidFrame(frame, static_cast<std::size_t>(length)))
        return CAMLINK_E_FRAME_CHECKSUM;
    Exchange answer;
    int16_t status = exchange(fd, frame, static_cast<std::size_t>(length), answer);
    copyReply(answer, reply);
    if (status != CAMLINK_OK)
        return status;
    if (answer.reply[1] != frame[1])
        return CAMLINK_E_BAD_REPLY;
    return statusOfResponse(answer.reply[3]);
}

int16_t ChangeSpeed(int32_t fd, uint8_t deviceAddress, const struct termios* settings, int32_t baud, int32_t second)
{
    speed_t speed;
    if (!settings || !speedOf(baud, speed))
        return CAMLINK_E_ARGUMENT;
    const auto value = static_cast<uint32_t>(baud);
    const std::uint8_t request[] = {CAMLINK_SPEED,
                                    static_cast<std::uint8_t>(value >> 24),
                                    static_cast<std::uint8_t>(value >> 16),
                                    static_cast<std::uint8_t>(value >> 8),
                                    static_cast<std::uint8_t>(value),
                                    static_cast<std::uint8_t>(second ? 1 : 0)};
    Exchange answer;
    const int16_t status = requestFrame(fd, deviceAddress, request, sizeof request, answer);
    if (status != CAMLINK_OK)
        return status;
    if (answer.reply[2] != 4 || answer.reply[3] != CAMLINK_SPEED_REPLY ||
        std::memcmp(answer.reply + 4, request + 1, 4) != 0)
        return CAMLINK_E_BAD_REPLY;
    termios next = *settings;
    if (cfsetispeed(&next, speed) != 0 || cfsetospeed(&next, speed) != 0 || tcsetattr(fd, TCSANOW, &next) != 0)
        return CAMLINK_E_SPEED;
    return CAMLINK_OK;
}

int16_t GetDVCData(int32_t, uint8_t, uint8_t*, int32_t, int32_t* received)
{
    if (received)
        *received = 0;
    return CAMLINK_E_NOT_SUPPORTED;
}

int16_t GetJpegData(int32_t, uint8_t, uint8_t*, int32_t, int32_t* received)
{
    if (received)
        *received = 0;
    return CAMLINK_E_NOT_SUPPORTED;
}

int16_t GetDVCDataV(int32_t, uint8_t, uint8_t*, int32_t, int32_t* received, int32_t)
{
    if (received)
        *received = 0;
    return CAMLINK_E_NOT_SUPPORTED;
}

int16_t GetDvInfoInPack(int32_t, uint8_t, uint8_t, uint8_t*)
{
    return CAMLINK_E_NOT_SUPPORTED;
}

int16_t GetDvInfoInData(const uint8_t*, int32_t, uint8_t, uint8_t*)
{
    return CAMLINK_E_NOT_SUPPORTED;
}

int16_t GetIrAllData(int32_t, uint8_t, uint8_t*, int32_t)
{
    return CAMLINK_E_NOT_SUPPORTED;
}

int16_t SetIrAllData(int32_t, uint8_t, const uint8_t*, int32_t)
{
    return CAMLINK_E_NOT_SUPPORTED;
}

}  // extern "C"
