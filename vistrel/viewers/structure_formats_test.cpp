#include "vistrel/viewers/structure_formats.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "vistrel/viewers/byte_builder_test_util.h"

namespace vistrel {
namespace {

using test::Bytes;
using Lines = std::vector<std::string>;

Lines Structure(uint8_t kind, const std::vector<uint8_t>& bytes, int32_t length,
                bool pe32Plus = false) {
  return StructureLines(kind, bytes, length, pe32Plus);
}

// Every prefix of the block, each in a buffer of its own size (so a read
// past it is a heap overflow under ASan), lists the full listing's first
// lines and then the closing line, or the whole listing.
void ExpectEveryCutEndsCleanly(uint8_t kind, const std::vector<uint8_t>& bytes, int32_t length,
                               bool pe32Plus) {
  Lines full = StructureLines(kind, bytes, length, pe32Plus);
  for (size_t n = 0; n < bytes.size(); ++n) {
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + n);
    Lines lines = StructureLines(kind, cut, length, pe32Plus);
    ASSERT_FALSE(lines.empty());
    if (lines == full) continue;
    ASSERT_EQ(lines.back(), kDataEndsHere) << "kind " << int(kind) << " cut at " << n;
    ASSERT_LE(lines.size() - 1, full.size());
    ASSERT_TRUE(std::equal(lines.begin(), lines.end() - 1, full.begin()))
        << "kind " << int(kind) << " cut at " << n;
  }
}

std::vector<uint8_t> FileHeaderBlock() {
  return Bytes()
      .U32(0x12345678)
      .U16(0x8664)
      .U16(3)
      .U32(0x5F000000)
      .U32(0)
      .U32(0)
      .U16(0xF0)
      .U16(0x2022);
}

TEST(StructureFormatsTest, FileHeaderShowsTheSignatureConstant) {
  Lines lines = Structure(kFileHeaderStructure, FileHeaderBlock(), 20);
  Lines expected = {"Structure Size = 20 Bytes",
                    "IMAGE_NT_SIGNATURE:\t0x00004550",
                    "Machine:\t0x8664",
                    "NumberOfSections:\t0x0003",
                    "TimeDateStamp:\t0x5F000000",
                    "PointerToSymbolTable:\t0x00000000",
                    "NumberOfSymbols:\t0x00000000",
                    "SizeOfOptionalHeader:\t0x00F0",
                    "Characteristics:\t0x2022"};
  EXPECT_EQ(lines, expected);
  // Cut inside NumberOfSymbols: the lines before it, then the closing line.
  std::vector<uint8_t> cut = FileHeaderBlock();
  cut.resize(19);
  Lines cutLines = Structure(kFileHeaderStructure, cut, 20);
  ASSERT_EQ(cutLines.size(), 7u);
  EXPECT_EQ(cutLines[5], "PointerToSymbolTable:\t0x00000000");
  EXPECT_EQ(cutLines[6], kDataEndsHere);
}

// The block starts 4 bytes before the optional header.
std::vector<uint8_t> OptionalHeaderBlock(bool pe32Plus) {
  Bytes b;
  b.U16(0xF0).U16(0x22);  // the file header's last two fields
  b.U16(pe32Plus ? 0x20B : 0x10B)
      .U8(14)
      .U8(2)
      .U32(0x1000)
      .U32(0x2000)
      .U32(0)
      .U32(0x1234)
      .U32(0x1000);
  if (pe32Plus) {
    b.U64(0x0000000140000000ull);
  } else {
    b.U32(0x3000).U32(0x00400000);
  }
  b.U32(0x1000).U32(0x200).U16(6).U16(0).U16(0).U16(0).U16(6).U16(0).U32(0).U32(0x9000).U32(0x400);
  b.U32(0xABCD).U16(2).U16(0x8160);
  if (pe32Plus) {
    b.U64(0x100000000ull).U64(0x1000).U64(0x100000).U64(0x2000);
  } else {
    b.U32(0x100000).U32(0x1000).U32(0x100000).U32(0x2000);
  }
  b.U32(0).U32(16);
  for (uint32_t i = 0; i < 16; ++i) b.U32(0x10000 * (i + 1)).U32(i);
  return b;
}

TEST(StructureFormatsTest, OptionalHeaderInBothWidths) {
  std::vector<uint8_t> pe32 = OptionalHeaderBlock(false);
  ASSERT_EQ(pe32.size(), 228u);
  Lines lines = Structure(kOptionalHeaderStructure, pe32, 224);
  ASSERT_EQ(lines.size(), 1u + 30 + 16 * 3);
  EXPECT_EQ(lines[1], "Magic:\t0x010B");
  EXPECT_EQ(lines[2], "MajorLinkerVersion:\t0x0E");
  EXPECT_EQ(lines[9], "BaseOfData:\t0x00003000");
  EXPECT_EQ(lines[10], "ImageBase:\t0x00400000");
  EXPECT_EQ(lines[25], "SizeOfStackReserve:\t0x00100000");
  EXPECT_EQ(lines[30], "NumberOfRvaAndSizes:\t0x00000010");
  EXPECT_EQ(lines[31], "DataDirectory[0]");
  EXPECT_EQ(lines[32], "  VirtualAddress:\t0x00010000");
  EXPECT_EQ(lines[78], "  Size:\t0x0000000F");

  std::vector<uint8_t> plus = OptionalHeaderBlock(true);
  ASSERT_EQ(plus.size(), 244u);
  Lines wide = Structure(kOptionalHeaderStructure, plus, 240, true);
  ASSERT_EQ(wide.size(), 1u + 29 + 16 * 3);
  EXPECT_FALSE(std::any_of(wide.begin(), wide.end(),
                           [](const std::string& l) { return l.starts_with("BaseOfData"); }));
  EXPECT_EQ(wide[1], "Magic:\t0x020B");
  EXPECT_EQ(wide[8], "BaseOfCode:\t0x00001000");
  EXPECT_EQ(wide[9], "ImageBase:\t0x0000000140000000");
  EXPECT_EQ(wide[10], "SectionAlignment:\t0x00001000");
  EXPECT_EQ(wide[23], "DllCharacteristics:\t0x8160");
  EXPECT_EQ(wide[24], "SizeOfStackReserve:\t0x0000000100000000");
  EXPECT_EQ(wide[27], "SizeOfHeapCommit:\t0x0000000000002000");
  EXPECT_EQ(wide[28], "LoaderFlags:\t0x00000000");
  EXPECT_EQ(wide[29], "NumberOfRvaAndSizes:\t0x00000010");
  EXPECT_EQ(wide[30], "DataDirectory[0]");
  EXPECT_EQ(wide[31], "  VirtualAddress:\t0x00010000");
  EXPECT_EQ(wide[77], "  Size:\t0x0000000F");

  // A PE32 reading of the same bytes would take the PE32+ image base apart.
  Lines misread = Structure(kOptionalHeaderStructure, plus, 240, false);
  EXPECT_EQ(misread[9], "BaseOfData:\t0x40000000");

  // The last directory's size cut off.
  std::vector<uint8_t> cut(plus.begin(), plus.end() - 1);
  Lines cutLines = Structure(kOptionalHeaderStructure, cut, 240, true);
  ASSERT_EQ(cutLines.size(), wide.size());
  EXPECT_EQ(cutLines[76], "  VirtualAddress:\t0x00100000");
  EXPECT_EQ(cutLines.back(), kDataEndsHere);
}

std::vector<uint8_t> BitmapHeader(uint16_t bitCount, uint32_t clrUsed, size_t colourBytes) {
  Bytes b;
  b.U32(40).U32(16).U32(32).U16(1).U16(bitCount).U32(0).U32(0).U32(0).U32(0).U32(clrUsed).U32(0);
  for (size_t i = 0; i < colourBytes; ++i) b.U8(static_cast<uint8_t>(i));
  return b;
}

TEST(StructureFormatsTest, BitmapColourTableCounts) {
  Lines eight = Structure(kBitmapStructure, BitmapHeader(8, 0, 1024), 1064);
  ASSERT_EQ(eight.size(), 1u + 11 + 256 * 5);
  EXPECT_EQ(eight[12], "bmiColors[0]");
  EXPECT_EQ(eight[13], "  rgbBlue\t0x00");
  EXPECT_EQ(eight[16], "  rgbReserved\t0x03");
  EXPECT_EQ(eight[eight.size() - 5], "bmiColors[255]");
  EXPECT_EQ(eight.back(), "  rgbReserved\t0xFF");

  EXPECT_EQ(Structure(kIconStructure, BitmapHeader(24, 0, 64), 104).size(), 12u);
  EXPECT_EQ(Structure(kBitmapStructure, BitmapHeader(24, 5, 20), 60).size(), 12u + 5 * 5);
  EXPECT_EQ(Structure(kBitmapStructure, BitmapHeader(1, 0, 8), 48).size(), 12u + 2 * 5);
  EXPECT_EQ(Structure(kBitmapStructure, BitmapHeader(4, 0, 64), 104).size(), 12u + 16 * 5);

  // Whole entries only: 10 of 256 entries and a part of the eleventh.
  Lines cut = Structure(kBitmapStructure, BitmapHeader(8, 0, 42), 1064);
  ASSERT_EQ(cut.size(), 12u + 10 * 5 + 1);
  EXPECT_EQ(cut[cut.size() - 6], "bmiColors[9]");
  EXPECT_EQ(cut.back(), kDataEndsHere);
  // A count far past any block.
  Lines huge = Structure(kBitmapStructure, BitmapHeader(8, 0xFFFFFFFF, 8), 48);
  EXPECT_EQ(huge.size(), 12u + 2 * 5 + 1);
}

TEST(StructureFormatsTest, CursorShowsTheHotSpotFirst) {
  Bytes b;
  b.U16(7).U16(9);
  for (uint8_t v : BitmapHeader(1, 0, 8)) b.U8(v);
  Lines lines = Structure(kCursorStructure, b, static_cast<int32_t>(b.Size()));
  ASSERT_EQ(lines.size(), 1u + 2 + 11 + 2 * 5);
  EXPECT_EQ(lines[1], "CursorComponent.xHotspot:\t0x0007");
  EXPECT_EQ(lines[2], "CursorComponent.yHotspot:\t0x0009");
  EXPECT_EQ(lines[3], "bmiHeader.biSize:\t0x00000028");
  EXPECT_EQ(lines[7], "bmiHeader.biBitCount:\t0x0001");
}

TEST(StructureFormatsTest, GroupDirectoryEntries) {
  Lines empty = Structure(kIconGroupStructure, Bytes().U16(0).U16(1).U16(0), 6);
  Lines expected = {"Structure Size = 6 Bytes", "Reserved:\t0x0000", "ResourceType:\t0x0001",
                    "ResourceCount:\t0x0000"};
  EXPECT_EQ(empty, expected);

  Bytes b;
  b.U16(0).U16(2).U16(2);
  b.U8(32).U8(32).U8(0).U8(0).U16(1).U16(32).U32(0x2E8).U16(1);
  b.U8(16).U8(16).U8(0).U8(0).U16(1).U16(32);  // the second entry is cut
  Lines lines = Structure(kCursorGroupStructure, b, 34);
  ASSERT_EQ(lines.size(), 4u + 9 + 1);
  EXPECT_EQ(lines[4], "ResourceEntry[0]");
  EXPECT_EQ(lines[5], "  Width\t0x20");
  EXPECT_EQ(lines[11], "  BytesInRes\t0x000002E8");
  EXPECT_EQ(lines[12], "  ResID\t0x0001");
  EXPECT_EQ(lines[13], kDataEndsHere);
}

TEST(StructureFormatsTest, AcceleratorEntriesFollowTheLength) {
  Bytes b;
  b.U16(0x0B).U16('O').U16(101).U16(0).U16(0x83).U16(0x70).U16(103).U16(0).U32(0xFFFFFFFF);
  Lines lines = Structure(kAcceleratorStructure, b, 20);
  Lines expected = {"Structure Size = 20 Bytes", "AcceleratorEntry[0]", "  Flags\t0x000B",
                    "  VirtKey\t0x004F",         "  MenuId\t0x0065",    "  Padding\t0x0000",
                    "AcceleratorEntry[1]",       "  Flags\t0x0083",     "  VirtKey\t0x0070",
                    "  MenuId\t0x0067",          "  Padding\t0x0000"};
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(Structure(kAcceleratorStructure, b, 7).size(), 1u);
  EXPECT_EQ(Structure(kAcceleratorStructure, b, -8).size(), 1u);
  // The length promises a third entry the bytes do not hold.
  Lines cut = Structure(kAcceleratorStructure, b, 24);
  EXPECT_EQ(cut.size(), expected.size() + 1);
  EXPECT_EQ(cut.back(), kDataEndsHere);
}

TEST(StructureFormatsTest, FixedVersionRecordAndLanguage) {
  Bytes b;
  b.Zeros(40);
  for (uint32_t i = 0; i < 13; ++i) b.U32(i == 0 ? 0xFEEF04BD : i);
  b.U32(0x04B00409);
  ASSERT_EQ(b.Size(), 96u);
  Lines lines = Structure(kVersionStructure, b, 96);
  ASSERT_EQ(lines.size(), 15u);
  EXPECT_EQ(lines[1], "Signature:\t0xFEEF04BD");
  EXPECT_EQ(lines[2], "StrucVersion:\t0x00000001");
  EXPECT_EQ(lines[13], "FileDateLS:\t0x0000000C");
  EXPECT_EQ(lines[14], "Language:\t0x04B00409");
  std::vector<uint8_t> cut(b.Data().begin(), b.Data().begin() + 94);
  Lines cutLines = Structure(kVersionStructure, cut, 96);
  EXPECT_EQ(cutLines.size(), 15u);
  EXPECT_EQ(cutLines.back(), kDataEndsHere);
}

TEST(StructureFormatsTest, KindsWithoutAFormatter) {
  std::vector<uint8_t> bytes(64, 0xCC);
  for (uint8_t kind : {0, 12, 13, 200}) {
    Lines lines = Structure(kind, bytes, -5);
    Lines expected = {"Structure Size = -5 Bytes", kNoStructureDefined};
    EXPECT_EQ(lines, expected) << int(kind);
  }
  EXPECT_EQ(Structure(kMenuStructure, Bytes().U16(0).U16(0).U16(0x80).U16(5).Str(u"A"), 10),
            (Lines{"Structure Size = 10 Bytes", "MENUITEM \"A\", 5, ", "ENDPOPUP"}));
}

TEST(StructureFormatsTest, KindOfResourceType) {
  const std::pair<uint32_t, uint8_t> kPairs[] = {{1, 3}, {2, 4},  {3, 5},  {4, 10}, {5, 11},
                                                 {9, 8}, {12, 6}, {14, 7}, {16, 9}, {0, 0},
                                                 {6, 0}, {10, 0}, {11, 0}, {24, 0}, {0x10000, 0}};
  for (auto [type, kind] : kPairs) EXPECT_EQ(StructureKindOfResourceType(type), kind) << type;
}

TEST(StructureFormatsTest, EveryCutEndsCleanly) {
  ExpectEveryCutEndsCleanly(kFileHeaderStructure, FileHeaderBlock(), 20, false);
  ExpectEveryCutEndsCleanly(kOptionalHeaderStructure, OptionalHeaderBlock(false), 224, false);
  ExpectEveryCutEndsCleanly(kOptionalHeaderStructure, OptionalHeaderBlock(true), 240, true);
  ExpectEveryCutEndsCleanly(kBitmapStructure, BitmapHeader(4, 0, 64), 104, false);
  Bytes cursor;
  cursor.U16(1).U16(2);
  for (uint8_t v : BitmapHeader(1, 0, 8)) cursor.U8(v);
  ExpectEveryCutEndsCleanly(kCursorStructure, cursor, 52, false);
  Bytes group;
  group.U16(0).U16(1).U16(2).Zeros(28);
  ExpectEveryCutEndsCleanly(kIconGroupStructure, group, 34, false);
  ExpectEveryCutEndsCleanly(kAcceleratorStructure, std::vector<uint8_t>(24, 1), 24, false);
  Bytes version;
  version.Zeros(96);
  ExpectEveryCutEndsCleanly(kVersionStructure, version, 96, false);
}

}  // namespace
}  // namespace vistrel
