#pragma once
// The folder bar: the left bar of the main frame that holds the folder tree. Besides hosting the tree it
// runs the card search once, 2.5 seconds after it is created (and again on command): a card found makes
// the tree jump to the card's picture folder, which the view then lists; without one the user is told
// and the view lists the tree's current folder. It keeps the tree's attributes and focus bit for the
// frame's menus, relays the tree's drag notifications, remembers its size, and can be resized by
// dragging its inner edge.
//
// The bar knows neither the view nor the print order: it asks for them through signals that the frame
// connects.

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>

class CDesignButton;
class QDialog;
class QTreeWidgetItem;

namespace media {

class CFolderTree;

class CFolderBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBarId = 131;
    static constexpr int kTreeId = 3000;
    static constexpr int kCloseButtonId = 1122;
    static constexpr int kSearchDialogId = 104;
    static constexpr int kSearchTextId = 1041;
    // The card search runs this long after the bar is created (timer 11).
    static constexpr int kCardSearchTimerId = 11;
    static constexpr int kCardSearchDelayMs = 2500;
    // Texts of the search: caption, "searching", "no card".
    static constexpr int kSearchCaptionString = 20400;
    static constexpr int kSearchingString = 20401;
    static constexpr int kNoCardString = 20402;
    // The tree sits this far inside the bar below the caption.
    static constexpr int kInset = 5;
    static constexpr int kCaptionHeight = 20;
    // The inner edge that resizes the bar, and the narrowest the bar may become.
    static constexpr int kEdgeWidth = 5;
    static constexpr int kMinimumWidth = 40;
    // Parent-notify events the bar takes from the tree and the frame.
    enum Event {
        SelectionChanged = 1526,
        FocusGained = 7,
        FocusLost = 8,
        DragStarts = 1529,
        TreeDragging = 1530,
        ClipboardState = 1531,
        DropTarget = 1532,
        DragEnded = 1533,
    };

    explicit CFolderBar(QWidget* parent = nullptr);
    ~CFolderBar() override;

    CFolderTree* tree() const { return tree_; }
    CDesignButton* closeButton() const { return closeButton_; }

    // Starts timer 11 (the start-up card search).
    void startCardSearchTimer(int delayMs = kCardSearchDelayMs);
    // The card search and its outcome (the timer's step 2), at any time.
    void searchCard();
    bool isSearching() const { return searching_; }
    // The root of the card found by the last search; empty when none.
    QString cardRoot() const { return cardRoot_; }
    // The search dialog while the search runs, else null.
    QDialog* searchDialog() const { return searchDialog_; }

    // The tree's attributes with the focus in the top bit.
    quint32 treeFlags() const { return treeFlags_; }
    bool treeHasFocus() const { return treeFlags_ & 0x80000000u; }
    // Whether the tree's selected folder is a camera picture folder.
    bool isCameraFolder() const;

    // The parent-notify events of the tree and the frame.
    void parentNotify(int event, quintptr value);
    int clipboardState() const { return clipboardState_; }
    QTreeWidgetItem* dragItem() const { return dragItem_; }
    QTreeWidgetItem* dropItem() const { return dropItem_; }
    QTreeWidgetItem* cutItem() const { return cutItem_; }
    // The clipboard commands relayed by the frame: copy and cut remember what was offered.
    void noteCopy();
    void noteCut();

    // Width and height as stored ("DvFolderSize.cx" / ".cy").
    QSize barSize() const { return size_; }
    void setBarSize(const QSize& size);

    QSize sizeHint() const override { return size_; }

signals:
    // The close button: the frame hides the bar.
    void closeRequested();
    // The view should list `folder` (no card found: the tree's current folder).
    void listFolderRequested(const QString& folder);
    // A card was found at `cardRoot`: its print order should be loaded.
    void cardFound(const QString& cardRoot);
    // The user dragged the inner edge to a new width; the frame lays its bars out again.
    void widthChanged(int width);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool onInnerEdge(const QPoint& point) const;
    void showSearchDialog();
    void closeSearchDialog();

    // The caption's pieces, decoded once.
    QImage captionLeft_;
    QImage captionRest_;
    CFolderTree* tree_ = nullptr;
    CDesignButton* closeButton_ = nullptr;
    QDialog* searchDialog_ = nullptr;
    QString cardRoot_;
    bool searching_ = false;
    int cardSearchTimer_ = 0;
    QSize size_{258, 155};
    quint32 treeFlags_ = 0;
    int clipboardState_ = 0;
    QTreeWidgetItem* dragItem_ = nullptr;
    QTreeWidgetItem* dropItem_ = nullptr;
    QTreeWidgetItem* cutItem_ = nullptr;
    bool resizing_ = false;
};

}  // namespace media
