#pragma once
// The folder tree: the places from the desktop down (desktop, home, computer, volumes, folders), the
// user's way of choosing the folder the thumbnail view lists.
//
// Strategy: nothing is listed before it is needed. Each item knows from its place's has-sub-folder bit
// whether to offer an expander; its children are listed on the first expansion and from then on kept in
// step by refresh(), which compares them with the file system by path. Drives of memory cards are
// labelled in one fixed way whatever their medium says, so the user finds the card reader under the
// same name every time, and a drive whose medium is gone is folded up instead of showing stale folders.
//
// The tree knows nothing of the view: a selection change is announced by folderSelected(), which the
// frame connects to the view. While `dragging` is set (a folder of this tree is being dragged, or the
// bar says a drag is running) selection changes are not announced.

#include "media/FolderItem.h"

#include <QPersistentModelIndex>
#include <QPoint>
#include <QString>
#include <QTreeWidget>

namespace media {

class CFolderTree : public QTreeWidget {
    Q_OBJECT

public:
    // New folders: string 129 is the base name; 20034 (access denied) and 20031 (disk full) are the
    // texts and 20030 the caption of the two failures that stop the attempt.
    static constexpr int NewFolderNameString = 129;
    static constexpr int ErrorCaptionString = 20030;
    static constexpr int DiskFullString = 20031;
    static constexpr int AccessDeniedString = 20034;
    // "Name (2)" … "Name (9999)": past that the user has far bigger problems than a folder name.
    static constexpr int MaxNewFolderAttempts = 9999;
    // The new folder is selected and opened for naming after a short pause, once the tree has settled.
    static constexpr int NewFolderSelectDelayMs = 500;

    explicit CFolderTree(QWidget* parent = nullptr);
    ~CFolderTree() override;

    // Inserts the desktop as the only root item, expands and selects it.
    void initRoot();

    // The parsing path of the selected item (the computer, which is no folder, answers with its name).
    QString currentPath() const;
    // The record of an item of this tree (null for null).
    const FolderItem* folderItem(const QTreeWidgetItem* item) const;
    // A shown item whose place has `path` (a trailing '/' does not matter), or null. When the desktop
    // folder is the home folder, the same folder may be shown twice; either item may be returned.
    QTreeWidgetItem* findItem(const QString& path) const;

    // Expands and selects the places down to `path`, listing each level as needed. True when the whole
    // path was reached; otherwise the deepest reached item is selected.
    bool selectPath(const QString& path);

    // Brings every listed item in step with the file system (drives relabelled and probed, vanished
    // folders dropped, new ones added), keeps expansion and selection where the items survive, then
    // announces the selected folder again so the view lists it anew.
    void refresh();

    // Makes a new folder in the selected one and, after a short pause, selects it and opens its label
    // for editing. True when a folder was made.
    bool newFolder();
    // Moves the selected folder to the trash and selects its parent. True when it was moved.
    bool deleteFolder();
    // Renames the folder of `item` to `name` (the end of label editing). True when it was renamed.
    bool renameFolder(QTreeWidgetItem* item, const QString& name);
    // Whether the label of `item` may be edited (its place can be renamed and is no drive).
    bool canRename(const QTreeWidgetItem* item) const;
    // Whether a label edit box is open (keys then belong to it).
    bool isEditingLabel() const { return state() == EditingState; }

    bool dragging() const { return dragging_; }
    void setDragging(bool on) { dragging_ = on; }
    // Folder drags are off in editions of the frame that offer none.
    void setFolderDragEnabled(bool on) { folderDragEnabled_ = on; }

signals:
    // The selection moved to `path`; `attributes` are the place's bits without the top one.
    void folderSelected(const QString& path, quint32 attributes);
    void folderRenamed(const QString& oldPath, const QString& newPath);
    void folderDeleted(const QString& path);
    void dragStarting(const QString& path);
    void dragEnded(const QString& path);
    void focusChanged(bool gained);
    // A right click selected an item; the owner shows its menu at `globalPos`.
    void contextMenuRequested(const QPoint& globalPos);

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

    // Runs the drag of a folder (blocking until it ends). The drag offers the folder's URL for copy
    // and move.
    virtual void runFolderDrag(const QString& path);

private:
    class Node;
    class LabelDelegate;

    Node* node(QTreeWidgetItem* item) const;
    Node* addChild(QTreeWidgetItem* parent, const platform::ShellItem& place);
    void setPlace(Node* item, const platform::ShellItem& place);
    bool populate(QTreeWidgetItem* item);
    void foldUp(QTreeWidgetItem* item);
    void clearChildren(QTreeWidgetItem* item);
    void removeSubtree(QTreeWidgetItem* item);
    void refreshItem(QTreeWidgetItem* item);
    bool relabelAndProbe(QTreeWidgetItem* item);
    void reconcile(QTreeWidgetItem* item);
    void announce(QTreeWidgetItem* item);
    void onCurrentItemChanged(QTreeWidgetItem* current);
    void onItemExpanded(QTreeWidgetItem* item);
    void startFolderDrag(QTreeWidgetItem* item);

    bool dragging_ = false;
    bool folderDragEnabled_ = true;
    int quiet_ = 0;  // >0 while the tree rearranges itself: selection changes are not announced
    QPersistentModelIndex pressed_;
    QPoint pressPos_;
};

}  // namespace media
