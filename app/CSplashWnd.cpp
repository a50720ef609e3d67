#include "app/CSplashWnd.h"

#include "app/Commands.h"
#include "resources/UiResources.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>

namespace {

QPointer<CSplashWnd> theSplash;

bool dismissesSplash(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
        return true;
    default:
        return false;
    }
}

}  // namespace

CSplashWnd* CSplashWnd::show(QWidget* owner)
{
    if (theSplash)
        return theSplash;
    const QImage picture = UiResources::bitmap(res::SplashBitmap);
    if (picture.isNull())
        return nullptr;
    theSplash = new CSplashWnd(picture, owner);
    return theSplash;
}

CSplashWnd* CSplashWnd::current()
{
    return theSplash;
}

CSplashWnd::CSplashWnd(const QImage& picture, QWidget* owner)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture_(picture),
      owner_(owner)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::ArrowCursor);
    setFixedSize(picture_.size());
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen)
        move(screen->geometry().center() - rect().center());
    timerId_ = startTimer(kShowMs);
    // Every key or button press of the program passes here first while the splash is up.
    qApp->installEventFilter(this);
    QWidget::show();
}

CSplashWnd::~CSplashWnd()
{
    qApp->removeEventFilter(this);
}

void CSplashWnd::dismiss()
{
    qApp->removeEventFilter(this);
    if (timerId_) {
        killTimer(timerId_);
        timerId_ = 0;
    }
    hide();
    if (owner_)
        owner_->update();
    deleteLater();
    theSplash = nullptr;
}

void CSplashWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

void CSplashWnd::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == timerId_)
        dismiss();
}

bool CSplashWnd::eventFilter(QObject*, QEvent* event)
{
    if (theSplash == this && dismissesSplash(event->type())) {
        dismiss();
        return true;  // the press only takes the splash away
    }
    return false;
}
