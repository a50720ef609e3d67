#pragma once
// How the stored view settings map onto the view and the buttons. "ViewForm" numbers the filter
// buttons in an order of its own, so the three numberings (stored value, button, filter code) are
// deliberately not the same.

namespace viewsettings {

// Thumbnail edge lengths of "ViewSize" 1..5 (commands 32791..32795, the size box's entries).
inline constexpr int kThumbnailPixels[5] = {128, 96, 64, 48, 32};

// Filter code of "ViewForm" 1..8; -1 outside.
int filterCodeOfViewForm(int viewForm);
// "ViewForm" chosen by a filter button command (32800..32807) or its menu entry (32864..32871); 0 for
// any other command.
int viewFormOfCommand(int command);
// The filter button (0..7, child 1132 + n, command 32800 + n) that shows "ViewForm"; -1 outside.
int filterButtonOfViewForm(int viewForm);

}  // namespace viewsettings
