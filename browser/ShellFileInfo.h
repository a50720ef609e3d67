#pragma once
// How the desktop names a file: its display name and its type name, and its icons at the two sizes
// the program draws.
//
// The display name is the file name. The type name is the description of the file's MIME type, in the
// user's language. Icons are the MIME type's theme icon, else the style's icon for the file.
//
// Only a regular file is ever looked into for its type; a pipe, a socket or a device is named for what
// it is without being opened.

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace shell {

constexpr int kSmallIconSize = 16;
constexpr int kLargeIconSize = 32;

QString displayName(const QString& path);
QString typeName(const QString& path);

// The name of the file's MIME type (its contents may be read: not for painting).
QString mimeNameOf(const QString& path);
// The MIME type a name has by its extension alone; reads nothing.
QString mimeNameByExtension(const QString& name);
// The description of a MIME type by its name.
QString typeNameOfMime(const QString& mimeName);

// Needs a QApplication (the style's icons).
QIcon fileIcon(const QString& path);
// The icon of a MIME type at `size` pixels, made once and kept: what the painters draw. GUI thread only.
QPixmap mimeIcon(const QString& mimeName, int size);

}  // namespace shell
