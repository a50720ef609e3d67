#include "print/LayoutTable.h"

namespace print {

namespace {

constexpr int kHeaderBytes = 16;
constexpr int kCellBytes = 8;
constexpr int kKnownVersion = 1;

int u16At(const QByteArray& data, int offset)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    return bytes[offset] | (bytes[offset + 1] << 8);
}

}  // namespace

LayoutStatus readLayoutTable(const QByteArray& data, LayoutTable& out)
{
    out = LayoutTable{};
    if (data.size() < kHeaderBytes)
        return LayoutStatus::TooShort;
    if (!data.startsWith("KLAY"))
        return LayoutStatus::BadMagic;
    LayoutTable table;
    table.version = u16At(data, 4);
    if (table.version != kKnownVersion)
        return LayoutStatus::BadVersion;
    const int count = u16At(data, 6);
    table.columns = u16At(data, 8);
    table.rows = u16At(data, 10);
    table.gap = u16At(data, 12);
    // Both factors are below 65536, so the product fits an int64 and is compared before any read.
    if (table.columns == 0 || table.rows == 0 ||
        static_cast<std::int64_t>(table.columns) * table.rows != count)
        return LayoutStatus::BadGrid;
    if (static_cast<std::int64_t>(data.size()) < kHeaderBytes + static_cast<std::int64_t>(count) * kCellBytes)
        return LayoutStatus::TooShort;
    table.cells.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int at = kHeaderBytes + i * kCellBytes;
        LayoutCell cell{u16At(data, at), u16At(data, at + 2), u16At(data, at + 4), u16At(data, at + 6)};
        if (cell.width == 0 || cell.height == 0 || cell.left + cell.width > kLayoutUnits ||
            cell.top + cell.height > kLayoutUnits)
            return LayoutStatus::CellOutside;
        table.cells.push_back(cell);
    }
    out = std::move(table);
    return LayoutStatus::Ok;
}

QRect LayoutTable::cellRect(int index, const QRect& area) const
{
    if (index < 0 || index >= cells.size())
        return {};
    const LayoutCell& cell = cells.at(index);
    // 64-bit products: a large device area times 10000 does not fit an int.
    auto scale = [](int units, int extent) {
        return static_cast<int>(static_cast<std::int64_t>(units) * extent / kLayoutUnits);
    };
    const int left = area.left() + scale(cell.left, area.width());
    const int top = area.top() + scale(cell.top, area.height());
    const int right = area.left() + scale(cell.left + cell.width, area.width());
    const int bottom = area.top() + scale(cell.top + cell.height, area.height());
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

const char* layoutStatusText(LayoutStatus status)
{
    switch (status) {
    case LayoutStatus::Ok: return "ok";
    case LayoutStatus::TooShort: return "layout table too short";
    case LayoutStatus::BadMagic: return "not a layout table";
    case LayoutStatus::BadVersion: return "unknown layout table version";
    case LayoutStatus::BadGrid: return "cell count does not match columns and rows";
    case LayoutStatus::CellOutside: return "cell outside the printable area";
    }
    return "unknown status";
}

}  // namespace print
