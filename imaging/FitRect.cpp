#include "imaging/FitRect.h"

#include <algorithm>

namespace imaging {

int FitRect(int width, int height, int boxWidth, int boxHeight, bool enlarge, FitRectangle& out)
{
    if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0)
        return 1;
    double w = width, h = height;
    if (boxWidth < width || boxHeight < height || enlarge) {
        // Equal ratios pick the width's; either gives the same scale.
        const double byWidth = static_cast<double>(boxWidth) / width;
        const double byHeight = static_cast<double>(boxHeight) / height;
        const double scale = byHeight < byWidth ? byHeight : byWidth;
        h = static_cast<double>(static_cast<long long>(scale * height));
        w = static_cast<double>(static_cast<long long>(width * scale));
    }
    const int fittedWidth = std::min(static_cast<int>(w), boxWidth);
    const int fittedHeight = std::min(static_cast<int>(h), boxHeight);
    const int x = std::max(0, (boxWidth - fittedWidth) / 2);
    const int y = std::max(0, (boxHeight - fittedHeight) / 2);
    out = FitRectangle{x, y, x + fittedWidth, y + fittedHeight};
    return 0;
}

}  // namespace imaging
