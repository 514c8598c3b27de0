#include "dlvnt/main_window/settings.h"

#include <gtest/gtest.h>

#include "dlvnt/inventory/test_machine.h"
#include "dlvnt/main_window/main_form.h"
#include "ui/headless/headless.h"

namespace dlvnt {
namespace {

using platform::RegistryRoot;
using testing::TestMachine;

struct SettingsFixture : ::testing::Test {
  TestMachine m;
  ui::headless::HeadlessApplication app;
  std::unique_ptr<TMainForm> Start() {
    auto form = std::make_unique<TMainForm>(
        app, MainFormServices{m.Services(), m.clipboard, m.printer, {}});
    form->Form->Show();
    return form;
  }
  void Set(const char* name, platform::fake::FakeRegistry::Value value) {
    m.registry.Set(RegistryRoot::CurrentUser, kSettingsKey, name, std::move(value));
  }
};

TEST_F(SettingsFixture, DefaultsWithoutKey) {
  auto f = Start();
  EXPECT_EQ(f->ActivePage(), kWin32Page);
  EXPECT_FALSE(f->TreeMode() || f->DuplicatesOn() || f->NotFoundOn());
  EXPECT_EQ(f->DisplayFont.Name, "Courier New");
  EXPECT_EQ(f->DisplayFont.Size, 8);
  EXPECT_EQ(f->PrinterFont.Size, 12);
}

TEST_F(SettingsFixture, StoredAndRestored) {
  {
    auto f = Start();
    f->ViewRegisteredOCXMenuItemClick();
    f->ViewTreeViewMenuItemClick();
    f->ViewNotFoundMenuItemClick();
    f->Form->Close();
  }
  const auto* tree = m.registry.Get(RegistryRoot::CurrentUser, kSettingsKey, "TreeView");
  ASSERT_TRUE(tree);
  EXPECT_EQ(std::get<uint32_t>(*tree), 1u);
  EXPECT_EQ(
      std::get<uint32_t>(*m.registry.Get(RegistryRoot::CurrentUser, kSettingsKey, "ActiveTab")),
      1u);
  EXPECT_EQ(
      std::get<std::string>(*m.registry.Get(RegistryRoot::CurrentUser, kSettingsKey, "FontName")),
      "Courier New");
  auto f = Start();
  EXPECT_EQ(f->ActivePage(), kOCXPage);
  EXPECT_TRUE(f->ViewTreeViewMenuItem->Checked());
  EXPECT_TRUE(f->PopupTreeViewMenuItem->Checked());
  EXPECT_TRUE(f->NotFoundOn());
  EXPECT_FALSE(f->DuplicatesOn());
  EXPECT_TRUE(f->Collected[kOCXPage]);
  EXPECT_FALSE(f->Collected[kWin32Page]);  // only the stored page is collected
}

TEST_F(SettingsFixture, OddValues) {
  Set("ActiveTab", uint32_t{7});
  Set("FontName", std::string("Fixedsys"));
  Set("Duplicates", std::vector<uint8_t>{0x00, 0x01});                  // lowest byte decides: off
  Set("TreeView", std::vector<uint8_t>{0x01, 0x00, 0x00, 0x00, 0x00});  // too long: ignored
  Set("PrinterFontName", std::string(200, 'P'));
  auto f = Start();
  EXPECT_EQ(f->ActivePage(), kWin32Page);
  EXPECT_EQ(f->DisplayFont.Name, "Fixedsys");
  EXPECT_EQ(f->DisplayFont.Size, 8);
  EXPECT_FALSE(f->DuplicatesOn());
  EXPECT_FALSE(f->TreeMode());
  EXPECT_EQ(f->PrinterFont.Name, std::string(100, 'P'));
}

TEST_F(SettingsFixture, ImpossibleFontsKeepTheDefaults) {
  Set("FontName", std::string());
  Set("FontSize", uint32_t{0});
  Set("PrinterFontSize", uint32_t{0xFFFFFFFF});
  Set("PrinterFontName", std::vector<uint8_t>{'A', 'r', 'i', 'a', 'l', 0, 'x'});
  auto f = Start();
  EXPECT_EQ(f->DisplayFont.Name, "Courier New");
  EXPECT_EQ(f->DisplayFont.Size, 8);
  EXPECT_EQ(f->PrinterFont.Size, 12);
  EXPECT_EQ(f->PrinterFont.Name, "Arial");  // ends at the first NUL
}

// Every page index that "ActiveTab" can name, and the first value past them.
TEST(ActiveTab, EveryPageAndTheFirstInvalidValue) {
  struct Case {
    uint32_t Stored;
    std::optional<int> Page;
  };
  const Case cases[] = {
      {0, kWin32Page},
      {1, kOCXPage},
      {2, kDriverPage},
      {3, kWin16Page},
      {4, std::nullopt},
      {0x100, std::nullopt},  // lowest byte 0: still 256
      {0xFFFFFFFF, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PageOfActiveTab(c.Stored), c.Page) << c.Stored;
  }
}

TEST(ActiveTab, TheStoredPageOpens) {
  const std::pair<uint32_t, int> cases[] = {
      {0, kWin32Page}, {1, kOCXPage}, {2, kDriverPage}, {3, kWin16Page}, {4, kWin32Page}};
  for (auto [stored, page] : cases) {
    TestMachine m;
    m.registry.Set(RegistryRoot::CurrentUser, kSettingsKey, "ActiveTab", stored);
    ui::headless::HeadlessApplication app;
    TMainForm form(app, MainFormServices{m.Services(), m.clipboard, m.printer, {}});
    form.Form->Show();
    EXPECT_EQ(form.ActivePage(), page) << stored;
    EXPECT_TRUE(form.Collected[page]) << stored;  // the page shown is the page filled
  }
}

TEST_F(SettingsFixture, StoreFailureReachesTheErrorHandler) {
  auto f = Start();
  m.registry.failWrites = true;
  f->Form->Close();
  ASSERT_EQ(app.errors.size(), 1u);
  EXPECT_NE(app.errors[0].find("Software\\Tessaloom\\Delvane"), std::string::npos);
}

}  // namespace
}  // namespace dlvnt
