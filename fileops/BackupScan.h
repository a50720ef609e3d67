#pragma once
// Finds what a backup copies: every camera picture and movie of a card, each with a target name in one
// flat destination folder.
//
// The card's DCF folders (DCIM/100xxxxx to DCIM/999xxxxx) come first, then the older root folders
// IM01xxxx to IM99xxxx. Inside a folder files go by their four-digit number 0001-9999; a file qualifies
// when its name is four camera-name characters, the number, and one of the extensions JPG, TIF, MOV, AVI
// written all upper or all lower case. Targets are "IM" + six digits + the lower-case extension,
// numbered from 1 and skipping every number the destination already uses; files of one folder that
// share a number (a picture and the movie of the same shot) share the target number too.

#include <QString>
#include <QStringList>

namespace fileops {

struct BackupPlan {
    bool foundFolder = false; // at least one qualifying camera folder was visited
    QStringList sources;
    QStringList targets; // same order as sources
};

class BackupScan {
public:
    // `cardRoot` is the card's root folder, `destination` the backup folder (trailing slashes are
    // ignored). Reads both folders; writes nothing.
    static BackupPlan scan(const QString& cardRoot, const QString& destination);
};

} // namespace fileops
