#pragma once
// What Tempsweep removes: the program's own leftovers in the temporary folder, and nothing else.
//
// Two name patterns are the program's: "KST" + six mkstemp characters (the movie frame files of the
// Motion-JPEG library) and "KESTRELDSC<digits>.jpg" (the pictures made on their way into a card). Only
// regular files of this user that are older than the delay go; links, folders and other users' files
// stay, and a link is never followed.

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace programs {

// True when `name` has one of the two patterns above.
bool isOwnTemporaryName(const QString& name);

// Removes the matching files in `folder` last modified before `olderThan`. Returns the names removed.
QStringList sweepTemporaryFiles(const QString& folder, const QDateTime& olderThan);

// The delay of "-delay<ms>" among `arguments`, or `fallback`.
int delayFromArguments(const QStringList& arguments, int fallback);

}  // namespace programs
