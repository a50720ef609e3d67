#pragma once
// Everything the DV control bar does, without its widgets: binding Camlink, the configuration, the
// link with its port search, the buttons and the state they show, and the waits.
//
// Nothing here blocks the GUI thread: connecting, a button's command and a wait run on one worker at a
// time and report back through queued signals. A wait ends early when the left mouse button is released
// over its cancel window (-31), which an event filter on that window notices as the GUI thread
// processes events.

#include "camlink/CamlinkBinding.h"
#include "camlink/DvBarSettings.h"
#include "camlink/DvLink.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <thread>

class QWidget;

namespace camlink {

// The bar's buttons and the command rows they send.
enum class DvButton {
    Rewind,           // row 7
    PlayReverse,      // row 1
    PreviousFrame,    // row 5
    Pause,            // row 4
    Stop,             // row 3
    Play,             // row 2
    NextFrame,        // row 6
    FastForward,      // row 8
    SlowForward,      // row 52
    FastPlayReverse,  // row 50
    FastPlayForward,  // row 51
    Record,           // row 9
};
int rowOf(DvButton button);

namespace messages {
inline const char* const kCamlinkMissing = "Camlink.dllがありません。";
inline const char* const kCamlinkCaption = "DLL読み込みエラー";
}  // namespace messages

class DvBarController : public QObject {
    Q_OBJECT
public:
    // Below the user's documents folder when no working folder is stored.
    static constexpr const char* kWorkingFolderName = "MARLIN";

    struct Options {
        LinkTimings timings;
        WaitOptions wait;                     // the waits' polling; the time limit is per wait
        std::vector<PortCandidate> candidates;  // empty: the standard ports
    };

    // Binds Camlink (a missing library or export shows its message once, owned by `messageOwner`) and
    // reads the configuration from `settings`, which must outlive the controller. The preferred port is
    // the stored "CommName" (empty when none is stored: every port is searched); a Windows-style name
    // such as "COM1" means /dev/ttyS0 (see PortCandidates.h).
    DvBarController(DvBarSettings& settings, QWidget* messageOwner, Options options);
    DvBarController(DvBarSettings& settings, QWidget* messageOwner);
    // Stops any work, closes the link, writes the configuration back and frees Camlink.
    ~DvBarController() override;

    bool isBound() const { return binding_.isBound(); }
    bool isBusy() const { return worker_.joinable(); }
    DvLink& link() { return *link_; }

    const DvBarConfig& config() const { return config_; }
    QString preferredPort() const { return config_.commName; }
    void setPreferredPort(const QString& name) { config_.commName = name; }
    QString workingFolder() const { return workingFolder_; }
    QSize barSize() const { return barSize_; }
    void setBarSize(const QSize& size) { barSize_ = size; }

    int stateId() const { return stateId_; }
    // The state's string of the resource bundle (its number when the bundle lacks it); empty when none.
    QString stateText() const;
    static QString stateText(int stateId);

    // Each starts work on the worker and returns true, or returns false when nothing is started (Camlink
    // missing, or the worker still busy).
    bool connectLink(bool silent = false);
    bool press(DvButton button);
    bool refreshState();
    bool waitForState(int stateId, QWidget* cancelWindow, std::chrono::milliseconds limit = {});
    void cancelWait() { cancel_.cancel(); }
    void disconnectLink();

signals:
    void connectFinished(int status);
    void commandFinished(int row, int status);
    void stateChanged(int stateId);
    void waitFinished(int status);
    void busyChanged(bool busy);
    void searchStarted(int portCount);
    void portTried(int index, const QString& name);
    void searchEnded();

private:
    bool run(std::function<int()> work, std::function<void(int)> done);
    void finishWork(unsigned generation, int result);
    void setState(int stateId);

    DvBarSettings& settings_;
    Options options_;
    CamlinkBinding binding_;
    std::unique_ptr<DvLink> link_;
    DvBarConfig config_;
    QString workingFolder_;
    QSize barSize_;
    int stateId_ = 0;

    std::thread worker_;
    std::function<void(int)> done_;
    unsigned generation_ = 0;
    CancelToken cancel_;
    std::unique_ptr<QObject> cancelFilter_;
};

}  // namespace camlink
