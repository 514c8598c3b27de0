// The hex view's rows: 16 bytes a row, the row's address, the bytes grouped
// by the alignment and the same bytes as characters. Rows are formatted one
// at a time from the block, so a view of any size costs only what is drawn.
#ifndef VISTREL_VIEWERS_HEX_ROWS_H
#define VISTREL_VIEWERS_HEX_ROWS_H

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vistrel {

enum class HexAlign { Byte = 0, Word = 1, DWord = 2 };

// The column header line of an alignment (both header labels show it).
const char* HexHeaderText(HexAlign align);

// The rows of a dump of `block`, labelled from `base`.
class HexRows {
 public:
  HexRows() = default;
  HexRows(std::span<const uint8_t> block, uint64_t base);

  size_t Count() const;
  // Labels take sixteen digits when the last row's address needs more than
  // 32 bits, eight otherwise.
  bool WideLabels() const { return wide_; }
  // Characters of a label without its two trailing blanks ("0x" + digits).
  size_t LabelLength() const { return wide_ ? 18 : 10; }
  // "0x%8.8X" (or sixteen digits) of base + 16 * row.
  std::string Label(size_t row) const;
  // The whole line of a row, as the list shows it.
  std::string Row(size_t row, HexAlign align) const;
  // The same line appended to `out`.
  void AppendRow(size_t row, HexAlign align, std::string& out) const;
  // The row an address text names, by the list's own rule: the row i (not
  // the last) for which !(text < label(i)) && text < label(i + 1), the labels
  // and the text compared upper-cased, byte by byte; -1 when there is none.
  // The labels are ordered, so this is a binary search.
  int64_t Find(const std::string& text) const;

 private:
  std::span<const uint8_t> block_;
  uint64_t base_ = 0;
  bool wide_ = false;
};

}  // namespace vistrel

#endif  // VISTREL_VIEWERS_HEX_ROWS_H
