#pragma once
// The texts the browser shows about one item: the cells of the details list, the information lines
// beside a thumbnail, and the fields of the properties sheet.
//
// The forms that take a folder read sizes and times again from the file, so a file deleted or
// rewritten behind the view's back shows what is true now ("(不明)" once it is gone). The painters use
// the forms that take ItemFacts instead: those read nothing, so a repaint never touches the disk. The
// picture's size and depth come from the item's thumbnail holder; the caller holds the list lock while
// it reads them.

#include "browser/DetailColumns.h"
#include "browser/FileItem.h"
#include "browser/ItemFacts.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// The number shown in the size column: bytes / 1024, truncated, but at least 1 (an empty or small
// file still takes room on the card).
std::uint64_t shownKilobytes(std::uint64_t bytes);

// "W: 640 x H: 480  24 bit color", or "W: - x H: -  - bit color" for an unknown file.
QString pictureInfoText(const FileItem& item);

// The text of `column` (DetailColumn) for `item` of `folder`; empty for other columns.
QString detailCellText(const QString& folder, const FileItem& item, int column);

// The seven information lines of the thumbnails-with-information layout.
QStringList informationLines(const QString& folder, const FileItem& item);

// The facts the painters show for `item`: those read for it, else what its listing tells (size, time,
// a type by the extension, no shooting date yet) until they arrive. Reads nothing.
ItemFacts shownFacts(const FileItem& item);
// The same texts from facts already read.
QStringList informationLines(const ItemFacts& facts, const FileItem& item);
QString detailCellText(const ItemFacts& facts, const FileItem& item, int column);

// Everything the properties sheet shows, as text.
struct FilePropertyTexts {
    // General page.
    QString displayName;
    QString typeName;
    QString fileName;  // as listed, with its extension
    QString size;      // "12345 バイト" or "(不明)"
    QString lastWrite;
    QString shootingDate;
    std::optional<std::uint32_t> attributes;  // fileattr bits; nothing when they cannot be read
    // Image page.
    QString kindName;  // empty for an unknown file
    QString pictureSize;
    QString colourDepth;
};

FilePropertyTexts filePropertyTexts(const QString& folder, const FileItem& item);
