#pragma once
// The view's list control. It draws the displayed items of the store in one of three layouts, every
// pixel itself: the client area is painted into an off-screen image under the list lock (the lock the
// loader writes thumbnails under) and the store's lock, and copied to the screen in one go, so a
// half-stored thumbnail is never drawn and the list never flickers.
//
// It scrolls in whole rows (its design scroll bar and the mouse wheel), keeps the selection in the
// items' flag bits with the click and rubber-band rules of ListSelection, remembers the current item
// (the one last clicked) and the anchor of Shift ranges, and reports what its owner acts on - a double
// click, the start of a drag, the Delete key - as signals.

#include "browser/ListGeometry.h"

#include <QBasicTimer>
#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <mutex>
#include <vector>

class CDesignScrollBar;
class CListRenderer;
class CPopupEditBox;
class ItemStore;
struct FileItem;
struct RenderContext;

class COwnerDrawListCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kControlId = 1001;    // child id, as the object name
    static constexpr int kScrollBarId = 1155;  // the scroll bar's child id
    // The scroll bar's bitmaps in the resource bundle: track, back arrow, forward arrow, thumb.
    static constexpr int kScrollTrackBitmap = 431;
    static constexpr int kScrollBackBitmap = 432;
    static constexpr int kScrollForwardBitmap = 433;
    static constexpr int kScrollThumbBitmap = 434;
    static constexpr QRgb kBackground = qRgb(68, 68, 68);
    // The rubber band scrolls the list while the cursor is this close to the top or bottom edge.
    static constexpr int kAutoScrollZone = 10;
    static constexpr int kAutoScrollPeriodMs = 100;
    // A paint that finds the store busy (a listing, a sort) tries again after this long.
    static constexpr int kBusyRetryMs = 15;

    COwnerDrawListCtrl(QWidget* parent, ItemStore& store, std::mutex& listLock);
    ~COwnerDrawListCtrl() override;

    // 0, 1 or 2 (other values are ignored): replaces the renderer and lays out again.
    void setLayout(int layout);
    int layout() const { return layout_; }
    // 0..4 (other values are ignored): the grid's size; the information layout keeps 128.
    void setSizeIndex(int index);
    int sizeIndex() const { return sizeIndex_; }
    void setFolder(const QString& folder) { folder_ = folder; }

    // Recomputes the geometry and the scroll range for the current items and size, keeping the scroll
    // position at the same share of the range; then repaints.
    void layoutItems();
    // Scrolls so that display position `position` is near the top.
    void scrollToItem(int position);
    void scrollToRow(int row);
    // Forgets the anchor and the current item (their positions belong to the old listing); with
    // `toTop` also the scroll position.
    void resetPositions(bool toTop);

    const list::ListGeometry& geometry() const { return geometry_; }
    int columns() const;
    int topItem() const { return topItem_; }
    int scrollPosition() const { return scrollPos_; }
    int scrollMaximum() const { return scrollMax_; }
    int currentItem() const { return current_; }
    int anchor() const { return anchor_; }
    bool rubberBandActive() const { return banding_; }
    CListRenderer* renderer() const { return renderer_.get(); }
    CDesignScrollBar* scrollBar() const { return scrollBar_; }
    CPopupEditBox* editBox() const { return editBox_; }

    // Selects every displayed item (the view's select-all command).
    void selectAll();
    void deselectAll();
    // Renders the client area as paintEvent does (also for tests).
    QImage render();
    // True while the list paints itself (nothing that shows a box may run then).
    bool isPainting() const { return paintDepth_ > 0; }

    // Opens the edit box over the current item's caption with its name; false when there is no current
    // item. The accepted text comes back as renameAccepted.
    bool editCurrentName();

signals:
    void openRequested(int position);
    void dragRequested(int position);
    void deleteRequested();
    // A right click: the item under the cursor (if any) is selected, the owner shows its menu.
    void contextMenuRequested(const QPoint& globalPos);
    // The selection may have changed (a click, the rubber band, select all).
    void selectionChanged();
    void renameAccepted(int position, const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    // Under the list lock and the store's lock.
    std::vector<FileItem*> displayedItems() const;
    QImage renderLocked();
    int displayedCount() const;
    RenderContext context(const std::vector<FileItem*>& items) const;
    void createScrollBar();
    void onScroll(int code, int position);
    void updateBand(const QPoint& cursor);
    int fontHeight() const;

    ItemStore& store_;
    std::mutex& listLock_;
    QString folder_;
    int layout_ = list::LayoutGrid;
    int sizeIndex_ = 0;
    list::ListGeometry geometry_;
    std::unique_ptr<CListRenderer> renderer_;
    CDesignScrollBar* scrollBar_ = nullptr;  // a child: it lives as long as the list
    CPopupEditBox* editBox_ = nullptr;
    int topItem_ = 0;
    int scrollPos_ = 0;
    int scrollMax_ = 0;
    int anchor_ = -1;
    int current_ = -1;
    // A press on an item may become a drag once the cursor travels far enough.
    int pressedItem_ = -1;
    QPoint pressPoint_;
    bool dragStarted_ = false;
    // The rubber band: its start in content coordinates (client y plus the rows scrolled away), so
    // scrolling while it is drawn keeps its start where the user put it.
    bool banding_ = false;
    QPoint bandStart_;
    QPoint bandCursor_;
    QBasicTimer bandTimer_;
    // What was painted last, shown again while the store is busy elsewhere.
    QImage lastCanvas_;
    QBasicTimer retryTimer_;
    int paintDepth_ = 0;
};
