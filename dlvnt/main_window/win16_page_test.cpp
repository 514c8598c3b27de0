// The Win16 page and the details dialog's Win16 facts, with the helper run
// by a test WOW host and its completion posted to the window as the real
// helper posts it.
#include <gtest/gtest.h>

#include "dlvnt/dialogs/details_dlg.h"
#include "dlvnt/dialogs/win16_details.h"
#include "dlvnt/inventory/test_wow.h"
#include "dlvnt/main_window/main_form.h"
#include "common/version_info_test_util.h"
#include "platform/fake/fake_system.h"
#include "ui/headless/headless.h"

namespace dlvnt {
namespace {

using testing::TestMachine;
using testing::TestWow;

std::string Ne(const std::string& name, const std::vector<std::string>& imports) {
  std::vector<uint8_t> bytes = fixtures::NeFile({name, imports, {}, false});
  return {bytes.begin(), bytes.end()};
}

struct Win16PageFixture : ::testing::Test {
  TestMachine m;
  TestWow wow{m};
  ui::headless::HeadlessApplication app;
  std::unique_ptr<TMainForm> form;

  void SetUp() override {
    m.AddFile("C:\\WIN16\\CARDS.EXE", Ne("CARDS", {"KERNEL", "CARDLIB"}));
    m.AddFile("C:\\WIN16\\NOTES.EXE", Ne("NOTES", {"CARDLIB"}));
    m.AddFile("C:\\WIN16\\CARDLIB.DLL", Ne("CARDLIB", {"KERNEL"}));
    wow.Describe(
        "process 77\ntask C:\\WIN16\\CARDS.EXE\nmodule C:\\WIN16\\CARDLIB.DLL\n"
        "process 78\ntask C:\\WIN16\\NOTES.EXE\nmodule C:\\WIN16\\CARDLIB.DLL\n");
    // The helper's word comes as a window message, after the start returned.
    wow.answer = [this] {
      app.PostWindowMessage(form->Form->NativeHandle(), dlv16::kHelperDoneMessage, 0, 0);
    };
  }
  TMainForm& Start() {
    InventoryServices inventory{m.system, m.catalog, wow.Files(), m.registry, m.dirs};
    form = std::make_unique<TMainForm>(
        app, MainFormServices{inventory, m.clipboard, m.printer, [] { return true; },
                              Win16Machine{wow, wow.folders, wow, wow.directory}});
    form->Form->Show();
    return *form;
  }
  // A clock that jumps a second each time it is read, so that the bound of
  // a wait passes after a few turns of its loop.
  void FastClock() {
    form->Waiter.SetClock([this] {
      now += std::chrono::seconds(1);
      return now;
    });
  }
  std::chrono::steady_clock::time_point now{};
};

TEST_F(Win16PageFixture, ThePageAndTreeFillFromTwoWowProcesses) {
  TMainForm& f = Start();
  f.ViewModule16MenuItem->Click();
  EXPECT_TRUE(f.Collected[kWin16Page]);
  EXPECT_EQ(f.Win16ProcessCount, 2);
  ASSERT_EQ(f.Module16StringGrid->RowCount(), 3);
  // The shared library is one row; the tasks are green.
  EXPECT_EQ(f.Module16StringGrid->Cell(1, 0), "CARDS");
  EXPECT_EQ(f.Module16StringGrid->Cell(1, 1), "CARDLIB");
  EXPECT_EQ(f.Module16StringGrid->Cell(4, 1), "C:\\WIN16\\CARDLIB.DLL");
  EXPECT_EQ(f.Module16StringGrid->StyleOf(1, 0, {}).TextColor, kGreen);
  EXPECT_EQ(f.Module16StringGrid->StyleOf(1, 1, {}).TextColor, kBlack);
  EXPECT_EQ(f.Module16List[1].ProcessId, 0);
  EXPECT_EQ(f.Module16TreeView->NodeCount(), 6);
  EXPECT_EQ(f.TreeText(kWin16Page).find("0000004d"), 0u);
  EXPECT_TRUE(app.errors.empty());
  EXPECT_FALSE(wow.Present("0000004d.dlv"));

  // The window's end removes whatever the helper left.
  wow.Leave("late.dlv", "x");
  f.Form->Close();
  EXPECT_FALSE(wow.Present("late.dlv"));
}

TEST_F(Win16PageFixture, WithoutAWowHostThePageSaysSo) {
  form = std::make_unique<TMainForm>(
      app, MainFormServices{m.Services(), m.clipboard, m.printer, [] { return true; }});
  form->Form->Show();
  form->ViewModule16MenuItem->Click();
  EXPECT_EQ(form->Module16StringGrid->Cell(4, 0), "No 16-bit WOW processes active");
  EXPECT_EQ(form->StatusText(), "No 16-bit WOW processes active");
}

TEST_F(Win16PageFixture, WhileTheHelperRunsNothingRefillsTheListsAndTheWindowStays) {
  TMainForm& f = Start();
  FastClock();
  wow.answer = nullptr;  // a helper that never answers
  bool closed = false;
  f.Form->OnClose = [&] { closed = true; };
  wow.instead = [&] {
    // What a user might click while the wait lets the window run.
    app.Post([&] {
      f.ViewRefreshMenuItem->Click();
      f.PopupTreeViewMenuItem->Click();
      f.Pages[kWin16Page].SizeButton->Click();
      f.EditCopyAllMenuItem->Click();
      f.Form->Close();
    });
  };
  f.ViewModule16MenuItem->Click();
  EXPECT_EQ(wow.starts.size(), 2u);  // one run in each process, no second run
  EXPECT_FALSE(f.TreeMode());
  EXPECT_FALSE(m.clipboard.contents);
  EXPECT_FALSE(closed);
  ASSERT_EQ(app.errors.size(), 1u);
  EXPECT_EQ(app.errors[0], kHelperNoAnswer);
  EXPECT_GT(app.waitForMessagesCalls, 0);
  // Once the wait is over the window works again.
  wow.instead = nullptr;
  wow.answer = [this] {
    app.PostWindowMessage(form->Form->NativeHandle(), dlv16::kHelperDoneMessage, 0, 0);
  };
  f.ViewRefreshMenuItem->Click();
  EXPECT_EQ(f.Module16StringGrid->RowCount(), 3);
  EXPECT_EQ(app.errors.size(), 1u);
}

TEST_F(Win16PageFixture, TheDetailsOfAWin16ModuleComeFromTheHelper) {
  namespace vt = versioninfo::testing;
  std::vector<uint8_t> version = vt::Serialize(
      vt::Block({}, {{"040904E4", {{"CompanyName", u"Tessaloom Sixteen"}}}}, {{0x0409, 1252}}),
      true);
  std::vector<uint8_t> library = fixtures::NeFile({"CARDLIB", {"KERNEL"}, version, true});
  m.AddFile("C:\\WIN16\\CARDLIB.DLL", std::string(library.begin(), library.end()));
  TMainForm& f = Start();
  f.ViewModule16MenuItem->Click();
  platform::fake::FakeAutomationClient automation;
  platform::fake::FakeProcessLauncher launcher;
  TDetailsDlg dlg(app, f, {automation, launcher, m.files, "C:\\DELVANE\\DLVNT.EXE", {}, {}});
  HelperWin16Details details(app, *f.Win16);
  dlg.Win16 = &details;
  dlg.PageKind = kWin16Kind;
  dlg.CurrentRow = &f.Module16Rows[1];  // CARDLIB, held by both processes
  dlg.Display();
  EXPECT_EQ(dlg.UsesListBox->Items(), std::vector<std::string>{"KERNEL"});
  EXPECT_EQ(dlg.UsedByListBox->Items(), (std::vector<std::string>{"CARDS.EXE", "NOTES.EXE"}));
  EXPECT_EQ(dlg.TasksListBox->Items(),
            (std::vector<std::string>{"CARDS.EXE (77)", "NOTES.EXE (78)"}));
  EXPECT_EQ(dlg.UsageCountEdit->Text(), "2");
  EXPECT_EQ(dlg.CompanyNameEdit->Text(), "Tessaloom Sixteen");
  EXPECT_EQ(dlg.CompanyNameEdit->Hint(), "Tessaloom Sixteen");
  EXPECT_TRUE(app.errors.empty());
  EXPECT_FALSE(wow.Present("linkinfo.dlv"));
  EXPECT_FALSE(wow.Present("verinfo.dlv"));

  // A helper that does not answer: the user is told, the dialog shows on.
  f.Waiter.SetBound(std::chrono::milliseconds(0));
  wow.answer = nullptr;
  dlg.History.clear();
  dlg.Display();
  EXPECT_TRUE(dlg.UsesListBox->Items().empty());
  ASSERT_FALSE(app.errors.empty());
  EXPECT_EQ(app.errors[0], kHelperNoAnswer);
}

}  // namespace
}  // namespace dlvnt
