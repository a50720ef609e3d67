#include "app/ConfigStore.h"

#include "platform/Paths.h"

#include <QSettings>
#include <QStandardPaths>

namespace {

constexpr auto kMainSection = "MainConfigInfo";
constexpr auto kWindowSection = "WindowInfo";
constexpr auto kDvSection = "DvConfigInfo";
constexpr auto kBarStateSection = "BarState";

// The registry root of the original layout, kept as the folder below the configuration folder.
constexpr auto kVendorFolder = "Quilvaret";
constexpr auto kProductFolder = "Kestrel Ver1.0J";

// The viewer started by the first launcher button when the user has chosen none.
constexpr auto kDefaultViewer = "Framepeek";
constexpr auto kBackupFolderName = "Kestrel";

class Section {
public:
    Section(QSettings& settings, const char* name) : settings_(settings) { settings_.beginGroup(QLatin1String(name)); }
    ~Section() { settings_.endGroup(); }

    int number(const char* key, int fallback) const
    {
        bool ok = false;
        const int value = settings_.value(QLatin1String(key)).toInt(&ok);
        return ok ? value : fallback;
    }
    QString text(const char* key, const QString& fallback = {}) const
    {
        const QVariant value = settings_.value(QLatin1String(key));
        if (!value.isValid())
            return fallback;
        // An unquoted value with commas (a hand-edited program path with arguments) reads as a list.
        if (value.typeId() == QMetaType::QStringList)
            return value.toStringList().join(QStringLiteral(", "));
        return value.toString();
    }
    void set(const char* key, int value) { settings_.setValue(QLatin1String(key), value); }
    void set(const char* key, const QString& value) { settings_.setValue(QLatin1String(key), value); }

private:
    QSettings& settings_;
};

BarSize loadBarSize(QSettings& settings, const char* cxKey, const char* cyKey)
{
    const BarSize defaults;
    Section section(settings, kWindowSection);
    return BarSize{section.number(cxKey, defaults.cx), section.number(cyKey, defaults.cy)};
}

void saveBarSize(QSettings& settings, const char* cxKey, const char* cyKey, const BarSize& size)
{
    Section section(settings, kWindowSection);
    section.set(cxKey, size.cx);
    section.set(cyKey, size.cy);
}

}  // namespace

QString ConfigStore::profilePath(const QString& profileName)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') +
           QLatin1String(kVendorFolder) + QLatin1Char('/') + QLatin1String(kProductFolder) + QLatin1Char('/') +
           profileName + QStringLiteral(".conf");
}

ConfigStore::ConfigStore() : ConfigStore(profilePath(platform::programName())) {}

ConfigStore::ConfigStore(const QString& filePath)
    : settings_(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
}

ConfigStore::~ConfigStore() = default;

QString ConfigStore::filePath() const
{
    return settings_->fileName();
}

MainConfig ConfigStore::loadMainConfig(bool dvEdition) const
{
    MainConfig config;
    {
        Section section(*settings_, kMainSection);
        config.viewType = section.number("ViewType", config.viewType);
        config.viewSize = section.number("ViewSize", config.viewSize);
        config.viewOrder = section.number("ViewOrder", config.viewOrder);
        config.viewOrderMode = section.number("ViewOrderMode", config.viewOrderMode);
        config.viewForm = section.number("ViewForm", config.viewForm);
        config.dvFilterMode = section.number("ToolDvFilterMode", config.dvFilterMode);
        config.marginTop = section.number("WakuDelLine.top", config.marginTop);
        config.marginBottom = section.number("WakuDelLine.bottom", config.marginBottom);
        config.marginLeft = section.number("WakuDelLine.left", config.marginLeft);
        config.marginRight = section.number("WakuDelLine.right", config.marginRight);
        config.launchApp1 = section.text("LanchApp1");
        config.launchApp2 = section.text("LanchApp2");
        config.backupFolder = section.text("BackupFolder");
    }
    if (!dvEdition) {
        // The DV filter belongs to the edition with the camcorder bar; here it is always off.
        config.dvFilterMode = 0;
        config.marginTop = config.marginBottom = config.marginLeft = config.marginRight = 0;
    }
    return config;
}

void ConfigStore::saveMainConfig(const MainConfig& config, const WindowPlacement& placement)
{
    {
        Section section(*settings_, kMainSection);
        section.set("ViewType", config.viewType);
        section.set("ViewSize", config.viewSize);
        section.set("ViewOrder", config.viewOrder);
        section.set("ViewOrderMode", config.viewOrderMode);
        section.set("ViewForm", config.viewForm);
        section.set("ToolDvFilterMode", config.dvFilterMode);
        section.set("WakuDelLine.top", config.marginTop);
        section.set("WakuDelLine.bottom", config.marginBottom);
        section.set("WakuDelLine.left", config.marginLeft);
        section.set("WakuDelLine.right", config.marginRight);
        section.set("LanchApp1", config.launchApp1);
        section.set("LanchApp2", config.launchApp2);
        section.set("BackupFolder", config.backupFolder);
    }
    Section section(*settings_, kWindowSection);
    section.set("ShowMax", placement.showMax);
    section.set("WindowPos.Left", placement.left);
    section.set("WindowPos.Top", placement.top);
    section.set("WindowPos.Right", placement.right);
    section.set("WindowPos.Bottom", placement.bottom);
}

WindowPlacement ConfigStore::loadWindowPlacement() const
{
    WindowPlacement placement;
    Section section(*settings_, kWindowSection);
    placement.showMax = section.number("ShowMax", placement.showMax);
    placement.left = section.number("WindowPos.Left", placement.left);
    placement.top = section.number("WindowPos.Top", placement.top);
    placement.right = section.number("WindowPos.Right", placement.right);
    placement.bottom = section.number("WindowPos.Bottom", placement.bottom);
    return placement;
}

BarSize ConfigStore::loadFolderBarSize() const
{
    return loadBarSize(*settings_, "DvFolderSize.cx", "DvFolderSize.cy");
}

void ConfigStore::saveFolderBarSize(const BarSize& size)
{
    saveBarSize(*settings_, "DvFolderSize.cx", "DvFolderSize.cy", size);
}

BarSize ConfigStore::loadDvBarSize() const
{
    return loadBarSize(*settings_, "DvBarSize.cx", "DvBarSize.cy");
}

void ConfigStore::saveDvBarSize(const BarSize& size)
{
    saveBarSize(*settings_, "DvBarSize.cx", "DvBarSize.cy", size);
}

DvConfig ConfigStore::loadDvConfig() const
{
    DvConfig config;
    Section section(*settings_, kDvSection);
    config.defaultFolder = section.text("DefaultFolder");
    config.commName = section.text("CommName");
    config.sound = section.number("Sound", config.sound);
    config.captureType = section.number("CaptureType", config.captureType);
    config.autoCapForm = section.number("AutoCapForm", config.autoCapForm);
    config.intervalTimeVtr = section.number("IntervalTimeVTR", config.intervalTimeVtr);
    config.intervalTimeEe = section.number("IntervalTimeEE", config.intervalTimeEe);
    return config;
}

void ConfigStore::saveDvConfig(const DvConfig& config)
{
    Section section(*settings_, kDvSection);
    section.set("DefaultFolder", config.defaultFolder);
    section.set("CommName", config.commName);
    section.set("Sound", config.sound);
    section.set("CaptureType", config.captureType);
    section.set("AutoCapForm", config.autoCapForm);
    section.set("IntervalTimeVTR", config.intervalTimeVtr);
    section.set("IntervalTimeEE", config.intervalTimeEe);
}

QByteArray ConfigStore::loadBarState() const
{
    return settings_->value(QLatin1String(kBarStateSection) + QStringLiteral("/State")).toByteArray();
}

void ConfigStore::saveBarState(const QByteArray& state)
{
    settings_->setValue(QLatin1String(kBarStateSection) + QStringLiteral("/State"), state);
}

void ConfigStore::sync()
{
    settings_->sync();
}

void substituteConfigDefaults(MainConfig& config, const QString& programFolder, const QString& documentsFolder)
{
    if (config.launchApp1.isEmpty())
        config.launchApp1 = programFolder + QLatin1Char('/') + QLatin1String(kDefaultViewer);
    if (config.backupFolder.isEmpty())
        config.backupFolder = documentsFolder + QLatin1Char('/') + QLatin1String(kBackupFolderName);
}
