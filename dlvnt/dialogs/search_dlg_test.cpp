#include "dlvnt/dialogs/search_dlg.h"

#include <gtest/gtest.h>

#include "common/version_info_test_util.h"
#include "dlvnt/dialogs/details_dlg.h"
#include "dlvnt/inventory/test_machine.h"
#include "dlvnt/main_window/main_form.h"
#include "platform/fake/fake_system.h"
#include "ui/headless/headless.h"

namespace dlvnt {
namespace {

using testing::TestMachine;

struct SearchFixture : ::testing::Test {
  TestMachine m;
  platform::fake::FakeDirectories dirs;
  platform::fake::FakeAutomationClient automation;
  platform::fake::FakeProcessLauncher launcher;
  versioninfo::testing::BlockSystem versions;
  ui::headless::HeadlessApplication app;
  std::unique_ptr<TMainForm> main;
  std::unique_ptr<TDetailsDlg> details;
  std::unique_ptr<TSearchDlg> dlg;
  const double kDate = platform::DayCount(1998, 7, 9, 8, 30, 0, 0);

  void SetUp() override {
    m.AddImage("C:\\APP\\APP.EXE");
    m.system.AddProcess(8, {{"APP.EXE", "C:\\APP\\APP.EXE"}});
    using platform::DriveType;
    m.catalog.drives = {{'A', DriveType::Fixed},   {'B', DriveType::Removable},
                        {'C', DriveType::Fixed},   {'D', DriveType::CdRom},
                        {'E', DriveType::Remote},  {'F', DriveType::RamDisk},
                        {'G', DriveType::Unknown}, {'Z', DriveType::Fixed}};
    dirs.AddDirectory("C:\\");
    dirs.AddDirectory("E:\\");
    dirs.AddFile("C:\\APP\\APP.EXE", 4096, kDate);
    dirs.AddFile("C:\\OLD\\app.exe", 10, kDate);
    dirs.AddFile("E:\\SHARE\\APP.EXE", 20, kDate);
    dirs.AddFile("A:\\APP.EXE", 30, kDate);
    main = std::make_unique<TMainForm>(app,
                                       MainFormServices{m.Services(), m.clipboard, m.printer, {}});
    HandOffServices handOff{automation, launcher, m.files, "C:\\DLVNT\\DLVNT.EXE", {}, {}};
    details = std::make_unique<TDetailsDlg>(app, *main, handOff, &versions);
    dlg = std::make_unique<TSearchDlg>(app, SearchServices{m.catalog, dirs}, handOff);
    dlg->DetailsDlg = details.get();
    dlg->StatusInterval = std::chrono::milliseconds(0);  // every directory, as the user sees
    main->DetailsDlg = details.get();
    main->SearchDlg = dlg.get();
    main->Form->Show();
  }
  void Tick(char letter) {
    dlg->DriveCheckBoxes[static_cast<size_t>(letter - 'A')]->SetChecked(true);
  }
  // Runs work once the walk has let messages run `after` more times.
  void PostAfter(int after, std::function<void()> work) {
    if (after == 0) {
      app.Post(std::move(work));
      return;
    }
    app.Post([this, after, work] { PostAfter(after - 1, work); });
  }
  std::vector<std::string> Column(int col) {
    std::vector<std::string> cells;
    for (int r = 0; r < dlg->SearchStringGrid->RowCount(); ++r)
      cells.push_back(dlg->SearchStringGrid->Cell(col, r));
    return cells;
  }
};

TEST_F(SearchFixture, DriveBoxesOfferFixedRemoteAndRamDisksButNeverA) {
  dlg->SearchText = "C:\\APP\\APP.EXE";
  dlg->FormShow();
  std::string enabled;
  for (int i = 0; i < 26; ++i) {
    if (dlg->DriveCheckBoxes[static_cast<size_t>(i)]->Enabled())
      enabled += static_cast<char>('A' + i);
  }
  EXPECT_EQ(enabled, "CEFZ");
  EXPECT_EQ(dlg->DriveCheckBoxes[0]->Text(), "A:");
  EXPECT_EQ(dlg->DriveCheckBoxes[25]->Name(), "ZCheckBox");
  // A ticked A: is not searched even where it is a fixed disk.
  Tick('A');
  Tick('C');
  dlg->DriveCheckBoxes[2]->SetChecked(true);
  EXPECT_EQ(dlg->TickedDrives(), "C");
  // Ticks are the user's: the next showing keeps them.
  dlg->FormShow();
  EXPECT_TRUE(dlg->DriveCheckBoxes[2]->Checked());
}

TEST_F(SearchFixture, ShowingPutsTheBareNameInTheBox) {
  dlg->SearchText = "C:\\APP\\APP.EXE";
  dlg->FormShow();
  EXPECT_EQ(dlg->Form->Caption(), "Delvane Search for APP.EXE");
  EXPECT_EQ(dlg->FilenameEdit->Text(), "APP.EXE");
  EXPECT_EQ(dlg->SearchText, "APP.EXE");  // the box changed: the text follows it
  dlg->SearchText = "D:\\ELSEWHERE\\APP.EXE";
  dlg->FormShow();  // the box already holds the name: the full text stays
  EXPECT_EQ(dlg->SearchText, "D:\\ELSEWHERE\\APP.EXE");
  dlg->FilenameEdit->SetText("other.dll");
  EXPECT_EQ(dlg->SearchText, "other.dll");
  EXPECT_EQ(dlg->Form->Caption(), "Delvane Search for other.dll");
}

TEST_F(SearchFixture, SearchListsEveryDirectoryOfTheTickedDrives) {
  dlg->SearchText = "APP.EXE";
  dlg->FormShow();
  Tick('C');
  Tick('E');
  std::vector<std::string> statuses;
  bool searchEnabled = true, busy = false;
  PostAfter(2, [&] {
    busy = app.BusyCursor();
    statuses.push_back(dlg->StatusText());
    searchEnabled = dlg->SearchButton->Enabled();
    // The grid shows nothing new until the walk ends.
    statuses.push_back(std::to_string(dlg->SearchStringGrid->RowCount()) +
                       dlg->SearchStringGrid->Cell(2, 0));
  });
  dlg->SearchButton->Click();
  EXPECT_EQ(Column(2), (std::vector<std::string>{"C:\\APP\\", "C:\\OLD\\", "E:\\SHARE\\"}));
  EXPECT_EQ(Column(0)[0], "    4,096");
  EXPECT_EQ(Column(1)[0], "07-09-98 08:30");
  ASSERT_EQ(statuses.size(), 2u);
  EXPECT_EQ(statuses[0], "Searching C:\\APP\\ (0 found)");
  EXPECT_EQ(statuses[1], "1");
  EXPECT_FALSE(searchEnabled);
  EXPECT_TRUE(busy);  // the hourglass while it walks
  EXPECT_FALSE(app.BusyCursor());
  EXPECT_TRUE(dlg->SearchButton->Enabled());
  EXPECT_EQ(dlg->StatusText(), "");
  // A second search starts from nothing.
  dlg->FilenameEdit->SetText("none.dll");
  dlg->SearchButton->Click();
  EXPECT_EQ(dlg->SearchStringGrid->RowCount(), 1);
  EXPECT_EQ(dlg->SearchStringGrid->Cell(2, 0), "");
}

TEST_F(SearchFixture, StopKeepsWhatWasFoundAndOkStopsTheWalkFirst) {
  for (int i = 0; i < 20; ++i) dirs.AddFile("C:\\MORE" + std::to_string(i) + "\\APP.EXE", 1, kDate);
  dlg->SearchText = "APP.EXE";
  dlg->FormShow();
  Tick('C');
  Tick('E');
  PostAfter(4, [&] { dlg->StopButton->Click(); });  // root, APP, OLD, MORE0, then Stop
  dlg->SearchButton->Click();
  EXPECT_FALSE(dlg->Running());
  EXPECT_EQ(Column(2), (std::vector<std::string>{"C:\\APP\\", "C:\\OLD\\", "C:\\MORE0\\"}));
  EXPECT_EQ(dlg->StatusText(), "");
  // OK in the middle of a walk: the walk ends before the dialog does.
  bool runningAfterOk = true;
  ui::headless::SetModalScript(*dlg->Form, [&](ui::Form&) {
    PostAfter(3, [&] {
      dlg->OKButton->Click();
      runningAfterOk = dlg->Running();
    });
    dlg->SearchButton->Click();
    return ui::ModalResult::Ok;
  });
  dlg->Form->ShowModal();
  EXPECT_FALSE(runningAfterOk);
  EXPECT_EQ(dlg->SearchStringGrid->RowCount(), 2);
  EXPECT_LT(dirs.listCalls, 60);
}

TEST_F(SearchFixture, TheStatusTextFollowsAtMostAsOftenAsAsked) {
  for (int i = 0; i < 20; ++i) dirs.AddFile("C:\\MORE" + std::to_string(i) + "\\APP.EXE", 1, kDate);
  dlg->StatusInterval = std::chrono::hours(1);
  dlg->SearchText = "APP.EXE";
  dlg->FormShow();
  Tick('C');
  std::vector<std::string> statuses;
  for (int i = 1; i < 6; ++i) PostAfter(i, [&] { statuses.push_back(dlg->StatusText()); });
  dlg->SearchButton->Click();
  // The first directory is shown, the next ones within the hour are not.
  EXPECT_EQ(statuses, std::vector<std::string>(5, "Searching C:\\ (0 found)"));
  EXPECT_EQ(Column(2).size(), 22u);
}

TEST_F(SearchFixture, AWalkDoesNotRunInsideItself) {
  dlg->SearchText = "APP.EXE";
  dlg->FormShow();
  Tick('C');
  int listCallsBefore = 0;
  PostAfter(1, [&] {
    listCallsBefore = dirs.listCalls;
    dlg->SearchButtonClick();  // as a click that reached it anyway
  });
  dlg->SearchButton->Click();
  EXPECT_EQ(Column(2).size(), 2u);
  EXPECT_EQ(dirs.listCalls, 3);  // root, APP, OLD: once each
  EXPECT_GE(listCallsBefore, 0);
}

TEST_F(SearchFixture, DetailsOfAResultAndTheMainWindowsSearchCommand) {
  dlg->SearchText = "APP.EXE";
  dlg->FormShow();
  Tick('C');
  dlg->SearchButton->Click();
  std::string caption;
  ui::headless::SetModalScript(*details->Form, [&](ui::Form& form) {
    caption = form.Caption();
    return ui::ModalResult::Ok;
  });
  ui::headless::ClickCell(*dlg->SearchStringGrid, 0, 1);
  EXPECT_EQ(dlg->SelectedRow, 1);
  dlg->SearchStringGrid->OnRightMouseDown();
  EXPECT_EQ(caption, "Delvane Details for C:\\OLD\\APP.EXE");
  EXPECT_EQ(details->CurrentRow, nullptr);
  EXPECT_FALSE(details->DetailsButton->Enabled());
  // Before any walk: an empty directory and the bare name.
  dlg->FormShow();
  dlg->SelectedRow = 0;
  dlg->DetailsButtonClick();
  EXPECT_EQ(caption, "Delvane Details for APP.EXE");

  // The main window hands its selected path over and sets the page kind.
  std::string shown;
  ui::headless::SetModalScript(*dlg->Form, [&](ui::Form& form) {
    shown = form.Caption() + "|" + dlg->SearchText;
    return ui::ModalResult::Ok;
  });
  details->PageKind = kNoKind;
  main->ModulesSearchMenuItemClick();
  EXPECT_EQ(shown, "Delvane Search for APP.EXE|C:\\APP\\APP.EXE");  // the box held the name already
  EXPECT_EQ(details->PageKind, kWin32Kind);
}

}  // namespace
}  // namespace dlvnt
