#pragma once
// Fitting a picture into a box, the one rule for the loader, the decoders, the view, the print layouts
// and the print-order dialog: shrink always, enlarge on request, keep the proportions, centre with
// integer halves.

namespace imaging {

// A rectangle as (left, top, right, bottom), right and bottom exclusive.
struct FitRectangle {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const FitRectangle&) const = default;
};

// Fits a width x height picture into a boxWidth x boxHeight box. When the box is smaller than the
// picture in either direction, or `enlarge` is set, the picture is scaled by the smaller of the two
// ratios box / picture (in double precision, sizes truncated); then clamped to the box and centred, a
// negative half counting as 0. Returns 0 with the rectangle in `out`; 1 when any of the four sizes is 0
// (or negative), leaving `out` alone.
int FitRect(int width, int height, int boxWidth, int boxHeight, bool enlarge, FitRectangle& out);

}  // namespace imaging
