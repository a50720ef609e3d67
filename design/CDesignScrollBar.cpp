#include "design/CDesignScrollBar.h"

#include "design/CDesignButton.h"
#include "platform/Trace.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <memory>

namespace {

// The one bar whose owner is watched for size changes.
QPointer<CDesignScrollBar> theWatchingBar;

int codeOf(int repeatKind)
{
    switch (repeatKind) {
    case CDesignScrollBar::RepeatPageBack:
        return CDesignScrollBar::PageBack;
    case CDesignScrollBar::RepeatPageForward:
        return CDesignScrollBar::PageForward;
    case CDesignScrollBar::RepeatLineBack:
        return CDesignScrollBar::LineBack;
    default:
        return CDesignScrollBar::LineForward;
    }
}

}  // namespace

CDesignScrollBar* CDesignScrollBar::create(QWidget* owner, int style, const Bitmaps& bitmaps, const QRect& rect,
                                           design::BitmapLookup lookup)
{
    std::unique_ptr<CDesignScrollBar> bar(new CDesignScrollBar(owner, style, design::bitmapsOrDefault(std::move(lookup))));
    if (!bar->loadParts(bitmaps))
        return nullptr;
    const int fromParts = std::max({bar->across(bar->backArrow_->size()), bar->across(bar->forwardArrow_->size()),
                                    bar->across(bar->thumb_->size())});
    const int fromRect = bar->across(rect.size());
    bar->thickness_ = fromRect > 0 ? fromRect : fromParts;
    if (bar->isAttachedToOwner())
        bar->followOwner();
    else
        bar->setGeometry(rect);
    bar->watchOwner();
    bar->layoutParts();
    bar->show();
    return bar.release();
}

CDesignScrollBar::CDesignScrollBar(QWidget* owner, int style, design::BitmapLookup lookup)
    : QWidget(owner), lookup_(std::move(lookup)), owner_(owner), style_(style)
{
}

CDesignScrollBar::~CDesignScrollBar()
{
    if (!watching_)
        return;
    // The owner normally outlives its child bar; a bar moved elsewhere may find it gone, and with it
    // the filter there was to remove.
    const bool ownerThere = !owner_.isNull();
    dropWatch();
    platform::trace(ownerThere ? "DSGN Unhook OK\r\n" : "DSGN Unhook Failed\r\n");
}

CDesignScrollBar* CDesignScrollBar::watchingBar()
{
    return theWatchingBar;
}

bool CDesignScrollBar::loadParts(const Bitmaps& bitmaps)
{
    auto makePart = [this](int id, const PartBitmaps& numbers) -> CDesignButton* {
        auto* part = new CDesignButton(this, lookup_);
        part->setObjectName(QString::number(id));
        part->resize(kPartCreateWidth, kPartCreateHeight);
        // Clicking the bar must not take the keyboard from the window it scrolls.
        part->setFocusPolicy(Qt::NoFocus);
        if (!part->setBitmaps(numbers.normal, numbers.pressed, numbers.highlighted, numbers.disabled))
            return nullptr;
        part->sizeToContent();
        part->installEventFilter(this);
        return part;
    };
    backArrow_ = makePart(kBackArrowId, bitmaps.backArrow);
    forwardArrow_ = makePart(kForwardArrowId, bitmaps.forwardArrow);
    thumb_ = makePart(kThumbId, bitmaps.thumb);
    track_ = lookup_(bitmaps.track);
    return backArrow_ && forwardArrow_ && thumb_ && !track_.isNull();
}

void CDesignScrollBar::watchOwner()
{
    if (!owner_) {
        platform::trace("DSGN Hook Failed\r\n");
        return;
    }
    if (CDesignScrollBar* previous = theWatchingBar; previous && previous != this)
        previous->dropWatch();
    owner_->installEventFilter(this);
    watching_ = true;
    theWatchingBar = this;
}

void CDesignScrollBar::dropWatch()
{
    if (!watching_)
        return;
    if (owner_)
        owner_->removeEventFilter(this);
    watching_ = false;
    if (theWatchingBar == this)
        theWatchingBar = nullptr;
}

void CDesignScrollBar::followOwner()
{
    if (!isAttachedToOwner() || !owner_)
        return;
    const QRect area = owner_->rect();
    if (isVertical())
        setGeometry(area.right() + 1 - thickness_, area.top(), thickness_, area.height());
    else
        setGeometry(area.left(), area.bottom() + 1 - thickness_, area.width(), thickness_);
}

void CDesignScrollBar::layoutParts()
{
    if (!thumb_)
        return;
    const int length = along(size());
    const int forward = along(forwardArrow_->size());
    trackStart_ = along(backArrow_->size());
    trackEnd_ = length - forward - along(thumb_->size());
    backArrow_->move(0, 0);
    forwardArrow_->move(pointAt(length - forward));
    // A dragged thumb stays under the cursor; it goes back to the position's place when the drag ends.
    if (!dragging_)
        thumb_->move(pointAt(offsetFor(pos_)));
}

int CDesignScrollBar::offsetFor(int pos) const
{
    if (max_ == min_)
        return trackStart_;
    const long long span = trackEnd_ - trackStart_;
    const long long offset =
        trackStart_ + (static_cast<long long>(pos) - min_) * span / (static_cast<long long>(max_) - min_);
    // A bar shorter than its arrows and thumb has no track: the thumb then stays at its start.
    return static_cast<int>(std::clamp<long long>(offset, trackStart_, std::max(trackStart_, trackEnd_)));
}

int CDesignScrollBar::positionAt(int offset) const
{
    if (trackEnd_ <= trackStart_)
        return min_;
    const double fraction = static_cast<double>(offset - trackStart_) / (trackEnd_ - trackStart_);
    const double span = static_cast<double>(max_) - static_cast<double>(min_);
    const long long position = min_ + static_cast<long long>(fraction * span);
    return static_cast<int>(std::clamp<long long>(position, min_, max_));
}

int CDesignScrollBar::thumbOffset() const
{
    return thumb_ ? along(thumb_->pos()) : 0;
}

void CDesignScrollBar::setRange(int min, int max, bool redraw)
{
    min_ = min;
    max_ = std::max(min, max);
    pos_ = std::clamp(pos_, min_, max_);
    layoutParts();
    if (redraw)
        update();
}

void CDesignScrollBar::getRange(int& min, int& max) const
{
    min = min_;
    max = max_;
}

int CDesignScrollBar::setPos(int pos, bool redraw)
{
    if (pos < 0)
        return pos;
    const int previous = pos_;
    pos_ = std::clamp(pos, min_, max_);
    layoutParts();
    if (redraw)
        update();
    return previous;
}

void CDesignScrollBar::send(int code, int position)
{
    emit scrollMessage(isVertical() ? Message::Vertical : Message::Horizontal, code, position);
}

void CDesignScrollBar::buttonDown(QWidget* target, const QPoint& barPoint)
{
    if (target == backArrow_) {
        repeatKind_ = RepeatLineBack;
        send(LineBack);
    } else if (target == forwardArrow_) {
        repeatKind_ = RepeatLineForward;
        send(LineForward);
    } else if (target == thumb_) {
        // The drag takes over from here; there is nothing to repeat.
        send(ThumbPosition, pos_);
        return;
    } else {
        const int at = along(barPoint);
        const int thumbStart = thumbOffset();
        if (at < thumbStart) {
            repeatKind_ = RepeatPageBack;
            send(PageBack);
        } else if (at >= thumbStart + along(thumb_->size())) {
            repeatKind_ = RepeatPageForward;
            send(PageForward);
        } else {
            return;  // beside the thumb, across the bar: neither before nor after it
        }
    }
    if (!repeatTimer_.isActive())
        repeatTimer_.start(kRepeatPeriodMs, this);
}

void CDesignScrollBar::buttonUp()
{
    repeatKind_ = RepeatNone;
    repeatTimer_.stop();
}

void CDesignScrollBar::repeat()
{
    bool again = repeatKind_ != RepeatNone && rect().contains(cursor_) && !thumb_->geometry().contains(cursor_);
    // Page steps stop once the thumb has reached or passed the cursor; going on would carry the thumb away
    // from the place the user holds the button at.
    const int at = along(cursor_);
    if (again && repeatKind_ == RepeatPageBack)
        again = at < thumbOffset();
    if (again && repeatKind_ == RepeatPageForward)
        again = at >= thumbOffset() + along(thumb_->size());
    if (!again) {
        buttonUp();
        return;
    }
    send(codeOf(repeatKind_));
    platform::trace("OnTimer\r\n");
}

void CDesignScrollBar::dragTo(const QPoint& thumbPoint)
{
    // A point before the thumb counts as the thumb's first pixel, so a cursor that jumped back past the
    // thumb pulls it back by no more than where it was taken hold of. A point far beyond the thumb counts
    // as kDragSlack past its end: the thumb goes on toward the cursor and cannot be thrown back by it.
    const int limit = along(thumb_->size()) + kDragSlack;
    const int coordinate = std::clamp(along(thumbPoint), 0, limit);
    const int wanted = thumbOffset() + coordinate - dragGrab_;
    const int offset = std::clamp(wanted, trackStart_, std::max(trackStart_, trackEnd_));
    thumb_->move(pointAt(offset));
    const int position = positionAt(offset);
    if (position != dragPos_) {
        dragPos_ = position;
        send(ThumbTrack, position);
    }
}

void CDesignScrollBar::endDrag()
{
    dragging_ = false;
    thumb_->setDown(false);
    send(ThumbPosition, dragPos_);
    // The owner has moved the position by now if it accepts the drag; the thumb goes where it says.
    layoutParts();
}

bool CDesignScrollBar::partEvent(CDesignButton* part, QEvent* event)
{
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::MouseMove
        && type != QEvent::MouseButtonRelease)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint partPoint = mouse->position().toPoint();
    cursor_ = part->mapToParent(partPoint);
    const bool onThumb = part == thumb_;
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (mouse->button() != Qt::LeftButton)
            return false;
        buttonDown(part, cursor_);
        if (!onThumb)
            return false;  // the arrow shows itself pressed
        dragging_ = true;
        dragGrab_ = along(partPoint);
        dragPos_ = pos_;
        thumb_->setDown(true);
        return true;
    case QEvent::MouseMove:
        if (!onThumb || !dragging_)
            return false;
        dragTo(partPoint);
        return true;
    default:
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (onThumb && dragging_) {
            endDrag();
            buttonUp();
            return true;
        }
        buttonUp();
        return false;
    }
}

bool CDesignScrollBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watching_ && watched == owner_ && event->type() == QEvent::Resize) {
        followOwner();
        layoutParts();
        return false;
    }
    if (watched == backArrow_ || watched == forwardArrow_ || watched == thumb_)
        return partEvent(static_cast<CDesignButton*>(watched), event);
    return QWidget::eventFilter(watched, event);
}

void CDesignScrollBar::paintEvent(QPaintEvent*)
{
    if (track_.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(rect(), track_);
}

void CDesignScrollBar::resizeEvent(QResizeEvent* event)
{
    layoutParts();
    QWidget::resizeEvent(event);
}

void CDesignScrollBar::mousePressEvent(QMouseEvent* event)
{
    cursor_ = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        buttonDown(this, cursor_);
}

void CDesignScrollBar::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
}

void CDesignScrollBar::mouseMoveEvent(QMouseEvent* event)
{
    cursor_ = event->position().toPoint();
}

void CDesignScrollBar::mouseReleaseEvent(QMouseEvent* event)
{
    cursor_ = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        buttonUp();
}

void CDesignScrollBar::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == repeatTimer_.timerId())
        repeat();
    else
        QWidget::timerEvent(event);
}
