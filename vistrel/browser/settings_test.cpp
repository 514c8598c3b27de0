#include "vistrel/browser/settings.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_machine.h"

namespace vistrel {
namespace {

using platform::RegistryRoot;
using platform::fake::FakeRegistry;
constexpr auto kUser = RegistryRoot::CurrentUser;

BrowserSettings Defaults() {
  return BrowserSettings{true, false, 0, "C:\\WINNT\\calc.exe"};
}

TEST(BrowserSettings, FirstRunWithoutKeyChangesNothing) {
  FakeRegistry reg;
  BrowserSettings s = Defaults();
  ReadSettings(reg, s);
  EXPECT_TRUE(s.HexMode);
  EXPECT_FALSE(s.Sorted);
  EXPECT_EQ(s.TabSheet, 0);
  EXPECT_EQ(s.Calculator, "C:\\WINNT\\calc.exe");
}

// Pages 0 to 6 come back as stored; anything else opens "File Header".
TEST(BrowserSettings, TabSheetEveryPageAndTheFirstInvalidValue) {
  const std::pair<uint32_t, int> cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3},     {4, 4},
                                            {5, 5}, {6, 6}, {7, 0}, {0x101, 0}, {0xFFFFFFFF, 0}};
  for (auto [stored, page] : cases) {
    FakeRegistry reg;
    reg.WriteDword(kUser, kSettingsKey, "TabSheet", stored);
    BrowserSettings s = Defaults();
    s.TabSheet = -1;  // tells "File Header" chosen (0) from left unchanged
    ReadSettings(reg, s);
    EXPECT_EQ(s.TabSheet, page) << stored;
  }
}

TEST(BrowserSettings, OlderKeyWinsAndIsRemovedAtTheNextSave) {
  FakeRegistry reg;
  reg.WriteDword(kUser, kOlderSettingsKey, "Mode", 0);
  reg.WriteDword(kUser, kOlderSettingsKey, "Sorted", 1);
  reg.WriteDword(kUser, kOlderSettingsKey, "TabSheet", 4);
  reg.WriteString(kUser, kOlderSettingsKey, "Calculator", "D:\\CALC.EXE");
  reg.WriteDword(kUser, kSettingsKey, "TabSheet", 2);  // ignored while the older key exists
  BrowserSettings s = Defaults();
  ReadSettings(reg, s);
  EXPECT_FALSE(s.HexMode);
  EXPECT_TRUE(s.Sorted);
  EXPECT_EQ(s.TabSheet, 4);
  EXPECT_EQ(s.Calculator, "D:\\CALC.EXE");

  SaveSettings(reg, s, true);
  EXPECT_FALSE(reg.KeyExists(kUser, kOlderSettingsKey));
  EXPECT_EQ(reg.ReadDword(kUser, kSettingsKey, "Mode"), 0u);
  EXPECT_EQ(reg.ReadDword(kUser, kSettingsKey, "Sorted"), 1u);
  EXPECT_EQ(reg.ReadDword(kUser, kSettingsKey, "TabSheet"), 4u);
  EXPECT_EQ(reg.ReadString(kUser, kSettingsKey, "Calculator"), "D:\\CALC.EXE");
}

TEST(BrowserSettings, FlagsAreTheFirstByteAndBadPagesFallBack) {
  FakeRegistry reg;
  reg.WriteDword(kUser, kSettingsKey, "Mode", 0x100);  // first byte 0
  reg.WriteDword(kUser, kSettingsKey, "Sorted", 0x2);
  reg.WriteDword(kUser, kSettingsKey, "TabSheet", 9);
  BrowserSettings s = Defaults();
  s.TabSheet = 3;
  ReadSettings(reg, s);
  EXPECT_FALSE(s.HexMode);
  EXPECT_TRUE(s.Sorted);
  EXPECT_EQ(s.TabSheet, 0);
}

TEST(BrowserSettings, OverlongCalculatorIsRefused) {
  FakeRegistry reg;
  reg.WriteString(kUser, kSettingsKey, "Calculator", std::string(300, 'x'));
  BrowserSettings s = Defaults();
  ReadSettings(reg, s);
  EXPECT_EQ(s.Calculator, "C:\\WINNT\\calc.exe");
  reg.WriteString(kUser, kSettingsKey, "Calculator", std::string(259, 'y'));
  ReadSettings(reg, s);
  EXPECT_EQ(s.Calculator, std::string(259, 'y'));
}

TEST(BrowserSettings, ClearedCheckBoxWritesOnlyTheCalculator) {
  FakeRegistry reg;
  reg.WriteDword(kUser, kSettingsKey, "Mode", 1);
  reg.WriteDword(kUser, kSettingsKey, "TabSheet", 5);
  BrowserSettings s{false, true, 2, "C:\\X.EXE"};
  SaveSettings(reg, s, false);
  EXPECT_EQ(reg.ReadDword(kUser, kSettingsKey, "Mode"), 1u);
  EXPECT_EQ(reg.ReadDword(kUser, kSettingsKey, "TabSheet"), 5u);
  EXPECT_FALSE(reg.ReadDword(kUser, kSettingsKey, "Sorted").has_value());
  EXPECT_EQ(reg.ReadString(kUser, kSettingsKey, "Calculator"), "C:\\X.EXE");
}

TEST(BrowserSettings, RegistryFailuresAreSilent) {
  FakeRegistry reg;
  reg.failWrites = true;
  SaveSettings(reg, Defaults(), true);
  EXPECT_FALSE(reg.KeyExists(kUser, kSettingsKey));
}

}  // namespace
}  // namespace vistrel
