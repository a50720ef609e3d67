#include "browser/ShellFileInfo.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>

namespace shell {

QString displayName(const QString& path)
{
    return QFileInfo(path).fileName();
}

QString typeName(const QString& path)
{
    return QMimeDatabase().mimeTypeForFile(path).comment();
}

QIcon fileIcon(const QString& path)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull())
        icon = QFileIconProvider().icon(QFileInfo(path));
    return icon;
}

}  // namespace shell
