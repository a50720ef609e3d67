#pragma once
// The tape transport of the test camcorder: a 60-minute cassette, a transport mode and state as the
// camcorder reports them, and a position that moves with time at the speed of the current state.

#include "camlink/TransportState.h"

#include <cstdint>

namespace camsim {

class TapeModel {
public:
    static constexpr int kFramesPerSecond = 30;
    static constexpr std::int64_t kTapeFrames = std::int64_t{60} * 60 * kFramesPerSecond;

    explicit TapeModel(bool hasTape = true);

    bool hasTape() const { return hasTape_; }
    std::uint8_t mode() const { return mode_; }
    std::uint8_t state() const { return state_; }

    // Applies a transport control (opcode 0xC1..0xC4 with its operand). False when the camcorder would
    // refuse it (no cassette, or a code it does not know).
    bool control(std::uint8_t opcode, std::uint8_t operand);

    // Lets `milliseconds` of running time pass; the tape stops at either end.
    void advance(std::int64_t milliseconds);

    std::int64_t positionFrames() const { return positionMilliFrames_ / 1000; }
    void setPosition(std::int64_t frames);
    // The relative counter counts from here.
    void resetRelativeCounter() { relativeZero_ = positionFrames(); }

    camlink::TapeCounter timeCode() const { return counterOf(positionFrames()); }
    camlink::TapeCounter relativeCounter() const;
    static camlink::TapeCounter counterOf(std::int64_t frames);

    // Frames per second of running time the current state moves the tape (negative: backwards).
    int speed() const;

private:
    bool hasTape_;
    std::uint8_t mode_;
    std::uint8_t state_;
    std::int64_t positionMilliFrames_ = 0;
    std::int64_t relativeZero_ = 0;
};

}  // namespace camsim
