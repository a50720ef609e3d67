#include "CamlinkFrame.h"

#include "Camlink.h"

#include <cstring>

namespace camlink_wire {

std::uint8_t checksum(const std::uint8_t* frame, std::size_t length)
{
    std::uint8_t sum = 0;
    for (std::size_t i = 2; i + 1 < length; ++i)
        sum ^= frame[i];
    return sum;
}

std::size_t buildFrame(std::uint8_t address, const std::uint8_t* body, std::size_t bodyLength, std::uint8_t* out)
{
    if (bodyLength == 0 || bodyLength > kMaxBody)
        return 0;
    const std::size_t length = bodyLength + 4;
    out[0] = CAMLINK_LEAD;
    out[1] = address;
    out[2] = static_cast<std::uint8_t>(bodyLength - 1);
    std::memcpy(out + 3, body, bodyLength);
    out[length - 1] = checksum(out, length);
    return length;
}

bool isValidFrame(const std::uint8_t* frame, std::size_t length)
{
    if (!frame || length < kFrameOverhead || length > kMaxFrame)
        return false;
    return frame[0] == CAMLINK_LEAD && frame[2] + kFrameOverhead == length &&
           frame[length - 1] == checksum(frame, length);
}

FrameReader::Result FrameReader::push(std::uint8_t byte)
{
    if (size_ == 0 && byte != CAMLINK_LEAD) {
        ++skipped_;
        return Result::NeedMore;
    }
    buffer_[size_++] = byte;
    if (size_ == 3 && buffer_[2] > CAMLINK_MAX_COUNT)
        return Result::BadFrame;
    if (size_ < 3 || size_ < buffer_[2] + kFrameOverhead)
        return Result::NeedMore;
    return isValidFrame(buffer_.data(), size_) ? Result::Frame : Result::BadFrame;
}

}  // namespace camlink_wire
