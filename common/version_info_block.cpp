#include "common/version_info_block.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace versioninfo {

namespace {

struct AnsiPair {
  uint16_t Unit;
  uint8_t Byte;
};

constexpr AnsiPair kAnsiTable[] = {
#include "common/version_info_ansi_table.inc"
};

// Code page 1252 bytes 0x80 to 0x9F; the others stand for themselves.
constexpr uint16_t kAnsiHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint8_t UnitToAnsi(uint16_t unit) {
  if (unit < 0x80) return static_cast<uint8_t>(unit);
  auto it = std::lower_bound(std::begin(kAnsiTable), std::end(kAnsiTable), unit,
                             [](const AnsiPair& p, uint16_t u) { return p.Unit < u; });
  if (it != std::end(kAnsiTable) && it->Unit == unit) return it->Byte;
  return '?';
}

// The system compares keys with a case-insensitive wide compare; ASCII and
// Latin-1 letters are what keys hold in practice.
uint16_t FoldCase(uint16_t c) {
  if (c >= 'A' && c <= 'Z') return c + 0x20;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  return c;
}

size_t AlignFrom(size_t node, size_t offset) {
  return node + ((offset - node + 3) & ~size_t{3});
}

// One node of either layout, with every offset checked against the block.
struct Node {
  size_t Start = 0;
  size_t End = 0;  // Start + declared length, cut at the end of the block
  uint16_t Length = 0;
  uint16_t ValueLength = 0;
  uint16_t Type = 0;
  size_t KeyOffset = 0;
  size_t KeyUnits = 0;  // without the terminator
  size_t ValueOffset = 0;
  size_t ChildrenOffset = 0;
};

class Reader {
 public:
  Reader(ByteView block, bool eightBit) : block_(block), eightBit_(eightBit) {}

  // The node at offset, or nothing when its header or key (with terminator)
  // does not fit in the block.
  std::optional<Node> NodeAt(size_t offset) const {
    Node node;
    node.Start = offset;
    auto length = block_.U16(offset);
    auto valueLength = block_.U16(offset + 2);
    if (!length || !valueLength) return std::nullopt;
    node.Length = *length;
    node.ValueLength = *valueLength;
    node.End = offset + std::min<size_t>(node.Length, block_.Size() - offset);
    size_t unit = eightBit_ ? 1 : 2;
    if (eightBit_) {
      node.KeyOffset = offset + 4;
    } else {
      auto type = block_.U16(offset + 4);
      if (!type) return std::nullopt;
      node.Type = *type;
      node.KeyOffset = offset + 6;
    }
    // The key and its terminator must lie inside the node: this also keeps a
    // walk over many short nodes from scanning the block again for each.
    ByteView inNode = block_.Sub(0, node.End);
    size_t keyEnd = node.KeyOffset;
    for (;;) {
      auto c = eightBit_ ? std::optional<uint16_t>(inNode.U8(keyEnd)) : inNode.U16(keyEnd);
      if (!c) return std::nullopt;
      if (*c == 0) break;
      keyEnd += unit;
    }
    node.KeyUnits = (keyEnd - node.KeyOffset) / unit;
    node.ValueOffset = AlignFrom(offset, keyEnd + unit);
    size_t valueBytes =
        eightBit_ ? node.ValueLength : size_t{node.ValueLength} * (node.Type ? 2 : 1);
    node.ChildrenOffset = node.ValueOffset + ((valueBytes + 3) & ~size_t{3});
    return node;
  }

  uint16_t KeyUnit(const Node& node, size_t index) const {
    if (eightBit_) return AnsiToUtf16(*block_.U8(node.KeyOffset + index));
    return *block_.U16(node.KeyOffset + index * 2);
  }

  bool KeyMatches(const Node& node, const std::vector<uint16_t>& key) const {
    if (node.KeyUnits != key.size()) return false;
    for (size_t i = 0; i < key.size(); ++i) {
      if (FoldCase(KeyUnit(node, i)) != FoldCase(key[i])) return false;
    }
    return true;
  }

  // The first child of parent whose key matches; the walk stops at a child of
  // length 0 (it would never advance) or at one that cannot be read.
  std::optional<Node> FindChild(const Node& parent, const std::vector<uint16_t>& key) const {
    size_t offset = parent.ChildrenOffset;
    size_t parentEnd = parent.Start + parent.Length;
    while (offset < parentEnd) {
      auto child = NodeAt(offset);
      if (!child) return std::nullopt;
      if (KeyMatches(*child, key)) return child;
      if (child->Length == 0) return std::nullopt;
      offset = child->Start + ((size_t{child->Length} + 3) & ~size_t{3});
    }
    return std::nullopt;
  }

  QueryResult Value(const Node& node) const {
    QueryResult result;
    result.IsText = !eightBit_ && node.Type != 0;
    if (eightBit_ || !result.IsText) {
      ByteView value = block_.Sub(node.ValueOffset, node.ValueLength);
      auto bytes = block_.Copy(node.ValueOffset, value.Size());
      if (bytes) result.Value = std::move(*bytes);
      result.Length = node.ValueLength;
      return result;
    }
    // A text value of the UTF-16 layout: its length counts characters, and the
    // 8-bit caller gets it converted, with its converted length.
    size_t units =
        std::min<size_t>(node.ValueLength, block_.Sub(node.ValueOffset, SIZE_MAX).Size() / 2);
    std::vector<uint16_t> wide(units);
    for (size_t i = 0; i < units; ++i) wide[i] = *block_.U16(node.ValueOffset + i * 2);
    std::string text = Utf16ToAnsi(wide.data(), wide.size());
    result.Value.assign(text.begin(), text.end());
    result.Length = static_cast<uint32_t>(text.size());
    return result;
  }

 private:
  ByteView block_;
  bool eightBit_;
};

}  // namespace

bool IsEightBitLayout(ByteView block) {
  auto c = block.U8(4);
  return c && *c >= ' ';
}

ByteView UsableBlock(ByteView block) {
  auto length = block.U16(0);
  if (!length) return block.Sub(0, 0);
  return block.Sub(0, *length);
}

namespace {

// The node that the path names, walked as the system walks it.
std::optional<Node> FindNode(const Reader& reader, std::string_view subBlock) {
  auto node = reader.NodeAt(0);
  size_t pos = 0;
  while (node && pos < subBlock.size()) {
    if (subBlock[pos] == '\\') {
      ++pos;
      continue;
    }
    size_t end = subBlock.find('\\', pos);
    if (end == std::string_view::npos) end = subBlock.size();
    std::vector<uint16_t> key;
    key.reserve(end - pos);
    for (size_t i = pos; i < end; ++i)
      key.push_back(AnsiToUtf16(static_cast<uint8_t>(subBlock[i])));
    node = reader.FindChild(*node, key);
    pos = end;
  }
  return node;
}

}  // namespace

std::optional<QueryResult> QueryBlock(ByteView block, std::string_view subBlock) {
  ByteView usable = UsableBlock(block);
  Reader reader(usable, IsEightBitLayout(usable));
  auto node = FindNode(reader, subBlock);
  if (!node) return std::nullopt;
  return reader.Value(*node);
}

std::optional<size_t> ValueEnd(ByteView block, std::string_view subBlock) {
  ByteView usable = UsableBlock(block);
  bool eightBit = IsEightBitLayout(usable);
  Reader reader(usable, eightBit);
  auto node = FindNode(reader, subBlock);
  if (!node) return std::nullopt;
  size_t unit = (!eightBit && node->Type != 0) ? 2 : 1;
  return node->ValueOffset + size_t{node->ValueLength} * unit;
}

std::string Utf16ToAnsi(const uint16_t* text, size_t count) {
  std::string out;
  out.reserve(count);
  for (size_t i = 0; i < count; ++i) out.push_back(static_cast<char>(UnitToAnsi(text[i])));
  return out;
}

uint16_t AnsiToUtf16(uint8_t c) {
  if (c >= 0x80 && c < 0xA0) return kAnsiHigh[c - 0x80];
  return c;
}

std::string AnsiToUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    uint16_t unit = AnsiToUtf16(static_cast<uint8_t>(c));
    if (unit < 0x80) {
      out.push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
      out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
  }
  return out;
}

}  // namespace versioninfo
