#pragma once
// What the texts need to know about a file, read afresh from the file system every time: the file may
// have been deleted or rewritten behind the view's back since the folder was listed.

#include "browser/FileTime.h"

#include <QString>

#include <cstdint>

struct FileFacts {
    bool found = false;        // false: the file is gone (every other field stays 0)
    std::uint64_t size = 0;    // whole 64-bit size
    FileTime lastWrite = 0;
    // The creation time where the file system records one (statx birth time: ext4, btrfs, xfs, tmpfs
    // on recent kernels, FAT), else the last write time, which is the closest a Linux file system
    // without birth times can tell.
    FileTime creation = 0;

    static FileFacts read(const QString& path);
};

// The full path of a listed item.
QString itemPath(const QString& folder, const QString& name);
