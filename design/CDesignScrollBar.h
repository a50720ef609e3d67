#pragma once
// A scroll bar drawn from bitmaps: a stretched track, an arrow at each end (child parts "7001" and
// "7002") and a thumb ("7003") between them. It keeps a range and a position and tells its owner what the
// user does through scrollMessage(), with the codes of the platform's scroll messages; the owner answers
// by moving the position with setPos().
//
// Layout along the bar's axis: trackStart is the first arrow's extent, trackEnd the bar's extent less the
// second arrow and the thumb; the thumb sits at trackStart + (pos - min) * (trackEnd - trackStart) /
// (max - min), integer division, or at trackStart for an empty range.
//
// Mouse: a press on an arrow sends a line step, on the track before or after the thumb a page step, and
// a 500 ms auto-repeat timer sends it again while the button stays down, the cursor stays in the bar off
// the thumb and, for page steps, on the same side of the thumb. A press on the thumb sends the thumb
// position and starts a drag that sends thumb-track positions as the thumb follows the cursor and the
// thumb position again on release; a thumb offset stands for min + (offset - trackStart) /
// (trackEnd - trackStart) * (max - min), in floating point, truncated, and min when there is no track.
//
// A bar attached to its owner lies along the owner's right (vertical) or bottom (horizontal) edge and
// follows the owner's size. The program watches one owner at a time: the last bar created takes the
// watch over from any earlier one.

#include "design/DesignBitmaps.h"

#include <QBasicTimer>
#include <QImage>
#include <QPointer>
#include <QWidget>

class CDesignButton;

class CDesignScrollBar : public QWidget {
    Q_OBJECT
public:
    // Style flags.
    static constexpr int kStyleVertical = 0x1;
    static constexpr int kStyleAttached = 0x4;
    // Child identifiers of the parts, used as their object names.
    static constexpr int kBackArrowId = 7001;
    static constexpr int kForwardArrowId = 7002;
    static constexpr int kThumbId = 7003;
    // Parts start at this size and then take the size of their normal bitmap.
    static constexpr int kPartCreateWidth = 69;
    static constexpr int kPartCreateHeight = 16;
    // Number the auto-repeat timer is known by while it runs, and its period.
    static constexpr int kRepeatTimerId = 150;
    static constexpr int kRepeatPeriodMs = 500;
    // How far past a dragged thumb's far edge the cursor counts in one move; beyond, the thumb moves this
    // far and catches up with the next move.
    static constexpr int kDragSlack = 50;

    // Codes of the scroll messages.
    enum Code { LineBack = 0, LineForward = 1, PageBack = 2, PageForward = 3, ThumbPosition = 4, ThumbTrack = 5 };
    enum RepeatKind { RepeatNone = 0, RepeatPageBack = 1, RepeatPageForward = 2, RepeatLineBack = 3, RepeatLineForward = 4 };
    // Which of the two scroll messages the owner receives.
    enum class Message { Horizontal, Vertical };

    // Bitmap numbers of one part: normal (required), pressed, highlighted, disabled.
    struct PartBitmaps {
        int normal = 0;
        int pressed = 0;
        int highlighted = 0;
        int disabled = 0;
    };
    struct Bitmaps {
        PartBitmaps backArrow;
        PartBitmaps forwardArrow;
        PartBitmaps thumb;
        int track = 0;
    };

    // Creates a visible bar as a child of `owner`. `rect` places a bar that is not attached; an attached
    // bar takes its thickness from `rect` (or from its parts when `rect` is empty) and its place from the
    // owner. Null when a part's bitmaps or the track bitmap cannot be had: the bar is destroyed again.
    static CDesignScrollBar* create(QWidget* owner, int style, const Bitmaps& bitmaps, const QRect& rect = {},
                                    design::BitmapLookup lookup = {});
    ~CDesignScrollBar() override;

    // Stores the range (max no less than min), brings the position into it and lays the parts out again.
    void setRange(int min, int max, bool redraw = true);
    void getRange(int& min, int& max) const;
    // Moves to `pos` clamped to the range and returns the previous position. A negative position is
    // ignored and returned as it is.
    int setPos(int pos, bool redraw = true);
    int getPos() const { return pos_; }

    bool isVertical() const { return style_ & kStyleVertical; }
    bool isAttachedToOwner() const { return style_ & kStyleAttached; }
    int trackStart() const { return trackStart_; }
    int trackEnd() const { return trackEnd_; }
    // Offset of the thumb along the axis: where the position puts it, or where a drag has it now.
    int thumbOffset() const;
    int repeatKind() const { return repeatKind_; }
    // kRepeatTimerId while the auto-repeat timer runs, else 0.
    int repeatTimer() const { return repeatTimer_.isActive() ? kRepeatTimerId : 0; }

    CDesignButton* backArrow() const { return backArrow_; }
    CDesignButton* forwardArrow() const { return forwardArrow_; }
    CDesignButton* thumb() const { return thumb_; }

    // The bar that follows its owner's size now, if any.
    static CDesignScrollBar* watchingBar();

signals:
    // `position` is meaningful for ThumbPosition and ThumbTrack and 0 for the others.
    void scrollMessage(CDesignScrollBar::Message message, int code, int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CDesignScrollBar(QWidget* owner, int style, design::BitmapLookup lookup);

    bool loadParts(const Bitmaps& bitmaps);
    void watchOwner();
    void dropWatch();
    void followOwner();
    void layoutParts();

    int along(const QPoint& point) const { return isVertical() ? point.y() : point.x(); }
    int along(const QSize& size) const { return isVertical() ? size.height() : size.width(); }
    int across(const QSize& size) const { return isVertical() ? size.width() : size.height(); }
    QPoint pointAt(int offset) const { return isVertical() ? QPoint(0, offset) : QPoint(offset, 0); }
    int offsetFor(int pos) const;
    int positionAt(int offset) const;

    bool partEvent(CDesignButton* part, QEvent* event);
    void buttonDown(QWidget* target, const QPoint& barPoint);
    void buttonUp();
    void repeat();
    void send(int code, int position = 0);
    void dragTo(const QPoint& thumbPoint);
    void endDrag();

    design::BitmapLookup lookup_;
    QPointer<QWidget> owner_;
    int style_ = 0;
    int thickness_ = 0;
    QImage track_;
    CDesignButton* backArrow_ = nullptr;
    CDesignButton* forwardArrow_ = nullptr;
    CDesignButton* thumb_ = nullptr;
    int min_ = 0;
    int max_ = 0;
    int pos_ = 0;
    int trackStart_ = 0;
    int trackEnd_ = 0;
    int repeatKind_ = RepeatNone;
    QBasicTimer repeatTimer_;
    // Where the cursor was last seen, in the bar's coordinates. While a button is held every move reaches
    // the bar or the part that was pressed, so this is where the cursor is.
    QPoint cursor_;
    bool watching_ = false;
    bool dragging_ = false;
    int dragGrab_ = 0;      // where along the thumb it was taken hold of
    int dragPos_ = 0;       // the position the drag reported last
};
