#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <mutex>

namespace platform {
namespace {

std::mutex folderLock;
QString pinnedFolder;

QString executablePath()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

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

}  // namespace platform
