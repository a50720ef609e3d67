#pragma once
// What kind of directory entry a path names, and opening a file for reading without ever blocking.
//
// A folder on a card holds only regular files, but any folder the user opens may hold a named pipe, a
// socket or a device node. Opening a pipe for reading waits for a writer that may never come, and a
// device may hand out data for ever, so nothing in the browser opens a path (or hands it to a library
// that opens it) before it is known to be a regular file. Links are followed: a link to a picture is the
// picture.

#include <QFile>
#include <QString>

enum class EntryType {
    Missing,    // nothing there (or it cannot be examined)
    Regular,
    Directory,
    Special,    // a pipe, a socket, a character or block device
};

EntryType entryTypeOf(const QString& path);

inline bool isRegularFile(const QString& path)
{
    return entryTypeOf(path) == EntryType::Regular;
}

// Opens `path` read-only into `file` when it is a regular file. The open itself cannot block (a pipe put
// in the file's place meanwhile is refused by what the opened descriptor turns out to be). On failure
// `type` (may be null) tells why: Missing when it cannot be opened, Special or Directory when it is no
// regular file.
bool openRegularFile(QFile& file, const QString& path, EntryType* type = nullptr);
