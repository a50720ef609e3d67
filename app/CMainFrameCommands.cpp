// The main frame's commands: what each bar button and menu entry does.

#include "app/CAboutDlg.h"
#include "app/CButtonBar.h"
#include "app/CMainFrame.h"
#include "app/CTitleBar.h"
#include "app/Commands.h"
#include "app/DvFilterDlg.h"
#include "app/Launcher.h"
#include "app/SlideShowDlg.h"
#include "app/ViewSettings.h"
#include "browser/COwnerDrawListCtrl.h"
#include "browser/CSearchDlg.h"
#include "browser/CThumbView.h"
#include "browser/StandardDecoders.h"
#include "design/CDesignButton.h"
#include "design/CDesignMenu.h"
#include "fileops/BackupDialog.h"
#include "fileops/CardCopy.h"
#include "fileops/ClipboardData.h"
#include "fileops/OpenFile.h"
#include "fileops/ProgressDialog.h"
#include "fileops/RenameDialog.h"
#include "fileops/Wallpaper.h"
#include "media/CameraFolders.h"
#include "fileops/FileOperationRunner.h"
#include "imaging/Rotation.h"
#include "media/CFolderBar.h"
#include "media/CFolderTree.h"
#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "print/CPrintOrderDlg.h"
#include "print/CPrintService.h"
#include "print/PrintOrder.h"
#include "print/PrintPages.h"
#include "resources/UiResources.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QMimeData>
#include <QProcess>
#include <QToolBar>
#include <QUrl>

namespace {

// Which command each plain bar button re-sends.
const std::map<int, int> kButtonCommands = {
    {1140, cmd::Properties},       {1141, cmd::Print},   {1142, cmd::PrintOrder},
    {1144, cmd::OpenManual},       {1146, cmd::DisplayMode0}, {1147, cmd::DisplayMode0 + 1},
    {1148, cmd::DisplayMode0 + 2}, {1150, cmd::Backup},  {1151, cmd::Refresh},
    {1152, cmd::CardSearch},
};

// Bar toggling commands and the bars they show or hide.
const std::map<int, int> kBarToggles = {
    {cmd::BarFileOps, CMainFrame::FileBar},      {cmd::BarHelp, CMainFrame::HelpBar},
    {cmd::BarView, CMainFrame::ViewBar},         {cmd::BarTools, CMainFrame::ToolsBar},
    {cmd::BarLauncher, CMainFrame::LauncherBar}, {cmd::BarFilter, CMainFrame::FilterBar},
    {cmd::BarStatus, CMainFrame::StatusBar},
};

// The menu-bar buttons' menus: (menu, sub-menu) for 1123..1127.
struct MenuRef {
    int menu;
    int subMenu;
};
constexpr MenuRef kMenuOfButton[5] = {{130, 0}, {130, 1}, {140, 2}, {140, 3}, {140, 4}};

// Texts of the program's own messages.
constexpr int kAppCaption = 21012;
constexpr int kNoSlideShowFiles = 20405;
constexpr int kCannotOpen = 20014;
const QString kManualPath = QStringLiteral("Manual/PDF説明書.pdf");
const QString kDeleteTitle = QStringLiteral("ファイルを削除しますか？");

// The property a menu action's command number travels in (read by applyMenuState).
constexpr const char* kCommandProperty = "command";

bool isPictureName(const QString& name)
{
    for (const char* extension : {".bmp", ".jpg", ".dvf", ".dcf", ".ttl", ".tif"}) {
        if (name.endsWith(QLatin1String(extension), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

void addEntries(QMenu& menu, const QVector<UiResources::MenuEntry>& entries, const std::function<void(int)>& run)
{
    for (const UiResources::MenuEntry& entry : entries) {
        if (entry.isSeparator()) {
            menu.addSeparator();
        } else if (!entry.children.isEmpty()) {
            auto* sub = new CDesignMenu(entry.label, &menu);
            addEntries(*sub, entry.children, run);
            menu.addMenu(sub);
        } else {
            QAction* action = menu.addAction(entry.label);
            action->setProperty(kCommandProperty, entry.command);
            const int command = entry.command;
            QObject::connect(action, &QAction::triggered, &menu, [run, command] { run(command); });
        }
    }
}

}  // namespace

QMenu* CMainFrame::buildPopup(int menuId, int subMenu)
{
    const QVector<UiResources::MenuEntry> menu = UiResources::menu(menuId);
    if (subMenu < 0 || subMenu >= menu.size())
        return nullptr;
    auto* popup = new CDesignMenu(menu[subMenu].label);
    popup->setObjectName(QStringLiteral("menu%1.%2").arg(menuId).arg(subMenu));
    // The command runs once the menu has closed, so that a dialog it opens does not fight the menu.
    addEntries(*popup, menu[subMenu].children,
               [this](int command) { QMetaObject::invokeMethod(this, [this, command] { onCommand(command); }, Qt::QueuedConnection); });
    applyMenuState(*popup, menuContext(), menuId == kBarMenu && subMenu == 3);
    return popup;
}

void CMainFrame::popupAt(int menuId, int subMenu, const QPoint& globalPos)
{
    QMenu* popup = buildPopup(menuId, subMenu);
    if (!popup)
        return;
    popup->setAttribute(Qt::WA_DeleteOnClose);
    openPopup_ = popup;
    popup->popup(globalPos);
}

void CMainFrame::popupMenuBarMenu(int childId)
{
    const MenuRef ref = kMenuOfButton[childId - child::MenuButton1];
    const int menuId = ref.menu == kMainMenu && dvEdition_ ? kDvMainMenu : ref.menu;
    CButtonBar* bar = buttonBar(MenuBar);
    QWidget* button = bar ? bar->button(childId) : nullptr;
    const QPoint at = button ? button->mapToGlobal(QPoint(0, button->height())) : QCursor::pos();
    popupAt(menuId, ref.subMenu, at);
}

MenuContext CMainFrame::menuContext() const
{
    MenuContext context;
    context.treeFlags = folderBar_->treeFlags();
    context.selectedNames = view_->selectedNames();
    context.undoKind = lastOperation_.kind;
    const QMimeData* clipboard = QApplication::clipboard()->mimeData();
    context.clipboardHasFiles = clipboard && clipboard->hasUrls();
    context.slideShowRunning = platform::WindowMarker::isListening(QLatin1String(kSlideShowMarker));
    const CThumbView::Figures figures = view_->figures();
    context.figure1 = figures.listed;
    context.figure2 = figures.displayed;
    context.cameraFolder = folderBar_->isCameraFolder();
    for (const auto& [command, bar] : kBarToggles)
        context.barVisible[command] = toolBar(bar) && toolBar(bar)->isVisible();
    context.barVisible[cmd::BarFolder] = folderDock_->isVisible();
    context.viewType = config_.viewType;
    context.viewSize = config_.viewSize;
    context.viewOrder = config_.viewOrder;
    context.viewOrderMode = config_.viewOrderMode;
    context.viewForm = config_.viewForm;
    return context;
}

void CMainFrame::onButton(int bar, int childId)
{
    if (bar == MenuBar) {
        popupMenuBarMenu(childId);
        return;
    }
    if (bar == FilterBar) {
        onCommand(cmd::FilterButton1 + childId - child::FilterButton1);
        return;
    }
    if (const auto found = kButtonCommands.find(childId); found != kButtonCommands.end()) {
        onCommand(found->second);
        return;
    }
    switch (childId) {
    case child::AboutButton:
        onCommand(cmd::About);
        break;
    case child::SlideShowButton:
        slideShowButton();
        break;
    case child::LauncherButton1:
        runLauncher(1);
        break;
    case child::LauncherButton2:
        runLauncher(2);
        break;
    default:
        break;
    }
}

void CMainFrame::setLauncherProgram(int number, const QString& text)
{
    (number == 1 ? program1_ : program2_) = text;
    (number == 1 ? config_.launchApp1 : config_.launchApp2) = text;
}

void CMainFrame::runLauncher(int number)
{
    launcher::run(launcherProgram(number), view_->selectedPaths(), platform::programFolder());
}

void CMainFrame::slideShowButton()
{
    const QString marker = QLatin1String(kSlideShowMarker);
    if (platform::WindowMarker::isListening(marker)) {
        platform::WindowMarker::send(marker, QStringLiteral("raise"), kSlideShowAnswerMs);
        return;
    }
    const CThumbView::Figures figures = view_->figures();
    if (figures.listed < 1 || figures.displayed < 1) {
        platform::messageBox(this, UiResources::string(kNoSlideShowFiles), UiResources::string(kAppCaption),
                             platform::MbOk | platform::MbIconStop);
        return;
    }
    onCommand(cmd::SlideShow);
}

void CMainFrame::toggleBar(int command)
{
    if (command == cmd::BarFolder) {
        folderDock_->setVisible(!folderDock_->isVisible());
        return;
    }
    if (QToolBar* bar = toolBar(kBarToggles.at(command)))
        bar->setVisible(!bar->isVisible());
}

bool CMainFrame::onCommand(int id)
{
    if (commandFilter_ && commandFilter_(id))
        return true;
    if (id >= cmd::DisplayMode0 && id < cmd::DisplayMode0 + 3) {
        view_->setLayout(id - cmd::DisplayMode0);
        config_.viewType = id - cmd::DisplayMode0 + 1;
        return true;
    }
    if (id >= cmd::ThumbSize128 && id < cmd::ThumbSize128 + 5) {
        view_->setThumbnailSize(viewsettings::kThumbnailPixels[id - cmd::ThumbSize128]);
        config_.viewSize = id - cmd::ThumbSize128 + 1;
        updateSizeBox();
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
    if (const int viewForm = viewsettings::viewFormOfCommand(id); viewForm != 0) {
        view_->setFilter(viewsettings::filterCodeOfViewForm(viewForm));
        config_.viewForm = viewForm;
        view_->setFocus();
        updateFilterBar();
        return true;
    }
    if (id >= child::MenuButton1 && id < child::MenuButton1 + 5) {
        popupMenuBarMenu(id);
        return true;
    }
    if (kBarToggles.count(id) || id == cmd::BarFolder) {
        toggleBar(id);
        return true;
    }
    switch (id) {
    case cmd::CardSearch:
        folderBar_->searchCard();
        return true;
    case cmd::NewFolder:
        folderBar_->tree()->newFolder();
        return true;
    case cmd::Rename:
    case cmd::RenameInTree:
        rename();
        return true;
    case cmd::Refresh:
        refresh();
        return true;
    case cmd::DvFilter:
        dvFilterDialog();
        return true;
    case cmd::OpenManual:
        openManual();
        return true;
    case cmd::Backup:
        backup();
        return true;
    case cmd::Undo:
        undo();
        return true;
    case cmd::About:
        CAboutDlg(this).exec();
        return true;
    case cmd::Exit:
        close();
        return true;
    case cmd::Properties:
        view_->showProperties();
        return true;
    case cmd::SelectAll:
        view_->selectAll();
        return true;
    case cmd::Search:
        search();
        return true;
    case cmd::Delete:
        if (folderBar_->treeHasFocus())
            folderBar_->tree()->deleteFolder();
        else
            deleteSelected();
        return true;
    case cmd::PrintOrder:
        printOrder();
        return true;
    case cmd::Print:
    case cmd::PrintSetup:
    case cmd::PrintPreview:
        print(id);
        return true;
    case cmd::RotateRight:
    case cmd::Rotate180:
    case cmd::RotateLeft:
        rotate(id);
        return true;
    case cmd::SaveAsBmp:
        convert(0);
        return true;
    case cmd::SaveAsJpeg:
        convert(1);
        return true;
    case cmd::EditCopy:
    case cmd::EditCut:
        copyToClipboard(id == cmd::EditCut);
        return true;
    case cmd::EditPaste:
        paste();
        return true;
    case cmd::SlideShow:
        startSlideShow();
        return true;
    case cmd::CopyIntoCard:
        copyIntoCard();
        return true;
    case cmd::Wallpaper:
        setWallpaper();
        return true;
    default:
        return false;
    }
}

void CMainFrame::openItem(int position)
{
    const QStringList names = view_->displayedNames(position);
    if (names.isEmpty())
        return;
    const QString path = QDir(view_->currentFolder()).filePath(names.first());
    if (QFileInfo(path).isDir()) {
        if (!folderBar_->tree()->selectPath(path))
            view_->openFolder(path);
        return;
    }
    fileops::OpenOptions options;
    options.dvOptions = dvProgramOptions();
    // The program's own viewer shows .dcf stills.
    options.dcfViewer = [](const QString& file) {
        return QProcess::startDetached(fileops::OpenFile::dvProgram(), {file});
    };
    fileops::OpenFile::open(path, options, this);
}

QStringList CMainFrame::dvProgramOptions() const
{
    return {QStringLiteral("-crop%1,%2,%3,%4")
                .arg(config_.marginLeft)
                .arg(config_.marginTop)
                .arg(config_.marginRight)
                .arg(config_.marginBottom)};
}

imaging::DvFilterSettings CMainFrame::dvFilterSettings() const
{
    imaging::DvFilterSettings settings;
    settings.crop = {config_.marginLeft, config_.marginTop, config_.marginRight, config_.marginBottom};
    return settings;
}

QString CMainFrame::targetFolder() const
{
    QString folder = folderBar_->treeHasFocus() ? folderBar_->tree()->currentPath() : view_->currentFolder();
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

void CMainFrame::copyToClipboard(bool cut)
{
    QStringList paths;
    if (folderBar_->treeHasFocus())
        paths << targetFolder();
    else
        paths = view_->selectedPaths();
    if (paths.isEmpty())
        return;
    using fileops::clipboard::Action;
    QApplication::clipboard()->setMimeData(fileops::clipboard::makeFileMimeData(paths, cut ? Action::Cut : Action::Copy));
    if (cut)
        folderBar_->noteCut();
    else
        folderBar_->noteCopy();
    view_->markCut(cut ? paths : QStringList());
}

void CMainFrame::paste()
{
    const fileops::clipboard::ClipboardFiles files = fileops::clipboard::readFiles(QApplication::clipboard()->mimeData());
    if (files.paths.isEmpty())
        return;
    const bool move = files.cut || folderBar_->clipboardState() == 2;
    transferFiles(files.paths, targetFolder(), move ? fileops::OperationKind::Move : fileops::OperationKind::Copy);
    // A cut is used once: after the move the clipboard is emptied.
    if (move) {
        QApplication::clipboard()->clear();
        view_->markCut({});
        folderBar_->parentNotify(media::CFolderBar::ClipboardState, 0);
    }
}

void CMainFrame::transferFiles(const QStringList& sources, const QString& folder, fileops::OperationKind kind)
{
    if (sources.isEmpty() || folder.isEmpty())
        return;
    view_->stopLoading();
    QStringList remaining = sources;
    // What went where, for the undo record: the card's new pictures, and what the ordinary operation did.
    QStringList cardFrom;
    QStringList cardTo;
    QStringList from;
    QStringList to;
    // Pictures pasted into a camera folder get camera names and become Exif JPEGs; their sources stay, so
    // for the undo they count as copies.
    if (media::isCameraFolder(folder)) {
        fileops::ProgressDialog progress(this);
        fileops::CardCopy cardCopy(&progress, this);
        cardCopy.setDvFilter(dvFilterSettings());
        const fileops::CardCopyResult result = cardCopy.run(sources, folder, kind);
        QStringList pictures;
        for (const QString& source : sources) {
            if (!result.remaining.contains(source))
                pictures << source;
        }
        if (pictures.size() == result.written.size()) {
            cardFrom = pictures;
            cardTo = result.written;
        }
        remaining = result.remaining;
        if (result.stopped)
            remaining.clear();
    }
    if (!remaining.isEmpty()) {
        fileops::FileOperation operation;
        operation.kind = kind;
        operation.sources = remaining;
        operation.destinations << folder;
        // A copy within its own folder gets the "コピー ～" name instead of the overwrite question.
        operation.renameOnCollision = kind == fileops::OperationKind::Copy &&
                                      QFileInfo(remaining.first()).absolutePath() == QFileInfo(folder).absoluteFilePath();
        const fileops::OperationResult result = fileops::FileOperationRunner(nullptr, this).run(operation);
        for (const fileops::FileResult& file : result.files) {
            if (file.status == fileops::FileStatus::Done && !file.destination.isEmpty()) {
                from << file.source;
                to << file.destination;
            }
        }
    }
    // One record holds one kind. A copy keeps everything; a move keeps what moved, and only when nothing
    // moved the card's pictures (copies: their sources stay), whose undo deletes nothing but copies.
    if (!to.isEmpty() || !cardTo.isEmpty()) {
        lastOperation_.clear();
        if (kind == fileops::OperationKind::Copy) {
            lastOperation_.kind = LastFileOperation::Copy;
            lastOperation_.sources = cardFrom + from;
            lastOperation_.destinations = cardTo + to;
        } else if (!to.isEmpty()) {
            lastOperation_.kind = LastFileOperation::Move;
            lastOperation_.sources = from;
            lastOperation_.destinations = to;
        } else {
            lastOperation_.kind = LastFileOperation::Copy;
            lastOperation_.sources = cardFrom;
            lastOperation_.destinations = cardTo;
        }
    }
    view_->openFolder(view_->currentFolder());
    revalidatePrintOrder();
}

void CMainFrame::copyIntoCard()
{
    transferFiles(view_->selectedPaths(), targetFolder(), fileops::OperationKind::Copy);
}

void CMainFrame::setWallpaper()
{
    const QStringList paths = view_->selectedPaths();
    if (paths.isEmpty())
        return;
    fileops::Wallpaper::set(paths.first(), this, dvFilterSettings());
}

void CMainFrame::startSlideShow()
{
    const CThumbView::Figures figures = view_->figures();
    SlideShowDlg dialog(figures.listed, figures.displayed, figures.selected, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int variant = dialog.variant();
    const QStringList paths = view_->slideShowPaths(variant >= SlideShowDlg::AllListOrder,
                                                    variant == SlideShowDlg::SelectedShownOrder ||
                                                        variant == SlideShowDlg::AllShownOrder);
    // The list goes over on the clipboard (an empty selection gives an empty list), the window on the
    // command line.
    QApplication::clipboard()->setMimeData(
        fileops::clipboard::makeFileMimeData(paths, fileops::clipboard::Action::Copy));
    programStarter_(QDir(platform::programFolder()).filePath(QStringLiteral("Slidecast")),
                    {QStringLiteral("/kst"), QStringLiteral("/h%1").arg(winId())});
}

void CMainFrame::rename()
{
    if (folderBar_->treeHasFocus()) {
        media::CFolderTree* tree = folderBar_->tree();
        if (tree->currentItem() && tree->canRename(tree->currentItem()))
            tree->editItem(tree->currentItem());
        else
            QApplication::beep();
        return;
    }
    // The details list has no caption to edit in place: there the rename dialog asks for the name.
    if (view_->layout() == 2) {
        const QStringList names = view_->displayedNames(view_->list()->currentItem());
        if (names.isEmpty())
            return;
        view_->stopLoading();
        if (!fileops::renameWithDialog(this, QDir(view_->currentFolder()).filePath(names.first())).isEmpty())
            revalidatePrintOrder();
        view_->openFolder(view_->currentFolder());
        return;
    }
    view_->startRename();
}

void CMainFrame::renameFile(const QString& path, const QString& newName)
{
    // The typed name goes through the rename dialog's checks (dots, forbidden characters, extension).
    if (newName.isEmpty() || newName == QFileInfo(path).fileName())
        return;
    view_->stopLoading();
    if (!fileops::renameChecked(this, path, newName).isEmpty())
        revalidatePrintOrder();
    view_->openFolder(view_->currentFolder());
}

void CMainFrame::refresh()
{
    if (folderBar_->treeHasFocus() || folderBar_->tree()->dragging())
        folderBar_->tree()->refresh();
    else
        view_->refresh();
}

void CMainFrame::deleteSelected()
{
    const QStringList paths = view_->selectedPaths();
    if (paths.isEmpty())
        return;
    view_->stopLoading();
    fileops::FileOperation operation;
    operation.kind = fileops::OperationKind::Delete;
    operation.sources = paths;
    operation.allowUndo = true;
    operation.progressTitle = kDeleteTitle;
    const fileops::OperationResult result = fileops::FileOperationRunner(nullptr, this).run(operation);
    // Only what went to a trash can be looked for again; files deleted for good leave no record.
    QStringList trashed;
    for (const fileops::FileResult& file : result.files) {
        if (file.status == fileops::FileStatus::Done && !file.destination.isEmpty())
            trashed << file.source;
    }
    if (!result.goneSources().isEmpty())
        lastOperation_.clear();
    if (!trashed.isEmpty()) {
        lastOperation_.kind = LastFileOperation::Delete;
        lastOperation_.sources = trashed;
    }
    view_->dropVanishedSelected();
    revalidatePrintOrder();
}

void CMainFrame::revalidatePrintOrder()
{
    // Only an operation on the card can touch its order.
    const QString root = folderBar_->cardRoot();
    if (root.isEmpty() || !view_->currentFolder().startsWith(root.chopped(root.endsWith(QLatin1Char('/')) ? 1 : 0)))
        return;
    printOrder_->revalidate(view_->currentFolder());
}

void CMainFrame::undo()
{
    if (lastOperation_.isEmpty())
        return;
    const bool changesFiles = lastOperation_.kind != LastFileOperation::Delete;
    view_->stopLoading();
    if (lastOperation_.undo(this) && changesFiles) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        folderBar_->tree()->refresh();
        QApplication::restoreOverrideCursor();
    }
    // The undo cleared the record; the folder is listed again either way.
    view_->openFolder(view_->currentFolder());
}

void CMainFrame::backup()
{
    fileops::BackupDialog dialog(folderBar_->cardRoot(), config_.backupFolder, this);
    if (dialog.exec() == QDialog::Accepted)
        config_.backupFolder = dialog.destination();
}

void CMainFrame::printOrder()
{
    const QStringList files = view_->selectedPaths();
    CPrintOrderDlg dialog(view_->currentFolder(), files, {}, this);
    dialog.exec();
}

print::CPrintService& CMainFrame::printService()
{
    if (!printService_)
        printService_ = std::make_unique<print::CPrintService>(standardDecoderFactory());
    return *printService_;
}

void CMainFrame::print(int command)
{
    if (command == cmd::PrintSetup) {
        printService().printerSetup(this);
        return;
    }
    QVector<print::PrintEntry> entries;
    const QStringList names = command == cmd::Print ? view_->selectedNames() : view_->displayedNames(CThumbView::kAllDisplayed);
    const QHash<QString, QImage> thumbnails = view_->thumbnailsOf(names);
    for (const QString& name : names) {
        const QImage thumbnail = thumbnails.value(name);
        entries << print::makePrintEntry(QDir(view_->currentFolder()).filePath(name), !thumbnail.isNull() || isPictureName(name),
                                         thumbnail);
    }
    if (entries.isEmpty())
        return;
    const QString title = UiResources::string(print::kTitlePrefixString) + QFileInfo(view_->currentFolder()).fileName();
    if (command == cmd::Print) {
        printService().printSingle(this, title, entries);
    } else if (printService().previewIndex(this, entries, view_->currentFolder())) {
        printService().printIndex(this, title, entries);
    }
}

void CMainFrame::rotate(int command)
{
    // Directions: 0 turns by 270 degrees clockwise (left), 2 by 90 (right), 1 by 180.
    const int direction = command == cmd::RotateRight ? 2 : command == cmd::RotateLeft ? 0 : 1;
    imaging::DvStillOptions dv;
    dv.given = true;
    dv.a = 1;
    dv.cropLeft = config_.marginLeft;
    dv.cropTop = config_.marginTop;
    dv.cropRight = config_.marginRight;
    dv.cropBottom = config_.marginBottom;
    view_->stopLoading();
    for (const QString& path : view_->selectedPaths()) {
        const QString name = QFileInfo(path).fileName();
        if (name.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive) ||
            name.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive) ||
            name.endsWith(QLatin1String(".dvf"), Qt::CaseInsensitive))
            imaging::rotateFile(path, direction, dv);
    }
    // The turned files carry new times: listing the folder again makes their thumbnails anew.
    view_->openFolder(view_->currentFolder());
}

void CMainFrame::convert(int mode)
{
    view_->setDvFilterSettings(dvFilterSettings());
    view_->convertSelected(mode);
}

void CMainFrame::search()
{
    CSearchDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.run(view_->store(), view_->currentFolder());
    // The hits show under the search-results filter.
    onCommand(cmd::FilterButton1 + 7);
}

void CMainFrame::dvFilterDialog()
{
    DvFilterDlg dialog(config_.dvFilterMode, {config_.marginLeft, config_.marginTop, config_.marginRight, config_.marginBottom},
                       this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    config_.dvFilterMode = dialog.mode();
    const DvFilterDlg::Margins margins = dialog.margins();
    config_.marginLeft = margins.left;
    config_.marginTop = margins.top;
    config_.marginRight = margins.right;
    config_.marginBottom = margins.bottom;
}

void CMainFrame::openManual()
{
    const QString path = QDir(platform::programFolder()).filePath(kManualPath);
    if (!QFileInfo::exists(path) || !QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        platform::messageBox(this, UiResources::string(kCannotOpen), UiResources::string(kAppCaption),
                             platform::MbOk | platform::MbIconExclamation);
}
