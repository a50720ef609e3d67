#pragma once
// The full-screen picture window: one picture, as large as the screen allows at its own proportions,
// centred on black. It comes up half a second after it is asked for, switches the input method off while
// it is up and tells its owner when it closes (then deletes itself).

#include "design/DesignBitmaps.h"
#include "imaging/PackedDib.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

class CDesktopWindow : public QWidget {
    Q_OBJECT
public:
    // Lets the menu or the double-click that asked for the window finish drawing before it covers them.
    static constexpr int kOpenDelayMs = 500;
    static constexpr int kIconId = 130;
    // The parent-notify event sent to the owner on close, the platform's "destroy".
    static constexpr int kNotifyDestroy = 2;
    static constexpr QRgb kBackground = qRgb(128, 128, 128);

    // `icons` finds icon kIconId (the bundles' icons when empty). Allocate with new: the window deletes
    // itself when it closes.
    explicit CDesktopWindow(design::BitmapLookup icons = {});
    ~CDesktopWindow() override;

    // Waits kOpenDelayMs (handling everything but user input meanwhile), then shows the window over the
    // whole screen of `owner` (or the primary screen). Mouse input that arrives meanwhile is thrown away.
    // False when the owner was destroyed during the wait; the window then deletes itself.
    bool create(QWidget* owner);

    // Takes ownership of `picture` (the previous one is freed) and repaints at once.
    void setPicture(imaging::PackedDib picture);
    const imaging::PackedDib& picture() const { return picture_; }
    // Where the picture is drawn in the window now; empty without a picture.
    QRect pictureRect();

signals:
    // Sent once as the window closes, with kNotifyDestroy and the window.
    void parentNotify(int event, quintptr window);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void restoreInputMethod();
    void prepareFitted();

    design::BitmapLookup icons_;
    imaging::PackedDib picture_;
    QPointer<QWidget> owner_;
    // The widget whose input method was switched off, to switch it on again on close.
    QPointer<QWidget> inputMethodWidget_;
    bool notified_ = false;
    // The picture resampled for the present window size.
    QImage fitted_;
    QRect fittedRect_;
    QSize fittedFor_;
};
