#pragma once
// The columns of the details list: header text and initial width, in display order. The header and the
// row drawing share one table of current widths (ColumnWidths), which starts from these.

#include <array>

enum DetailColumn : int {
    ColumnName = 0,
    ColumnSize = 1,
    ColumnType = 2,
    ColumnModified = 3,
    ColumnPicture = 4,
};

inline constexpr int kDetailColumnCount = 5;

struct DetailColumnInfo {
    const char* header;  // UTF-8
    int initialWidth;
};

inline constexpr std::array<DetailColumnInfo, kDetailColumnCount> kDetailColumns{{
    {"名前", 150},
    {"サイズ", 60},
    {"種類", 100},
    {"更新日時", 120},
    {"画像情報", 120},
}};

using ColumnWidths = std::array<int, kDetailColumnCount>;

inline constexpr ColumnWidths initialColumnWidths()
{
    ColumnWidths widths{};
    for (int i = 0; i < kDetailColumnCount; ++i)
        widths[i] = kDetailColumns[i].initialWidth;
    return widths;
}
