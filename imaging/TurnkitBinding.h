#pragma once
// Turnkit, bound for one turn and freed right after; silent when missing.

#include "imaging/PackedDib.h"

namespace imaging {

// The view's rotate directions: 0 turns by 270 degrees clockwise, 2 by 90, 1 and any other value by 180.
constexpr int kTurn270 = 0;
constexpr int kTurn180 = 1;
constexpr int kTurn90 = 2;

// A new DIB of `dib` turned clockwise as `direction` says; empty when Turnkit or its export is missing or
// the turn fails.
PackedDib turnDib(const PackedDib& dib, int direction);

}  // namespace imaging
