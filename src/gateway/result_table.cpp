#include "gateway/result_table.h"

#include "text/gbk_text.h"

namespace tk {

int RowCount(const ResultTable& table) { return table.rows == 0 ? -1 : table.rows - 1; }

std::string CellText(const ResultTable& table, int column, int dataRow) {
    int row = dataRow + 1;
    if (table.rows == 0 || column < 1 || dataRow < 0 || row > table.rows || column > table.cols) return {};
    return table.at(row, column);
}

ResultTable ShapeAnswer(std::string_view plain) {
    ResultTable table;
    std::vector<std::string> rowTexts = SplitText(plain, kRowSeparator);
    if (rowTexts.empty() || rowTexts.front() == "-1") return table;

    const size_t rows = rowTexts.size();
    std::vector<std::string> lastCells = SplitText(rowTexts.back(), kColSeparator);
    const size_t cols = lastCells.size();
    if (cols == 0) return table; // a last row without cells has no shape

    // Lay every cell out in row order straight into the R x C grid; surplus cells fall off, missing ones stay empty.
    table.rows = static_cast<int>(rows);
    table.cols = static_cast<int>(cols);
    table.cells.resize(rows * cols);
    size_t next = 0;
    const size_t total = rows * cols;
    for (size_t r = 0; r + 1 < rows && next < total; ++r) {
        for (std::string& cell : SplitText(rowTexts[r], kColSeparator)) {
            if (next >= total) break;
            table.cells[next++] = std::move(cell);
        }
    }
    for (std::string& cell : lastCells) {
        if (next >= total) break;
        table.cells[next++] = std::move(cell);
    }
    return table;
}

} // namespace tk
