#pragma once
// The file lists that travel on the clipboard and in drags, in the forms the program and the desktop's
// file managers exchange.
//
// What the program puts up carries the same list four times over: `text/uri-list` (what every Linux
// file manager reads), `x-special/gnome-copied-files` and `application/x-kde-cutselection` (so a file
// manager knows a cut from a copy), and the program's private format, whose payload is the dropped-files
// block: a 20-byte header (list offset 20, a point 0,0, "not client area" 0, "wide" 0), then each path
// NUL-ended in the file-name encoding, then one more NUL. The private format marks data the program
// itself put up.
//
// Reading trusts nothing: a block's offset and wide flag are checked against its size, strings without
// their NUL end at the buffer's end, and only local files are taken from URI lists.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <Qt>

#include <functional>

class QMimeData;

namespace fileops::clipboard {

inline constexpr char PrivateFormat[] = "MRL3_ThumbnailInfo_45E6A820-3342-11d5-8ED0-004026752F91";
inline constexpr char UriListFormat[] = "text/uri-list";
inline constexpr char GnomeFormat[] = "x-special/gnome-copied-files";
inline constexpr char KdeCutFormat[] = "application/x-kde-cutselection";

inline constexpr int DropFilesHeaderSize = 20;

enum class Action { Copy, Cut };

// The dropped-files block of `paths` (narrow, as the program writes it).
QByteArray dropFilesBlock(const QStringList& paths);
// The paths of a dropped-files block, narrow or wide. Empty for anything malformed.
QStringList parseDropFilesBlock(const QByteArray& block);

// New mime data holding `paths` in every form above, marked as a copy or a cut. The caller owns it
// (QClipboard::setMimeData and QDrag::setMimeData take it over).
QMimeData* makeFileMimeData(const QStringList& paths, Action action);

struct ClipboardFiles {
    QStringList paths;  // local paths, in order
    bool cut = false;   // the source asked for a move
    bool ours = false;  // the program's private format was present
};

// The files on a clipboard or in a drop, from whichever format holds them: the private block first,
// then GNOME's copied-files list, then a plain URI list. Null data gives an empty answer.
ClipboardFiles readFiles(const QMimeData* data);

// The local paths of a `text/uri-list` or GNOME list body (GNOME's first line, "copy" or "cut", is
// skipped by the caller). Comment lines and non-file URIs are dropped.
QStringList localPathsFromUriList(const QByteArray& body);

// The effect of a drop by the keys held: Ctrl and Shift make links; onto another volume without
// Shift, a copy; Ctrl alone copies; otherwise the files move.
Qt::DropAction dropEffect(Qt::KeyboardModifiers keys, bool sameVolume);
// True when `path` and `folder` lie on the same file system (device), following neither to its link
// target's volume. False when either cannot be examined.
bool onSameVolume(const QString& path, const QString& folder);

// Makes a symbolic link to each of `targets` in `folder`, named "<name>へのショートカット", then
// "… (2)" and on, never over an existing entry (a dangling link counts as existing). Stops at the first
// failure. Returns the links made, in order.
QStringList createShortcuts(const QStringList& targets, const QString& folder);

}  // namespace fileops::clipboard
