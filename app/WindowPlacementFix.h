#pragma once
// Makes a stored window position usable. The stored rectangle is read as it stands, but a window that
// ends up off every screen, or so large or so far out that its caption cannot be reached, is a window
// the user can never get back: such a rectangle is moved (and, if need be, shrunk) until its caption
// is on a screen, or replaced by the creation size centred on the work area when nothing of it would
// be seen. Sums are taken in 64 bits, so absurd stored numbers cannot overflow.

#include "app/ConfigStore.h"

#include <QRect>
#include <QSize>
#include <QVector>

#include <optional>

// The stored rectangle, or nothing when it is empty or inverted.
std::optional<QRect> storedRect(const WindowPlacement& placement);
// `size` centred on `area`.
QRect centredRect(const QSize& size, const QRect& area);
// The work areas of every screen.
QVector<QRect> screenAreas();
// `rect` moved onto the screens as described above; `captionHeight` is the strip that must be visible.
QRect reachableRect(const QRect& rect, const QVector<QRect>& screens, const QSize& fallbackSize, int captionHeight);
