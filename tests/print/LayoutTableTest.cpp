// The layout tables: the eleven the program ships, and hostile bytes that must be refused before any
// read past their end.

#include "print/LayoutTable.h"
#include "resources/UiResources.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>

using print::LayoutStatus;
using print::LayoutTable;
using print::readLayoutTable;

namespace {

// A table header, then `cells` records as given.
QByteArray table(int version, int count, int columns, int rows, const std::vector<std::array<int, 4>>& cells)
{
    QByteArray out("KLAY");
    auto put = [&out](int v) {
        out.append(static_cast<char>(v & 0xFF));
        out.append(static_cast<char>((v >> 8) & 0xFF));
    };
    put(version);
    put(count);
    put(columns);
    put(rows);
    put(50);
    put(0);
    for (const auto& cell : cells)
        for (int v : cell)
            put(v);
    return out;
}

}  // namespace

TEST(LayoutTable, ShippedTablesDescribeTheirGrids)
{
    ASSERT_TRUE(UiResources::bind(UiResources::Bundle::Uires, QStringLiteral(KESTREL_BIN_DIR)));
    const std::array<std::pair<int, std::pair<int, int>>, 11> expected{{{150, {1, 1}}, {151, {1, 2}}, {152, {2, 2}},
        {153, {2, 3}}, {154, {2, 4}}, {161, {3, 3}}, {156, {3, 4}}, {157, {4, 4}}, {158, {4, 5}}, {159, {5, 6}},
        {160, {5, 7}}}};
    const QRect area(0, 0, 2400, 3300);
    for (const auto& [number, grid] : expected) {
        LayoutTable layout;
        ASSERT_EQ(readLayoutTable(UiResources::data(QStringLiteral("LAYOUT_DATA"), number), layout), LayoutStatus::Ok)
            << number;
        EXPECT_EQ(layout.columns, grid.first) << number;
        EXPECT_EQ(layout.rows, grid.second) << number;
        // Cells run row by row and never overlap their right-hand neighbour.
        for (int i = 0; i + 1 < layout.cells.size(); ++i) {
            const QRect here = layout.cellRect(i, area);
            const QRect next = layout.cellRect(i + 1, area);
            EXPECT_TRUE(area.contains(here)) << number << " cell " << i;
            if ((i + 1) % layout.columns != 0)
                EXPECT_LT(here.right(), next.left()) << number << " cell " << i;
            else
                EXPECT_LT(here.bottom(), next.top()) << number << " cell " << i;
        }
    }
    UiResources::unbind(UiResources::Bundle::Uires);
}

TEST(LayoutTable, HostileTablesAreRefused)
{
    const std::vector<std::array<int, 4>> two{{0, 0, 5000, 10000}, {5000, 0, 5000, 10000}};
    struct Case {
        const char* what;
        QByteArray bytes;
        LayoutStatus status;
    };
    const QByteArray good = table(1, 2, 2, 1, two);
    const std::vector<Case> cases{
        {"empty", QByteArray(), LayoutStatus::TooShort},
        {"header cut", good.left(15), LayoutStatus::TooShort},
        {"last cell cut", good.left(good.size() - 1), LayoutStatus::TooShort},
        {"wrong magic", QByteArray("KLAX") + good.mid(4), LayoutStatus::BadMagic},
        {"version 2", table(2, 2, 2, 1, two), LayoutStatus::BadVersion},
        {"count above grid", table(1, 3, 2, 1, two), LayoutStatus::BadGrid},
        {"no columns", table(1, 0, 0, 1, {}), LayoutStatus::BadGrid},
        // 65535 x 65535 overflows 32 bits to a small number; it must still not match a count of 1.
        {"huge grid", table(1, 1, 65535, 65535, {{0, 0, 1, 1}}), LayoutStatus::BadGrid},
        {"huge count, no cells", table(1, 65535, 65535, 1, {}), LayoutStatus::TooShort},
        {"cell past the right", table(1, 1, 1, 1, {{9000, 0, 1001, 100}}), LayoutStatus::CellOutside},
        {"cell past the bottom", table(1, 1, 1, 1, {{0, 65535, 100, 65535}}), LayoutStatus::CellOutside},
        {"empty cell", table(1, 1, 1, 1, {{0, 0, 0, 100}}), LayoutStatus::CellOutside},
    };
    for (const Case& c : cases) {
        LayoutTable out;
        out.columns = 9;  // must be cleared on refusal
        EXPECT_EQ(readLayoutTable(c.bytes, out), c.status) << c.what;
        EXPECT_EQ(out.columns, 0) << c.what;
        EXPECT_TRUE(out.cells.isEmpty()) << c.what;
    }
    LayoutTable out;
    EXPECT_EQ(readLayoutTable(good + QByteArray("trailing"), out), LayoutStatus::Ok) << "extra bytes are ignored";
    EXPECT_EQ(out.cells.size(), 2);
}

TEST(LayoutTable, CellsScaleToLargeAreasWithoutOverflow)
{
    LayoutTable layout;
    ASSERT_EQ(readLayoutTable(table(1, 2, 2, 1, {{0, 0, 5000, 10000}, {5000, 0, 5000, 10000}}), layout),
              LayoutStatus::Ok);
    // 300000 device units times 10000 does not fit 32 bits.
    const QRect area(10, 20, 300000, 400000);
    EXPECT_EQ(layout.cellRect(0, area), QRect(10, 20, 150000, 400000));
    EXPECT_EQ(layout.cellRect(1, area), QRect(150010, 20, 150000, 400000));
    EXPECT_TRUE(layout.cellRect(2, area).isNull());
    EXPECT_TRUE(layout.cellRect(-1, area).isNull());
}
