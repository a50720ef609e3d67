#pragma once
// BMP files to packed DIBs and back.

#include "imaging/PackedDib.h"

#include <QIODevice>
#include <QString>

namespace imaging {

// Reads a BMP file. A file that cannot be opened shows string 20014 (exclamation); a block that cannot be
// allocated shows string 20050; both give an empty result. Only uncompressed (BI_RGB) bottom-up pictures
// are taken: a top-down (negative height), RLE or bitfields picture, or a file shorter than its header
// says, gives an empty result without a message. A V4 or V5 header is cut to the 40-byte one, and pixels
// placed behind a gap (the file header's pixel offset) are taken from there. An image size of 0 is set to
// rows x row size, and a colours-used of 0 to the default table size for 8 bits or less.
PackedDib readBmpFile(const QString& path);
// The same from a file the caller has opened (read from its start); only the allocation message.
PackedDib readBmpFile(QIODevice& file);

// Writes `dib` as a BMP file: file header ("BM", file size, pixel offset), then the DIB in one piece.
// With `overwrite` an existing file is replaced, but only once the new one is complete (written under a
// temporary name and renamed), so a failed write never costs the old file. Without it an existing name is
// not touched: the name's last four characters are replaced by "(1).bmp", "(2).bmp", ... until a new
// name works. A creation failure shows string 20014; a write failure string 20257 when the disk is full,
// else 20014, and removes what was written. On success `writtenPath` (may be null) receives the path
// used. False on failure, also for an invalid DIB.
bool writeBmpFile(const QString& path, const PackedDib& dib, bool overwrite, QString* writtenPath = nullptr);

// "NAME(n).bmp" for "NAME.xxx": the name without its last four characters, "(n)", ".bmp".
QString numberedBmpName(const QString& path, int number);

}  // namespace imaging
