#pragma once
// Folder listings by Windows-style name patterns, and path lookups that ignore case.
//
// The program's rules were written for file systems that match names without regard to case, and a
// camera card's FAT still does. Every pattern search goes through list(), which matches the way
// Windows does ('?' exactly one character, '*' any run, "*.*" everything) and ignores case. Paths that
// come from card data (print-order lines, camera file names) are looked up with resolve(), which
// finds each component whatever its case, so a print order naming IMGA0001.JPG still finds imga0001.jpg.

#include <QString>
#include <QStringView>

#include <vector>

namespace platform {

struct DirEntry {
    QString name;
    bool isDir = false;
};

class FileSearch {
public:
    // True when `name` matches `pattern` without regard to case. "*.*" matches every name, also one
    // without a dot, as it does on Windows.
    static bool matches(QStringView name, QStringView pattern);

    // The entries of `folder` whose names match `pattern`, in the order the file system returns them.
    // "." and ".." are never listed. A folder that cannot be read gives an empty list. A symbolic
    // link counts as a folder when it leads to one.
    static std::vector<DirEntry> list(const QString& folder, QStringView pattern = u"*.*");

    // The existing path that `path` names when each component is compared without regard to case; an
    // exact match wins over other spellings. "." components are dropped and ".." climbs one level, as
    // text. Empty when some component is missing (or `path` is not absolute). The result carries no
    // trailing slash, except for "/" itself.
    static QString resolve(const QString& path);

    static bool exists(const QString& path) { return !resolve(path).isEmpty(); }
    static bool isDir(const QString& path);
};

} // namespace platform
