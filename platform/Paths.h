#pragma once
// The folders the program works with.

#include <QByteArrayView>
#include <QString>

namespace platform {

// The folder of the running executable, ending without a slash. Everything the program loads by name
// (libraries, resource bundles, helper programs) is looked for here first.
QString programFolder();

// Pins the program folder to another one (tests, which present a folder with a library missing).
// While set, libraries are looked for in that folder only. An empty path restores the real folder.
void setProgramFolder(const QString& folder);
bool programFolderPinned();

// The temporary folder, without a trailing slash.
QString tempFolder();

// The folder for the instance lock and the local sockets, without a trailing slash: $XDG_RUNTIME_DIR
// when it names a folder of this user, else a private folder (owned by this user, mode 0700) named
// kestrel-<uid> in the temporary folder. A folder of that name that belongs to someone else, or is a
// link or a file, is never used: then the private folder kestrel-runtime in the user's cache folder
// serves, and when even that cannot be had, a fresh private folder in the temporary folder (the same
// one for the rest of the process). A folder of ours with looser permissions is tightened to 0700.
QString runtimeFolder();

// The user's documents folder (created when missing), without a trailing slash.
QString documentsFolder();

// The executable's file name without folder and extension: the configuration's profile name.
QString programName();

// A file name's bytes as the system's encoding reads them, whole. Unlike QFile::decodeName a leading
// byte-order mark stays part of the name: the file system knows no such marks, and a name read without
// it would name another file. QFile::encodeName gives the bytes back.
QString fileNameFromBytes(QByteArrayView bytes);

}  // namespace platform
