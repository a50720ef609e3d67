#include "media/CFolderBar.h"

#include "design/CDesignButton.h"
#include "media/CFolderTree.h"
#include "media/CameraFolders.h"
#include "media/CardDetector.h"
#include "platform/MessageBox.h"
#include "platform/Volumes.h"
#include "resources/BarBitmaps.h"
#include "resources/UiResources.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>
#include <QVBoxLayout>

namespace media {

namespace {
constexpr quint32 kFocusBit = 0x80000000u;
// The search dialog's size: one line of text with room around it.
constexpr QSize kSearchDialogSize{300, 80};
}  // namespace

CFolderBar::CFolderBar(QWidget* parent)
    : QWidget(parent),
      captionLeft_(UiResources::bitmap(barbitmaps::kFolderCaptionLeft)),
      captionRest_(UiResources::bitmap(barbitmaps::kFolderCaptionRest))
{
    setObjectName(QString::number(kBarId));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);

    closeButton_ = new CDesignButton(this);
    closeButton_->setObjectName(QString::number(kCloseButtonId));
    closeButton_->setFocusPolicy(Qt::NoFocus);
    using barbitmaps::kFolderCloseFirst;
    closeButton_->setBitmaps(kFolderCloseFirst, kFolderCloseFirst + 1, kFolderCloseFirst + 2, kFolderCloseFirst + 3);
    closeButton_->sizeToContent();
    connect(closeButton_, &CDesignButton::clicked, this, &CFolderBar::closeRequested);

    tree_ = new CFolderTree(this);
    tree_->setObjectName(QString::number(kTreeId));
    tree_->initRoot();
    connect(tree_, &CFolderTree::folderSelected, this,
            [this](const QString&, quint32 attributes) { parentNotify(SelectionChanged, attributes); });
    connect(tree_, &CFolderTree::focusChanged, this,
            [this](bool gained) { parentNotify(gained ? FocusGained : FocusLost, 0); });
    connect(tree_, &CFolderTree::dragStarting, this,
            [this] { parentNotify(DragStarts, reinterpret_cast<quintptr>(tree_->currentItem())); });
    connect(tree_, &CFolderTree::dragEnded, this, [this] { parentNotify(DragEnded, 0); });
}

CFolderBar::~CFolderBar()
{
    closeSearchDialog();
}

void CFolderBar::startCardSearchTimer(int delayMs)
{
    if (cardSearchTimer_ == 0)
        cardSearchTimer_ = startTimer(delayMs);
}

void CFolderBar::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != cardSearchTimer_) {
        QWidget::timerEvent(event);
        return;
    }
    // Runs once.
    killTimer(cardSearchTimer_);
    cardSearchTimer_ = 0;
    searchCard();
}

void CFolderBar::showSearchDialog()
{
    searchDialog_ = new QDialog(window(), Qt::Dialog | Qt::WindowTitleHint);
    searchDialog_->setObjectName(QString::number(kSearchDialogId));
    searchDialog_->setWindowTitle(UiResources::string(kSearchCaptionString));
    searchDialog_->setModal(false);
    auto* layout = new QVBoxLayout(searchDialog_);
    auto* text = new QLabel(UiResources::string(kSearchingString), searchDialog_);
    text->setObjectName(QString::number(kSearchTextId));
    text->setAlignment(Qt::AlignCenter);
    layout->addWidget(text);
    searchDialog_->resize(kSearchDialogSize);
    const QRect over = window()->frameGeometry();
    searchDialog_->move(over.center() - QPoint(kSearchDialogSize.width() / 2, kSearchDialogSize.height() / 2));
    searchDialog_->show();
    // The search runs on this thread: let the dialog paint before it starts.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CFolderBar::closeSearchDialog()
{
    delete searchDialog_;
    searchDialog_ = nullptr;
}

void CFolderBar::searchCard()
{
    if (searching_)
        return;
    searching_ = true;
    showSearchDialog();
    QString found;
    {
        CardDetector detector;
        found = detector.search(cardRoot_, /*scanFloppies=*/0, /*checkFixedDisks=*/1);
    }
    searching_ = false;
    closeSearchDialog();

    if (found != CardDetector::NotFound) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const std::optional<platform::Volume> volume = platform::Volumes::volumeOf(found);
        cardRoot_ = volume ? volume->root : QString();
        tree_->refresh();
        // The tree's selection has the view list the card's folder.
        tree_->selectPath(found);
        QApplication::restoreOverrideCursor();
    } else {
        platform::messageBox(window(), UiResources::string(kNoCardString), UiResources::string(kSearchCaptionString),
                             platform::MbOk);
        if (!cardRoot_.isEmpty())
            tree_->refresh();
        emit listFolderRequested(tree_->currentPath());
        cardRoot_.clear();
    }
    tree_->setFocus();
    if (!cardRoot_.isEmpty())
        emit cardFound(cardRoot_);
}

bool CFolderBar::isCameraFolder() const
{
    return media::isCameraFolder(tree_->currentPath());
}

void CFolderBar::parentNotify(int event, quintptr value)
{
    switch (event) {
    case SelectionChanged:
        treeFlags_ = (treeFlags_ & kFocusBit) | (quint32(value) & ~kFocusBit);
        break;
    case FocusGained:
        treeFlags_ |= kFocusBit;
        break;
    case FocusLost:
        treeFlags_ &= ~kFocusBit;
        break;
    case DragStarts:
        dragItem_ = reinterpret_cast<QTreeWidgetItem*>(value);
        dropItem_ = nullptr;
        break;
    case TreeDragging:
        tree_->setDragging(value != 0);
        break;
    case ClipboardState:
        clipboardState_ = int(value);
        break;
    case DropTarget:
        dropItem_ = reinterpret_cast<QTreeWidgetItem*>(value);
        break;
    case DragEnded:
        dragItem_ = nullptr;
        dropItem_ = nullptr;
        break;
    default:
        break;
    }
}

void CFolderBar::noteCopy()
{
    clipboardState_ = 1;
    cutItem_ = nullptr;
}

void CFolderBar::noteCut()
{
    clipboardState_ = 2;
    cutItem_ = dragItem_;
}

void CFolderBar::setBarSize(const QSize& size)
{
    size_ = size;
    updateGeometry();
}

void CFolderBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!captionRest_.isNull())
        painter.drawImage(QRect(0, 0, width(), kCaptionHeight), captionRest_);
    if (!captionLeft_.isNull())
        painter.drawImage(0, 0, captionLeft_);
}

void CFolderBar::resizeEvent(QResizeEvent*)
{
    closeButton_->move(width() - closeButton_->width() - 2, (kCaptionHeight - closeButton_->height()) / 2);
    tree_->setGeometry(kInset, kCaptionHeight + kInset, std::max(0, width() - 2 * kInset),
                       std::max(0, height() - kCaptionHeight - kInset));
    // Whatever changed the width (the inner edge, the frame's own splitter), it is the bar's size now.
    if (isVisible())
        size_ = QSize(width(), height());
}

bool CFolderBar::onInnerEdge(const QPoint& point) const
{
    // Docked on the left, the inner edge is the right one.
    return point.x() >= width() - kEdgeWidth;
}

void CFolderBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && onInnerEdge(event->position().toPoint())) {
        resizing_ = true;
        grabMouse();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CFolderBar::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (resizing_)
        return;
    setCursor(onInnerEdge(at) ? Qt::SizeHorCursor : Qt::ArrowCursor);
}

void CFolderBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (!resizing_) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    resizing_ = false;
    releaseMouse();
    const int extent = std::max(kMinimumWidth, int(event->position().x()));
    if (extent != size_.width()) {
        size_.setWidth(extent);
        emit widthChanged(extent);
    }
}

}  // namespace media
