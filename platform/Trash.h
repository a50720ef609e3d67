#pragma once
// The freedesktop trash, written by the program itself.
//
// A file on the same mount as the user's data folder goes to the home trash, "$XDG_DATA_HOME/Trash";
// a file on any other mount goes to that mount's own trash: "<top>/.Trash/<uid>" when the administrator
// prepared a sticky, non-link ".Trash" there, else "<top>/.Trash-<uid>". A trashed entry is the pair
// "files/<name>" and "info/<name>.trashinfo"; the info file is created first, exclusively, which is what
// reserves a unique name, and the entry is then renamed into "files/" without ever replacing anything.
// Nothing is ever copied: a trash the entry cannot be renamed into is a trash that cannot take it.
//
// Why not the library's trash call: on a mount where the info file cannot be written it was seen to
// loop forever, and it gives no way to ask beforehand whether trashing will work.

#include <QDateTime>
#include <QString>

namespace platform {

enum class TrashStatus {
    Done,
    Missing,       // the entry does not exist
    ReadOnly,      // the entry's folder cannot be written: the mount is read-only or access is denied
    NoTrash,       // no trash folder on the entry's mount can be made or written
    Failed,        // anything else; the entry stays where it was
};

struct TrashLocation {
    QString folder;     // the trash: holds "files" and "info"
    QString top;        // the mount point the trash serves
    bool home = false;  // the home trash (info paths are absolute) or a mount's trash (relative)
};

class Trash {
public:
    // The mount point that holds `path` (the longest mount point that prefixes its resolved path).
    static QString mountPointOf(const QString& path);

    // The trash that would take `path`. Makes nothing but, in a shared ".Trash" of a mount, the user's
    // own folder (which decides whether that trash can be used at all).
    static TrashLocation locate(const QString& path);

    // Whether `path` could be trashed right now, making the trash folders when they are missing.
    // Changes nothing else; never blocks on a dead trash.
    static TrashStatus check(const QString& path);

    // Moves `path` (a file, a link or a whole folder) into its trash. On anything but Done the entry is
    // where it was and no info file is left behind. `inTrash` receives the new path.
    static TrashStatus moveToTrash(const QString& path, QString* inTrash = nullptr);

    // The text of an info file: `originalPath` is absolute for the home trash, relative to the mount
    // point for a mount's trash; the date is local time without a zone, as the format wants.
    static QByteArray infoText(const QString& originalPath, const QDateTime& deletionDate);
};

}  // namespace platform
