#include "design/CDesignDropDown.h"

#include "design/CDesignDropList.h"
#include "platform/Trace.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <memory>
#include <new>

CDesignDropDown::CDesignDropDown(QWidget* owner, int id, design::BitmapLookup lookup)
    : QWidget(owner), lookup_(design::bitmapsOrDefault(std::move(lookup))), owner_(owner), id_(id)
{
    setMouseTracking(true);
}

CDesignDropDown::~CDesignDropDown() = default;

bool CDesignDropDown::fail(const char* trace)
{
    platform::trace(trace);
    hide();
    deleteLater();
    return false;
}

bool CDesignDropDown::create(const QString& text, int style, const QRect& rect)
{
    text_ = text;
    font_ = QFont(QStringLiteral("Arial"));
    font_.setPixelSize(kFontPixels);
    setFont(font_);
    setGeometry(rect);

    popup_ = makePopupFrame();
    if (!popup_)
        return fail(" === DsgnCtrl PopupWnd Create Error === \r\n");
    popup_->installEventFilter(this);
    std::unique_ptr<CDesignDropList> list(allocateList());
    if (!list)
        return fail(" === DsgnCtrl List Memory Error === \r\n");
    if (!createList(*list, *popup_))
        return fail(" === DsgnCtrl List Create Error === \r\n");
    list_ = list.release();
    connect(list_, &CDesignDropList::chosen, this, &CDesignDropDown::choose);
    setVisible(style & kStyleVisible);
    return true;
}

QWidget* CDesignDropDown::makePopupFrame()
{
    auto* frame = new (std::nothrow) QWidget(this, Qt::Popup | Qt::FramelessWindowHint);
    if (!frame)
        return nullptr;
    // Make the window now, so that a platform that cannot give one is noticed at creation.
    frame->winId();
    if (!frame->windowHandle()) {
        delete frame;
        return nullptr;
    }
    return frame;
}

CDesignDropList* CDesignDropDown::allocateList()
{
    return new (std::nothrow) CDesignDropList;
}

bool CDesignDropDown::createList(CDesignDropList& list, QWidget& frame)
{
    list.setParent(&frame);
    list.setObjectName(QString::number(kListId));
    list.setFont(font_);
    list.setGeometry(0, 0, kListWidth, kListHeight);
    return true;
}

bool CDesignDropDown::setBitmaps(int textPart, int buttonPart, int buttonNormal, int buttonPressed,
                                 int buttonHighlighted)
{
    bool complete = true;
    auto load = [&](int id, QImage& slot) {
        slot = lookup_(id);
        complete = complete && !slot.isNull();
    };
    load(textPart, textPart_);
    load(buttonPart, buttonPart_);
    load(buttonNormal, buttonNormal_);
    load(buttonPressed, buttonPressed_);
    load(buttonHighlighted, buttonHighlighted_);
    textRect_ = QRect(QPoint(0, 0), textPart_.size());
    buttonRect_ = QRect(QPoint(textPart_.width(), 0), buttonPart_.size());
    resize(textPart_.width() + buttonPart_.width(), textPart_.height());
    update();
    return complete;
}

int CDesignDropDown::addString(const QString& text)
{
    return list_ ? list_->addString(text) : -1;
}

void CDesignDropDown::resetContent()
{
    if (list_)
        list_->resetContent();
}

int CDesignDropDown::count() const
{
    return list_ ? list_->count() : 0;
}

QString CDesignDropDown::string(int index) const
{
    return list_ ? list_->string(index) : QString();
}

int CDesignDropDown::currentSelection() const
{
    return list_ ? list_->currentRow() : -1;
}

void CDesignDropDown::setCurrentSelection(int index)
{
    if (list_)
        list_->setCurrentRow(index);
}

void CDesignDropDown::setText(const QString& text)
{
    text_ = text;
    update();
}

void CDesignDropDown::setButtonState(int state)
{
    buttonState_ = state;
    repaint(buttonRect_);
}

void CDesignDropDown::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(textRect_.topLeft(), textPart_);
    painter.drawImage(buttonRect_.topLeft(), buttonPart_);
    const QImage& button = buttonState_ == ButtonPressed       ? buttonPressed_
                           : buttonState_ == ButtonHighlighted ? buttonHighlighted_
                                                               : buttonNormal_;
    painter.drawImage(buttonRect_.topLeft(), button);
    painter.setFont(font_);
    painter.setPen(Qt::white);
    painter.drawText(textRect_, Qt::AlignCenter | Qt::TextSingleLine, text_);
}

void CDesignDropDown::mouseMoveEvent(QMouseEvent* event)
{
    cursor_ = event->position().toPoint();
    if (buttonRect_.contains(cursor_) && buttonState_ != ButtonHighlighted && !hoverTimer_.isActive()) {
        hoverTimer_.start(kHoverPeriodMs, this);
        setButtonState(ButtonHighlighted);
    }
}

void CDesignDropDown::mousePressEvent(QMouseEvent* event)
{
    cursor_ = event->position().toPoint();
    if (event->button() == Qt::LeftButton && buttonRect_.contains(cursor_))
        setButtonState(ButtonHighlighted);
}

void CDesignDropDown::mouseReleaseEvent(QMouseEvent* event)
{
    cursor_ = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !buttonRect_.contains(cursor_))
        return;
    setButtonState(ButtonPressed);
    openList(mapToGlobal(QPoint(0, height())));
}

void CDesignDropDown::openList(const QPoint& screenPoint)
{
    if (!popup_ || !list_ || list_->count() == 0)
        return;
    const int width = list_->width();
    const int height = list_->itemHeight() * list_->count();
    slideTimer_.stop();
    listOpen_ = false;
    popup_->setGeometry(QRect(screenPoint, QSize(width, height)));
    list_->setGeometry(0, 0, width, height);
    revealed_ = 0;
    slide();
    popup_->show();
    if (!listOpen_)
        slideTimer_.start(kSlideStepMs, this);
}

void CDesignDropDown::slide()
{
    const int height = list_->height();
    const int step = std::max(1, (height + kSlideSteps - 1) / kSlideSteps);
    revealed_ = std::min(height, revealed_ + step);
    if (revealed_ < height) {
        popup_->setMask(QRegion(0, 0, list_->width(), revealed_));
        return;
    }
    slideTimer_.stop();
    popup_->clearMask();
    list_->setFocus();
    list_->grabMouse();
    listOpen_ = true;
    emit listOpened();
}

void CDesignDropDown::choose(int row)
{
    QPointer<CDesignDropDown> self(this);
    text_ = list_->string(row);
    list_->setCurrentRow(row);
    popup_->hide();
    repaint();
    emit command(id_, kSelectionChanged);
    if (self && owner_)
        owner_->setFocus();
}

void CDesignDropDown::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == slideTimer_.timerId()) {
        slide();
        return;
    }
    if (event->timerId() != hoverTimer_.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    // Qt's "under the mouse" also turns false when a window comes up over the control.
    if (!underMouse() || !buttonRect_.contains(cursor_)) {
        hoverTimer_.stop();
        setButtonState(ButtonNormal);
    }
}

bool CDesignDropDown::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == popup_ && event->type() == QEvent::Hide) {
        // However the frame went away (a choice, a press outside, Escape), the slide and the grab end too.
        slideTimer_.stop();
        listOpen_ = false;
        if (list_ && mouseGrabber() == list_)
            list_->releaseMouse();
    }
    return QWidget::eventFilter(watched, event);
}
