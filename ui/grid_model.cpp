#include "ui/grid_model.h"

#include <algorithm>

namespace ui {

namespace {
constexpr int kDefaultColWidth = 64;
}

GridModel::GridModel() : widths_(static_cast<size_t>(cols_), kDefaultColWidth) {}

void GridModel::SetCols(int count) {
  cols_ = std::max(count, 1);
  widths_.resize(static_cast<size_t>(cols_), kDefaultColWidth);
  for (auto& row : cells_) {
    if (row.size() > static_cast<size_t>(cols_)) row.resize(static_cast<size_t>(cols_));
  }
  Clamp();
}

void GridModel::SetRows(int count) {
  rows_ = std::max(count, 0);
  if (cells_.size() > static_cast<size_t>(rows_)) cells_.resize(static_cast<size_t>(rows_));
  Clamp();
}

// New headings start the grid afresh: the current cell goes to the first
// cell that is not a heading, without asking OnSelectCell.
void GridModel::SetFixedRows(int count) {
  fixedRows_ = std::max(count, 0);
  row_ = fixedRows_;
  col_ = fixedCols_;
  Clamp();
}

void GridModel::SetFixedCols(int count) {
  fixedCols_ = std::max(count, 0);
  row_ = fixedRows_;
  col_ = fixedCols_;
  Clamp();
}

void GridModel::Clamp() {
  if (row_ >= rows_) row_ = rows_ - 1;
  if (row_ < fixedRows_) row_ = fixedRows_;
  if (col_ >= cols_) col_ = cols_ - 1;
  if (col_ < fixedCols_) col_ = fixedCols_;
}

std::string GridModel::Cell(int col, int row) const {
  if (!InGrid(col, row)) return {};
  if (source_) return source_(col, row);
  auto r = static_cast<size_t>(row), c = static_cast<size_t>(col);
  return r < cells_.size() && c < cells_[r].size() ? cells_[r][c] : std::string();
}

bool GridModel::SetCell(int col, int row, const std::string& text) {
  if (source_ || !InGrid(col, row)) return false;
  auto r = static_cast<size_t>(row), c = static_cast<size_t>(col);
  if (r >= cells_.size()) cells_.resize(r + 1);
  if (c >= cells_[r].size()) cells_[r].resize(static_cast<size_t>(cols_));
  cells_[r][c] = text;
  return true;
}

void GridModel::SetSource(StringGrid::CellSource source) {
  source_ = std::move(source);
  cells_.clear();
}

int GridModel::ColWidth(int col) const {
  return col >= 0 && col < cols_ ? widths_[static_cast<size_t>(col)] : 0;
}

bool GridModel::SetColWidth(int col, int width) {
  if (col < 0 || col >= cols_) return false;
  widths_[static_cast<size_t>(col)] = std::max(width, 0);
  return true;
}

bool GridModel::Select(const StringGrid& grid, int col, int row) {
  if (col == col_ && row == row_) return true;
  if (row < fixedRows_ || col < fixedCols_ || !InGrid(col, row)) return false;
  if (grid.OnSelectCell && !grid.OnSelectCell(col, row)) return false;
  col_ = col;
  row_ = row;
  return true;
}

}  // namespace ui
