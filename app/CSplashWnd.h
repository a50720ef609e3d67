#pragma once
// The start-up picture: a borderless window the size of bitmap 447, centred, that goes away after two
// seconds or at the first key or mouse press anywhere in the program.

#include <QImage>
#include <QWidget>

class CSplashWnd : public QWidget {
public:
    static constexpr int kShowMs = 2000;

    // Shows the splash over `owner`. Null when the bitmap cannot be loaded (no splash then).
    static CSplashWnd* show(QWidget* owner);
    static CSplashWnd* current();

    // Hides and destroys the splash and repaints the owner.
    void dismiss();

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CSplashWnd(const QImage& picture, QWidget* owner);
    ~CSplashWnd() override;

    QImage picture_;
    QWidget* owner_;
    int timerId_ = 0;
};
