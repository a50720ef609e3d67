#pragma once
// What the DV control bar keeps in the configuration: section "DvConfigInfo" and its size entries
// "DvBarSize.cx"/"DvBarSize.cy" of "WindowInfo". The bar reads them when it is built and writes them
// when it goes away, through this interface, so that it needs nothing of the application shell.
//
// StoreDvBarSettings adapts any store with the shell's configuration calls (loadDvConfig/saveDvConfig
// with the seven fields below, loadDvBarSize/saveDvBarSize with cx/cy); the frame passes
// `camlink::StoreDvBarSettings<ConfigStore>(store)`.

#include <QSize>
#include <QString>

namespace camlink {

struct DvBarConfig {
    QString defaultFolder;  // "DefaultFolder": where captured pictures go
    QString commName;       // "CommName": the preferred port
    int sound = 1;
    int captureType = 0;
    int autoCapForm = 0;
    int intervalTimeVtr = 10000;  // milliseconds
    int intervalTimeEe = 60000;   // milliseconds
    bool operator==(const DvBarConfig&) const = default;
};

class DvBarSettings {
public:
    virtual ~DvBarSettings() = default;
    virtual DvBarConfig loadDvConfig() const = 0;
    virtual void saveDvConfig(const DvBarConfig& config) = 0;
    virtual QSize loadDvBarSize() const = 0;
    virtual void saveDvBarSize(const QSize& size) = 0;
};

template <typename Store>
class StoreDvBarSettings : public DvBarSettings {
public:
    explicit StoreDvBarSettings(Store& store) : store_(store) {}

    DvBarConfig loadDvConfig() const override
    {
        const auto stored = store_.loadDvConfig();
        return DvBarConfig{stored.defaultFolder, stored.commName,      stored.sound,         stored.captureType,
                           stored.autoCapForm,   stored.intervalTimeVtr, stored.intervalTimeEe};
    }
    void saveDvConfig(const DvBarConfig& config) override
    {
        auto stored = store_.loadDvConfig();
        stored.defaultFolder = config.defaultFolder;
        stored.commName = config.commName;
        stored.sound = config.sound;
        stored.captureType = config.captureType;
        stored.autoCapForm = config.autoCapForm;
        stored.intervalTimeVtr = config.intervalTimeVtr;
        stored.intervalTimeEe = config.intervalTimeEe;
        store_.saveDvConfig(stored);
    }
    QSize loadDvBarSize() const override
    {
        const auto size = store_.loadDvBarSize();
        return QSize(size.cx, size.cy);
    }
    void saveDvBarSize(const QSize& size) override
    {
        auto stored = store_.loadDvBarSize();
        stored.cx = size.width();
        stored.cy = size.height();
        store_.saveDvBarSize(stored);
    }

private:
    Store& store_;
};

}  // namespace camlink
