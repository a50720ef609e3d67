#pragma once
// A print layout table as the resource bundle holds it: a 16-byte header ("KLAY", version, cell count,
// columns, rows, gap, reserved) and then one 8-byte record per cell (left, top, width, height), all
// little-endian 16-bit numbers in ten-thousandths of the printable area.
//
// The bytes come from a resource file the user can replace, so every count and offset is checked
// against the data's size before anything is read.

#include <QByteArray>
#include <QRect>
#include <QVector>

#include <cstdint>

namespace print {

// One full side of the printable area, in the table's units.
constexpr int kLayoutUnits = 10000;

enum class LayoutStatus {
    Ok = 0,
    TooShort,       // smaller than the header, or than the cells the header announces
    BadMagic,       // not "KLAY"
    BadVersion,     // a version this program does not know
    BadGrid,        // no columns or rows, or a cell count other than columns x rows
    CellOutside,    // a cell empty or reaching past the printable area
};

struct LayoutCell {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const LayoutCell&) const = default;
};

struct LayoutTable {
    int version = 0;
    int columns = 0;
    int rows = 0;
    int gap = 0;
    QVector<LayoutCell> cells;  // row by row

    // Cell `index` placed on a printable area of `area` (device units); an empty rectangle for an index
    // outside the table.
    QRect cellRect(int index, const QRect& area) const;
};

// Reads `data` into `out`. On any status but Ok `out` is left empty.
LayoutStatus readLayoutTable(const QByteArray& data, LayoutTable& out);

// A short English text for a status, for the trace and for test messages.
const char* layoutStatusText(LayoutStatus status);

}  // namespace print
