#include "app/WindowPlacementFix.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cstdint>

namespace {
// At least this much of the caption's width must lie on a screen for the user to grab it.
constexpr int kGrabbableWidth = 60;
}  // namespace

std::optional<QRect> storedRect(const WindowPlacement& placement)
{
    const std::int64_t width = std::int64_t(placement.right) - placement.left;
    const std::int64_t height = std::int64_t(placement.bottom) - placement.top;
    if (width <= 0 || height <= 0)
        return std::nullopt;
    // QRect holds int coordinates: keep the size within what the far corner can express.
    const std::int64_t limit = std::numeric_limits<int>::max() / 2;
    const int left = int(std::clamp<std::int64_t>(placement.left, -limit, limit));
    const int top = int(std::clamp<std::int64_t>(placement.top, -limit, limit));
    return QRect(left, top, int(std::min(width, limit)), int(std::min(height, limit)));
}

QRect centredRect(const QSize& size, const QRect& area)
{
    return QRect(QPoint(area.left() + (area.width() - size.width()) / 2, area.top() + (area.height() - size.height()) / 2),
                 size);
}

QVector<QRect> screenAreas()
{
    QVector<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return areas;
}

QRect reachableRect(const QRect& rect, const QVector<QRect>& screens, const QSize& fallbackSize, int captionHeight)
{
    if (screens.isEmpty())
        return rect;
    for (const QRect& screen : screens) {
        const QRect caption(rect.left(), rect.top(), rect.width(), captionHeight);
        const QRect seen = caption.intersected(screen);
        if (seen.width() >= std::min(kGrabbableWidth, rect.width()) && seen.height() >= captionHeight &&
            rect.width() <= screen.width() * 4 && rect.height() <= screen.height() * 4)
            return rect;
    }
    // The screen that sees most of the window takes it; none: the first screen, centred.
    const QRect* best = nullptr;
    std::int64_t bestArea = 0;
    for (const QRect& screen : screens) {
        const QRect seen = rect.intersected(screen);
        const std::int64_t area = std::int64_t(seen.width()) * seen.height();
        if (area > bestArea) {
            bestArea = area;
            best = &screen;
        }
    }
    if (!best)
        return centredRect(fallbackSize, screens.first());
    QRect moved(rect.topLeft(), QSize(std::min(rect.width(), best->width()), std::min(rect.height(), best->height())));
    moved.moveLeft(std::clamp(moved.left(), best->left(), best->right() + 1 - moved.width()));
    moved.moveTop(std::clamp(moved.top(), best->top(), best->bottom() + 1 - moved.height()));
    return moved;
}
