#pragma once
// What kind of file an item is. The codes are stored with the items and shown as kind names.

#include <QString>

enum FileKind : int {
    KindUnknown = -1,  // no decoder accepts it (or not identified yet)
    KindBmp = 0,
    KindJpeg = 1,
    KindDvf = 2,
    KindDcf = 3,
    KindTtl = 4,
    KindAsf = 5,
    KindExifTiff = 6,
    KindExifTiff2 = 7,
    KindExifJpeg = 8,
    KindMotionJpeg = 9,
};

inline constexpr int kFileKindCount = 10;

// The kind name of codes 0..9; an empty text for any other code (unknown files take the shell's name).
QString fileKindName(int kind);
