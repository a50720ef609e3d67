#include "browser/ShellFileInfo.h"

#include "browser/RegularFile.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>

#include <sys/stat.h>

namespace shell {
namespace {

// A regular file by its name and contents; anything else by what it is, without opening it.
QMimeType mimeTypeOf(const QString& path)
{
    const QMimeDatabase database;
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return database.mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    const char* inode = nullptr;
    if (S_ISDIR(info.st_mode))
        inode = "inode/directory";
    else if (S_ISFIFO(info.st_mode))
        inode = "inode/fifo";
    else if (S_ISSOCK(info.st_mode))
        inode = "inode/socket";
    else if (S_ISCHR(info.st_mode))
        inode = "inode/chardevice";
    else if (S_ISBLK(info.st_mode))
        inode = "inode/blockdevice";
    else if (!S_ISREG(info.st_mode))
        return database.mimeTypeForName(QStringLiteral("application/octet-stream"));
    if (inode)
        return database.mimeTypeForName(QLatin1String(inode));
    return database.mimeTypeForFile(path);
}

QIcon iconOfType(const QMimeType& type)
{
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    return icon;
}

}  // namespace

QString displayName(const QString& path)
{
    return QFileInfo(path).fileName();
}

QString typeName(const QString& path)
{
    return mimeTypeOf(path).comment();
}

QString mimeNameOf(const QString& path)
{
    return mimeTypeOf(path).name();
}

QString mimeNameByExtension(const QString& name)
{
    return QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension).name();
}

QString typeNameOfMime(const QString& mimeName)
{
    return QMimeDatabase().mimeTypeForName(mimeName).comment();
}

QIcon fileIcon(const QString& path)
{
    QIcon icon = iconOfType(mimeTypeOf(path));
    if (icon.isNull())
        icon = isRegularFile(path) ? QFileIconProvider().icon(QFileInfo(path)) : QFileIconProvider().icon(QFileIconProvider::File);
    return icon;
}

QPixmap mimeIcon(const QString& mimeName, int size)
{
    // A folder shows a handful of types: one pixmap per type and size serves every repaint.
    static QHash<QString, QPixmap> cache;
    const QString key = mimeName + QLatin1Char('@') + QString::number(size);
    const auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;
    QIcon icon = iconOfType(QMimeDatabase().mimeTypeForName(mimeName));
    if (icon.isNull())
        icon = QFileIconProvider().icon(QFileIconProvider::File);
    const QPixmap pixmap = icon.pixmap(size, size);
    cache.insert(key, pixmap);
    return pixmap;
}

}  // namespace shell
