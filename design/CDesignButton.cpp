#include "design/CDesignButton.h"

#include <QMouseEvent>
#include <QPainter>

CDesignButton::CDesignButton(QWidget* parent, design::BitmapLookup lookup)
    : QAbstractButton(parent), lookup_(design::bitmapsOrDefault(std::move(lookup)))
{
    // Moves inside the button are what keep the hover look alive, pressed or not.
    setMouseTracking(true);
}

CDesignButton::~CDesignButton() = default;

bool CDesignButton::setBitmaps(int normal, int pressed, int highlighted, int disabled)
{
    bool complete = true;
    auto load = [&](int id, QImage& slot, bool required) {
        slot = id != 0 ? lookup_(id) : QImage();
        if (slot.isNull() && (id != 0 || required))
            complete = false;
    };
    load(normal, normal_, true);
    load(pressed, pressed_, false);
    load(highlighted, highlighted_, false);
    load(disabled, disabled_, false);
    updateGeometry();
    update();
    return complete;
}

bool CDesignButton::setNormalBitmap(int id)
{
    QImage image = lookup_(id);
    if (image.isNull())
        return false;
    normal_ = std::move(image);
    updateGeometry();
    repaint();
    return true;
}

void CDesignButton::sizeToContent()
{
    if (!normal_.isNull())
        resize(normal_.size());
}

QSize CDesignButton::sizeHint() const
{
    return normal_.isNull() ? QSize(0, 0) : normal_.size();
}

CDesignButton::Look CDesignButton::currentLook() const
{
    if (isDown() && !pressed_.isNull())
        return Look::Pressed;
    if (focusLook_ && !highlighted_.isNull())
        return Look::Highlighted;
    if (!isEnabled() && !disabled_.isNull())
        return Look::Disabled;
    return normal_.isNull() ? Look::None : Look::Normal;
}

const QImage& CDesignButton::imageFor(Look look) const
{
    switch (look) {
    case Look::Pressed:
        return pressed_;
    case Look::Highlighted:
        return highlighted_;
    case Look::Disabled:
        return disabled_;
    default:
        return normal_;
    }
}

void CDesignButton::paintEvent(QPaintEvent*)
{
    const Look look = currentLook();
    if (look == Look::None)
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, imageFor(look));
}

void CDesignButton::cursorArrived()
{
    if (hoverTimer_.isActive())
        return;
    hoverTimer_.start(kHoverPeriodMs, this);
    // A button of a window in the background stays dark, as the rest of that window does.
    if (window()->isActiveWindow())
        setFocusLook(true);
}

void CDesignButton::setFocusLook(bool on)
{
    if (focusLook_ == on)
        return;
    focusLook_ = on;
    update();
}

void CDesignButton::enterEvent(QEnterEvent* event)
{
    cursorArrived();
    QAbstractButton::enterEvent(event);
}

void CDesignButton::mousePressEvent(QMouseEvent* event)
{
    pressAbandoned_ = false;
    QAbstractButton::mousePressEvent(event);
}

void CDesignButton::mouseMoveEvent(QMouseEvent* event)
{
    const bool held = event->buttons() & Qt::LeftButton;
    const bool inside = rect().contains(event->position().toPoint());
    if (!inside) {
        // Only a held button sees the cursor outside: leaving ends the press for good.
        if (held && isDown())
            setDown(false);
        if (held)
            pressAbandoned_ = true;
        setFocusLook(false);
        return;
    }
    if (!held || pressAbandoned_)
        cursorArrived();
    if (!isDown() && !focusLook_)
        setFocusLook(true);
    if (!pressAbandoned_)
        QAbstractButton::mouseMoveEvent(event);
}

void CDesignButton::mouseReleaseEvent(QMouseEvent* event)
{
    // An abandoned press is no longer down, so the base class ends it without a click.
    pressAbandoned_ = false;
    QAbstractButton::mouseReleaseEvent(event);
}

void CDesignButton::focusInEvent(QFocusEvent* event)
{
    setFocusLook(true);
    QAbstractButton::focusInEvent(event);
}

void CDesignButton::focusOutEvent(QFocusEvent* event)
{
    setFocusLook(false);
    QAbstractButton::focusOutEvent(event);
}

void CDesignButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        update();
    QAbstractButton::changeEvent(event);
}

void CDesignButton::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != hoverTimer_.timerId()) {
        QAbstractButton::timerEvent(event);
        return;
    }
    // Qt keeps "under the mouse" up to date as the cursor moves between windows, so it also covers a
    // window that came up over the button.
    if (!underMouse()) {
        hoverTimer_.stop();
        setFocusLook(false);
    }
}
