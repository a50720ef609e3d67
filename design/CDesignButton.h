#pragma once
// A push button drawn entirely from bitmaps: normal, pressed, highlighted and disabled, taken by number
// from a bitmap lookup.
//
// Which bitmap shows: pressed while the button is down, highlighted while it shows the focus look,
// disabled while it is disabled, in that order, each only when the button has that bitmap; the normal one
// otherwise. The focus look is switched by real keyboard focus and also by hovering, so that the bars
// light a button up under the cursor without taking the focus from the view:
// - the cursor coming over the button starts the hover timer (100 ms) and, when the button's window is
//   the active one, switches the focus look on;
// - a move inside switches it on when the button shows neither the pressed nor the focus look; a move
//   outside while the button is held abandons the press (no click on release) and switches it off;
// - each tick of the hover timer checks that the cursor is still over the button; when it is not, the
//   timer stops and the focus look goes off.

#include "design/DesignBitmaps.h"

#include <QAbstractButton>
#include <QBasicTimer>
#include <QImage>

class CDesignButton : public QAbstractButton {
    Q_OBJECT
public:
    // Number the hover timer is known by while it runs, and its period.
    static constexpr int kHoverTimerId = 100;
    static constexpr int kHoverPeriodMs = 100;

    enum class Look { None, Normal, Pressed, Highlighted, Disabled };

    explicit CDesignButton(QWidget* parent = nullptr, design::BitmapLookup lookup = {});
    ~CDesignButton() override;

    // Loads the four bitmaps by number (0: the button has none of that kind); the previous ones are
    // dropped. False when the normal bitmap is missing or a requested optional one is; every bitmap that
    // was found is kept all the same.
    bool setBitmaps(int normal, int pressed = 0, int highlighted = 0, int disabled = 0);
    // Replaces the normal bitmap and repaints at once. False (nothing changed) when it is missing.
    bool setNormalBitmap(int id);
    // Resizes the button to its normal bitmap.
    void sizeToContent();

    // The bitmap the button draws in its present state (None: it has no normal bitmap).
    Look currentLook() const;
    bool showsFocusLook() const { return focusLook_; }
    // kHoverTimerId while the hover timer runs, else 0.
    int hoverTimer() const { return hoverTimer_.isActive() ? kHoverTimerId : 0; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void cursorArrived();
    void setFocusLook(bool on);
    const QImage& imageFor(Look look) const;

    design::BitmapLookup lookup_;
    QImage normal_;
    QImage pressed_;
    QImage highlighted_;
    QImage disabled_;
    bool focusLook_ = false;
    // Set when the cursor left the held button: the press is over, whatever the mouse does until release.
    bool pressAbandoned_ = false;
    QBasicTimer hoverTimer_;
};
