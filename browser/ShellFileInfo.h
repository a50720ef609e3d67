#pragma once
// How the desktop names a file: its display name and its type name, and its icons at the two sizes
// the program draws.
//
// The display name is the file name. The type name is the description of the file's MIME type, in the
// user's language. Icons are the MIME type's theme icon, else the style's icon for the file.

#include <QIcon>
#include <QString>

namespace shell {

constexpr int kSmallIconSize = 16;
constexpr int kLargeIconSize = 32;

QString displayName(const QString& path);
QString typeName(const QString& path);

// Needs a QApplication (the style's icons).
QIcon fileIcon(const QString& path);

}  // namespace shell
