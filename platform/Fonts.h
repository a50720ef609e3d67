#pragma once

namespace platform {

// Maps the Windows font families the program asks for onto fonts a Linux desktop has:
// the Japanese "MS P Gothic" names onto IPAPGothic (then Noto Sans CJK JP), Arial onto Liberation Sans
// (then DejaVu Sans). Call once after the application object exists.
void installFontSubstitutions();

}  // namespace platform
