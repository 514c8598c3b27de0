// Queries on malformed and unusual blocks, and the 8-bit conversions.
#include "common/version_info_block.h"

#include <gtest/gtest.h>

#include "common/version_info_test_util.h"

namespace versioninfo {
namespace {

using testing::Block;
using testing::Fixed;
using testing::Put16;
using testing::Serialize;
using testing::TestNode;

std::optional<QueryResult> Query(const std::vector<uint8_t>& block, const std::string& path) {
  return QueryBlock(ByteView(block.data(), block.size()), path);
}

std::string Text(const QueryResult& result) {
  return std::string(result.Value.begin(), result.Value.end());
}

TEST(VersionBlockTest, PathsAreWalkedAsTheSystemDoes) {
  std::vector<uint8_t> block = Serialize(
      Block(Fixed{}, {{"040904B0", {{"CompanyName", u"Tessaloom"}}}}, {{0x0409, 0x04B0}}));
  // The root's value is the fixed information.
  for (const char* root : {"", "\\", "\\\\"}) {
    auto fixed = Query(block, root);
    ASSERT_TRUE(fixed) << root;
    EXPECT_EQ(fixed->Length, 52u);
    EXPECT_FALSE(fixed->IsText);
  }
  auto translation = Query(block, "\\\\VarFileInfo\\\\Translation\\");
  ASSERT_TRUE(translation);
  EXPECT_EQ(translation->Length, 4u);
  EXPECT_EQ(translation->Value, (std::vector<uint8_t>{0x09, 0x04, 0xB0, 0x04}));
  auto company = Query(block, "\\STRINGFILEINFO\\040904b0\\companyname");
  ASSERT_TRUE(company);
  EXPECT_TRUE(company->IsText);
  EXPECT_EQ(Text(*company), std::string("Tessaloom\0", 10));
  EXPECT_EQ(company->Length, 10u);  // the converted characters, terminator included
  EXPECT_FALSE(Query(block, "\\StringFileInfo\\040904B0\\Company"));
  EXPECT_FALSE(Query(block, "\\StringFileInfo\\040904B0\\CompanyNameX"));
  EXPECT_FALSE(Query(block, "\\Missing"));
}

TEST(VersionBlockTest, EightBitLayoutIsRecognisedAndQueried) {
  TestNode root = Block(Fixed{}, {}, {{0x0409, 0x04E4}});
  TestNode table{"040904E4", {}, 0};
  table.Children.push_back({"ProductName", {'V', 'i', 's', 't', 'r', 'e', 'l', 0}});
  root.Children[0].Children.push_back(table);
  std::vector<uint8_t> block = Serialize(root, true);
  ByteView view(block.data(), block.size());
  EXPECT_TRUE(IsEightBitLayout(view));
  std::vector<uint8_t> wide = Serialize(root);
  EXPECT_FALSE(IsEightBitLayout(ByteView(wide.data(), wide.size())));
  auto name = Query(block, "\\StringFileInfo\\040904E4\\ProductName");
  ASSERT_TRUE(name);
  EXPECT_EQ(Text(*name), std::string("Vistrel\0", 8));
  EXPECT_EQ(name->Length, 8u);
  auto fixed = Query(block, "\\");
  ASSERT_TRUE(fixed);
  EXPECT_EQ(fixed->Value, testing::FixedBytes(Fixed{}));
}

TEST(VersionBlockTest, MalformedNodesEndTheSearch) {
  TestNode root =
      Block(Fixed{}, {{"040904B0", {{"CompanyName", u"Tessaloom"}}}}, {{0x0409, 0x04B0}});
  std::vector<uint8_t> block = Serialize(root);
  // The first child (StringFileInfo) claims length 0: the walk stops there
  // instead of looping, so VarFileInfo behind it is not found.
  std::vector<uint8_t> zero = block;
  size_t first = 92;  // 40 + 52: the root's children start behind the fixed information
  zero[first] = 0;
  zero[first + 1] = 0;
  EXPECT_FALSE(Query(zero, "\\VarFileInfo\\Translation"));
  // A key that runs to the end of the block without its terminator.
  std::vector<uint8_t> endless = block;
  for (size_t i = first + 6; i < endless.size(); ++i) endless[i] = 'A';
  EXPECT_FALSE(Query(endless, "\\VarFileInfo\\Translation"));
  EXPECT_FALSE(Query(endless, "\\StringFileInfo"));
  // A root that claims more than is there is read as far as it goes.
  std::vector<uint8_t> cut(block.begin(), block.begin() + 100);
  EXPECT_TRUE(Query(cut, "\\"));
  EXPECT_FALSE(Query(cut, "\\VarFileInfo\\Translation"));
  // A value that claims more than the block holds is cut at the block.
  TestNode big = root;
  big.Children[0].Children[0].Children[0].ValueLength = 0xFFFF;
  std::vector<uint8_t> bigBlock = Serialize(big);
  auto value = Query(bigBlock, "\\StringFileInfo\\040904B0\\CompanyName");
  ASSERT_TRUE(value);
  EXPECT_LT(value->Value.size(), bigBlock.size());
  auto end = ValueEnd(ByteView(bigBlock.data(), bigBlock.size()),
                      "\\StringFileInfo\\040904B0\\CompanyName");
  ASSERT_TRUE(end);
  EXPECT_GT(*end, bigBlock.size());
}

TEST(VersionBlockTest, ManyTinyNodesAreWalkedQuickly) {
  // About 5400 children of 12 bytes, each with the key "A": every one is
  // visited once per component.
  std::vector<uint8_t> block;
  Put16(block, 0);
  Put16(block, 0);
  Put16(block, 1);
  for (char c : std::string("VS_VERSION_INFO")) Put16(block, static_cast<uint8_t>(c));
  Put16(block, 0);
  Put16(block, 0);
  while (block.size() < 0xFFF0) {
    for (uint16_t v : std::initializer_list<uint16_t>{12, 0, 0, 'A', 0, 0}) Put16(block, v);
  }
  block[0] = static_cast<uint8_t>(block.size());
  block[1] = static_cast<uint8_t>(block.size() >> 8);
  for (int i = 0; i < 20; ++i) EXPECT_FALSE(Query(block, "\\VarFileInfo\\Translation"));
  EXPECT_TRUE(Query(block, "\\a"));
}

TEST(VersionBlockTest, TextsConvertToCodePage1252) {
  const uint16_t text[] = {'A', 0x00A9, 0x20AC, 0x0160, 0x0100, 0x4E2D, 0xD83D, 0xDE00, 0};
  EXPECT_EQ(Utf16ToAnsi(text, 9), std::string("A\xA9\x80\x8A"
                                              "A????",
                                              8) +
                                      std::string(1, '\0'));
  EXPECT_EQ(AnsiToUtf16(0x80), 0x20AC);
  EXPECT_EQ(AnsiToUtf16(0x81), 0x0081);
  EXPECT_EQ(AnsiToUtf16(0xE9), 0x00E9);
  EXPECT_EQ(AnsiToUtf16('a'), 'a');
  EXPECT_EQ(AnsiToUtf8("(\xA9) \x80 Bokm\xE5l"), "(\u00A9) \u20AC Bokm\u00E5l");
}

}  // namespace
}  // namespace versioninfo
