#pragma once
// The single top-level window: a frameless main window holding the thumbnail view, its own caption bar,
// the menu bar, four tool bars and the launcher at the top, the filter and status bars at the bottom,
// the folder bar (and the DV bar, hidden in this edition) on the left. It owns the "MainConfigInfo"
// values from construction to destruction, applies them to the view while it is created and writes
// them back when it goes away.
//
// Every bar button and menu entry ends in onCommand(): the frame handles its own commands and carries
// out the view's file commands through the file operation service and the print service; one undo
// record keeps the last copy, move or delete.

#include "app/ConfigStore.h"
#include "app/LastFileOperation.h"
#include "app/MenuState.h"
#include "fileops/FileOperation.h"
#include "imaging/ImgShiftBinding.h"

#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QRect>

#include <functional>
#include <map>
#include <memory>

class CButtonBar;
class CDesignDropDown;
class CMarlin3Doc;
class CStatusBar;
class CThumbView;
class CTitleBar;
class QDockWidget;
class QMenu;
class QToolBar;
class QTreeWidgetItem;
namespace camlink {
class CDvBar;
class DvBarSettings;
}
namespace media {
class CFolderBar;
}
namespace platform {
class WindowMarker;
}
namespace print {
class CPrintService;
class PrintOrder;
}

class CMainFrame : public QMainWindow {
public:
    // The creation size of the frame.
    static constexpr int kCreationWidth = 780;
    static constexpr int kCreationHeight = 550;
    // The marker a running slide show carries, and how long the frame waits for it to answer.
    static constexpr const char* kSlideShowMarker = "SLIDECAST";
    static constexpr int kSlideShowAnswerMs = 200;
    // The launcher sits at the right end of the tool bars' row, this wide.
    static constexpr int kLauncherWidth = 128;
    // Bar numbers.
    enum Bar {
        DvBar = 130,
        FolderBar = 131,
        TitleBar = 132,
        MenuBar = 133,
        FileBar = 134,
        HelpBar = 135,
        ViewBar = 136,
        FilterBar = 137,
        StatusBar = 138,
        ToolsBar = 139,
        LauncherBar = 140,
    };
    // Menus: the menu bar's first two pop-ups, the rest of the menu bar, the tree's and the view's.
    static constexpr int kMainMenu = 130;
    static constexpr int kDvMainMenu = 131;
    static constexpr int kTreeMenu = 139;
    static constexpr int kBarMenu = 140;
    static constexpr int kViewMenu = 141;

    CMainFrame(ConfigStore& config, CMarlin3Doc& document, bool dvEdition = false);
    ~CMainFrame() override;

    // The creation steps that follow construction: bar state, window state, substitutions, splash, view
    // settings, the card search timer.
    void create(bool showSplash);

    // The window marker of the running instance; the frame removes it when it is destroyed.
    void setInstanceMarker(platform::WindowMarker* marker);

    // Handles a command of a bar button or menu entry; false for commands nobody knows.
    bool onCommand(int id);

    // The running program's frame starts the temporary-file cleaner when it closes (tests' frames do not).
    void setStartsCleaner(bool on) { startsCleaner_ = on; }
    static constexpr int kCleanerDelayMs = 5000;

    // Starts an outside program (the slide show); tests record instead.
    using ProgramStarter = std::function<bool(const QString& program, const QStringList& arguments)>;
    void setProgramStarter(ProgramStarter starter) { programStarter_ = std::move(starter); }

    // Sees every command before it runs; returning true swallows it (tests record what the bars send).
    void setCommandFilter(std::function<bool(int)> filter) { commandFilter_ = std::move(filter); }

    const MainConfig& mainConfig() const { return config_; }
    CThumbView* view() const { return view_; }
    media::CFolderBar* folderBar() const { return folderBar_; }
    CTitleBar* titleBar() const { return titleBar_; }
    CStatusBar* statusBar() const { return statusBar_; }
    CButtonBar* buttonBar(int bar) const;
    QToolBar* toolBar(int bar) const;
    QDockWidget* folderDock() const { return folderDock_; }
    QDockWidget* dvDock() const { return dvDock_; }
    camlink::CDvBar* dvBar() const { return dvBar_; }
    CMarlin3Doc& document() const { return document_; }
    bool fillsWorkArea() const { return maximised_; }
    const LastFileOperation& lastFileOperation() const { return lastOperation_; }
    // What the menus' enabled and checked states are computed from, as of now.
    MenuContext menuContext() const;
    // The print order of the card the last search found.
    print::PrintOrder& printOrder() const { return *printOrder_; }
    // The launcher bar's programs (parent-notify events 1524 and 1525).
    QString launcherProgram(int number) const { return number == 1 ? program1_ : program2_; }
    // Sets launcher program 1 or 2 (a program dropped on its button); kept in the settings at close.
    void setLauncherProgram(int number, const QString& text);

    void fillWorkArea();
    void restoreFromWorkArea();
    // Restores a minimised frame and brings it to the front (a second instance asked for it).
    void bringToFront();

    // Builds menu `menuId`'s sub-menu `subMenu` with the current states, ready to pop up; commands
    // chosen in it come back to onCommand. The caller owns the menu.
    QMenu* buildPopup(int menuId, int subMenu);
    // The pop-up shown last (tests pick entries from it while it is open).
    QMenu* openPopup() const { return openPopup_; }

    // The card search (also command 32773); runs 2.5 seconds after creation.
    void searchCard();
    QString cardRoot() const;
    static constexpr int kCardSearchDelayMs = 2500;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The frame has no system border: the edges this close to the window's rim size it, except while it
    // fills the work area.
    static constexpr int kSizingBorder = 4;
    Qt::Edges sizingEdges(const QPoint& globalPos) const;
    void createBars();
    QToolBar* addBar(int bar, QWidget* content, Qt::ToolBarArea area);
    CButtonBar* makeButtonBar(int bar, std::initializer_list<int> buttons);
    void onButton(int bar, int childId);
    void popupMenuBarMenu(int childId);
    void popupAt(int menuId, int subMenu, const QPoint& globalPos);
    void toggleBar(int command);
    void updateFilterBar();
    void updateSizeBox();
    void updateStatusBar();
    void applyPlacement();
    void applyViewSettings();
    void saveConfig();
    void runLauncher(int number);
    void slideShowButton();

    // The view's file commands.
    void deleteSelected();
    void renameFile(const QString& path, const QString& newName);
    void rename();
    void refresh();
    void undo();
    void backup();
    void printOrder();
    void print(int command);
    void rotate(int command);
    void convert(int mode);
    void search();
    void dvFilterDialog();
    void openManual();
    void openItem(int position);
    // Drag and drop: the folder a drop at `pos` of `target` goes into; the drop itself; a drag of the
    // view's selection.
    QString dropFolderAt(QObject* target, const QPoint& pos) const;
    bool handleDrop(QObject* watched, QEvent* event);
    // The tree's folder under a drag is highlighted; the tree scrolls while the drag is this close to an edge.
    static constexpr int kDropScrollZone = 16;
    void highlightDropItem(QTreeWidgetItem* item);
    void startDrag();
    // The file hand-overs: clipboard, paste and drop, copy into a card, wallpaper, slide show.
    QString targetFolder() const;
    void copyToClipboard(bool cut);
    void paste();
    void transferFiles(const QStringList& sources, const QString& folder, fileops::OperationKind kind);
    void copyIntoCard();
    void setWallpaper();
    void startSlideShow();
    QStringList dvProgramOptions() const;
    imaging::DvFilterSettings dvFilterSettings() const;
    void revalidatePrintOrder();
    print::CPrintService& printService();

    ConfigStore& store_;
    CMarlin3Doc& document_;
    bool dvEdition_;
    MainConfig config_;
    CThumbView* view_;
    CTitleBar* titleBar_ = nullptr;
    CStatusBar* statusBar_ = nullptr;
    CDesignDropDown* sizeBox_ = nullptr;
    media::CFolderBar* folderBar_ = nullptr;
    QDockWidget* folderDock_ = nullptr;
    QDockWidget* dvDock_ = nullptr;
    std::unique_ptr<camlink::DvBarSettings> dvSettings_;
    camlink::CDvBar* dvBar_ = nullptr;
    std::map<int, QToolBar*> toolBars_;
    std::map<int, CButtonBar*> buttonBars_;
    QString program1_;
    QString program2_;
    QPointer<QMenu> openPopup_;
    std::function<bool(int)> commandFilter_;
    ProgramStarter programStarter_ = [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };
    LastFileOperation lastOperation_;
    std::unique_ptr<print::CPrintService> printService_;
    std::unique_ptr<print::PrintOrder> printOrder_;
    platform::WindowMarker* instanceMarker_ = nullptr;
    bool maximised_ = false;
    QRect normalRect_;
    bool normalRectSaved_ = false;
    bool treeHadFocus_ = false;
    bool saved_ = false;
    bool sizingCursor_ = false;
    bool startsCleaner_ = false;
    QTreeWidgetItem* dropHighlight_ = nullptr;
};
