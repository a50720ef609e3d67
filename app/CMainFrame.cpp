#include "app/CMainFrame.h"

#include "app/CButtonBar.h"
#include "app/CMarlin3Doc.h"
#include "app/CSplashWnd.h"
#include "app/CStatusBar.h"
#include "app/CTitleBar.h"
#include "app/Commands.h"
#include "app/ViewSettings.h"
#include "app/WindowPlacementFix.h"
#include "browser/COwnerDrawListCtrl.h"
#include "browser/CThumbView.h"
#include "fileops/ClipboardData.h"
#include "camlink/CDvBar.h"
#include "camlink/DvBarSettings.h"
#include "camlink/DvLink.h"
#include "design/CDesignButton.h"
#include "design/CDesignDropDown.h"
#include "fileops/DropZones.h"
#include "design/CDesignMenu.h"
#include "media/CFolderBar.h"
#include "media/CFolderTree.h"
#include "media/FolderItem.h"
#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/Trace.h"
#include "print/CPrintService.h"
#include "print/PrintOrder.h"
#include "resources/BarBitmaps.h"
#include "resources/UiResources.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDockWidget>
#include <QLayout>
#include <QMenu>
#include <QDir>
#include <QDrag>
#include <QScrollBar>
#include <QTreeWidgetItem>
#include <QDropEvent>
#include <QMouseEvent>
#include <QProcess>
#include <QWindow>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>
#include <QToolBar>
#include <QWindowStateChangeEvent>

namespace {

// The left bars draw their own caption: the dock's title is an empty strip.
QWidget* noTitle(QWidget* dock)
{
    auto* strip = new QWidget(dock);
    strip->setFixedSize(0, 0);
    return strip;
}

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
    setDockNestingEnabled(false);
    printOrder_ = std::make_unique<print::PrintOrder>();
    createBars();

    // Opening a folder under the selected or marked filter falls back to all files, button and all.
    connect(view_, &CThumbView::allFilesFilterRequested, this, [this] { onCommand(cmd::FilterButton1); });
    connect(view_, &CThumbView::figuresChanged, this, &CMainFrame::updateStatusBar);
    connect(view_, &CThumbView::deleteRequested, this, [this] { onCommand(cmd::Delete); });
    connect(view_, &CThumbView::openRequested, this, &CMainFrame::openItem);
    connect(view_, &CThumbView::dragRequested, this, [this] { startDrag(); });
    view_->list()->setAcceptDrops(true);
    connect(view_, &CThumbView::renameRequested, this, &CMainFrame::renameFile);
    connect(view_, &CThumbView::contextMenuRequested, this,
            [this](const QPoint& at) { popupAt(kViewMenu, 0, at); });
    resize(kCreationWidth, kCreationHeight);
    qApp->installEventFilter(this);
}

CMainFrame::~CMainFrame()
{
    qApp->removeEventFilter(this);
    if (sizingCursor_)
        QApplication::restoreOverrideCursor();
    saveConfig();
    // The DV bar writes its section when it goes: while the settings it writes through still exist.
    delete dvBar_;
    dvBar_ = nullptr;
}

void CMainFrame::setInstanceMarker(platform::WindowMarker* marker)
{
    instanceMarker_ = marker;
}

QToolBar* CMainFrame::addBar(int bar, QWidget* content, Qt::ToolBarArea area)
{
    auto* toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("bar%1").arg(bar));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setAllowedAreas(area);
    toolBar->setContentsMargins(0, 0, 0, 0);
    toolBar->layout()->setContentsMargins(0, 0, 0, 0);
    toolBar->layout()->setSpacing(0);
    toolBar->setStyleSheet(QStringLiteral("QToolBar { border: 0px; padding: 0px; spacing: 0px; background: white; }"));
    toolBar->toggleViewAction()->setEnabled(false);
    toolBar->addWidget(content);
    addToolBar(area, toolBar);
    toolBars_[bar] = toolBar;
    return toolBar;
}

CButtonBar* CMainFrame::makeButtonBar(int bar, std::initializer_list<int> buttons)
{
    auto* content = new CButtonBar(bar);
    for (int id : buttons)
        content->addButton(id);
    connect(content, &CButtonBar::buttonClicked, this, [this, bar](int childId) { onButton(bar, childId); });
    buttonBars_[bar] = content;
    return content;
}

void CMainFrame::createBars()
{
    // The design's order: 132, 133, 134, 135, 136, 139, 140, 137, 138, 130, 131. The title bar, the menu
    // bar and the tool bars' row each take a row of their own at the top.
    titleBar_ = new CTitleBar;
    titleBar_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(titleBar_, &CTitleBar::minimiseClicked, this, [this] { showMinimized(); });
    connect(titleBar_, &CTitleBar::fillClicked, this, &CMainFrame::fillWorkArea);
    connect(titleBar_, &CTitleBar::restoreClicked, this, &CMainFrame::restoreFromWorkArea);
    connect(titleBar_, &CTitleBar::closeClicked, this, &QWidget::close);
    connect(titleBar_, &CTitleBar::toggleRequested, this,
            [this] { maximised_ ? restoreFromWorkArea() : fillWorkArea(); });
    addBar(TitleBar, titleBar_, Qt::TopToolBarArea);
    addToolBarBreak(Qt::TopToolBarArea);
    addBar(MenuBar, makeButtonBar(MenuBar, {1123, 1124, 1125, 1126, 1127}), Qt::TopToolBarArea);
    addToolBarBreak(Qt::TopToolBarArea);
    addBar(FileBar, makeButtonBar(FileBar, {1140, 1141, 1142}), Qt::TopToolBarArea);
    addBar(HelpBar, makeButtonBar(HelpBar, {1143, 1144}), Qt::TopToolBarArea);

    CButtonBar* viewBar = makeButtonBar(ViewBar, {});
    sizeBox_ = new CDesignDropDown(viewBar, child::SizeBox);
    sizeBox_->setObjectName(QString::number(child::SizeBox));
    if (sizeBox_->create(QString(), CDesignDropDown::kStyleVisible, QRect(0, 0, 100, 22))) {
        using namespace barbitmaps;
        sizeBox_->setBitmaps(kSizeBoxText, kSizeBoxButtonPart, kSizeBoxButton, kSizeBoxButton + 1, kSizeBoxButton + 2);
        for (int pixels : viewsettings::kThumbnailPixels)
            sizeBox_->addString(QStringLiteral("%1 × %1").arg(pixels));
        viewBar->addControl(sizeBox_);
        connect(sizeBox_, &CDesignDropDown::command, this, [this](int, int) {
            const int index = sizeBox_->currentSelection();
            onCommand(index >= 0 && index <= 3 ? cmd::ThumbSize128 + index : cmd::ThumbSize128 + 4);
            setFocus();
            activateWindow();
        });
    } else {
        sizeBox_ = nullptr;
    }
    for (int id : {1146, 1147, 1148})
        viewBar->addButton(id);
    addBar(ViewBar, viewBar, Qt::TopToolBarArea);
    addBar(ToolsBar, makeButtonBar(ToolsBar, {1149, 1150, 1151, 1152}), Qt::TopToolBarArea);
    CButtonBar* launcher = makeButtonBar(LauncherBar, {child::LauncherButton1, child::LauncherButton2});
    launcher->setFixedWidth(kLauncherWidth);
    QToolBar* launcherBar = addBar(LauncherBar, launcher, Qt::TopToolBarArea);
    // The launcher keeps the right end of the row: a stretch before it takes the row's spare width.
    auto* spacer = new QWidget;
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    spacer->setAttribute(Qt::WA_TransparentForMouseEvents);
    launcherBar->insertWidget(launcherBar->actions().first(), spacer);
    // A program dropped on a launcher button becomes that button's program.
    auto* launcherZones = new fileops::DropZones(launcher);
    launcherZones->setZones(QList<QWidget*>{launcher->button(child::LauncherButton1), launcher->button(child::LauncherButton2)});
    connect(launcherZones, &fileops::DropZones::notify, this, [this](int code, const QString& path) {
        setLauncherProgram(code == fileops::DropZones::kFirstZoneNotify ? 1 : 2, path);
    });

    // The bottom area stacks its rows from the window's edge inwards: the status bar takes the edge.
    CButtonBar* filterBar = makeButtonBar(FilterBar, {1132, 1133, 1134, 1135, 1136, 1137, 1138, 1139});
    statusBar_ = new CStatusBar;
    statusBar_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    addBar(StatusBar, statusBar_, Qt::BottomToolBarArea);
    addToolBarBreak(Qt::BottomToolBarArea);
    addBar(FilterBar, filterBar, Qt::BottomToolBarArea);

    // The DV bar belongs to the DV edition; it is built in every edition and shown only in that one.
    dvDock_ = new QDockWidget(this);
    dvDock_->setObjectName(QStringLiteral("bar%1").arg(DvBar));
    dvDock_->setTitleBarWidget(noTitle(dvDock_));
    dvDock_->setFeatures(QDockWidget::NoDockWidgetFeatures);
    dvDock_->setAllowedAreas(Qt::LeftDockWidgetArea);
    dvSettings_ = std::make_unique<camlink::StoreDvBarSettings<ConfigStore>>(store_);
    dvBar_ = new camlink::CDvBar(dvDock_, *dvSettings_);
    dvDock_->setWidget(dvBar_);
    addDockWidget(Qt::LeftDockWidgetArea, dvDock_);

    folderDock_ = new QDockWidget(this);
    folderDock_->setObjectName(QStringLiteral("bar%1").arg(FolderBar));
    folderDock_->setTitleBarWidget(noTitle(folderDock_));
    folderDock_->setFeatures(QDockWidget::NoDockWidgetFeatures);
    folderDock_->setAllowedAreas(Qt::LeftDockWidgetArea);
    folderBar_ = new media::CFolderBar(folderDock_);
    folderBar_->tree()->setFolderDragEnabled(!dvEdition_);
    folderDock_->setWidget(folderBar_);
    addDockWidget(Qt::LeftDockWidgetArea, folderDock_);
    dvDock_->setVisible(dvEdition_);
    folderDock_->setVisible(!dvEdition_);

    media::CFolderTree* tree = folderBar_->tree();
    tree->setAcceptDrops(true);
    tree->viewport()->setAcceptDrops(true);
    connect(tree, &media::CFolderTree::folderSelected, view_, [this](const QString& path) { view_->openFolder(path); });
    connect(tree, &media::CFolderTree::contextMenuRequested, this,
            [this](const QPoint& at) { popupAt(kTreeMenu, 0, at); });
    connect(tree, &media::CFolderTree::folderDeleted, this, [this] { lastOperation_.clear(); });
    connect(folderBar_, &media::CFolderBar::listFolderRequested, view_, &CThumbView::openFolder);
    connect(folderBar_, &media::CFolderBar::cardFound, this, [this](const QString& root) {
        printOrder_->setCardPath(root);
        printOrder_->load();
    });
    connect(folderBar_, &media::CFolderBar::closeRequested, this, [this] { onCommand(cmd::BarFolder); });
    connect(folderBar_, &media::CFolderBar::widthChanged, this,
            [this](int width) { resizeDocks({folderDock_}, {width}, Qt::Horizontal); });
}

CButtonBar* CMainFrame::buttonBar(int bar) const
{
    const auto found = buttonBars_.find(bar);
    return found == buttonBars_.end() ? nullptr : found->second;
}

QToolBar* CMainFrame::toolBar(int bar) const
{
    const auto found = toolBars_.find(bar);
    return found == toolBars_.end() ? nullptr : found->second;
}

QString CMainFrame::cardRoot() const
{
    return folderBar_->cardRoot();
}

void CMainFrame::create(bool showSplash)
{
    const QByteArray barState = store_.loadBarState();
    if (!barState.isEmpty())
        restoreState(barState);
    // The frame decides which of the two left bars this edition shows, whatever the stored state says.
    dvDock_->setVisible(dvEdition_ && dvDock_->isVisible());
    const BarSize folderSize = store_.loadFolderBarSize();
    folderBar_->setBarSize(QSize(folderSize.cx, folderSize.cy));
    resizeDocks({folderDock_}, {folderSize.cx}, Qt::Horizontal);
    applyPlacement();
    substituteConfigDefaults(config_, platform::programFolder(), platform::documentsFolder());
    program1_ = config_.launchApp1;
    program2_ = config_.launchApp2;
    updateFilterBar();
    updateStatusBar();
    if (showSplash)
        CSplashWnd::show(this);
    applyViewSettings();
    QApplication::clipboard()->clear();
    folderBar_->startCardSearchTimer(kCardSearchDelayMs);
}

void CMainFrame::searchCard()
{
    folderBar_->searchCard();
}

void CMainFrame::applyPlacement()
{
    const WindowPlacement placement = store_.loadWindowPlacement();
    const QSize creationSize(kCreationWidth, kCreationHeight);
    // No stored rectangle: centred on the work area. A stored one is kept where its caption can be reached.
    const std::optional<QRect> stored = storedRect(placement);
    if (stored)
        normalRect_ = reachableRect(*stored, screenAreas(), creationSize, CTitleBar::kHeight);
    setGeometry(stored ? normalRect_ : centredRect(creationSize, workArea(this)));
    if (placement.showMax == 1)
        fillWorkArea();
}

void CMainFrame::applyViewSettings()
{
    // The same operations as the commands, so out-of-range values simply do nothing.
    if (config_.viewSize >= 1 && config_.viewSize <= 5)
        onCommand(cmd::ThumbSize128 + config_.viewSize - 1);
    if (config_.viewType >= 1 && config_.viewType <= 3)
        onCommand(cmd::DisplayMode0 + config_.viewType - 1);
    if (config_.viewOrder >= 1 && config_.viewOrder <= 4)
        onCommand(cmd::SortKey0 + config_.viewOrder - 1);
    if (config_.viewOrderMode != 0)
        view_->toggleSortDirection();
    if (config_.viewForm >= 1 && config_.viewForm <= 8)
        onCommand(cmd::FilterMenu1 + config_.viewForm - 1);
}

void CMainFrame::fillWorkArea()
{
    if (!maximised_)
        normalRect_ = geometry();
    setGeometry(workArea(this));
    maximised_ = true;
    titleBar_->setFilling(true);
}

void CMainFrame::restoreFromWorkArea()
{
    if (!normalRect_.isEmpty())
        setGeometry(normalRect_);
    maximised_ = false;
    normalRectSaved_ = false;
    titleBar_->setFilling(false);
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
    } else if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow()) {
            // Focus goes back where it was: the tree when it had it, else the view.
            if (treeHadFocus_ && folderBar_->isVisible())
                folderBar_->tree()->setFocus(Qt::ActiveWindowFocusReason);
            else
                view_->setFocus(Qt::ActiveWindowFocusReason);
        } else {
            treeHadFocus_ = folderBar_->treeHasFocus();
        }
    }
    QMainWindow::changeEvent(event);
}

bool CMainFrame::event(QEvent* event)
{
    // The frame's own minimum: the title bar's first two buttons and a little room, its height and a
    // little more.
    if (event->type() == QEvent::Polish)
        setMinimumSize(titleBar_->firstTwoButtonsWidth() + 10, CTitleBar::kHeight + 4);
    return QMainWindow::event(event);
}

Qt::Edges CMainFrame::sizingEdges(const QPoint& globalPos) const
{
    Qt::Edges edges;
    if (maximised_ || isMinimized())
        return edges;
    const QRect outer = frameGeometry();
    if (!outer.contains(globalPos))
        return edges;
    if (globalPos.x() < outer.left() + kSizingBorder)
        edges |= Qt::LeftEdge;
    if (globalPos.x() > outer.right() - kSizingBorder)
        edges |= Qt::RightEdge;
    if (globalPos.y() < outer.top() + kSizingBorder)
        edges |= Qt::TopEdge;
    if (globalPos.y() > outer.bottom() - kSizingBorder)
        edges |= Qt::BottomEdge;
    return edges;
}

QString CMainFrame::dropFolderAt(QObject* target, const QPoint& pos) const
{
    if (target == view_->list())
        return view_->currentFolder();
    media::CFolderTree* tree = folderBar_->tree();
    if (target == tree->viewport()) {
        const media::FolderItem* item = tree->folderItem(tree->itemAt(pos));
        return item ? item->place.path : QString();
    }
    return {};
}

void CMainFrame::highlightDropItem(QTreeWidgetItem* item)
{
    media::CFolderTree* tree = folderBar_->tree();
    if (dropHighlight_ == item)
        return;
    if (dropHighlight_)
        dropHighlight_->setBackground(0, QBrush());
    dropHighlight_ = item;
    if (item)
        item->setBackground(0, tree->palette().highlight().color().lighter(160));
    folderBar_->parentNotify(media::CFolderBar::DropTarget, reinterpret_cast<quintptr>(item));
}

bool CMainFrame::handleDrop(QObject* watched, QEvent* event)
{
    media::CFolderTree* tree = folderBar_->tree();
    if (event->type() == QEvent::DragLeave) {
        highlightDropItem(nullptr);
        return false;
    }
    auto* drop = static_cast<QDropEvent*>(event);
    if (watched == tree->viewport()) {
        const QPoint at = drop->position().toPoint();
        // Near the top or bottom edge the tree scrolls, so that every folder can be reached.
        QScrollBar* bar = tree->verticalScrollBar();
        if (at.y() < kDropScrollZone)
            bar->setValue(bar->value() - bar->singleStep());
        else if (at.y() > tree->viewport()->height() - kDropScrollZone)
            bar->setValue(bar->value() + bar->singleStep());
        highlightDropItem(event->type() == QEvent::Drop ? nullptr : tree->itemAt(at));
    }
    const QString folder = dropFolderAt(watched, drop->position().toPoint());
    const fileops::clipboard::ClipboardFiles files = fileops::clipboard::readFiles(drop->mimeData());
    if (folder.isEmpty() || files.paths.isEmpty() || !QFileInfo(folder).isDir()) {
        drop->ignore();
        return true;
    }
    const Qt::DropAction effect = fileops::clipboard::dropEffect(
        drop->modifiers(), fileops::clipboard::onSameVolume(files.paths.first(), folder));
    if (event->type() != QEvent::Drop) {
        drop->setDropAction(effect);
        drop->accept();
        return true;
    }
    drop->setDropAction(effect);
    drop->accept();
    // The drop's work runs after the drag has ended, outside the platform's drag loop.
    const QStringList paths = files.paths;
    QMetaObject::invokeMethod(this, [this, paths, folder, effect] {
        if (effect == Qt::LinkAction) {
            fileops::clipboard::createShortcuts(paths, folder);
            view_->openFolder(view_->currentFolder());
            return;
        }
        // Moving files onto the folder they are in changes nothing.
        if (effect == Qt::MoveAction && QFileInfo(paths.first()).absolutePath() == QFileInfo(folder).absoluteFilePath())
            return;
        transferFiles(paths, folder, effect == Qt::MoveAction ? fileops::OperationKind::Move : fileops::OperationKind::Copy);
    }, Qt::QueuedConnection);
    return true;
}

void CMainFrame::startDrag()
{
    const QStringList paths = view_->selectedPaths();
    if (paths.isEmpty())
        return;
    auto* drag = new QDrag(view_);
    drag->setMimeData(fileops::clipboard::makeFileMimeData(paths, fileops::clipboard::Action::Copy));
    drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::MoveAction);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop || type == QEvent::DragLeave) &&
        (watched == view_->list() || watched == folderBar_->tree()->viewport()))
        return handleDrop(watched, event);
    if ((type == QEvent::MouseMove || type == QEvent::MouseButtonPress) && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const Qt::Edges edges = sizingEdges(mouse->globalPosition().toPoint());
        if (type == QEvent::MouseMove && !(mouse->buttons() & Qt::LeftButton)) {
            const bool wanted = edges != Qt::Edges();
            if (wanted && !sizingCursor_) {
                const bool diagonal = (edges & (Qt::LeftEdge | Qt::RightEdge)) && (edges & (Qt::TopEdge | Qt::BottomEdge));
                const bool falling = edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge);
                QApplication::setOverrideCursor(diagonal ? (falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor)
                                                : (edges & (Qt::LeftEdge | Qt::RightEdge)) ? Qt::SizeHorCursor
                                                                                          : Qt::SizeVerCursor);
                sizingCursor_ = true;
            } else if (!wanted && sizingCursor_) {
                QApplication::restoreOverrideCursor();
                sizingCursor_ = false;
            }
        } else if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton && edges != Qt::Edges() &&
                   windowHandle()) {
            windowHandle()->startSystemResize(edges);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // The DV edition asks before it drops an open camcorder link.
    constexpr int kCloseLinkQuestion = 20404;
    constexpr int kCloseLinkCaption = 21011;
    if (dvEdition_ && dvBar_ && dvBar_->controller().link().isConnected() &&
        platform::messageBox(this, UiResources::string(kCloseLinkQuestion), UiResources::string(kCloseLinkCaption),
                             platform::MbYesNo | platform::MbIconQuestion) == platform::IdNo) {
        event->ignore();
        return;
    }
    view_->stopLoading();
    // The cleaner removes what the program's conversions left in the temporary folder, once they are old.
    if (startsCleaner_)
        QProcess::startDetached(QDir(platform::programFolder()).filePath(QStringLiteral("Tempsweep")),
                                {QStringLiteral("-delay%1").arg(kCleanerDelayMs)});
    saveConfig();
    event->accept();
}

void CMainFrame::saveConfig()
{
    if (saved_)
        return;
    saved_ = true;
    store_.saveBarState(saveState());
    const QSize folderSize = folderBar_->barSize();
    store_.saveFolderBarSize(BarSize{folderSize.width(), folderSize.height()});
    platform::WindowMarker::send(QLatin1String(kSlideShowMarker), QStringLiteral("close"), kSlideShowAnswerMs);
    WindowPlacement placement;
    placement.showMax = maximised_ ? 1 : 0;
    const QRect rect = maximised_ || normalRectSaved_ ? (maximised_ ? geometry() : normalRect_) : geometry();
    placement.left = rect.left();
    placement.top = rect.top();
    placement.right = rect.left() + rect.width();
    placement.bottom = rect.top() + rect.height();
    store_.saveMainConfig(config_, placement);
    store_.sync();
    lastOperation_.clear();
    if (instanceMarker_)
        instanceMarker_->unmark();
}

void CMainFrame::updateFilterBar()
{
    CButtonBar* bar = buttonBar(FilterBar);
    if (!bar)
        return;
    // The chosen filter's button shows its pressed face.
    const int chosen = viewsettings::filterButtonOfViewForm(config_.viewForm);
    for (int button = 0; button < 8; ++button) {
        if (CDesignButton* b = bar->button(child::FilterButton1 + button)) {
            const int id = child::FilterButton1 + button;
            b->setNormalBitmap(barbitmaps::button(id, button == chosen ? barbitmaps::Pressed : barbitmaps::Normal));
        }
    }
}

void CMainFrame::updateSizeBox()
{
    if (sizeBox_ && config_.viewSize >= 1 && config_.viewSize <= 5) {
        sizeBox_->setCurrentSelection(config_.viewSize - 1);
        sizeBox_->setText(sizeBox_->string(config_.viewSize - 1));
    }
}

void CMainFrame::updateStatusBar()
{
    const CThumbView::Figures figures = view_->figures();
    statusBar_->setFigures(figures.listed, figures.displayed, figures.selected);
}
