// Slidecast /kst /h<window id>: a full-screen slide show of the files Kestrel put on the clipboard.
// Right, Down, Space and Page Down go on; Left, Up, Backspace and Page Up go back; Home and End jump;
// Esc ends. While it runs it carries the "SLIDECAST" marker, so Kestrel can raise or close it.

#include "programs/Pictures.h"

#include "fileops/ClipboardData.h"
#include "platform/InstanceLock.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include <cstdio>

namespace {

const QString Marker = QStringLiteral("SLIDECAST");

class SlideWindow : public QWidget {
public:
    explicit SlideWindow(programs::SlideList list) : list_(std::move(list))
    {
        setWindowTitle(QStringLiteral("Slidecast"));
        setAttribute(Qt::WA_InputMethodEnabled, false);
        setCursor(Qt::BlankCursor);
        load();
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        switch (event->key()) {
        case Qt::Key_Right:
        case Qt::Key_Down:
        case Qt::Key_Space:
        case Qt::Key_PageDown:
            list_.next();
            break;
        case Qt::Key_Left:
        case Qt::Key_Up:
        case Qt::Key_Backspace:
        case Qt::Key_PageUp:
            list_.previous();
            break;
        case Qt::Key_Home:
            list_.first();
            break;
        case Qt::Key_End:
            list_.last();
            break;
        case Qt::Key_Escape:
            close();
            return;
        default:
            QWidget::keyPressEvent(event);
            return;
        }
        load();
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        if (picture_.isNull())
            return;
        // Shrunk to fit, never enlarged beyond its own size, centred.
        QSize size = picture_.size();
        if (size.width() > width() || size.height() > height())
            size.scale(this->size(), Qt::KeepAspectRatio);
        const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, picture_);
    }

private:
    void load()
    {
        picture_ = list_.isEmpty() ? QImage() : programs::loadPicture(list_.current());
        update();
    }

    programs::SlideList list_;
    QImage picture_;
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const programs::SlideCommandLine line = programs::parseSlideCommandLine(app.arguments().mid(1));
    // One slide show at a time: a second start brings the first forward.
    if (platform::WindowMarker::send(Marker, QStringLiteral("raise"), 500))
        return 0;
    const QStringList files = line.filesGiven ? line.files
                                              : fileops::clipboard::readFiles(QApplication::clipboard()->mimeData()).paths;

    SlideWindow window{programs::SlideList(files)};
    platform::WindowMarker marker(Marker);
    // Without a window manager nobody resizes a full-screen window: cover the screen explicitly.
    auto showOnWholeScreen = [&window] {
        window.setGeometry(window.screen()->geometry());
        window.showFullScreen();
    };
    QObject::connect(&marker, &platform::WindowMarker::raiseRequested, &window, [showOnWholeScreen, &window] {
        showOnWholeScreen();
        window.raise();
        window.activateWindow();
    });
    QObject::connect(&marker, &platform::WindowMarker::closeRequested, &window, &QWidget::close);
    marker.mark();
    showOnWholeScreen();
    // Whoever started the show can tell from this line that it is up and answering.
    std::printf("ready %lld\n", static_cast<long long>(files.size()));
    std::fflush(stdout);
    return app.exec();
}
