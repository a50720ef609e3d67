#pragma once
// The folders the program works with.

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

// The user's documents folder (created when missing), without a trailing slash.
QString documentsFolder();

// The executable's file name without folder and extension: the configuration's profile name.
QString programName();

}  // namespace platform
