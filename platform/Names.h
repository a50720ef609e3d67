#pragma once
// File names compare without regard to case, as on the FAT file system of a camera card. Every place
// that matches names uses these two functions, so the rule is the same everywhere.

#include <QString>

namespace platform {

// <0, 0, >0 like strcmp, ignoring case.
int compareNoCase(const QString& a, const QString& b);

inline bool sameNameNoCase(const QString& a, const QString& b)
{
    return compareNoCase(a, b) == 0;
}

// The key under which a name is looked up case-insensitively (for hashing).
QString foldedName(const QString& name);

}  // namespace platform
