#pragma once
// The per-file work of the view's rotate command. Direction codes: 0 turns by 270 degrees clockwise,
// 2 by 90, 1 (and any other value) by 180.

#include "imaging/DvStillDecoder.h"

#include <QString>

namespace imaging {

struct RotateOutcome {
    bool refresh = false;  // the file itself changed: its item's thumbnail must be made again
    QString newFile;       // a new file was made beside it (the turned copy of a DV still)
};

// Turns one file, chosen by its last four characters (any case):
//  - ".bmp": read, turn, write over the same file (the old one stays until the new one is complete);
//  - ".jpg": rotateJpeg;
//  - ".dvf": decode with `dv`, turn, write a new BMP named like the source with ".bmp" for its last four
//    characters, never over an existing file ("(1)", "(2)", ... appended instead);
//  - anything else is left alone.
// Every DIB made on the way is freed.
RotateOutcome rotateFile(const QString& path, int direction, const DvStillOptions& dv);

// Turns a JPEG file; returns its path on success, an empty text on failure. An Exif JPEG keeps its pixels
// and has only its orientation tag changed (Exif_SetOrientation; directions 0, 1 and 2 only); any other
// JPEG is decoded, turned and saved over itself at quality 75 with 4:2:0 sampling. A missing ExifKit or
// Exif_CheckFormat, a failed decode, turn or save all give the empty result.
QString rotateJpeg(const QString& path, int direction);

}  // namespace imaging
