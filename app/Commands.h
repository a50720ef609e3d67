#pragma once
// Command, child-window and event numbers of the program. They are part of the program's contract
// with its resource bundles (menus carry these numbers) and between its windows, so they never change.

namespace cmd {

// Frame commands.
inline constexpr int BarFolder = 32771;
inline constexpr int CopyIntoCard = 32772;
inline constexpr int CardSearch = 32773;
inline constexpr int Rename = 32775;
inline constexpr int Properties = 32776;
inline constexpr int PrintOrder = 32777;
inline constexpr int Delete = 32778;
inline constexpr int BarFileOps = 32782;
inline constexpr int BarView = 32783;
inline constexpr int BarFilter = 32784;
inline constexpr int BarLauncher = 32785;
inline constexpr int DisplayMode0 = 32788;  // ... DisplayMode0 + 2
inline constexpr int ThumbSize128 = 32791;  // ... ThumbSize128 + 4 (128, 96, 64, 48, 32 pixels)
inline constexpr int SortKey0 = 32796;      // ... SortKey0 + 3
inline constexpr int FilterButton1 = 32800;  // ... FilterButton1 + 7: the eight filter buttons
inline constexpr int Refresh = 32808;
// The view's tool entries; their numbers are the program's own choice.
inline constexpr int SelectAll = 32809;
inline constexpr int Search = 32810;
inline constexpr int Wallpaper = 32811;
inline constexpr int RotateRight = 32812;
inline constexpr int Rotate180 = 32813;
inline constexpr int RotateLeft = 32815;
inline constexpr int SaveAsBmp = 32816;
inline constexpr int SaveAsJpeg = 32817;
inline constexpr int DvFilter = 32814;
inline constexpr int ToggleSortDirection = 32819;
inline constexpr int SlideShow = 32823;
inline constexpr int OpenManual = 32824;
inline constexpr int BarHelp = 32826;
inline constexpr int BarTools = 32827;
inline constexpr int RenameInTree = 32846;
inline constexpr int Backup = 32862;
inline constexpr int FilterMenu1 = 32864;  // ... FilterMenu1 + 7: the menu entries of the filter buttons

// Framework commands.
inline constexpr int NewFolder = 57600;
inline constexpr int PrintSetup = 57606;
inline constexpr int Print = 57607;
inline constexpr int PrintPreview = 57609;
inline constexpr int EditCopy = 57634;
inline constexpr int EditCut = 57635;
inline constexpr int EditPaste = 57637;
inline constexpr int Undo = 57643;
inline constexpr int About = 57664;
inline constexpr int Exit = 57665;
inline constexpr int BarStatus = 59393;

}  // namespace cmd

// Child identifiers of the bars' controls the frame acts on by number.
namespace child {

inline constexpr int MenuButton1 = 1123;    // ... MenuButton1 + 4: the menu bar's five buttons
inline constexpr int FilterButton1 = 1132;  // ... FilterButton1 + 7: the filter bar's buttons
inline constexpr int AboutButton = 1143;
inline constexpr int SizeBox = 1145;
inline constexpr int SlideShowButton = 1149;
inline constexpr int LauncherButton1 = 1153;
inline constexpr int LauncherButton2 = 1154;

}  // namespace child

namespace res {

inline constexpr int DocumentTemplate = 130;  // also the program icon
inline constexpr int SplashBitmap = 447;
inline constexpr int AboutDialog = 3702;

}  // namespace res
