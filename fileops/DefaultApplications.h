#pragma once
// Which program opens a kind of file: the freedesktop associations, read the way a file manager reads
// them.
//
// A file's kind is the MIME type of its name (by extension only: the file may not exist, and a rename
// asks about the name the user typed over). Its program is, first found wins: the "Default Applications"
// of the mimeapps.list files ($XDG_CONFIG_HOME, $XDG_CONFIG_DIRS, $XDG_DATA_HOME/applications,
// $XDG_DATA_DIRS/applications, in that order), their "Added Associations", then the desktop entries of
// the applications folders that declare the type (their mimeinfo.cache, else the entries themselves).
// Only a desktop entry that exists, is not hidden and has an Exec line counts; entries a list removes
// under "Removed Associations" do not.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

namespace fileops {

class DefaultApplications {
public:
    // The MIME type name of `fileName` by its extension; empty when the name says nothing.
    static QString mimeTypeOf(const QString& fileName);

    // The desktop entry id ("viewer.desktop") that opens files of `mimeType`; empty when none.
    static QString applicationFor(const QString& mimeType);

    // The program and fixed arguments of desktop entry `id`'s Exec line (field codes such as %f dropped);
    // empty when the entry is missing or its program cannot be found.
    static QStringList command(const QString& id);
    // Whether a file named like `fileName` has a program that opens it: the question a rename asks
    // before it changes an extension.
    static bool hasOpenCommand(const QString& fileName);

    // The entries of one association list or desktop entry: section -> key -> value. Comments, blank
    // lines and malformed lines are skipped; a repeated key keeps its first value.
    using KeyFile = QHash<QString, QHash<QString, QString>>;
    static KeyFile parseKeyFile(const QByteArray& text);

    // The folders searched, most important first.
    static QStringList listFiles();
    static QStringList applicationFolders();
};

} // namespace fileops
