#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

namespace platform {
namespace {

std::mutex folderLock;
QString pinnedFolder;

QString executablePath()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

// Another user must not be able to read our sockets, take our lock file away, or (by creating the
// folder first) keep the program from starting: the folder has to be ours, a real folder, and closed
// to everybody else.
constexpr mode_t PrivateMode = 0700;

// Creates `folder` (its parent must exist) or checks the one that is there. True when it is a folder
// of this user, not a link, with no permissions for group or others (after tightening them).
bool makePrivateFolder(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), PrivateMode) != 0 && errno != EEXIST)
        return false;
    struct stat facts;
    if (::lstat(path.constData(), &facts) != 0 || !S_ISDIR(facts.st_mode) || facts.st_uid != ::getuid())
        return false;
    if ((facts.st_mode & 077) != 0 && ::chmod(path.constData(), PrivateMode) != 0)
        return false;
    return true;
}

bool isOwnFolder(const QString& folder)
{
    struct stat facts;
    return ::stat(QFile::encodeName(folder).constData(), &facts) == 0 && S_ISDIR(facts.st_mode)
           && facts.st_uid == ::getuid();
}

std::mutex runtimeLock;
QString lastResortFolder;

}  // namespace

QString programFolder()
{
    {
        std::lock_guard guard(folderLock);
        if (!pinnedFolder.isEmpty())
            return pinnedFolder;
    }
    static const QString folder = QFileInfo(executablePath()).absolutePath();
    return folder;
}

void setProgramFolder(const QString& folder)
{
    std::lock_guard guard(folderLock);
    pinnedFolder = folder.endsWith(QLatin1Char('/')) && folder.size() > 1 ? folder.chopped(1) : folder;
}

bool programFolderPinned()
{
    std::lock_guard guard(folderLock);
    return !pinnedFolder.isEmpty();
}

QString tempFolder()
{
    QString folder = QDir::tempPath();
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

QString runtimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isOwnFolder(runtime))
        return runtime.size() > 1 && runtime.endsWith(QLatin1Char('/')) ? runtime.chopped(1) : runtime;

    // The temporary folder is shared between users: one folder each, named after the user.
    const QString shared = tempFolder() + QStringLiteral("/kestrel-") + QString::number(::getuid());
    if (makePrivateFolder(shared))
        return shared;

    // Someone else holds that name. The user's own cache folder cannot be taken by others.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty() && QDir().mkpath(cache)) {
        const QString own = cache + QStringLiteral("/kestrel-runtime");
        if (makePrivateFolder(own))
            return own;
    }

    // No fixed place is usable: a folder of this process alone. The single-instance check then only
    // sees this process, but the program starts.
    std::lock_guard guard(runtimeLock);
    if (lastResortFolder.isEmpty()) {
        QByteArray pattern = QFile::encodeName(tempFolder() + QStringLiteral("/kestrel-") +
                                               QString::number(::getuid()) + QStringLiteral("-XXXXXX"));
        if (::mkdtemp(pattern.data()))
            lastResortFolder = QFile::decodeName(pattern);
        else
            lastResortFolder = tempFolder();
    }
    return lastResortFolder;
}

QString documentsFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + QStringLiteral("/Documents");
    QDir().mkpath(folder);
    return folder;
}

QString programName()
{
    return QFileInfo(executablePath()).completeBaseName();
}

QString fileNameFromBytes(QByteArrayView bytes)
{
    // Stateless: a sequence cut short at the end reads as a replacement character instead of vanishing.
    QStringDecoder decode(QStringDecoder::System, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decode(bytes);
}

}  // namespace platform
