#pragma once
// Draws the numbered bitmaps of the resource bundles. Every picture of the program's own user interface is
// painted here, in code, in one look: the view's dark grey ground and the green caption colour.

#include <QFont>
#include <QImage>

#include <map>
#include <functional>

namespace resgen {

// The house colours.
inline constexpr QRgb kGround = qRgb(68, 68, 68);
inline constexpr QRgb kCaption = qRgb(74, 167, 100);

using Painter = std::function<QImage()>;

// The face every drawn label uses.
QFont uiFont(int pixelSize, bool bold = false);

// Number -> painter of every bitmap that goes into Uires.
const std::map<int, Painter>& uiresBitmaps();
// Number -> painter of the icons that go into Uibase.
const std::map<int, Painter>& uibaseIcons();

}  // namespace resgen
