#pragma once
// The per-user configuration: an INI file per profile at
// $XDG_CONFIG_HOME/Quilvaret/Kestrel Ver1.0J/<profile>.conf, one section per owner window.
//
// Each section belongs to one window: the owner reads it when it is built and writes it when it goes
// away; nothing is written while the program runs. These are the owners' read and write helpers; every
// reader passes the defaults below, so a missing entry yields its default.

#include <QByteArray>
#include <QRect>
#include <QString>

#include <memory>

class QSettings;

// Section "MainConfigInfo", owned by the main frame.
struct MainConfig {
    int viewType = 1;       // 1..3: the view's display modes 0..2
    int viewSize = 1;       // 1..5: thumbnails of 128, 96, 64, 48, 32 pixels
    int viewOrder = 1;      // 1..4: the view's sort keys 0..3
    int viewOrderMode = 0;  // non-zero: the sort direction toggled once
    int viewForm = 3;       // 1..8: the filter buttons
    int dvFilterMode = 0;
    // Frame-line removal margins ("WakuDelLine.*") of the DV picture filter.
    int marginTop = 0;
    int marginBottom = 0;
    int marginLeft = 5;
    int marginRight = 5;
    QString launchApp1;    // "LanchApp1"
    QString launchApp2;    // "LanchApp2"
    QString backupFolder;  // "BackupFolder"

    bool operator==(const MainConfig&) const = default;
};

// The main frame's entries of section "WindowInfo".
struct WindowPlacement {
    int showMax = 0;  // 1 when the frame fills the work area
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    QRect rect() const { return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)); }
    bool hasRect() const { return right > left && bottom > top; }
    bool operator==(const WindowPlacement&) const = default;
};

// A bar's stored size ("DvFolderSize.*", "DvBarSize.*" of section "WindowInfo").
struct BarSize {
    int cx = 258;
    int cy = 155;
    bool operator==(const BarSize&) const = default;
};

// Section "DvConfigInfo", owned by the DV camcorder bar.
struct DvConfig {
    QString defaultFolder;
    QString commName;
    int sound = 1;
    int captureType = 0;
    int autoCapForm = 0;
    int intervalTimeVtr = 10000;  // milliseconds
    int intervalTimeEe = 60000;   // milliseconds
    bool operator==(const DvConfig&) const = default;
};

class ConfigStore {
public:
    // The store of the running program's profile.
    ConfigStore();
    // A store kept in `filePath` (tests).
    explicit ConfigStore(const QString& filePath);
    ~ConfigStore();

    // $XDG_CONFIG_HOME/Quilvaret/Kestrel Ver1.0J/<profile>.conf
    static QString profilePath(const QString& profileName);
    QString filePath() const;

    // Reads "MainConfigInfo" over the defaults. Outside the DV edition the five DV filter values are
    // cleared right after reading; they are still written back (as 0) by saveMainConfig.
    MainConfig loadMainConfig(bool dvEdition = false) const;
    // Writes "MainConfigInfo" and the placement entries of "WindowInfo".
    void saveMainConfig(const MainConfig& config, const WindowPlacement& placement);

    WindowPlacement loadWindowPlacement() const;

    BarSize loadFolderBarSize() const;
    void saveFolderBarSize(const BarSize& size);
    BarSize loadDvBarSize() const;
    void saveDvBarSize(const BarSize& size);

    DvConfig loadDvConfig() const;
    void saveDvConfig(const DvConfig& config);

    // The frame's bar docking state, section "BarState".
    QByteArray loadBarState() const;
    void saveBarState(const QByteArray& state);

    // Writes everything to disk now.
    void sync();

private:
    std::unique_ptr<QSettings> settings_;
};

// The in-memory substitutions the frame makes while it is created: an empty "LanchApp1" becomes the
// viewer beside the program, an empty "BackupFolder" the "Kestrel" folder in the user's documents.
void substituteConfigDefaults(MainConfig& config, const QString& programFolder, const QString& documentsFolder);
