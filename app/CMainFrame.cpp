#include "app/CMainFrame.h"

#include "app/CAboutDlg.h"
#include "app/CMarlin3Doc.h"
#include "app/CSplashWnd.h"
#include "app/Commands.h"
#include "browser/CThumbView.h"
#include "media/CardDetector.h"
#include "platform/MessageBox.h"
#include "platform/Volumes.h"
#include "resources/UiResources.h"
#include "platform/InstanceLock.h"
#include "platform/Paths.h"
#include "platform/Trace.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindowStateChangeEvent>

namespace {

// The marker a running slide show carries; the frame closes it when it goes away.
const QString kSlideShowMarker = QStringLiteral("SLIDECAST");

// Filter codes of the eight filter buttons ("ViewForm" 1..8): deliberately not in order.
constexpr int kFilterCodeOfButton[8] = {0, 4, 3, 5, 6, 1, 2, 7};
// Thumbnail edge lengths of "ViewSize" 1..5.
constexpr int kThumbnailPixels[5] = {128, 96, 64, 48, 32};

QRect workArea(const QWidget* widget)
{
    const QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

CMainFrame::CMainFrame(ConfigStore& config, CMarlin3Doc& document, bool dvEdition)
    : QMainWindow(nullptr, Qt::FramelessWindowHint | Qt::Window),
      store_(config),
      document_(document),
      dvEdition_(dvEdition),
      config_(config.loadMainConfig(dvEdition)),
      view_(new CThumbView(this))
{
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowTitle(QStringLiteral("Kestrel"));
    setCentralWidget(view_);
    // Opening a folder under the selected or marked filter falls back to all files, button and all.
    connect(view_, &CThumbView::allFilesFilterRequested, this, [this] { onCommand(cmd::FilterButton1); });
    resize(kCreationWidth, kCreationHeight);
}

CMainFrame::~CMainFrame()
{
    saveConfig();
}

void CMainFrame::setInstanceMarker(platform::WindowMarker* marker)
{
    instanceMarker_ = marker;
}

void CMainFrame::create(bool showSplash)
{
    const QByteArray barState = store_.loadBarState();
    if (!barState.isEmpty())
        restoreState(barState);
    applyPlacement();
    substituteConfigDefaults(config_, platform::programFolder(), platform::documentsFolder());
    if (showSplash)
        CSplashWnd::show(this);
    applyViewSettings();
    QTimer::singleShot(kCardSearchDelayMs, this, [this] { searchCard(); });
}

void CMainFrame::searchCard()
{
    // Texts of the search's outcome in the string table.
    constexpr int kNoCardCaption = 20400;
    constexpr int kNoCardText = 20402;

    QString found;
    {
        media::CardDetector detector;
        found = detector.search(cardRoot_, /*scanFloppies=*/0, /*checkFixedDisks=*/1);
    }
    if (found != media::CardDetector::NotFound) {
        const std::optional<platform::Volume> volume = platform::Volumes::volumeOf(found);
        cardRoot_ = volume ? volume->root : QString();
        view_->openFolder(found);
        return;
    }
    platform::messageBox(this, UiResources::string(kNoCardText), UiResources::string(kNoCardCaption), platform::MbOk);
    cardRoot_.clear();
}

void CMainFrame::applyPlacement()
{
    const WindowPlacement placement = store_.loadWindowPlacement();
    if (placement.showMax == 1) {
        fillWorkArea();
        return;
    }
    if (!placement.hasRect()) {
        const QRect area = workArea(this);
        setGeometry(QRect(QPoint(0, 0), QSize(kCreationWidth, kCreationHeight)).translated(
            area.center() - QPoint(kCreationWidth / 2, kCreationHeight / 2)));
        return;
    }
    normalRect_ = placement.rect();
    setGeometry(normalRect_);
}

void CMainFrame::applyViewSettings()
{
    // The same operations as the commands, so out-of-range values simply do nothing.
    if (config_.viewSize >= 1 && config_.viewSize <= 5)
        view_->setThumbnailSize(kThumbnailPixels[config_.viewSize - 1]);
    if (config_.viewType >= 1 && config_.viewType <= 3)
        view_->setLayout(config_.viewType - 1);
    if (config_.viewOrder >= 1 && config_.viewOrder <= 4)
        view_->setSortKey(config_.viewOrder - 1);
    if (config_.viewOrderMode != 0)
        view_->toggleSortDirection();
    if (config_.viewForm >= 1 && config_.viewForm <= 8)
        view_->setFilter(kFilterCodeOfButton[config_.viewForm - 1]);
}

bool CMainFrame::onCommand(int id)
{
    if (id >= cmd::DisplayMode0 && id < cmd::DisplayMode0 + 3) {
        view_->setLayout(id - cmd::DisplayMode0);
        config_.viewType = id - cmd::DisplayMode0 + 1;
        return true;
    }
    if (id >= cmd::ThumbSize128 && id < cmd::ThumbSize128 + 5) {
        view_->setThumbnailSize(kThumbnailPixels[id - cmd::ThumbSize128]);
        config_.viewSize = id - cmd::ThumbSize128 + 1;
        return true;
    }
    if (id >= cmd::SortKey0 && id < cmd::SortKey0 + 4) {
        view_->setSortKey(id - cmd::SortKey0);
        config_.viewOrder = id - cmd::SortKey0 + 1;
        return true;
    }
    if (id == cmd::ToggleSortDirection) {
        view_->toggleSortDirection();
        config_.viewOrderMode = config_.viewOrderMode == 0 ? 1 : 0;
        return true;
    }
    const int button = id >= cmd::FilterMenu1 && id < cmd::FilterMenu1 + 8 ? id - cmd::FilterMenu1
                       : id >= cmd::FilterButton1 && id < cmd::FilterButton1 + 8 ? id - cmd::FilterButton1
                                                                                   : -1;
    if (button >= 0) {
        view_->setFilter(kFilterCodeOfButton[button]);
        config_.viewForm = button + 1;
        view_->setFocus();
        return true;
    }
    if (id == cmd::About) {
        CAboutDlg(this).exec();
        return true;
    }
    if (id == cmd::Exit) {
        close();
        return true;
    }
    return false;
}

void CMainFrame::fillWorkArea()
{
    if (!maximised_)
        normalRect_ = geometry();
    setGeometry(workArea(this));
    maximised_ = true;
}

void CMainFrame::restoreFromWorkArea()
{
    if (!normalRect_.isEmpty())
        setGeometry(normalRect_);
    maximised_ = false;
    normalRectSaved_ = false;
}

void CMainFrame::bringToFront()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void CMainFrame::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange) {
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        if (windowState() & Qt::WindowMaximized) {
            // The platform's maximise always ends as the work-area fill.
            platform::trace("===== SIZE_MAX =====\r\n");
            setWindowState(windowState() & ~Qt::WindowMaximized);
            fillWorkArea();
        } else if ((windowState() & Qt::WindowMinimized) && !(change->oldState() & Qt::WindowMinimized)) {
            if (!maximised_)
                normalRect_ = geometry();
            normalRectSaved_ = true;
        } else if (!(windowState() & Qt::WindowMinimized) && (change->oldState() & Qt::WindowMinimized)) {
            normalRectSaved_ = false;
        }
    }
    QMainWindow::changeEvent(event);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    view_->stopLoading();
    saveConfig();
    event->accept();
}

void CMainFrame::saveConfig()
{
    if (saved_)
        return;
    saved_ = true;
    store_.saveBarState(saveState());
    platform::WindowMarker::send(kSlideShowMarker, QStringLiteral("close"), 200);
    WindowPlacement placement;
    placement.showMax = maximised_ ? 1 : 0;
    const QRect rect = normalRectSaved_ ? normalRect_ : geometry();
    placement.left = rect.left();
    placement.top = rect.top();
    placement.right = rect.left() + rect.width();
    placement.bottom = rect.top() + rect.height();
    store_.saveMainConfig(config_, placement);
    store_.sync();
    if (instanceMarker_)
        instanceMarker_->unmark();
}
