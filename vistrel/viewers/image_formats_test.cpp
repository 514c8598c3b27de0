#include "vistrel/viewers/image_formats.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "vistrel/viewers/byte_builder_test_util.h"

namespace vistrel {
namespace {

using test::Bytes;
using Lines = std::vector<std::string>;

// A 40-byte header, its colour table and `bits` bytes of rows.
Bytes Dib(int32_t width, int32_t height, uint16_t bitCount, uint32_t colors, size_t bits,
          uint32_t compression = 0, uint32_t used = 0, uint32_t sizeImage = 0) {
  Bytes b;
  b.U32(40).U32(static_cast<uint32_t>(width)).U32(static_cast<uint32_t>(height)).U16(1);
  b.U16(bitCount).U32(compression).U32(sizeImage).U32(0).U32(0).U32(used).U32(0);
  b.Zeros(4 * colors + bits);
  return b;
}

TEST(DibLayout, IconImagesHaveTheirPixelsAfterTheColourTableAndHalfTheRows) {
  // 32 x 32 at 8 bits: 256 colours, then 32 rows of 32 bytes (the mask
  // follows and is not needed for the picture).
  auto eight = ReadDib(Dib(32, 64, 8, 256, 32 * 32), true);
  ASSERT_TRUE(eight);
  EXPECT_EQ(eight->BitsOffset, 40u + 1024u);
  EXPECT_EQ(eight->Height, 32u);
  EXPECT_EQ(eight->BitsSize, 32u * 32u);
  auto deep = ReadDib(Dib(16, 32, 24, 0, 16 * 48), true);
  ASSERT_TRUE(deep);
  EXPECT_EQ(deep->BitsOffset, 40u);
  // Rows are padded to 4 bytes: 3 pixels at 4 bits take 2 bytes, stored in 4.
  auto odd = ReadDib(Dib(3, 6, 4, 16, 3 * 4), true);
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd->BitsSize, 12u);
  // A counted palette moves the pixels; bit fields put masks before them.
  EXPECT_EQ(ReadDib(Dib(2, 2, 8, 16, 8, 0, 16), false)->BitsOffset, 40u + 64u);
  EXPECT_EQ(ReadDib(Dib(2, 2, 32, 3, 16, 3), false)->BitsOffset, 52u);
  // Stored top down.
  EXPECT_EQ(ReadDib(Dib(4, -4, 32, 0, 64), false)->Height, 4u);
}

TEST(DibLayout, DataThatDoesNotHoldThePictureIsNoImage) {
  Bytes whole = Dib(32, 64, 8, 256, 32 * 32);
  std::span<const uint8_t> bytes = whole;
  EXPECT_FALSE(ReadDib(bytes.first(bytes.size() - 1), true));
  EXPECT_FALSE(ReadDib(bytes.first(40 + 1000), true));  // inside the colour table
  EXPECT_FALSE(ReadDib(bytes.first(39), true));         // inside the header
  EXPECT_FALSE(ReadDib(Dib(32, 64, 8, 256, 32 * 32).Put32(0, 41), true));
  EXPECT_FALSE(ReadDib(Dib(32, 64, 7, 0, 4096), true));         // no such depth
  EXPECT_FALSE(ReadDib(Dib(0, 64, 32, 0, 64), true));           // no columns
  EXPECT_FALSE(ReadDib(Dib(1, 1, 32, 0, 4), true));             // one row: none of colour
  EXPECT_FALSE(ReadDib(Dib(2, 2, 8, 300, 8, 0, 300), false));   // more colours than bits
  EXPECT_FALSE(ReadDib(Dib(100000, 2, 1, 2, 1 << 20), false));  // beyond the limit
  EXPECT_FALSE(ReadDib(Dib(0x7FFFFFFF, 0x7FFFFFFF, 32, 0, 16), false));
  EXPECT_FALSE(ReadDib(Dib(2, 2, 24, 0, 16, 1), false));        // RLE8 of 24 bits
  EXPECT_FALSE(ReadDib(Dib(2, 2, 8, 256, 0, 1, 0, 0), false));  // RLE without a size
  EXPECT_TRUE(ReadDib(Dib(2, 2, 8, 256, 6, 1, 0, 6), false));
  EXPECT_FALSE(ReadDib(Dib(2, 2, 8, 256, 5, 1, 0, 6), false));  // RLE data cut
  // The old core header: 3-byte colours.
  Bytes core;
  core.U32(12).U16(2).U16(2).U16(1).U16(1).Zeros(6 + 8);
  auto layout = ReadDib(core, false);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->BitsOffset, 12u + 6u);
}

TEST(PngHeader, SizeAndDepthComeFromTheFirstChunk) {
  Bytes png;
  for (int c : {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A}) png.U8(static_cast<uint8_t>(c));
  png.U32(0x0D000000).U8('I').U8('H').U8('D').U8('R');
  png.U8(0).U8(0).U8(1).U8(0).U8(0).U8(0).U8(0).U8(48).U8(8).U8(6);
  auto header = ReadPngHeader(png);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->Width, 256u);
  EXPECT_EQ(header->Height, 48u);
  EXPECT_EQ(header->BitCount, 32);
  EXPECT_FALSE(ReadPngHeader(std::span<const uint8_t>(png).first(25)));
  EXPECT_FALSE(ReadDib(png, true));
}

TEST(GroupEntry, TheFirstEntryNamesTheImage) {
  Bytes group;
  group.U16(0).U16(1).U16(2);
  group.U8(32).U8(32).U8(0).U8(0).U16(1).U16(32).U32(4264).U16(7);
  group.U8(16).U8(16).U8(0).U8(0).U16(1).U16(32).U32(1128).U16(8);
  auto entry = FirstGroupEntry(group);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->Id, 7);
  EXPECT_EQ(entry->BytesInRes, 4264u);
  EXPECT_FALSE(FirstGroupEntry(std::span<const uint8_t>(group).first(19)));
  Bytes empty;
  empty.U16(0).U16(1).U16(0).Zeros(14);
  EXPECT_FALSE(FirstGroupEntry(empty));
}

TEST(CursorHotspot, TheTwoLeadingWords) {
  Bytes cursor;
  cursor.U16(3).U16(5).Zeros(40);
  EXPECT_EQ(CursorHotspotText(cursor), "3, 5");
  Bytes far;
  far.U16(65535).U16(0);
  EXPECT_EQ(CursorHotspotText(far), "65535, 0");
  EXPECT_FALSE(CursorHotspotText(std::span<const uint8_t>(cursor).first(3)));
}

// A block of 16 counted strings; absent ones are empty.
Bytes Block(const std::vector<std::u16string>& strings) {
  Bytes b;
  for (size_t i = 0; i < 16; ++i) {
    std::u16string s = i < strings.size() ? strings[i] : u"";
    b.U16(static_cast<uint16_t>(s.size()));
    for (char16_t c : s) b.U16(c);
  }
  return b;
}

TEST(StringTable, IdsFollowTheBlockNumberAndEmptyStringsAreLeftOut) {
  EXPECT_EQ(StringTableLines(1, Block({u"zero", u"", u"two"})), (Lines{"0 - zero", "2 - two"}));
  std::vector<std::u16string> seventh(16);
  seventh[0] = u"first";
  seventh[15] = u"last";
  EXPECT_EQ(StringTableLines(7, Block(seventh)), (Lines{"96 - first", "111 - last"}));
  // Strings are whole, however long, and Unicode comes out as UTF-8.
  std::u16string longText(300, u'x');
  EXPECT_EQ(StringTableLines(2, Block({longText}))[0], "16 - " + std::string(300, 'x'));
  EXPECT_EQ(StringTableLines(1, Block({u"\u00e9t\u00e9 \U0001F600"}))[0],
            "0 - \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80");
  std::u16string lone = u"a";
  lone += static_cast<char16_t>(0xD800);
  EXPECT_EQ(StringTableLines(1, Block({lone}))[0], "0 - a\xEF\xBF\xBD");
}

TEST(StringTable, AStringRunningPastTheDataEndsTheBlock) {
  Bytes b;
  b.U16(2).U16('o').U16('k').U16(10).U16('x');
  EXPECT_EQ(StringTableLines(1, b), (Lines{"0 - ok"}));
  EXPECT_TRUE(StringTableLines(1, {}).empty());
}

TEST(StringTable, TheBlockNumberIsTheNumericName) {
  EXPECT_EQ(BlockNumberOf("7"), 7u);
  try {
    BlockNumberOf("ABOUT");
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "'ABOUT' is not a valid integer value");
  }
  EXPECT_THROW(BlockNumberOf(""), std::runtime_error);
  EXPECT_THROW(BlockNumberOf("7x"), std::runtime_error);
  EXPECT_THROW(BlockNumberOf("-1"), std::runtime_error);
}

TEST(Accelerators, KeyNamesFromTheVirtualKeyTable) {
  EXPECT_EQ(KeyName(0x01), "LBUTTON");
  EXPECT_EQ(KeyName(0x0D), "RETURN");
  EXPECT_EQ(KeyName(0x2F), "HELP");
  EXPECT_EQ(KeyName(0x61), "NUMPAD1");
  EXPECT_EQ(KeyName(0x87), "F24");
  EXPECT_EQ(KeyName(0xFE), "OEM_CLEAR");
  // No name: the character of the low byte.
  EXPECT_EQ(KeyName(0x43), "C");
  EXPECT_EQ(KeyName(0x35), "5");
  EXPECT_EQ(KeyName(0x0141), "A");
  EXPECT_EQ(KeyName(0x00E9), "\xC3\xA9");
  EXPECT_EQ(KeyName(0x0100), "");
}

TEST(Accelerators, ModifiersAreNamedOnlyAlone) {
  Bytes b;
  auto entry = [&](uint16_t flags, uint16_t key, uint16_t id) {
    b.U16(flags).U16(key).U16(id).U16(0);
  };
  entry(0x0009, 0x43, 100);    // Ctrl+C
  entry(0x0005, 0x2E, 101);    // Shift+Del
  entry(0x0011, 0x73, 102);    // Alt+F4
  entry(0x000D, 0x5A, 103);    // Ctrl+Shift: no modifier text
  entry(0x0000, 0x61, 104);    // the character 'a', named as the key 0x61 is
  entry(0x0089, 0x43, 65535);  // the last entry
  b.U8(1).U8(2).U8(3);         // a remainder is dropped
  EXPECT_EQ(AcceleratorLines(b), (Lines{"CTRL+C (VIRTKEY) - 100", "SHIFT+DELETE (VIRTKEY) - 101",
                                        "ALT+F4 (VIRTKEY) - 102", "Z (VIRTKEY) - 103",
                                        "NUMPAD1 - 104", "CTRL+C (VIRTKEY) - 65535"}));
  EXPECT_TRUE(AcceleratorLines(std::span<const uint8_t>(b).first(7)).empty());
}

}  // namespace
}  // namespace vistrel
