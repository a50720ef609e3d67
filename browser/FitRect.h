#pragma once
// Fits a w × h picture into a box: shrinks always, enlarges only on request, centres with integer
// halves. Used by the loader, the decoders, the view, the print layouts and the print-order dialog.

#include <QRect>

#include <optional>

// The rectangle inside the box (origin at the box's top-left), or nothing when any size is 0.
std::optional<QRect> fitRect(int width, int height, int boxWidth, int boxHeight, bool enlarge);
