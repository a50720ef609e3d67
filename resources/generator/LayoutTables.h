#pragma once
// The print layout tables (resource type LAYOUT_DATA). The byte layout is described in
// resources/README.md; this is its only writer.

#include <QByteArray>

#include <vector>

namespace resgen {

struct LayoutTable {
    int number;   // resource number
    int columns;  // cells across the printable area
    int rows;     // cells down
};

// The eleven tables, in the order of the program's layout slots.
const std::vector<LayoutTable>& layoutTables();

QByteArray encodeLayout(const LayoutTable& table);

}  // namespace resgen
