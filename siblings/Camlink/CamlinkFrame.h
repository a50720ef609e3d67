#pragma once
// The frame shape of the link (see Camlink.h), shared by the library, the test camcorder and the
// fuzzer. Every symbol stays hidden inside whatever links it.

#include <array>
#include <cstddef>
#include <cstdint>

namespace camlink_wire {

constexpr std::size_t kMaxFrame = 64;
constexpr std::size_t kFrameOverhead = 5;  // lead, address, count, checksum, and the count's "+ 1"
constexpr std::size_t kMaxBody = kMaxFrame - kFrameOverhead + 1;

// XOR of bytes 2 to length - 2 of a frame of `length` bytes (length >= 4).
std::uint8_t checksum(const std::uint8_t* frame, std::size_t length);

// Writes a frame carrying `body` (1..kMaxBody bytes) for `address` into `out`; returns its length, or 0
// when the body does not fit.
std::size_t buildFrame(std::uint8_t address, const std::uint8_t* body, std::size_t bodyLength, std::uint8_t* out);

// True when `frame` is exactly one well-formed frame: lead, count matching the length, checksum.
bool isValidFrame(const std::uint8_t* frame, std::size_t length);

// Collects one frame from a byte stream. Bytes before a lead byte are skipped; a count beyond the
// largest frame or a wrong checksum ends the frame as bad.
class FrameReader {
public:
    enum class Result { NeedMore, Frame, BadFrame };

    Result push(std::uint8_t byte);
    void reset() { size_ = 0; }

    const std::uint8_t* data() const { return buffer_.data(); }
    std::size_t size() const { return size_; }
    std::size_t skipped() const { return skipped_; }

private:
    std::array<std::uint8_t, kMaxFrame> buffer_{};
    std::size_t size_ = 0;
    std::size_t skipped_ = 0;
};

}  // namespace camlink_wire
