// The about boxes' rule: a value when one fits in 240 characters, else the
// label's design text.
#include "common/about_texts.h"

#include <gtest/gtest.h>

#include "common/version_info_test_util.h"

namespace versioninfo {
namespace {

using testing::StringTable;

const AboutTexts kDesign{"Version 4.0", "Delvane for Windows NT", "Copyright line"};

AboutTexts Read(const StringTable* strings) {
  testing::BlockSystem system;
  if (strings) {
    testing::TestNode block = testing::Block({}, {{"040904B0", *strings}}, {{0x0409, 0x04B0}});
    system.Add("prog.exe", testing::Serialize(block));
  }
  return ReadAboutTexts(system, "prog.exe", kDesign);
}

TEST(AboutTexts, ValueWhenItFitsDesignTextOtherwise) {
  const std::u16string fits(240, u'v');
  const std::u16string tooLong(241, u'v');
  const std::string fitsText(240, 'v');
  struct Case {
    const char* What;
    std::u16string Value;  // given to all three keys
    bool HasResource;
    AboutTexts Expected;
  };
  const Case cases[] = {
      {"no version resource", u"", false, kDesign},
      {"short values", u"4.0.1", true, {"Version - 4.0.1", "4.0.1", "4.0.1"}},
      {"240 characters fit", fits, true, {"Version - " + fitsText, fitsText, fitsText}},
      {"241 characters keep the design", tooLong, true, kDesign},
      {"empty values keep the design", u"", true, kDesign},
  };
  for (const Case& c : cases) {
    StringTable strings{
        {"FileVersion", c.Value}, {"ProductName", c.Value}, {"LegalCopyright", c.Value}};
    AboutTexts texts = Read(c.HasResource ? &strings : nullptr);
    EXPECT_EQ(texts.Version, c.Expected.Version) << c.What;
    EXPECT_EQ(texts.Product, c.Expected.Product) << c.What;
    EXPECT_EQ(texts.Copyright, c.Expected.Copyright) << c.What;
  }
}

TEST(AboutTexts, EachLabelTakesItsOwnValue) {
  StringTable strings{{"FileVersion", u"1.2"},
                      {"ProductName", u"Product"},
                      {"LegalCopyright", std::u16string(241, u'c')}};
  AboutTexts texts = Read(&strings);
  EXPECT_EQ(texts.Version, "Version - 1.2");
  EXPECT_EQ(texts.Product, "Product");
  EXPECT_EQ(texts.Copyright, kDesign.Copyright);
}

}  // namespace
}  // namespace versioninfo
