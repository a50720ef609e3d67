#include "browser/FitRect.h"

#include <algorithm>

std::optional<QRect> fitRect(int width, int height, int boxWidth, int boxHeight, bool enlarge)
{
    if (width == 0 || height == 0 || boxWidth == 0 || boxHeight == 0)
        return std::nullopt;
    if (boxWidth < width || boxHeight < height || enlarge) {
        const double scale = std::min(static_cast<double>(boxWidth) / width, static_cast<double>(boxHeight) / height);
        height = static_cast<int>(scale * height);
        width = static_cast<int>(width * scale);
    }
    width = std::min(width, boxWidth);
    height = std::min(height, boxHeight);
    const int x = std::max(0, (boxWidth - width) / 2);
    const int y = std::max(0, (boxHeight - height) / 2);
    return QRect(x, y, width, height);
}
