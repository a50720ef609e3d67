#include "app/CTitleBar.h"

#include "design/CDesignButton.h"
#include "resources/BarBitmaps.h"
#include "resources/UiResources.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace {
// The buttons sit at the bar's right end, this far apart and from the edge.
constexpr int kButtonGap = 2;
constexpr int kRightInset = 6;
}  // namespace

CTitleBar::CTitleBar(QWidget* parent)
    : QWidget(parent),
      left_(UiResources::bitmap(barbitmaps::kTitleLeft)),
      middle_(UiResources::bitmap(barbitmaps::kTitleMiddle)),
      right_(UiResources::bitmap(barbitmaps::kTitleRight))
{
    setObjectName(QString::number(kBarId));
    setAttribute(Qt::WA_OpaquePaintEvent);
    using barbitmaps::kTitleButtonFirst;
    connect(makeButton(kMinimiseId, kTitleButtonFirst), &CDesignButton::clicked, this, &CTitleBar::minimiseClicked);
    connect(makeButton(kFillId, kTitleButtonFirst + 3), &CDesignButton::clicked, this, &CTitleBar::fillClicked);
    connect(makeButton(kRestoreId, kTitleButtonFirst + 6), &CDesignButton::clicked, this, &CTitleBar::restoreClicked);
    connect(makeButton(kCloseId, kTitleButtonFirst + 9), &CDesignButton::clicked, this, &CTitleBar::closeClicked);
    button(kRestoreId)->hide();
    setFixedHeight(kHeight);
}

CDesignButton* CTitleBar::makeButton(int childId, int firstBitmap)
{
    auto* button = new CDesignButton(this);
    button->setObjectName(QString::number(childId));
    button->setFocusPolicy(Qt::NoFocus);
    // The disabled look is the normal one.
    button->setBitmaps(firstBitmap, firstBitmap + 1, firstBitmap + 2, firstBitmap);
    button->sizeToContent();
    return button;
}

CDesignButton* CTitleBar::button(int childId) const
{
    return findChild<CDesignButton*>(QString::number(childId), Qt::FindDirectChildrenOnly);
}

int CTitleBar::firstTwoButtonsWidth() const
{
    return button(kMinimiseId)->width() + button(kFillId)->width() + kButtonGap;
}

void CTitleBar::setFilling(bool filling)
{
    filling_ = filling;
    button(kFillId)->setVisible(!filling);
    button(kRestoreId)->setVisible(filling);
}

void CTitleBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(68, 68, 68));
    if (!middle_.isNull())
        painter.drawImage(QRect(left_.width(), 0, std::max(0, width() - left_.width() - right_.width()), height()), middle_);
    if (!left_.isNull())
        painter.drawImage(0, 0, left_);
    if (!right_.isNull())
        painter.drawImage(width() - right_.width(), 0, right_);
}

void CTitleBar::resizeEvent(QResizeEvent*)
{
    layoutButtons();
}

void CTitleBar::layoutButtons()
{
    // Right to left: close, then fill / restore (one place), then minimise.
    int x = width() - kRightInset;
    for (int id : {kCloseId, kFillId, kMinimiseId}) {
        CDesignButton* b = button(id);
        x -= b->width();
        b->move(x, (height() - b->height()) / 2);
        if (id == kFillId)
            button(kRestoreId)->move(x, (height() - b->height()) / 2);
        x -= kButtonGap;
    }
}

void CTitleBar::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && !button(kCloseId)->geometry().contains(event->position().toPoint()))
        emit toggleRequested();
}

void CTitleBar::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton && !filling_;
    if (pressed_)
        pressOffset_ = event->globalPosition().toPoint() - window()->frameGeometry().topLeft();
}

void CTitleBar::mouseMoveEvent(QMouseEvent* event)
{
    if (!pressed_ || !(event->buttons() & Qt::LeftButton))
        return;
    // Let the window system move the frame where it can (it then also snaps); else move it ourselves.
    if (QWindow* handle = window()->windowHandle(); handle && handle->startSystemMove()) {
        pressed_ = false;
        return;
    }
    window()->move(event->globalPosition().toPoint() - pressOffset_);
}
