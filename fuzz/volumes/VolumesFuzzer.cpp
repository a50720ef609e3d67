// Feeds arbitrary text to the two readers of the volume list: the kernel's mount list and the volume
// table of the test seam. Besides staying in bounds, every volume they give must keep the list's
// promises: a root that ends in '/' and a drive index that finds it again; the mount list also never
// gives two system volumes (the table may mark as many as its writer likes).

#include "platform/Volumes.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

constexpr size_t MaxInput = 1 << 16;

void check(const std::vector<platform::Volume>& volumes, bool oneSystem)
{
    int systems = 0;
    for (const platform::Volume& volume : volumes) {
        if (!volume.root.endsWith(QLatin1Char('/')))
            __builtin_trap();
        if (volume.system)
            ++systems;
        if (platform::Volumes::driveIndexOf(volume.root, volumes) < 0)
            __builtin_trap();
    }
    if (oneSystem && systems > 1)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0 || size > MaxInput)
        return 0;
    const QByteArray text(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));
    if (data[0] == 'T')
        check(platform::Volumes::fromTable(text, QStringLiteral("/base")), false);
    else
        check(platform::Volumes::fromMountInfo(text, QStringLiteral("/nonexistent/sys"),
                                               QStringLiteral("/nonexistent/by-label")),
              true);
    return 0;
}
