#pragma once
// Draws the bitmaps of the frame's bars: title bar, tool bars and their buttons, folder bar, status bar.

#include "BitmapPainter.h"

namespace resgen {

// Adds every bar bitmap to the table of Uires bitmaps.
void addBarBitmaps(std::map<int, Painter>& table);

}  // namespace resgen
