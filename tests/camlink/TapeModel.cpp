#include "TapeModel.h"

#include <algorithm>
#include <cstdlib>

namespace camsim {

namespace {

constexpr std::uint8_t kLoad = 0xC1, kRecord = 0xC2, kPlay = 0xC3, kWind = 0xC4;
// Winding is twenty times play speed; fast play from twice to eight times; slow play from a tenth.
constexpr int kWindFactor = 20;

}  // namespace

TapeModel::TapeModel(bool hasTape)
    : hasTape_(hasTape), mode_(hasTape ? kWind : kLoad), state_(0x60)
{
}

bool TapeModel::control(std::uint8_t opcode, std::uint8_t operand)
{
    if (!hasTape_)
        return false;
    switch (opcode) {
    case kRecord:
        if (operand != 0x75 && operand != 0x7D)
            return false;
        break;
    case kPlay: {
        const bool known = operand == 0x30 || operand == 0x40 || operand == 0x65 || operand == 0x75 || operand == 0x6D ||
                           operand == 0x7D || (operand >= 0x31 && operand <= 0x3F && operand != 0x38) ||
                           (operand >= 0x41 && operand <= 0x4F && operand != 0x48);
        if (!known)
            return false;
        if (operand == 0x7D) {
            // Pause keeps the direction and recording of what it pauses.
            if (mode_ == kRecord && state_ == 0x75) {
                mode_ = kRecord;
                state_ = 0x7D;
                return true;
            }
            if (mode_ == kPlay && state_ == 0x65)
                operand = 0x6D;
        }
        if (operand == 0x30)
            positionMilliFrames_ += 1000;
        else if (operand == 0x40)
            positionMilliFrames_ -= 1000;
        break;
    }
    case kWind:
        if (operand != 0x60 && operand != 0x65 && operand != 0x75)
            return false;
        break;
    default:
        return false;
    }
    mode_ = opcode;
    state_ = operand;
    positionMilliFrames_ = std::clamp<std::int64_t>(positionMilliFrames_, 0, kTapeFrames * 1000);
    return true;
}

int TapeModel::speed() const
{
    if (mode_ == kRecord)
        return state_ == 0x75 ? kFramesPerSecond : 0;
    if (mode_ == kWind)
        return state_ == 0x75 ? kFramesPerSecond * kWindFactor : state_ == 0x65 ? -kFramesPerSecond * kWindFactor : 0;
    if (mode_ != kPlay)
        return 0;
    if (state_ == 0x75)
        return kFramesPerSecond;
    if (state_ == 0x65)
        return -kFramesPerSecond;
    if (state_ >= 0x31 && state_ <= 0x37)
        return kFramesPerSecond * (state_ - 0x30) / 10;
    if (state_ >= 0x41 && state_ <= 0x47)
        return -kFramesPerSecond * (state_ - 0x40) / 10;
    if (state_ >= 0x39 && state_ <= 0x3F)
        return kFramesPerSecond * (2 + state_ - 0x39);
    if (state_ >= 0x49 && state_ <= 0x4F)
        return -kFramesPerSecond * (2 + state_ - 0x49);
    return 0;
}

void TapeModel::advance(std::int64_t milliseconds)
{
    if (milliseconds <= 0 || speed() == 0)
        return;
    positionMilliFrames_ += speed() * milliseconds;
    const std::int64_t end = kTapeFrames * 1000;
    if (positionMilliFrames_ <= 0 || positionMilliFrames_ >= end) {
        positionMilliFrames_ = std::clamp<std::int64_t>(positionMilliFrames_, 0, end);
        mode_ = kWind;
        state_ = 0x60;
    }
}

void TapeModel::setPosition(std::int64_t frames)
{
    positionMilliFrames_ = std::clamp<std::int64_t>(frames, 0, kTapeFrames) * 1000;
}

camlink::TapeCounter TapeModel::relativeCounter() const
{
    return counterOf(std::llabs(positionFrames() - relativeZero_));
}

camlink::TapeCounter TapeModel::counterOf(std::int64_t frames)
{
    const std::int64_t seconds = frames / kFramesPerSecond;
    return camlink::TapeCounter{static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                                static_cast<int>(seconds % 60), static_cast<int>(frames % kFramesPerSecond)};
}

}  // namespace camsim
