// The fifteen texts and their rules, on blocks built here.
#include "common/version_info.h"

#include <gtest/gtest.h>

#include "common/version_info_test_util.h"

namespace versioninfo {
namespace {

using testing::Block;
using testing::BlockSystem;
using testing::Fixed;
using testing::Serialize;
using testing::StringTable;
using testing::TestNode;

const StringTable kEnglishStrings = {
    {"CompanyName", u"Tessaloom"},      {"FileDescription", u"Inventory"},
    {"FileVersion", u"4.0.1"},          {"InternalName", u"DLVNT"},
    {"LegalCopyright", u"Copyright"},   {"LegalTrademarks", u"Delvane"},
    {"ProductName", u"Delvane for NT"}, {"ProductVersion", u"4.0"},
};

std::vector<uint8_t> EnglishBlock(const Fixed& fixed = Fixed{}) {
  return Serialize(Block(fixed, {{"040904B0", kEnglishStrings}}, {{0x0409, 0x04B0}}));
}

std::string FixedText(VersionText (*operation)(const VersionSystem&, const std::string&, int),
                      const Fixed& fixed) {
  BlockSystem system;
  system.Add("f", EnglishBlock(fixed));
  VersionText text = operation(system, "f", 255);
  EXPECT_EQ(static_cast<int>(text.Text.size()), text.Length);
  return text.Text;
}

TEST(VersionTextTest, VersionNumbersAreFourHalvesInOrder) {
  Fixed fixed;
  fixed.FileMS = 0x00030002;
  fixed.FileLS = 0x00010000;
  fixed.ProductMS = 0xFFFF0004;
  fixed.ProductLS = 0x8000FFFF;
  EXPECT_EQ(FixedText(GetFileVersionText, fixed), "File Version 3.2.1.0");
  EXPECT_EQ(FixedText(GetProductVersionText, fixed), "Product Version 65535.4.32768.65535");
}

TEST(VersionTextTest, FlagsKeepTheirSevenBlanks) {
  auto flags = [](uint32_t value) {
    Fixed fixed;
    fixed.Flags = value;
    return FixedText(GetFileFlagsText, fixed);
  };
  EXPECT_EQ(flags(0), "File Flags       ");
  EXPECT_EQ(flags(0x03), "File Flags Debug PreRel     ");
  EXPECT_EQ(flags(0x3F), "File Flags Debug PreRel Patched Private Info Special ");
  EXPECT_EQ(flags(0x100), "File Flags       Unknown");
  EXPECT_EQ(flags(0x80000000u), "File Flags       Unknown");
  EXPECT_EQ(flags(0xC0), "File Flags       ");  // 0x40 and 0x80 have no word
  EXPECT_EQ(flags(0x14), "File Flags   Patched  Info  ");
}

TEST(VersionTextTest, OperatingSystems) {
  auto os = [](uint32_t value) {
    Fixed fixed;
    fixed.OS = value;
    return FixedText(GetFileOSText, fixed);
  };
  EXPECT_EQ(os(0x10001), "File OS DOS-Win16");
  EXPECT_EQ(os(0x10004), "File OS DOS-Win32");
  EXPECT_EQ(os(0x20002), "File OS OS/2-16 PM-16");
  EXPECT_EQ(os(0x30003), "File OS OS/2-32 PM-32");
  EXPECT_EQ(os(0x40004), "File OS NT-Win32");
  EXPECT_EQ(os(0), "File OS Unknown");
  EXPECT_EQ(os(0x40000), "File OS Unknown");
  EXPECT_EQ(os(4), "File OS Unknown");
}

TEST(VersionTextTest, Types) {
  const std::pair<uint32_t, const char*> cases[] = {
      {1, "App"}, {2, "DLL"},     {3, "Driver"},  {4, "Font"},    {5, "VxD"},
      {7, "Lib"}, {0, "Unknown"}, {6, "Unknown"}, {8, "Unknown"}, {0x10001, "Unknown"}};
  for (auto [type, name] : cases) {
    Fixed fixed;
    fixed.Type = type;
    EXPECT_EQ(FixedText(GetFileTypeText, fixed), std::string("File Type ") + name) << type;
  }
}

TEST(VersionTextTest, SubtypesDependOnTheType) {
  auto subtype = [](uint32_t type, uint32_t value) {
    Fixed fixed;
    fixed.Type = type;
    fixed.Subtype = value;
    return FixedText(GetFileSubTypeText, fixed);
  };
  const char* drivers[] = {"Printer Drv", "Keyboard Drv", "Language Drv", "Display Drv",
                           "Mouse Drv",   "Network Drv",  "System Drv",   "Installable",
                           "Sound Drv",   "Comm Drv"};
  for (uint32_t i = 1; i <= 10; ++i) {
    EXPECT_EQ(subtype(3, i), std::string("File SubType ") + drivers[i - 1]);
  }
  EXPECT_EQ(subtype(3, 0), "File SubType Unknown");
  EXPECT_EQ(subtype(3, 11), "File SubType Unknown");
  EXPECT_EQ(subtype(4, 1), "File SubType Raster Font");
  EXPECT_EQ(subtype(4, 2), "File SubType Vector Font");
  EXPECT_EQ(subtype(4, 3), "File SubType TrueType Font");
  EXPECT_EQ(subtype(4, 0), "File SubType None");
  EXPECT_EQ(subtype(4, 4), "File SubType None");
  EXPECT_EQ(subtype(5, 0), "File SubType Virtual Device Driver");
  EXPECT_EQ(subtype(5, 0xFFFFFFFF), "File SubType Virtual Device Driver");
  EXPECT_EQ(subtype(2, 3), "File SubType None");
  EXPECT_EQ(subtype(1, 1), "File SubType None");
  EXPECT_EQ(subtype(0, 7), "File SubType None");
}

TEST(VersionTextTest, LanguageNamesTheFirstTranslation) {
  auto language = [](uint16_t id) {
    BlockSystem system;
    system.Add("f", Serialize(Block(Fixed{}, {}, {{id, 0x04B0}, {0x0407, 0x04B0}})));
    return GetLanguageText(system, "f", 240);
  };
  EXPECT_EQ(language(0x0409).Text, "Language English");
  EXPECT_EQ(language(0x0407).Text, "Language German");
  EXPECT_EQ(language(0x0411).Text, "Language Japanese");
  EXPECT_EQ(language(0x0804).Text, "Language Chinese (Simplified)");
  EXPECT_EQ(language(0x0414).Text, "Language Norwegian Bokm\xE5l");  // 8-bit text
  // Language 0 shows nothing, nor does an id the platform cannot name.
  EXPECT_EQ(language(0).Length, 0);
  EXPECT_EQ(language(0x0FFF).Length, 0);
  EXPECT_EQ(language(0x0FFF).Text, "");
}

TEST(VersionTextTest, EveryMeasuredLanguageNameIsFound) {
  // The table holds the 429 ids the platform names; a lookup that missed some
  // (an unsorted table) would give fewer.
  int named = 0;
  for (uint32_t id = 0; id <= 0xFFFF; ++id) named += !PortableLanguageName(id).empty();
  EXPECT_EQ(named, 429);
  EXPECT_EQ(PortableLanguageName(0x10409), "");
  EXPECT_EQ(PortableLanguageName(0x7C04), "Chinese (Traditional)");
}

TEST(VersionTextTest, LanguageIgnoresThePlatformRule) {
  BlockSystem other(false);
  other.Add("f", EnglishBlock());
  EXPECT_EQ(GetLanguageText(other, "f", 240).Text, "Language English");
}

TEST(VersionTextTest, StringsComeFromTheFirstTranslationsTable) {
  BlockSystem system;
  system.Add("f", EnglishBlock());
  const std::pair<VersionTextOperation, const char*> cases[] = {
      {GetCompanyName, "Tessaloom"},      {GetFileDescription, "Inventory"},
      {GetFileVersionString, "4.0.1"},    {GetInternalName, "DLVNT"},
      {GetCopyright, "Copyright"},        {GetTrademarks, "Delvane"},
      {GetProductName, "Delvane for NT"}, {GetProductVersionString, "4.0"}};
  for (auto [operation, expected] : cases) {
    VersionText text = operation(system, "f", 255);
    EXPECT_EQ(text.Text, expected);
    EXPECT_EQ(text.Length, static_cast<int>(std::string(expected).size()));
  }
  EXPECT_EQ(GetVersionString(system, "f", "ProductName"), "Delvane for NT");
  EXPECT_EQ(GetVersionString(system, "f", "productname"), "Delvane for NT");
  EXPECT_EQ(GetVersionString(system, "f", "Comments"), "");
}

TEST(VersionTextTest, StringTableUnderALaterTranslationIsNotFound) {
  BlockSystem system;
  system.Add("f", Serialize(Block(Fixed{}, {{"040904B0", kEnglishStrings}},
                                  {{0x0407, 0x04E4}, {0x0409, 0x04B0}})));
  for (const NamedOperation& op : kVersionTextOperations) {
    if (std::string(op.Name).find("Text") != std::string::npos) continue;
    VersionText text = op.Operation(system, "f", 255);
    EXPECT_EQ(text.Length, 0) << op.Name;
    EXPECT_EQ(text.Text, "") << op.Name;
  }
  EXPECT_EQ(GetLanguageText(system, "f", 255).Text, "Language German");
}

TEST(VersionTextTest, LanguageZeroStillBuildsTheStringPath) {
  BlockSystem system;
  system.Add("f", Serialize(Block(Fixed{}, {{"000004B0", {{"CompanyName", u"Neutral"}}}},
                                  {{0x0000, 0x04B0}})));
  EXPECT_EQ(GetLanguageText(system, "f", 240).Length, 0);
  EXPECT_EQ(GetCompanyName(system, "f", 240).Text, "Neutral");
}

TEST(VersionTextTest, PathDigitsAreUpperCaseAndMatchAnyCase) {
  // Tables written with lower-case digits are still found: keys match
  // without regard to case.
  BlockSystem system;
  system.Add("f", Serialize(Block(Fixed{}, {{"041d04e4", {{"ProductName", u"Svensk"}}}},
                                  {{0x041D, 0x04E4}})));
  EXPECT_EQ(GetProductName(system, "f", 240).Text, "Svensk");
}

TEST(VersionTextTest, TextIsDeliveredOnlyWhenItFits) {
  std::u16string long241(241, u'x');
  BlockSystem system;
  system.Add("f", Serialize(Block(Fixed{}, {{"040904B0", {{"CompanyName", long241}}}},
                                  {{0x0409, 0x04B0}})));
  VersionText cut = GetCompanyName(system, "f", 240);
  EXPECT_EQ(cut.Text, "");
  EXPECT_EQ(cut.Length, 241);
  VersionText fits = GetCompanyName(system, "f", 241);
  EXPECT_EQ(fits.Text, std::string(241, 'x'));
  EXPECT_EQ(fits.Length, 241);
  VersionText version = GetFileVersionText(system, "f", 5);
  EXPECT_EQ(version.Text, "");
  EXPECT_EQ(version.Length, static_cast<int>(std::string("File Version 3.2.1.0").size()));
}

TEST(VersionTextTest, NoVersionResourceGivesNothingEverywhere) {
  BlockSystem system;
  for (const NamedOperation& op : kVersionTextOperations) {
    VersionText text = op.Operation(system, "missing", 255);
    EXPECT_EQ(text.Length, 0) << op.Name;
    EXPECT_EQ(text.Text, "") << op.Name;
  }
  EXPECT_EQ(GetVersionString(system, "missing", "CompanyName"), "");
}

TEST(VersionTextTest, EmptyStringValueGivesLengthZero) {
  BlockSystem system;
  system.Add("f",
             Serialize(Block(Fixed{}, {{"040904B0", {{"CompanyName", u""}}}}, {{0x0409, 0x04B0}})));
  EXPECT_EQ(GetCompanyName(system, "f", 240).Length, 0);
}

TEST(VersionTextTest, ThePlatformPlacesTheFixedInformation) {
  Fixed fixed;
  fixed.FileMS = 0x00070008;
  fixed.FileLS = 0x00090001;
  TestNode root = Block(fixed, {{"040904B0", kEnglishStrings}}, {{0x0409, 0x04B0}});

  // The NT family's UTF-16 block: at 40.
  BlockSystem nt(true);
  nt.Add("f", Serialize(root));
  EXPECT_EQ(GetFileVersionText(nt, "f", 240).Text, "File Version 7.8.9.1");

  // Other platforms' 8-bit block: at 20.
  BlockSystem other(false);
  other.Add("f", Serialize(root, true));
  EXPECT_EQ(GetFileVersionText(other, "f", 240).Text, "File Version 7.8.9.1");
  EXPECT_EQ(GetCompanyName(other, "f", 240).Text, "Tessaloom");

  // The NT family returns a 16-bit file's block in the 8-bit layout: still 20.
  nt.Add("ne", Serialize(root, true));
  EXPECT_EQ(GetFileVersionText(nt, "ne", 240).Text, "File Version 7.8.9.1");
}

TEST(VersionTextTest, ShortBlockIsNotReadPastItsEnd) {
  // 84 bytes are needed on the NT family (offset 40 and 44 bytes read).
  std::vector<uint8_t> block = EnglishBlock();
  for (size_t size : {size_t{0}, size_t{2}, size_t{40}, size_t{83}}) {
    std::vector<uint8_t> cut(block.begin(), block.begin() + size);
    if (size >= 2) {
      cut[0] = static_cast<uint8_t>(size);
      cut[1] = 0;
    }
    BlockSystem system;
    system.Add("f", cut);
    for (const NamedOperation& op : kVersionTextOperations) {
      EXPECT_EQ(op.Operation(system, "f", 255).Length, 0) << op.Name << " at " << size;
    }
  }
  std::vector<uint8_t> exact(block.begin(), block.begin() + 84);
  exact[0] = 84;
  exact[1] = 0;
  BlockSystem system;
  system.Add("f", exact);
  EXPECT_EQ(GetFileVersionText(system, "f", 255).Text, "File Version 3.2.1.0");
  // A block that states it is shorter than the bytes present ends there.
  std::vector<uint8_t> stated = block;
  stated[0] = 80;
  stated[1] = 0;
  system.Add("g", stated);
  EXPECT_EQ(GetFileVersionText(system, "g", 255).Length, 0);
}

TEST(VersionTextTest, StringWithoutTerminatorStopsAtItsLength) {
  // "Tessaloom" stored with a value length of 4 characters and no zero after
  // them in the value: only the four are taken.
  TestNode root =
      Block(Fixed{}, {{"040904B0", {{"CompanyName", u"Tessaloom"}}}}, {{0x0409, 0x04B0}});
  root.Children[0].Children[0].Children[0].ValueLength = 4;
  BlockSystem system;
  system.Add("f", Serialize(root));
  EXPECT_EQ(GetCompanyName(system, "f", 240).Text, "Tess");
}

TEST(VersionTextTest, TranslationShorterThanOneEntryIsNoTranslation) {
  for (size_t bytes : {size_t{0}, size_t{2}, size_t{3}}) {
    TestNode root = Block(Fixed{}, {{"040904B0", kEnglishStrings}}, {{0x0409, 0x04B0}});
    std::vector<uint8_t>& value = root.Children[1].Children[0].Value;
    value.resize(bytes);
    BlockSystem system;
    system.Add("f", Serialize(root));
    EXPECT_EQ(GetLanguageText(system, "f", 240).Length, 0) << bytes;
    EXPECT_EQ(GetCompanyName(system, "f", 240).Length, 0) << bytes;
    // The fixed information does not need a translation.
    EXPECT_EQ(GetFileVersionText(system, "f", 240).Text, "File Version 3.2.1.0");
  }
}

TEST(VersionTextTest, SignatureIsNotChecked) {
  std::vector<uint8_t> block = EnglishBlock();
  block[40] = 0;  // the signature's first byte
  BlockSystem system;
  system.Add("f", block);
  EXPECT_EQ(GetFileVersionText(system, "f", 240).Text, "File Version 3.2.1.0");
}

TEST(VersionTextTest, PortableReaderIsTheNTFamily) {
  EXPECT_TRUE(IsWindowsNTPlatform(PortableVersionSystem()));
  EXPECT_TRUE(IsWindowsNTPlatform());
}

TEST(VersionTextTest, OperationTableIsComplete) {
  std::vector<std::string> names;
  for (const NamedOperation& op : kVersionTextOperations) names.push_back(op.Name);
  EXPECT_EQ(names.size(), 15u);
  EXPECT_EQ(names.front(), "GetFileVersionText");
  EXPECT_EQ(names.back(), "GetProductVersionString");
}

}  // namespace
}  // namespace versioninfo
