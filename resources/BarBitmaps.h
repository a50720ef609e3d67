#pragma once
// Numbers of the bitmaps the frame's bars are drawn from. The generator draws them; the bars load them.
// Numbers the bars share with older resource sets (the title bar, the status bar, the folder bar) are
// fixed; the buttons of the tool bars follow one rule so that a new button needs no new table.

namespace barbitmaps {

// Every tool, filter, menu-bar and launcher button with child id `id` has four bitmaps from here on:
// normal, pressed, highlighted, disabled.
inline constexpr int kFirstButtonId = 1123;
inline constexpr int kButtonBase = 600;
enum ButtonState { Normal = 0, Pressed = 1, Highlighted = 2, Disabled = 3 };
constexpr int button(int childId, ButtonState state)
{
    return kButtonBase + 4 * (childId - kFirstButtonId) + state;
}

// The background of the tool bars, stretched over each bar.
inline constexpr int kBarGround = 335;

// Title bar: left end, stretched middle, right end; then 314..325 for its four buttons.
inline constexpr int kTitleLeft = 311;
inline constexpr int kTitleMiddle = 312;
inline constexpr int kTitleRight = 313;
inline constexpr int kTitleButtonFirst = 314;

// Folder bar: caption left end and stretched rest; close button normal, pressed, highlighted, disabled.
inline constexpr int kFolderCaptionLeft = 167;
inline constexpr int kFolderCaptionRest = 168;
inline constexpr int kFolderCloseFirst = 300;

// Status bar: three panes, the piece after them, the stretched rest and the right end.
inline constexpr int kStatusPane1 = 327;
inline constexpr int kStatusPane2 = 328;
inline constexpr int kStatusPane3 = 329;
inline constexpr int kStatusAfterPanes = 330;
inline constexpr int kStatusRest = 331;
inline constexpr int kStatusRightEnd = 332;

// The thumbnail-size drop-down: text part, button part, and its button normal, pressed, highlighted.
inline constexpr int kSizeBoxText = 740;
inline constexpr int kSizeBoxButtonPart = 741;
inline constexpr int kSizeBoxButton = 742;

}  // namespace barbitmaps
