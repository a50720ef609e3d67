#pragma once
// The folder names cameras write, and the test whether a folder is a camera's picture folder.
//
// A DCF folder is "DCIM/<3 digits 100-999><5 of A-Z a-z 0-9 _>"; older cameras wrote their pictures
// into a root folder "IM<2 digits, not 00><4 of A-Z a-z 0-9 _>". Pasting into such a folder gives the
// pictures camera names, so the test decides what a paste does.

#include <QString>
#include <QStringView>

namespace media {

// Letters A-Z, a-z, digits and '_': the characters a camera uses in folder and file names.
bool isCameraNameChar(QChar c);

// Exactly 8 characters: a digit 1-9, two digits, then five camera-name characters.
bool isDcfFolderName(QStringView name);

// Exactly 8 characters: 'I' or 'i', 'M' or 'm', two digits not both '0', four camera-name characters.
bool isOldCameraFolderName(QStringView name);

// True when `path` is a drive root followed by an old camera folder, or by "DCIM" (any case) and a DCF
// folder, with nothing below. The card image folder test of a paste is the same rule.
bool isCameraFolder(const QString& path);

} // namespace media
