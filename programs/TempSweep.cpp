#include "programs/TempSweep.h"

#include <QFile>
#include <QRegularExpression>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace programs {

bool isOwnTemporaryName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^(KST[A-Za-z0-9]{6}|KESTRELDSC[0-9]{1,20}\\.jpg)$"));
    return pattern.match(name).hasMatch();
}

QStringList sweepTemporaryFiles(const QString& folder, const QDateTime& olderThan)
{
    QStringList removed;
    // Everything is looked at and removed relative to one open folder, so a folder swapped for a link
    // meanwhile cannot redirect the removal.
    const int folderFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return removed;
    DIR* listing = ::fdopendir(::dup(folderFd));
    if (!listing) {
        ::close(folderFd);
        return removed;
    }
    const qint64 limit = olderThan.toSecsSinceEpoch();
    const uid_t me = ::geteuid();
    while (const dirent* entry = ::readdir(listing)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (!isOwnTemporaryName(name))
            continue;
        struct stat facts {};
        if (::fstatat(folderFd, entry->d_name, &facts, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (!S_ISREG(facts.st_mode) || facts.st_uid != me || facts.st_mtime >= limit)
            continue;
        if (::unlinkat(folderFd, entry->d_name, 0) == 0)
            removed << name;
    }
    ::closedir(listing);
    ::close(folderFd);
    removed.sort();
    return removed;
}

int delayFromArguments(const QStringList& arguments, int fallback)
{
    for (const QString& argument : arguments) {
        if (!argument.startsWith(QLatin1String("-delay"), Qt::CaseInsensitive))
            continue;
        bool ok = false;
        const int value = argument.mid(6).toInt(&ok);
        if (ok && value >= 0)
            return value;
    }
    return fallback;
}

}  // namespace programs
