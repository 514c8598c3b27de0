// Internal to ui/: the state of a string grid that both widget sets share,
// so the two agree on counts, current cell and cell texts by construction.
// A widget keeps one and adds only what its platform needs.
#ifndef UI_GRID_MODEL_H
#define UI_GRID_MODEL_H

#include <string>
#include <vector>

#include "ui/widgets.h"

namespace ui {

class GridModel {
 public:
  GridModel();

  int Cols() const { return cols_; }
  int Rows() const { return rows_; }
  int FixedRows() const { return fixedRows_; }
  int FixedCols() const { return fixedCols_; }
  int Row() const { return row_; }
  int Col() const { return col_; }
  int RowHeight() const { return rowHeight_; }
  bool VerticalLines() const { return vertical_; }
  bool HorizontalLines() const { return horizontal_; }
  bool Virtual() const { return static_cast<bool>(source_); }
  ScrollBars Bars() const { return bars_; }
  void SetBars(ScrollBars bars) { bars_ = bars; }

  void SetCols(int count);
  void SetRows(int count);
  void SetFixedRows(int count);
  void SetFixedCols(int count);
  void SetRowHeight(int height) { rowHeight_ = height > 0 ? height : rowHeight_; }
  void SetGridLines(bool vertical, bool horizontal) {
    vertical_ = vertical;
    horizontal_ = horizontal;
  }

  bool InGrid(int col, int row) const { return col >= 0 && row >= 0 && col < cols_ && row < rows_; }
  std::string Cell(int col, int row) const;
  bool SetCell(int col, int row, const std::string& text);
  void SetSource(StringGrid::CellSource source);

  int ColWidth(int col) const;
  bool SetColWidth(int col, int width);

  // Moves the current cell as a pick does: only to a cell that is neither
  // fixed nor outside, and only when the grid's OnSelectCell allows it.
  // True when the current cell is now (col, row).
  bool Select(const StringGrid& grid, int col, int row);

 private:
  // Keeps the current cell on a selectable cell after the counts changed.
  void Clamp();

  int cols_ = 5, rows_ = 5, fixedRows_ = 1, fixedCols_ = 1;
  int row_ = 1, col_ = 1, rowHeight_ = 24;
  bool vertical_ = true, horizontal_ = true;
  ScrollBars bars_ = ScrollBars::Both;
  std::vector<int> widths_;
  // The texts set so far, by row: rows and columns past the last text set
  // are empty without being stored, so a large empty grid costs nothing.
  std::vector<std::vector<std::string>> cells_;
  StringGrid::CellSource source_;
};

}  // namespace ui

#endif  // UI_GRID_MODEL_H
