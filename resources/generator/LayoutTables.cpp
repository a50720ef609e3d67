#include "LayoutTables.h"

#include <QtEndian>

namespace resgen {
namespace {

constexpr char kMagic[4] = {'K', 'L', 'A', 'Y'};
constexpr quint16 kVersion = 1;
constexpr int kFull = 10000;  // coordinates are ten-thousandths of the printable area
constexpr int kGap = 200;     // space between neighbouring cells

void put16(QByteArray& out, int value)
{
    const quint16 le = qToLittleEndian(static_cast<quint16>(value));
    out.append(reinterpret_cast<const char*>(&le), sizeof le);
}

}  // namespace

const std::vector<LayoutTable>& layoutTables()
{
    // 155 is not used; 161 stands in the sixth slot.
    static const std::vector<LayoutTable> tables{
        {150, 1, 1}, {151, 1, 2}, {152, 2, 2}, {153, 2, 3}, {154, 2, 4}, {161, 3, 3},
        {156, 3, 4}, {157, 4, 4}, {158, 4, 5}, {159, 5, 6}, {160, 5, 7},
    };
    return tables;
}

QByteArray encodeLayout(const LayoutTable& table)
{
    QByteArray out(kMagic, sizeof kMagic);
    put16(out, kVersion);
    put16(out, table.columns * table.rows);
    put16(out, table.columns);
    put16(out, table.rows);
    put16(out, kGap);
    put16(out, 0);
    const int width = (kFull - kGap * (table.columns - 1)) / table.columns;
    const int height = (kFull - kGap * (table.rows - 1)) / table.rows;
    for (int row = 0; row < table.rows; ++row) {
        for (int column = 0; column < table.columns; ++column) {
            put16(out, column * (width + kGap));
            put16(out, row * (height + kGap));
            put16(out, width);
            put16(out, height);
        }
    }
    return out;
}

}  // namespace resgen
