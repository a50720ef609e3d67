#include "design/CDesktopWindow.h"

#include "imaging/DibResampler.h"
#include "imaging/FitRect.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

namespace {

// Throws away the mouse input that reaches the program while it is installed.
class MouseDiscarder : public QObject {
public:
    MouseDiscarder() { qApp->installEventFilter(this); }
    ~MouseDiscarder() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
            return true;
        default:
            return false;
        }
    }
};

}  // namespace

CDesktopWindow::CDesktopWindow(design::BitmapLookup icons) : icons_(design::iconsOrDefault(std::move(icons)))
{
}

CDesktopWindow::~CDesktopWindow()
{
    restoreInputMethod();
}

bool CDesktopWindow::create(QWidget* owner)
{
    owner_ = owner;
    // Clicks made while the window is on its way (the user double-clicking again, say) would land on
    // whatever is under the cursor once it is up.
    MouseDiscarder discarder;
    QEventLoop wait;
    QTimer::singleShot(kOpenDelayMs, &wait, &QEventLoop::quit);
    wait.exec(QEventLoop::ExcludeUserInputEvents);
    if (owner && !owner_) {
        // The owner closed during the wait: there is nobody left to show the picture for.
        deleteLater();
        return false;
    }

    setParent(owner, Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::ArrowCursor);
    const QImage icon = icons_(kIconId);
    if (!icon.isNull())
        setWindowIcon(QIcon(QPixmap::fromImage(icon)));
    QPalette ground = palette();
    ground.setColor(QPalette::Window, QColor(kBackground));
    setPalette(ground);
    setAutoFillBackground(true);

    // Typing has no place here; whatever was taking text gets its input method back when we are gone.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    QWidget* typing = QApplication::focusWidget();
    if (!typing)
        typing = owner;
    if (typing && typing->testAttribute(Qt::WA_InputMethodEnabled)) {
        typing->setAttribute(Qt::WA_InputMethodEnabled, false);
        inputMethodWidget_ = typing;
    }

    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen)
        setGeometry(screen->geometry());
    showFullScreen();
    activateWindow();
    // Input the user gave during the wait is still queued; it goes while the discarder is in place.
    QCoreApplication::processEvents();
    return true;
}

void CDesktopWindow::restoreInputMethod()
{
    if (inputMethodWidget_)
        inputMethodWidget_->setAttribute(Qt::WA_InputMethodEnabled, true);
    inputMethodWidget_ = nullptr;
}

void CDesktopWindow::setPicture(imaging::PackedDib picture)
{
    picture_ = std::move(picture);
    fitted_ = QImage();
    fittedFor_ = QSize();
    repaint();
}

void CDesktopWindow::prepareFitted()
{
    if (fittedFor_ == size())
        return;
    fittedFor_ = size();
    fitted_ = QImage();
    fittedRect_ = QRect();
    if (!picture_.isValid())
        return;
    imaging::FitRectangle fitted;
    if (imaging::FitRect(picture_.width(), picture_.height(), width(), height(), /*enlarge=*/true, fitted) != 0)
        return;
    imaging::PackedDib target = imaging::PackedDib::blank(fitted.width(), fitted.height(), 24);
    const imaging::FitRectangle whole{0, 0, fitted.width(), fitted.height()};
    if (!target || imaging::resampleDib(picture_, target, whole, /*smooth=*/true) != imaging::kResampleOk)
        return;
    fitted_ = target.toImage();
    fittedRect_ = QRect(fitted.left, fitted.top, fitted.width(), fitted.height());
}

QRect CDesktopWindow::pictureRect()
{
    prepareFitted();
    return fitted_.isNull() ? QRect() : fittedRect_;
}

void CDesktopWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    prepareFitted();
    if (!fitted_.isNull())
        painter.drawImage(fittedRect_.topLeft(), fitted_);
}

void CDesktopWindow::closeEvent(QCloseEvent* event)
{
    restoreInputMethod();
    if (!notified_) {
        notified_ = true;
        emit parentNotify(kNotifyDestroy, reinterpret_cast<quintptr>(this));
    }
    event->accept();
}
