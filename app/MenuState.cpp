#include "app/MenuState.h"

#include "app/Commands.h"
#include "resources/UiResources.h"

#include <QMenu>

#include <initializer_list>

namespace {

// The undo entry's words by record kind 1 (move), 2 (copy), 3 (delete).
constexpr int kUndoWordMove = 21014;
constexpr int kUndoWordCopy = 21013;
constexpr int kUndoWordDelete = 21015;
// Positions in the tools menu of the entries enabled by the selection's kinds.
constexpr int kWallpaperPosition = 3;
constexpr int kRotatePosition = 4;
// The property a menu action's command number travels in.
constexpr const char* kCommandProperty = "command";

bool anySelectedWithExtension(const MenuContext& context, std::initializer_list<const char*> extensions)
{
    for (const QString& name : context.selectedNames) {
        for (const char* extension : extensions) {
            if (name.endsWith(QLatin1String(extension), Qt::CaseInsensitive))
                return true;
        }
    }
    return false;
}

bool has(quint32 flags, quint32 bits)
{
    return (flags & bits) == bits;
}

// A tree rule for the clipboard commands: a file-system folder with `bit`, or with selection otherwise.
bool treeOrSelection(const MenuContext& context, quint32 bit)
{
    if (context.treeFocus())
        return has(context.treeFlags, folderattr::FileSystem | bit);
    return !context.selectedNames.isEmpty();
}

}  // namespace

EntryState commandState(const MenuContext& context, int command)
{
    using namespace folderattr;
    EntryState state;
    const quint32 flags = context.treeFlags;
    const int selection = int(context.selectedNames.size());
    switch (command) {
    case cmd::NewFolder:
        if (context.treeFocus())
            state.enabled = has(flags, FileSystem) && !(flags & ReadOnly);
        break;
    case cmd::Rename:
        state.enabled = context.treeFocus() ? bool(flags & CanRename) : selection >= 1;
        break;
    case cmd::Properties:
        state.enabled = !context.treeFocus() && selection >= 1;
        break;
    case cmd::Print:
        state.enabled = anySelectedWithExtension(context, {".bmp", ".jpg", ".dvf", ".dcf", ".ttl", ".tif"});
        break;
    case cmd::Undo:
        state.enabled = context.undoKind != 0;
        break;
    case cmd::EditCut:
        state.enabled = treeOrSelection(context, CanMove);
        break;
    case cmd::EditCopy:
        state.enabled = treeOrSelection(context, CanCopy);
        break;
    case cmd::Delete:
        state.enabled = treeOrSelection(context, CanDelete);
        break;
    case cmd::EditPaste:
        state.enabled = context.clipboardHasFiles &&
                        (!context.treeFocus() || (has(flags, FileSystem) && !(flags & ReadOnly)));
        break;
    case cmd::SlideShow:
        state.enabled = !context.slideShowRunning && context.figure1 >= 1 && context.figure2 >= 1;
        break;
    case cmd::CopyIntoCard:
        state.enabled = context.cameraFolder && anySelectedWithExtension(context, {".jpg", ".tif"});
        break;
    case cmd::Wallpaper:
        state.enabled = anySelectedWithExtension(context, {".bmp", ".jpg", ".dvf", ".tif"});
        break;
    case cmd::RotateRight:
    case cmd::Rotate180:
    case cmd::RotateLeft:
        state.enabled = anySelectedWithExtension(context, {".bmp", ".jpg", ".dvf"});
        break;
    case cmd::SaveAsBmp:
    case cmd::SaveAsJpeg:
        state.enabled = anySelectedWithExtension(context, {".bmp", ".jpg", ".dvf", ".ttl", ".tif"});
        break;
    case cmd::SelectAll:
    case cmd::Search:
        state.enabled = context.figure2 >= 1;
        break;
    case cmd::ToggleSortDirection:
        state.checkable = true;
        state.checked = context.viewOrderMode != 0;
        break;
    default:
        break;
    }
    if (const auto bar = context.barVisible.find(command); bar != context.barVisible.end()) {
        state.checkable = true;
        state.checked = bar->second;
    }
    if (command >= cmd::DisplayMode0 && command < cmd::DisplayMode0 + 3) {
        state.checkable = true;
        state.checked = command - cmd::DisplayMode0 + 1 == context.viewType;
    } else if (command >= cmd::ThumbSize128 && command < cmd::ThumbSize128 + 5) {
        state.checkable = true;
        state.checked = command - cmd::ThumbSize128 + 1 == context.viewSize;
    } else if (command >= cmd::SortKey0 && command < cmd::SortKey0 + 4) {
        state.checkable = true;
        state.checked = command - cmd::SortKey0 + 1 == context.viewOrder;
    } else if (command >= cmd::FilterMenu1 && command < cmd::FilterMenu1 + 8) {
        state.checkable = true;
        state.checked = command == cmd::FilterMenu1 - 1 + context.viewForm;
    }
    return state;
}

EntryState toolsPositionState(const MenuContext& context, int position, const EntryState& byCommand)
{
    EntryState state = byCommand;
    if (position == kWallpaperPosition)
        state.enabled = anySelectedWithExtension(context, {".bmp", ".jpg", ".dvf", ".tif"});
    else if (position == kRotatePosition)
        state.enabled = anySelectedWithExtension(context, {".bmp", ".jpg", ".dvf"});
    return state;
}

QString undoLabel(const QString& label, int undoKind)
{
    const int word = undoKind == 1 ? kUndoWordMove : undoKind == 2 ? kUndoWordCopy : undoKind == 3 ? kUndoWordDelete : 0;
    if (word == 0)
        return label;
    const int tab = label.indexOf(QLatin1Char('\t'));
    QString text = label;
    text.insert(tab < 0 ? text.size() : tab, UiResources::string(word));
    return text;
}

void applyMenuState(QMenu& menu, const MenuContext& context, bool toolsMenu)
{
    const QList<QAction*> actions = menu.actions();
    for (int position = 0; position < actions.size(); ++position) {
        QAction* action = actions[position];
        if (action->isSeparator())
            continue;
        const int command = action->property(kCommandProperty).toInt();
        EntryState state = commandState(context, command);
        if (toolsMenu)
            state = toolsPositionState(context, position, state);
        if (QMenu* sub = action->menu()) {
            applyMenuState(*sub, context, false);
            action->setEnabled(state.enabled);
            continue;
        }
        action->setEnabled(state.enabled);
        action->setCheckable(state.checkable);
        if (state.checkable)
            action->setChecked(state.checked);
        if (command == cmd::Undo) {
            if (!action->property("baseLabel").isValid())
                action->setProperty("baseLabel", action->text());
            action->setText(undoLabel(action->property("baseLabel").toString(), context.undoKind));
        }
    }
}
