#pragma once
// The single top-level window: a frameless main window holding the thumbnail view. It owns the
// "MainConfigInfo" values from construction to destruction, applies them to the view while it is
// created and writes them back when it goes away.

#include "app/ConfigStore.h"

#include <QMainWindow>
#include <QRect>

class CThumbView;
class CMarlin3Doc;
namespace platform {
class WindowMarker;
}

class CMainFrame : public QMainWindow {
public:
    // The creation size of the frame.
    static constexpr int kCreationWidth = 780;
    static constexpr int kCreationHeight = 550;

    CMainFrame(ConfigStore& config, CMarlin3Doc& document, bool dvEdition = false);
    ~CMainFrame() override;

    // The creation steps that follow construction: window state, substitutions, splash, view settings.
    void create(bool showSplash);

    // The window marker of the running instance; the frame removes it when it is destroyed.
    void setInstanceMarker(platform::WindowMarker* marker);

    // Handles the frame's own commands; false for commands it does not know.
    bool onCommand(int id);

    const MainConfig& mainConfig() const { return config_; }
    CThumbView* view() const { return view_; }
    CMarlin3Doc& document() const { return document_; }
    bool fillsWorkArea() const { return maximised_; }

    void fillWorkArea();
    void restoreFromWorkArea();
    // Restores a minimised frame and brings it to the front (a second instance asked for it).
    void bringToFront();

    // The card search: looks for a camera card among the volumes and has the view list its picture
    // folder; without a card the user is told. Runs once, 2.5 seconds after creation, and on command.
    void searchCard();
    // The root of the card found by the last search; empty when none.
    QString cardRoot() const { return cardRoot_; }
    // The delay of the start-up card search.
    static constexpr int kCardSearchDelayMs = 2500;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyPlacement();
    void applyViewSettings();
    void saveConfig();

    ConfigStore& store_;
    CMarlin3Doc& document_;
    bool dvEdition_;
    MainConfig config_;
    CThumbView* view_;
    platform::WindowMarker* instanceMarker_ = nullptr;
    bool maximised_ = false;
    QRect normalRect_;
    bool normalRectSaved_ = false;
    bool saved_ = false;
    QString cardRoot_;
};
