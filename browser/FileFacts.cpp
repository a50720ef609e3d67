#include "browser/FileFacts.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

FileFacts FileFacts::read(const QString& path)
{
    FileFacts facts;
    if (path.isEmpty())
        return facts;
    const QByteArray name = QFile::encodeName(path);
    struct statx info {};
    if (statx(AT_FDCWD, name.constData(), 0, STATX_BASIC_STATS | STATX_BTIME, &info) != 0)
        return facts;
    auto ticks = [](const struct statx_timestamp& stamp) {
        return fileTimeFromTimespec(std::timespec{static_cast<std::time_t>(stamp.tv_sec), static_cast<long>(stamp.tv_nsec)});
    };
    facts.found = true;
    facts.size = info.stx_size;
    facts.lastWrite = ticks(info.stx_mtime);
    facts.creation = (info.stx_mask & STATX_BTIME) ? ticks(info.stx_btime) : facts.lastWrite;
    return facts;
}

QString itemPath(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}
