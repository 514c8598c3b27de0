#include "vistrel/viewers/hex_rows.h"

#include <algorithm>

#include "common/hex_text.h"
#include "common/text_case.h"

namespace vistrel {

namespace {

constexpr size_t kRowBytes = 16;
constexpr char kDigits[] = "0123456789ABCDEF";

size_t UnitSize(HexAlign align) {
  switch (align) {
    case HexAlign::Word:
      return 2;
    case HexAlign::DWord:
      return 4;
    default:
      return 1;
  }
}

// One unit: its bytes as one little-endian number, most significant byte
// first. A last unit the block cuts short shows only the bytes it has, with
// blanks where the missing (higher) bytes' digits would stand, so the unit
// keeps its width.
void AppendUnit(std::string& line, std::span<const uint8_t> bytes, size_t unitSize) {
  for (size_t k = unitSize; k-- > 0;) {
    if (k < bytes.size()) {
      line += kDigits[bytes[k] >> 4];
      line += kDigits[bytes[k] & 0xF];
    } else {
      line += "  ";
    }
  }
  line += ' ';
}

}  // namespace

const char* HexHeaderText(HexAlign align) {
  switch (align) {
    case HexAlign::Word:
      return " 0 1  2 3  4 5  6 7   8 9  A B  C D  E F  0123456789ABCDEF";
    case HexAlign::DWord:
      return " 0 1 2 3  4 5 6 7  8 9 A B  C D E F  0123456789ABCDEF";
    default:
      return " 0  1  2  3  4  5  6  7   8  9  A  B  C  D  E  F  0123456789ABCDEF";
  }
}

HexRows::HexRows(std::span<const uint8_t> block, uint64_t base) : block_(block), base_(base) {
  size_t count = Count();
  wide_ = count > 0 && base_ + kRowBytes * static_cast<uint64_t>(count - 1) > 0xFFFFFFFFull;
}

size_t HexRows::Count() const {
  return (block_.size() + kRowBytes - 1) / kRowBytes;
}

std::string HexRows::Label(size_t row) const {
  uint64_t address = base_ + kRowBytes * static_cast<uint64_t>(row);
  return wide_ ? common::HexText64(address) : common::HexText(static_cast<uint32_t>(address), 4);
}

std::string HexRows::Row(size_t row, HexAlign align) const {
  std::string line;
  AppendRow(row, align, line);
  return line;
}

void HexRows::AppendRow(size_t row, HexAlign align, std::string& line) const {
  if (row >= Count()) return;
  size_t offset = row * kRowBytes;
  std::span<const uint8_t> bytes =
      block_.subspan(offset, std::min(kRowBytes, block_.size() - offset));
  size_t unitSize = UnitSize(align);
  size_t fullUnits = kRowBytes / unitSize;
  // The gap between the two halves follows the unit that ends at byte 8.
  size_t gapAfter = align == HexAlign::DWord ? 0 : 8 / unitSize;

  // Written in place: a dump of millions of rows makes no string per row.
  line.reserve(line.size() + LabelLength() + 2 + fullUnits * (2 * unitSize + 1) + 2 + kRowBytes);
  uint64_t address = base_ + kRowBytes * static_cast<uint64_t>(row);
  line += '0';
  line += 'x';
  for (int shift = wide_ ? 60 : 28; shift >= 0; shift -= 4)
    line += kDigits[(address >> shift) & 0xF];
  line += "  ";
  size_t units = (bytes.size() + unitSize - 1) / unitSize;
  for (size_t u = 0; u < units; ++u) {
    size_t start = u * unitSize;
    AppendUnit(line, bytes.subspan(start, std::min(unitSize, bytes.size() - start)), unitSize);
    if (u + 1 == gapAfter) line += ' ';
  }
  // A short last row below full ones is padded so its characters stand in the
  // same column as theirs; a block's only row is not.
  if (row > 0 && units < fullUnits) {
    line.append((fullUnits - units) * (2 * unitSize + 1), ' ');
    if (gapAfter != 0 && units < gapAfter) line += ' ';
  }
  line += ' ';
  for (uint8_t b : bytes) line += b >= 0x20 && b <= 0x7E ? static_cast<char>(b) : '.';
}

int64_t HexRows::Find(const std::string& text) const {
  size_t count = Count();
  if (count < 2) return -1;
  std::string key = common::Upper(text);
  auto label = [this](size_t row) { return common::Upper(Label(row)); };
  // Rows i (not the last) with label(i) <= key < label(i + 1).
  auto matches = [&](size_t i) { return !(key < label(i)) && key < label(i + 1); };
  uint64_t last = base_ + kRowBytes * static_cast<uint64_t>(count - 1);
  if (last < base_) {
    // Addresses that wrap past 2^64 are not ordered: compare row by row.
    for (size_t i = 0; i + 1 < count; ++i) {
      if (matches(i)) return static_cast<int64_t>(i);
    }
    return -1;
  }
  // The labels ascend: the last row whose label is not above the key.
  if (key < label(0)) return -1;
  size_t low = 0, high = count - 1;  // label(low) <= key
  while (low < high) {
    size_t mid = low + (high - low + 1) / 2;
    if (key < label(mid)) {
      high = mid - 1;
    } else {
      low = mid;
    }
  }
  return low + 1 < count ? static_cast<int64_t>(low) : -1;
}

}  // namespace vistrel
