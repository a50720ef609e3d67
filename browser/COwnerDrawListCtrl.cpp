#include "browser/COwnerDrawListCtrl.h"

#include "design/CDesignScrollBar.h"
#include "browser/CGridRenderer.h"
#include "browser/CHeaderCtrlEx.h"
#include "browser/CInfoRenderer.h"
#include "browser/CPopupEditBox.h"
#include "browser/CRenderDetail.h"
#include "browser/ItemStore.h"
#include "browser/ListSelection.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

// One notch of a wheel: 120 eighths of a degree.
constexpr int kWheelNotch = 120;

}  // namespace

COwnerDrawListCtrl::COwnerDrawListCtrl(QWidget* parent, ItemStore& store, std::mutex& listLock)
    : QWidget(parent), store_(store), listLock_(listLock)
{
    setObjectName(QString::number(kControlId));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    geometry_ = list::ListGeometry::make(layout_, sizeIndex_, size(), fontHeight());
    renderer_ = std::make_unique<CGridRenderer>(geometry_);
    createScrollBar();
    editBox_ = new CPopupEditBox(this);
}

COwnerDrawListCtrl::~COwnerDrawListCtrl() = default;

void COwnerDrawListCtrl::createScrollBar()
{
    CDesignScrollBar::Bitmaps bitmaps;
    bitmaps.track = kScrollTrackBitmap;
    bitmaps.backArrow.normal = kScrollBackBitmap;
    bitmaps.forwardArrow.normal = kScrollForwardBitmap;
    bitmaps.thumb.normal = kScrollThumbBitmap;
    // Without its bitmaps (no bundle bound) the list still works with the wheel alone.
    scrollBar_ = CDesignScrollBar::create(this, CDesignScrollBar::kStyleVertical | CDesignScrollBar::kStyleAttached,
                                          bitmaps);
    if (!scrollBar_)
        return;
    scrollBar_->setObjectName(QString::number(kScrollBarId));
    connect(scrollBar_, &CDesignScrollBar::scrollMessage, this,
            [this](CDesignScrollBar::Message, int code, int position) { onScroll(code, position); });
}

int COwnerDrawListCtrl::fontHeight() const
{
    return RenderContext().captionHeight();
}

int COwnerDrawListCtrl::columns() const
{
    return geometry_.columns(width());
}

void COwnerDrawListCtrl::setLayout(int layout)
{
    if (layout < list::LayoutGrid || layout > list::LayoutDetails)
        return;
    // The old renderer goes first: the details renderer owns a header child that must not linger.
    renderer_.reset();
    layout_ = layout;
    switch (layout) {
    case list::LayoutGrid: {
        auto grid = std::make_unique<CGridRenderer>(geometry_);
        grid->setSizeIndex(sizeIndex_);
        renderer_ = std::move(grid);
        break;
    }
    case list::LayoutInformation:
        renderer_ = std::make_unique<CInfoRenderer>(geometry_);
        break;
    default:
        renderer_ = std::make_unique<CRenderDetail>(this);
        break;
    }
    layoutItems();
}

void COwnerDrawListCtrl::setSizeIndex(int index)
{
    if (index < 0 || index >= static_cast<int>(list::kThumbnailSizes.size()))
        return;
    sizeIndex_ = index;
    if (layout_ == list::LayoutGrid)
        static_cast<CGridRenderer*>(renderer_.get())->setSizeIndex(index);
    layoutItems();
}

int COwnerDrawListCtrl::displayedCount() const
{
    std::lock_guard guard(store_);
    return static_cast<int>(store_.displayOrder().size());
}

std::vector<FileItem*> COwnerDrawListCtrl::displayedItems() const
{
    std::vector<FileItem*> items;
    items.reserve(store_.displayOrder().size());
    for (std::int32_t number : store_.displayOrder()) {
        if (FileItem* item = store_.find(number))
            items.push_back(item);
    }
    return items;
}

void COwnerDrawListCtrl::layoutItems()
{
    const int oldMaximum = scrollMax_;
    geometry_ = list::ListGeometry::make(layout_, sizeIndex_, size(), fontHeight());
    const int columns = this->columns();
    scrollMax_ = list::scroll::maximum(displayedCount(), columns);
    scrollPos_ = oldMaximum == scrollMax_ ? std::clamp(scrollPos_, 0, scrollMax_)
                                          : list::scroll::rescale(scrollPos_, oldMaximum, scrollMax_);
    topItem_ = scrollPos_ * columns;
    if (scrollBar_) {
        scrollBar_->setRange(0, scrollMax_);
        scrollBar_->setPos(scrollPos_);
    }
    if (renderer_ && layout_ == list::LayoutDetails) {
        std::lock_guard guard(store_);
        const std::vector<FileItem*> items = displayedItems();
        renderer_->notify(CRenderDetail::ListResized, 0, context(items));
    }
    update();
}

void COwnerDrawListCtrl::scrollToRow(int row)
{
    const int clamped = std::clamp(row, 0, scrollMax_);
    if (clamped == scrollPos_)
        return;
    scrollPos_ = clamped;
    topItem_ = scrollPos_ * columns();
    if (scrollBar_)
        scrollBar_->setPos(scrollPos_);
    update();
}

void COwnerDrawListCtrl::resetPositions(bool toTop)
{
    anchor_ = -1;
    current_ = -1;
    pressedItem_ = -1;
    banding_ = false;
    bandTimer_.stop();
    if (toTop) {
        scrollPos_ = 0;
        topItem_ = 0;
        if (scrollBar_)
            scrollBar_->setPos(0);
    }
}

void COwnerDrawListCtrl::scrollToItem(int position)
{
    scrollToRow(list::scroll::rowForItem(position, columns(), scrollMax_));
}

void COwnerDrawListCtrl::onScroll(int code, int position)
{
    const int page = std::max(1, geometry_.visibleRows(height()));
    switch (code) {
    case CDesignScrollBar::LineBack:
        scrollToRow(scrollPos_ - 1);
        break;
    case CDesignScrollBar::LineForward:
        scrollToRow(scrollPos_ + 1);
        break;
    case CDesignScrollBar::PageBack:
        scrollToRow(scrollPos_ - page);
        break;
    case CDesignScrollBar::PageForward:
        scrollToRow(scrollPos_ + page);
        break;
    default:
        scrollToRow(position);
        break;
    }
}

RenderContext COwnerDrawListCtrl::context(const std::vector<FileItem*>& items) const
{
    RenderContext context;
    context.folder = folder_;
    context.items.assign(items.begin(), items.end());
    context.topItem = std::min(topItem_, static_cast<int>(items.size()));
    context.clientSize = size();
    return context;
}

QImage COwnerDrawListCtrl::render()
{
    std::lock_guard list(listLock_);
    std::lock_guard guard(store_);
    return renderLocked();
}

QImage COwnerDrawListCtrl::renderLocked()
{
    QImage canvas(size(), QImage::Format_RGB32);
    canvas.fill(QColor::fromRgb(kBackground));
    QPainter painter(&canvas);
    const std::vector<FileItem*> items = displayedItems();
    if (renderer_)
        renderer_->draw(painter, context(items));
    return canvas;
}

void COwnerDrawListCtrl::paintEvent(QPaintEvent*)
{
    ++paintDepth_;
    // The worker holds the store's lock while it lists, sorts and filters a folder. The window never
    // waits for that: it shows what it drew last and draws again a moment later.
    std::unique_lock list(listLock_, std::try_to_lock);
    std::unique_lock guard(store_, std::defer_lock);
    if (list.owns_lock() && guard.try_lock()) {
        lastCanvas_ = renderLocked();
        guard.unlock();
        list.unlock();
    } else if (!retryTimer_.isActive()) {
        retryTimer_.start(kBusyRetryMs, this);
    }
    QPainter painter(this);
    if (lastCanvas_.size() == size())
        painter.drawImage(0, 0, lastCanvas_);
    else
        painter.fillRect(rect(), QColor::fromRgb(kBackground));
    --paintDepth_;
}

void COwnerDrawListCtrl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The design bars follow only the last owner that created one; the list places its own bar.
    if (scrollBar_)
        scrollBar_->setGeometry(width() - scrollBar_->width(), 0, scrollBar_->width(), height());
    layoutItems();
}

void COwnerDrawListCtrl::selectAll()
{
    {
        std::lock_guard guard(store_);
        list::selectAll(displayedItems());
    }
    update();
    emit selectionChanged();
}

bool COwnerDrawListCtrl::editCurrentName()
{
    if (current_ < 0)
        return false;
    QString name;
    {
        std::lock_guard guard(store_);
        const std::vector<FileItem*> items = displayedItems();
        if (current_ >= int(items.size()))
            return false;
        name = items[size_t(current_)]->name;
    }
    scrollToItem(current_);
    const QRect cell = geometry_.cellRect(current_, topItem_, columns());
    // The caption's place in the grid; the information and details layouts edit over the row's text.
    QRect box = geometry_.caption.isEmpty() ? QRect(cell.left(), cell.top(), cell.width(), fontHeight() + 6)
                                            : geometry_.caption.translated(cell.topLeft()).adjusted(-2, -2, 2, 4);
    if (!geometry_.information.isEmpty())
        box = QRect(geometry_.information.translated(cell.topLeft()).topLeft(), QSize(geometry_.information.width(), fontHeight() + 6));
    const int position = current_;
    editBox_->disconnect(this);
    connect(editBox_, &CPopupEditBox::accepted, this, [this, position](const QString& text) {
        emit renameAccepted(position, text);
    });
    editBox_->edit(box, name);
    return true;
}

void COwnerDrawListCtrl::deselectAll()
{
    {
        std::lock_guard guard(store_);
        list::deselectAll(displayedItems());
    }
    update();
}

void COwnerDrawListCtrl::mousePressEvent(QMouseEvent* event)
{
    setFocus();
    const QPoint point = event->position().toPoint();
    const int displayed = displayedCount();
    const int hit = geometry_.hitTest(point, topItem_, columns(), displayed);
    if (event->button() == Qt::RightButton) {
        // A right click on an item outside the selection makes it the selection, as a left click would.
        if (hit >= 0) {
            current_ = hit;
            std::lock_guard guard(store_);
            const std::vector<FileItem*> items = displayedItems();
            if (hit < int(items.size()) && !items[size_t(hit)]->isSelected())
                list::click(items, hit, {false, false}, anchor_);
        }
        update();
        emit selectionChanged();
        emit contextMenuRequested(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    current_ = hit;
    pressedItem_ = hit;
    dragStarted_ = false;
    pressPoint_ = point;
    if (hit < 0) {
        if (!rect().contains(point))
            return;
        deselectAll();
        banding_ = true;
        bandStart_ = point + QPoint(0, scrollPos_ * geometry_.rowPitch());
        bandCursor_ = point;
        bandTimer_.start(kAutoScrollPeriodMs, this);
        return;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    {
        std::lock_guard guard(store_);
        list::click(displayedItems(), hit, {modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier)},
                    anchor_);
    }
    update();
    emit selectionChanged();
}

void COwnerDrawListCtrl::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (banding_) {
        updateBand(point);
        return;
    }
    if (pressedItem_ >= 0 && !dragStarted_ && (event->buttons() & Qt::LeftButton) &&
        (point - pressPoint_).manhattanLength() >= QApplication::startDragDistance()) {
        dragStarted_ = true;
        emit dragRequested(pressedItem_);
    }
}

void COwnerDrawListCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (banding_) {
        updateBand(event->position().toPoint());
        banding_ = false;
        bandTimer_.stop();
        emit selectionChanged();
    }
    pressedItem_ = -1;
}

void COwnerDrawListCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int hit = geometry_.hitTest(event->position().toPoint(), topItem_, columns(), displayedCount());
    if (hit >= 0) {
        current_ = hit;
        emit openRequested(hit);
    }
}

void COwnerDrawListCtrl::updateBand(const QPoint& cursor)
{
    bandCursor_ = cursor;
    const QPoint start = bandStart_ - QPoint(0, scrollPos_ * geometry_.rowPitch());
    {
        std::lock_guard guard(store_);
        list::selectTouched(displayedItems(), geometry_, QRect(start, cursor), topItem_, columns());
    }
    update();
}

void COwnerDrawListCtrl::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == retryTimer_.timerId()) {
        retryTimer_.stop();
        update();
        return;
    }
    if (event->timerId() != bandTimer_.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    if (!banding_) {
        bandTimer_.stop();
        return;
    }
    const int before = scrollPos_;
    if (bandCursor_.y() > height() - kAutoScrollZone)
        scrollToRow(scrollPos_ + 1);
    else if (bandCursor_.y() < kAutoScrollZone)
        scrollToRow(scrollPos_ - 1);
    if (scrollPos_ != before)
        updateBand(bandCursor_);
}

void COwnerDrawListCtrl::wheelEvent(QWheelEvent* event)
{
    // Each notch moves one row; a fine-grained wheel moves nothing until a whole notch has turned.
    const int rows = -event->angleDelta().y() / kWheelNotch;
    if (rows != 0)
        scrollToRow(scrollPos_ + rows);
    event->accept();
}

void COwnerDrawListCtrl::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete) {
        emit deleteRequested();
        return;
    }
    QWidget::keyPressEvent(event);
}
