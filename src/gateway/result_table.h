#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace tk {

// A gateway answer: R rows by C columns of texts, row 1 the header row. The empty table has no rows.
struct ResultTable {
    int rows = 0;
    int cols = 0;
    std::vector<std::string> cells; // row after row, rows * cols entries

    static ResultTable single(std::string text = {}) { return ResultTable{1, 1, {std::move(text)}}; }
    bool empty() const { return rows == 0; }
    const std::string& at(int row, int col) const { return cells[static_cast<size_t>((row - 1) * cols + (col - 1))]; }
};

// Data rows (R - 1); -1 for the empty table.
int RowCount(const ResultTable& table);
// Text of table row (dataRow + 1) in that column (both 1-based); empty when out of range.
std::string CellText(const ResultTable& table, int column, int dataRow);

// Shapes an unscrambled answer: rows at "[xW|Row]", cells at "[xW|Col]", laid out in row order and cut into
// R rows of as many cells as the last row holds. "" or a first row of "-1" gives the empty table.
ResultTable ShapeAnswer(std::string_view plain);

inline constexpr std::string_view kRowSeparator = "[xW|Row]";
inline constexpr std::string_view kColSeparator = "[xW|Col]";

} // namespace tk
