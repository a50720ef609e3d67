#pragma once
// The enabled and checked state of every menu entry, computed in one place from what the frame knows:
// the folder tree's focus and attributes, the view's selection, the undo record, the clipboard, the
// slide show and the view settings. The frame's pop-up menus, the menu-bar buttons and the context
// menus all go through applyMenuState() right before they open.

#include <QString>
#include <QStringList>

#include <map>

class QMenu;

// Shell attribute bits of the tree's selected folder as the tree reports them.
namespace folderattr {
inline constexpr quint32 CanCopy = 0x1;
inline constexpr quint32 CanMove = 0x2;
inline constexpr quint32 CanRename = 0x10;
inline constexpr quint32 CanDelete = 0x20;
inline constexpr quint32 ReadOnly = 0x40000;
inline constexpr quint32 FileSystem = 0x40000000;
// The folder bar keeps the tree's focus in the top bit of the attributes it stores.
inline constexpr quint32 TreeFocus = 0x80000000;
}  // namespace folderattr

struct MenuContext {
    quint32 treeFlags = 0;          // the folder bar's flags: focus bit and the selected folder's attributes
    QStringList selectedNames;      // the view's selected items, in list order
    int undoKind = 0;               // 0 none, 1 move, 2 copy, 3 delete
    bool clipboardHasFiles = false; // the clipboard holds a list of files
    bool slideShowRunning = false;
    int figure1 = 0;                // the status figures: listed files, shown files
    int figure2 = 0;
    bool cameraFolder = false;      // the tree's selected folder is a camera picture folder
    std::map<int, bool> barVisible; // toggle command -> whether its bar is shown
    int viewType = 1;
    int viewSize = 1;
    int viewOrder = 1;
    int viewOrderMode = 0;
    int viewForm = 1;

    bool treeFocus() const { return treeFlags & folderattr::TreeFocus; }
};

struct EntryState {
    bool enabled = true;
    bool checkable = false;
    bool checked = false;
};

// The state of the entry carrying `command`.
EntryState commandState(const MenuContext& context, int command);
// The state of the entry at `position` of the tools menu when it has no command of its own (the
// wallpaper and rotate entries are enabled by the kinds of the selected files).
EntryState toolsPositionState(const MenuContext& context, int position, const EntryState& byCommand);

// The undo entry's text: the kind's word (strings 21013-21015) inserted before the tab of `label`, or
// appended when it has none.
QString undoLabel(const QString& label, int undoKind);

// Sets enabled and checked on every action of `menu` and its sub-menus from `context`. `toolsMenu`
// marks the tools menu, whose entries 3 and 4 follow the selection's file kinds.
void applyMenuState(QMenu& menu, const MenuContext& context, bool toolsMenu = false);
