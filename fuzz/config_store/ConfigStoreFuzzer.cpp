// The configuration reader on hostile files (a hand-edited or damaged kestrel.conf): every section is
// read over its defaults, written back to a fresh file and read again. What the program writes must
// read back as the same settings, or a start after a damaged file would drift.

#include "app/ConfigStore.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

constexpr std::size_t MaxInput = 1 << 16;

struct Everything {
    MainConfig main;
    MainConfig mainDv;
    WindowPlacement placement;
    BarSize folderBar;
    BarSize dvBar;
    DvConfig dv;
    QByteArray barState;

    bool operator==(const Everything&) const = default;
};

Everything readAll(const QString& path)
{
    const ConfigStore store(path);
    return Everything{store.loadMainConfig(false), store.loadMainConfig(true), store.loadWindowPlacement(),
                      store.loadFolderBarSize(), store.loadDvBarSize(), store.loadDvConfig(), store.loadBarState()};
}

void writeAll(const QString& path, const Everything& all)
{
    ConfigStore store(path);
    store.saveMainConfig(all.mainDv, all.placement);
    store.saveFolderBarSize(all.folderBar);
    store.saveDvBarSize(all.dvBar);
    store.saveDvConfig(all.dv);
    store.saveBarState(all.barState);
    store.sync();
}

const QTemporaryDir& folder()
{
    static const QTemporaryDir dir;
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > MaxInput || !folder().isValid())
        return 0;
    // Fresh names each time: the settings layer caches files by name and might not notice a rewrite
    // within the same clock tick.
    static unsigned long counter = 0;
    ++counter;
    const QString input = folder().filePath(QStringLiteral("input-%1.conf").arg(counter));
    const QString again = folder().filePath(QStringLiteral("again-%1.conf").arg(counter));
    {
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    const Everything first = readAll(input);
    writeAll(again, first);
    const bool same = readAll(again) == first;
    QFile::remove(input);
    QFile::remove(again);
    if (!same)
        std::abort();
    return 0;
}
