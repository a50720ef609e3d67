// Feeds arbitrary bytes to the layout table reader. Besides staying in bounds, an accepted table must
// keep its promises: columns x rows cells, each inside the printable area wherever it is placed.

#include "print/LayoutTable.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

constexpr std::size_t MaxInput = 16 + 8 * 65535;  // the largest table the header can announce
const QRect Area(100, 200, 9921, 14031);          // an A4 page at 1200 dots per inch, offset

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > MaxInput)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    print::LayoutTable table;
    const print::LayoutStatus status = print::readLayoutTable(bytes, table);
    if (status != print::LayoutStatus::Ok) {
        if (!table.cells.isEmpty() || table.columns != 0)
            __builtin_trap();
        return 0;
    }
    if (table.columns * table.rows != table.cells.size())
        __builtin_trap();
    for (int i = 0; i < table.cells.size(); ++i) {
        const QRect cell = table.cellRect(i, Area);
        if (!Area.contains(cell.topLeft()) || (cell.isValid() && !Area.contains(cell.bottomRight())))
            __builtin_trap();
    }
    if (!table.cellRect(table.cells.size(), Area).isNull())
        __builtin_trap();
    return 0;
}
