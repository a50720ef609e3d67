#pragma once
// The application object: brings the program up in a fixed order (resource bundles, single instance,
// layout tables, configuration, document/frame/view) and takes it down again.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>

class CMainFrame;
class CMarlin3Doc;
class ConfigStore;
namespace platform {
class InstanceLock;
class WindowMarker;
}

class CKestrelApp {
public:
    // The name of the single-instance lock and of the marker on the running main window.
    static constexpr auto kInstanceName = "Quilvaret Kestrel1 for DSC Application Mutex";
    // Layout table numbers by slot: 155 is not used, 161 stands in the sixth slot.
    static constexpr std::array<int, 11> kLayoutNumbers{150, 151, 152, 153, 154, 161, 156, 157, 158, 159, 160};

    enum class Start {
        Run,       // the main window is up: run the event loop
        EndQuiet,  // end now, status 0 (another instance runs, or started as an automation server)
        Fail,      // end now, status 1 (a bundle is missing; its message was shown)
    };

    CKestrelApp();
    ~CKestrelApp();

    // The start-up steps in order. `arguments` excludes the program name.
    Start initInstance(const QStringList& arguments);
    // Tears down the frame, then frees the bundles; returns the exit status.
    int exitInstance();

    // True when the command line carries the framework's automation switches.
    static bool isAutomationStart(const QStringList& arguments);

    CMainFrame* frame() const { return frame_.get(); }
    CMarlin3Doc* document() const { return document_.get(); }
    // The layout table of a slot; a null array when the bundle has none.
    const QByteArray& layoutTable(int slot) const { return layoutTables_.at(slot); }

private:
    bool bindBundles();
    bool checkSingleInstance();
    void loadLayoutTables();

    std::unique_ptr<platform::InstanceLock> instanceLock_;
    std::unique_ptr<platform::WindowMarker> marker_;
    std::array<QByteArray, 11> layoutTables_;
    std::unique_ptr<ConfigStore> config_;
    std::unique_ptr<CMarlin3Doc> document_;
    std::unique_ptr<CMainFrame> frame_;
};
