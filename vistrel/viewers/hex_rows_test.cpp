#include "vistrel/viewers/hex_rows.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "common/text_case.h"

namespace vistrel {
namespace {

std::vector<uint8_t> Counting(size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(0x41 + i % 26);
  return bytes;
}

// Where the character part of a row starts: its characters are its last
// bytes' worth of the line.
size_t CharColumn(const std::string& line, size_t bytesInRow) {
  return line.size() - bytesInRow;
}

TEST(HexRowsTest, FullRowsHaveTheirFixedLengths) {
  auto bytes = Counting(32);
  HexRows rows(bytes, 0x400);
  ASSERT_EQ(rows.Count(), 2u);
  EXPECT_EQ(rows.Row(0, HexAlign::Byte).size(), 78u);
  EXPECT_EQ(rows.Row(1, HexAlign::Word).size(), 70u);
  EXPECT_EQ(rows.Row(1, HexAlign::DWord).size(), 65u);
  EXPECT_EQ(rows.Row(1, HexAlign::Byte),
            "0x00000410  51 52 53 54 55 56 57 58  59 5A 41 42 43 44 45 46  QRSTUVWXYZABCDEF");
  EXPECT_EQ(rows.Row(2, HexAlign::Byte), "");
}

TEST(HexRowsTest, UnitsAreLittleEndianAndCharactersPrintable) {
  std::vector<uint8_t> bytes = {0x4D, 0x5A, 0x50, 0x45, 0x00, 0x00, 0x1F, 0x20, 0x7E, 0x7F};
  HexRows rows(bytes, 0);
  EXPECT_EQ(rows.Row(0, HexAlign::Byte), "0x00000000  4D 5A 50 45 00 00 1F 20  7E 7F  MZPE... ~.");
  EXPECT_EQ(rows.Row(0, HexAlign::Word), "0x00000000  5A4D 4550 0000 201F  7F7E  MZPE... ~.");
  // The last unit holds two of four bytes: blanks stand for the missing ones.
  EXPECT_EQ(rows.Row(0, HexAlign::DWord), "0x00000000  45505A4D 201F0000     7F7E  MZPE... ~.");
}

TEST(HexRowsTest, ShortLastRowLinesUpWithTheRowsAbove) {
  // 20 bytes, Byte: 4 units, 12 missing units and the unwritten middle gap.
  auto bytes = Counting(20);
  HexRows rows(bytes, 0);
  std::string last = rows.Row(1, HexAlign::Byte);
  EXPECT_EQ(last, "0x00000010  51 52 53 54 " + std::string(36 + 1, ' ') + " QRST");
  // 24 bytes, Word: the gap was written, so only the four missing units.
  auto words = Counting(24);
  HexRows wordRows(words, 0);
  EXPECT_EQ(wordRows.Row(1, HexAlign::Word),
            "0x00000010  5251 5453 5655 5857  " + std::string(20, ' ') + " QRSTUVWX");

  // Every length and alignment, whole units or not.
  for (size_t n = 17; n < 32; ++n) {
    auto block = Counting(n);
    HexRows r(block, 0);
    for (HexAlign align : {HexAlign::Byte, HexAlign::Word, HexAlign::DWord}) {
      std::string full = r.Row(0, align);
      std::string shortRow = r.Row(1, align);
      EXPECT_EQ(CharColumn(shortRow, n - 16), CharColumn(full, 16))
          << "n " << n << " align " << static_cast<int>(align);
      EXPECT_EQ(shortRow.substr(shortRow.size() - (n - 16)),
                std::string(block.begin() + 16, block.end()));
    }
  }
}

TEST(HexRowsTest, OnlyRowIsNotPadded) {
  std::vector<uint8_t> bytes = {0x00, 0x01, 0x02};
  HexRows rows(bytes, 0x10);
  EXPECT_EQ(rows.Row(0, HexAlign::Byte), "0x00000010  00 01 02  ...");
  EXPECT_EQ(rows.Row(0, HexAlign::Word), "0x00000010  0100   02  ...");
  EXPECT_EQ(rows.Row(0, HexAlign::DWord), "0x00000010    020100  ...");
  // Exactly eight bytes: the gap follows the eighth.
  auto eight = Counting(8);
  EXPECT_EQ(HexRows(eight, 0).Row(0, HexAlign::Byte),
            "0x00000000  41 42 43 44 45 46 47 48   ABCDEFGH");
}

TEST(HexRowsTest, EmptyBlockHasNoRows) {
  HexRows rows({}, 0x1000);
  EXPECT_EQ(rows.Count(), 0u);
  EXPECT_EQ(rows.Row(0, HexAlign::Byte), "");
  EXPECT_EQ(rows.Find("0x00001000"), -1);
}

TEST(HexRowsTest, LabelsWidenOnlyWhenTheLastRowNeedsIt) {
  auto one = Counting(16);
  HexRows narrow(one, 0xFFFFFFF0u);
  EXPECT_FALSE(narrow.WideLabels());
  EXPECT_EQ(narrow.LabelLength(), 10u);
  EXPECT_EQ(narrow.Label(0), "0xFFFFFFF0");

  auto two = Counting(17);
  HexRows wide(two, 0xFFFFFFF0u);
  EXPECT_TRUE(wide.WideLabels());
  EXPECT_EQ(wide.LabelLength(), 18u);
  EXPECT_EQ(wide.Label(0), "0x00000000FFFFFFF0");
  EXPECT_EQ(wide.Row(1, HexAlign::Byte).substr(0, 20), "0x0000000100000000  ");
  EXPECT_EQ(wide.Find("0x0000000100000000"), -1);  // the last row
  EXPECT_EQ(wide.Find("0x00000000FFFFFFF8"), 0);
  EXPECT_EQ(wide.Find("0xFFFFFFF8"), -1);  // eight digits sort above every wide label
}

TEST(HexRowsTest, FindFollowsTheTextComparison) {
  auto bytes = Counting(64);  // rows at 0x1000, 0x1010, 0x1020, 0x1030
  HexRows rows(bytes, 0x1000);
  EXPECT_EQ(rows.Find("0x00001000"), 0);
  EXPECT_EQ(rows.Find("0x00001008"), 0);
  EXPECT_EQ(rows.Find("0X00001008"), 0);
  EXPECT_EQ(rows.Find("0x0000101f"), 1);
  EXPECT_EQ(rows.Find("0x00001020"), 2);
  EXPECT_EQ(rows.Find("00001010"), -1);    // no "0x"
  EXPECT_EQ(rows.Find("0x00001030"), -1);  // the last row is never found
  EXPECT_EQ(rows.Find("0x00001FFF"), -1);
  EXPECT_EQ(rows.Find("0x00000FFF"), -1);
  EXPECT_EQ(rows.Find("0x0000101"), 0);  // a prefix of row 1's label sorts below it
  auto single = Counting(16);
  EXPECT_EQ(HexRows(single, 0).Find("0x00000000"), -1);
}

// The binary search against the row-by-row comparison it stands for.
TEST(HexRowsTest, FindAgreesWithTheLinearRule) {
  std::mt19937 random(7);
  const char kAlphabet[] = "0xX19aAfFgG ";
  for (uint64_t base : {0x0ull, 0x7FFFFFF0ull, 0xFFFFFF00ull, 0x123456789ABCull}) {
    auto bytes = Counting(16 * 37 + 5);
    HexRows rows(bytes, base);
    auto linear = [&](const std::string& text) -> int64_t {
      std::string key = common::Upper(text);
      for (size_t i = 0; i + 1 < rows.Count(); ++i) {
        if (!(key < common::Upper(rows.Label(i))) && key < common::Upper(rows.Label(i + 1))) {
          return static_cast<int64_t>(i);
        }
      }
      return -1;
    };
    std::vector<std::string> texts;
    for (size_t i = 0; i < rows.Count(); ++i) {
      std::string label = rows.Label(i);
      texts.push_back(label);
      texts.push_back(common::Lower(label));
      texts.push_back(label.substr(0, label.size() - 1));
      texts.push_back(label + "7");
    }
    for (int i = 0; i < 2000; ++i) {
      std::string text = rows.Label(random() % rows.Count());
      size_t cut = random() % (text.size() + 1);
      text.resize(cut);
      while (random() % 3 != 0) text += kAlphabet[random() % (sizeof kAlphabet - 1)];
      texts.push_back(text);
    }
    for (const std::string& text : texts) {
      ASSERT_EQ(rows.Find(text), linear(text)) << "base " << base << " text '" << text << "'";
    }
  }
}

}  // namespace
}  // namespace vistrel
