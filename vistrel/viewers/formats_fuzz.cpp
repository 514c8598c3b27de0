// libFuzzer target for the viewers' formatters: any bytes as a hex dump, a
// structure of every kind, a menu or dialog template, and what the image
// viewer reads (bitmaps, icon images, groups, string and accelerator tables). The first bytes
// choose the length and the base address; the rest is the block.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "vistrel/viewers/hex_rows.h"
#include "vistrel/viewers/image_formats.h"
#include "vistrel/viewers/resource_script.h"
#include "vistrel/viewers/structure_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  int32_t length = static_cast<int32_t>(data[0] | data[1] << 8 | data[2] << 16 |
                                        static_cast<uint32_t>(data[3]) << 24);
  uint64_t base = static_cast<uint64_t>(data[4] | data[5] << 8 | data[6] << 16) << 24 |
                  static_cast<uint64_t>(data[7]) << 56;
  std::span<const uint8_t> block(data + 8, size - 8);

  vistrel::HexRows rows(block, base);
  size_t count = rows.Count();
  for (auto align : {vistrel::HexAlign::Byte, vistrel::HexAlign::Word, vistrel::HexAlign::DWord}) {
    for (size_t row : {size_t{0}, size_t{1}, count / 2, count ? count - 1 : 0, count}) {
      std::string line = rows.Row(row, align);
      if (row < count && line.size() < rows.LabelLength() + 2) __builtin_trap();
    }
  }
  std::string text(reinterpret_cast<const char*>(block.data()),
                   std::min<size_t>(block.size(), rows.LabelLength()));
  int64_t found = rows.Find(text);
  if (found >= 0 && static_cast<size_t>(found) + 1 >= count) __builtin_trap();
  if (count > 1) rows.Find(rows.Label(count / 2));

  for (int kind = 0; kind <= 13; ++kind) {
    for (bool pe32Plus : {false, true}) {
      auto lines = vistrel::StructureLines(static_cast<uint8_t>(kind), block, length, pe32Plus);
      if (lines.empty()) __builtin_trap();
    }
  }
  vistrel::MenuTemplateLines(block, length);
  vistrel::MenuTemplateLines(block, static_cast<int32_t>(block.size()));
  vistrel::DialogTemplateLines(block);
  vistrel::MenuTemplateComplete(block);

  for (bool icon : {false, true}) {
    if (auto dib = vistrel::ReadDib(block, icon)) {
      // A picture handed on lies wholly within the bytes.
      if (dib->BitsOffset > block.size() || block.size() - dib->BitsOffset < dib->BitsSize)
        __builtin_trap();
    }
  }
  vistrel::ReadPngHeader(block);
  vistrel::FirstGroupEntry(block);
  vistrel::CursorHotspotText(block);
  vistrel::StringTableLines(static_cast<uint32_t>(length), block);
  vistrel::AcceleratorLines(block);
  return 0;
}
