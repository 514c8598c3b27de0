#include "dlvnt/dialogs/details_dlg.h"

#include <gtest/gtest.h>

#include "common/version_info_test_util.h"
#include "dlvnt/inventory/test_machine.h"
#include "dlvnt/main_window/main_form.h"
#include "platform/fake/fake_system.h"
#include "ui/headless/headless.h"

namespace dlvnt {
namespace {

using testing::TestMachine;
using Lines = std::vector<std::string>;

struct DetailsFixture : ::testing::Test {
  TestMachine m;
  platform::fake::FakeAutomationClient automation;
  platform::fake::FakeProcessLauncher launcher;
  versioninfo::testing::BlockSystem versions;
  ui::headless::HeadlessApplication app;
  std::unique_ptr<TMainForm> main;
  std::unique_ptr<TDetailsDlg> dlg;

  void SetUp() override {
    m.AddImage("C:\\APP\\APP.EXE", {"KERNEL32.DLL", "SHARED.DLL"});
    m.AddImage("C:\\APP\\SHARED.DLL", {"KERNEL32.DLL"});
    m.AddImage("C:\\WINNT\\system32\\KERNEL32.DLL");
    m.AddImage("C:\\APP\\LONELY.DLL");
    m.AddImage("C:\\TOOLS\\TOOL.EXE", {"KERNEL32.DLL"});
    // Two processes of one file name, and a tool that loads nothing shared.
    m.system.AddProcess(8, {{"APP.EXE", "C:\\APP\\APP.EXE"},
                            {"KERNEL32.DLL", "C:\\WINNT\\system32\\KERNEL32.DLL"},
                            {"SHARED.DLL", "C:\\APP\\SHARED.DLL"}});
    m.system.AddProcess(12,
                        {{"APP.EXE", "C:\\APP\\APP.EXE"}, {"SHARED.DLL", "C:\\APP\\SHARED.DLL"}});
    m.system.AddProcess(
        30, {{"TOOL.EXE", "C:\\TOOLS\\TOOL.EXE"}, {"LONELY.DLL", "C:\\APP\\LONELY.DLL"}});
    // A server whose file name ends in another module's name.
    m.AddImage("C:\\WINNT\\system32\\MYSHARED.DLL");
    m.AddClass("{11111111-2222-3333-4444-555555555555}", "InprocServer32",
               "C:\\WINNT\\system32\\MYSHARED.DLL");
    m.AddImage("C:\\WINNT\\system32\\DRIVERS\\DISK.SYS", {"NTOSKRNL.EXE"});
    m.system.drivers = std::vector<platform::DriverEntry>{
        {"disk.sys", "\\SystemRoot\\System32\\DRIVERS\\disk.sys"}};
    versions.Add("C:\\APP\\SHARED.DLL",
                 versioninfo::testing::Serialize(versioninfo::testing::Block(
                     versioninfo::testing::Fixed{},
                     {{"040904B0", {{"CompanyName", u"Shared Makers"}, {"FileVersion", u"2.1"}}}},
                     {{0x0409, 0x04B0}})));
    main = std::make_unique<TMainForm>(app,
                                       MainFormServices{m.Services(), m.clipboard, m.printer, {}});
    dlg = std::make_unique<TDetailsDlg>(
        app, *main, HandOffServices{automation, launcher, m.files, "C:\\DLVNT\\DLVNT.EXE", {}, {}},
        &versions);
    main->DetailsDlg = dlg.get();
    main->Form->Show();
  }
  const TDisplayRow* Row(int page, const std::string& name) {
    for (const TDisplayRow& row : main->RowsOf(page)) {
      if (row.Item && row.Item->ModuleName == name) return &row;
    }
    return nullptr;
  }
  void ShowRow(int page, const std::string& name) {
    dlg->PageKind = static_cast<uint8_t>(page + 1);
    dlg->CurrentRow = Row(page, name);
    ASSERT_TRUE(dlg->CurrentRow) << name;
    dlg->Display();
  }
  void Pick(ui::ListBox* list, const std::string& entry) {
    for (int i = 0; i < list->Count(); ++i) {
      if (list->Item(i) == entry) {
        list->SetItemIndex(i);
        list->Click();
        return;
      }
    }
    FAIL() << entry << " is not listed";
  }
};

TEST_F(DetailsFixture, Win32UsageUsedByTasksAndCount) {
  ShowRow(kWin32Page, "SHARED.DLL");
  EXPECT_EQ(dlg->Form->Caption(), "Delvane Details for SHARED.DLL");
  EXPECT_EQ(dlg->ModuleFileNameEdit->Text(), "C:\\APP\\SHARED.DLL");
  EXPECT_EQ(dlg->UsesListBox->Items(), Lines{"KERNEL32.DLL"});
  // Two processes of one name: two tasks, one user; APP.EXE also imports it.
  EXPECT_EQ(dlg->TasksListBox->Items(), (Lines{"APP.EXE (12)", "APP.EXE (8)"}));
  EXPECT_EQ(dlg->UsedByListBox->Items(), Lines{"APP.EXE"});
  EXPECT_EQ(dlg->UsageCountEdit->Text(), "1");
  EXPECT_TRUE(dlg->UsedByListBox->Visible());
  EXPECT_TRUE(dlg->UsageCountEdit->Visible());
  EXPECT_EQ(dlg->UsesListBox->Hint(), kListHint);
  EXPECT_EQ(dlg->TasksListBox->Hint(), "");
  // MYSHARED.DLL holds SHARED.DLL: that server's CLSID is shown.
  EXPECT_EQ(dlg->CLSIDEdit->Text(), "");  // the OCX page was never collected
  main->FillPage(kOCXPage, true);
  ShowRow(kWin32Page, "SHARED.DLL");
  EXPECT_EQ(dlg->CLSIDEdit->Text(), "{11111111-2222-3333-4444-555555555555}");
  EXPECT_TRUE(dlg->CLSIDEdit->Visible());
  EXPECT_EQ(dlg->CLSIDEdit->Hint(), dlg->CLSIDEdit->Text());
  // The first entry of Uses is selected; Details and Vistrel are usable.
  EXPECT_EQ(dlg->UsesListBox->ItemIndex(), 0);
  EXPECT_TRUE(dlg->DetailsButton->Enabled());
  EXPECT_TRUE(dlg->VistrelButton->Enabled());
  // Version texts: the strings of the block, the fixed ones empty here.
  EXPECT_EQ(dlg->CompanyNameEdit->Text(), "Shared Makers");
  EXPECT_EQ(dlg->CompanyNameEdit->Hint(), "Shared Makers");
  EXPECT_EQ(dlg->FileVersion2Edit->Text(), "2.1");
  EXPECT_EQ(dlg->TrademarksEdit->Text(), "");
  EXPECT_EQ(dlg->TrademarksEdit->Hint(), "");
}

TEST_F(DetailsFixture, AModuleNobodyUsesHasEmptyListsAndCountZero) {
  ShowRow(kWin32Page, "LONELY.DLL");
  EXPECT_EQ(dlg->UsedByListBox->Items(), Lines{"TOOL.EXE"});
  m.system.processes.erase(30);
  m.system.processOrder = {8, 12};
  m.AddImage("C:\\APP\\NOBODY.DLL");
  main->ViewRefreshMenuItemClick();
  EXPECT_FALSE(Row(kWin32Page, "LONELY.DLL"));
  dlg->PageKind = kWin32Kind;
  dlg->CurrentRow = Row(kWin32Page, "KERNEL32.DLL");
  dlg->Display();
  EXPECT_EQ(dlg->UsedByListBox->Items(), (Lines{"APP.EXE", "SHARED.DLL"}));
  EXPECT_EQ(dlg->TasksListBox->Items(), Lines{"APP.EXE (8)"});
  EXPECT_EQ(dlg->UsesListBox->Count(), 0);
  EXPECT_FALSE(dlg->CLSIDEdit->Visible());  // no server holds the name
  EXPECT_EQ(dlg->CLSIDEdit->Text(), "");
}

TEST_F(DetailsFixture, OcxKeepsItsClsidBoxAndADriverShowsOnlyUses) {
  main->FillPage(kOCXPage, true);
  ShowRow(kOCXPage, "MYSHARED.DLL");
  EXPECT_EQ(dlg->CLSIDEdit->Text(), "{11111111-2222-3333-4444-555555555555}");
  EXPECT_TRUE(dlg->CLSIDLabel->Visible());
  EXPECT_EQ(dlg->UsageCountEdit->Text(), "0");
  main->FillPage(kDriverPage, true);
  ShowRow(kDriverPage, "DISK.SYS");
  EXPECT_TRUE(dlg->UsesListBox->Visible());
  EXPECT_EQ(dlg->UsesListBox->Items(), Lines{"NTOSKRNL.EXE"});
  for (ui::Control* hidden : std::initializer_list<ui::Control*>{
           dlg->UsedByListBox, dlg->TasksListBox, dlg->UsageCountEdit, dlg->CLSIDEdit,
           dlg->UsedByLabel, dlg->TasksProcessesLabel}) {
    EXPECT_FALSE(hidden->Visible()) << hidden->Name();
  }
  EXPECT_TRUE(dlg->VistrelButton->Enabled());
  EXPECT_TRUE(dlg->BackButton->Enabled());  // back to the OCX
  dlg->BackButtonClick();
  EXPECT_EQ(dlg->Form->Caption(), "Delvane Details for MYSHARED.DLL");
}

TEST_F(DetailsFixture, WithoutARecordTheNamedFileIsShownAndNothingElse) {
  dlg->CurrentRow = nullptr;
  dlg->ModulePath = "c:\\found\\here\\shared.dll";
  dlg->Display();
  EXPECT_EQ(dlg->Form->Caption(), "Delvane Details for c:\\found\\here\\shared.dll");
  EXPECT_EQ(dlg->ModuleFileNameEdit->Text(), "C:\\FOUND\\HERE\\SHARED.DLL");
  EXPECT_EQ(dlg->UsageCountEdit->Text(), "0");
  EXPECT_FALSE(dlg->UsesListBox->Visible());
  EXPECT_FALSE(dlg->CLSIDEdit->Visible());
  EXPECT_FALSE(dlg->DetailsButton->Enabled());
  EXPECT_FALSE(dlg->VistrelButton->Enabled());
  EXPECT_FALSE(dlg->BackButton->Enabled());
  EXPECT_TRUE(dlg->History.empty());
  // A duplicate row (no record) shows its own text as the file.
  TDisplayRow duplicate{0, kRed, "C:\\APP\\SHARED.DLL", nullptr};
  dlg->CurrentRow = &duplicate;
  dlg->Display();
  EXPECT_EQ(dlg->ModulePath, "C:\\APP\\SHARED.DLL");
  EXPECT_EQ(dlg->CompanyNameEdit->Text(), "Shared Makers");
}

TEST_F(DetailsFixture, DrillDownFromATaskEntryAndBackAcrossThreeModules) {
  ShowRow(kWin32Page, "SHARED.DLL");
  EXPECT_FALSE(dlg->BackButton->Enabled());  // nothing before the first module
  Pick(dlg->TasksListBox, "APP.EXE (8)");
  EXPECT_EQ(dlg->UsesListBox->ItemIndex(), -1);  // the others' selection is cleared
  EXPECT_EQ(dlg->ActiveListBox, dlg->TasksListBox);
  dlg->DetailsButtonClick();
  EXPECT_EQ(dlg->Form->Caption(), "Delvane Details for APP.EXE");
  EXPECT_EQ(dlg->PageKind, kWin32Kind);
  EXPECT_EQ(dlg->ActiveListBox, dlg->UsesListBox);
  Pick(dlg->UsesListBox, "KERNEL32.DLL");
  dlg->UsesListBox->OnRightMouseDown();  // the right button does what Details does
  EXPECT_EQ(dlg->Form->Caption(), "Delvane Details for KERNEL32.DLL");
  ASSERT_EQ(dlg->History.size(), 3u);
  EXPECT_TRUE(dlg->BackButton->Enabled());
  dlg->BackButtonClick();
  EXPECT_EQ(dlg->Form->Caption(), "Delvane Details for APP.EXE");
  EXPECT_TRUE(dlg->BackButton->Enabled());
  dlg->BackButtonClick();
  EXPECT_EQ(dlg->Form->Caption(), "Delvane Details for SHARED.DLL");
  EXPECT_FALSE(dlg->BackButton->Enabled());
  dlg->BackButtonClick();  // refused: nothing to go back to
  EXPECT_EQ(dlg->Form->Caption(), "Delvane Details for SHARED.DLL");
  EXPECT_EQ(dlg->History.size(), 1u);
}

TEST_F(DetailsFixture, DrillDownCollectsEmptyPagesAndLeavesAnUnknownNameAlone) {
  ShowRow(kWin32Page, "KERNEL32.DLL");
  EXPECT_FALSE(main->Collected[kOCXPage]);
  // NTOSKRNL.EXE is no Win32 module: the OCX and driver pages are
  // collected on the way, and nothing matches.
  dlg->UsesListBox->AddItem("NTOSKRNL.EXE");
  Pick(dlg->UsesListBox, "NTOSKRNL.EXE");
  dlg->DetailsButtonClick();
  EXPECT_TRUE(main->Collected[kOCXPage]);
  EXPECT_TRUE(main->Collected[kDriverPage]);
  EXPECT_EQ(dlg->CurrentRow, nullptr);
  EXPECT_EQ(dlg->PageKind, kNoKind);
  EXPECT_EQ(dlg->Form->Caption(), "Delvane Details for KERNEL32.DLL");
  EXPECT_EQ(dlg->History.size(), 1u);
  // DISK.SYS is found on the driver page, by its path's file-name part.
  dlg->UsesListBox->AddItem("DISK.SYS");
  Pick(dlg->UsesListBox, "DISK.SYS");
  dlg->DetailsButtonClick();
  EXPECT_EQ(dlg->PageKind, kDriverKind);
  EXPECT_EQ(dlg->Form->Caption(), "Delvane Details for DISK.SYS");
}

TEST_F(DetailsFixture, HistoryNeverOutlivesTheRowsItPointsTo) {
  ShowRow(kWin32Page, "SHARED.DLL");
  Pick(dlg->UsesListBox, "KERNEL32.DLL");
  dlg->DetailsButtonClick();
  ASSERT_EQ(dlg->History.size(), 2u);
  main->ViewRefreshMenuItemClick();  // the Win32 rows are made anew
  EXPECT_TRUE(dlg->History.empty());
  EXPECT_EQ(dlg->CurrentRow, nullptr);
  EXPECT_FALSE(dlg->BackButton->Enabled());
  // Another page's fill leaves the entries alone.
  ShowRow(kWin32Page, "SHARED.DLL");
  main->FillPage(kDriverPage, true);
  EXPECT_EQ(dlg->History.size(), 1u);
  // However the showing ends, the history goes.
  dlg->Form->ShowModal();
  EXPECT_TRUE(dlg->History.empty());
}

TEST_F(DetailsFixture, CopyReportHasEveryLineWhole) {
  ShowRow(kWin32Page, "SHARED.DLL");
  // A path far past the old 255-character line limit is copied whole.
  std::string longName(400, 'X');
  dlg->TasksListBox->AddItem(longName);
  dlg->CopyButtonClick();
  ASSERT_TRUE(m.clipboard.contents);
  std::string expected =
      "UsageCount:1\r\n"
      "ModuleFileName:C:\\APP\\SHARED.DLL\r\n"
      "FileVersion1:File Version 3.2.1.0\r\nProductVersion1:Product Version 4.0.0.1\r\n"
      "FileFlags:File Flags       \r\nFileOS:File OS NT-Win32\r\nFileType:File Type App\r\n"
      "FileSubType:File SubType None\r\nLanguage:Language English\r\n"
      "CompanyName:Shared Makers\r\nFileDescription:\r\nFileVersion2:2.1\r\n"
      "InternalName:\r\nCopyright:\r\nTrademarks:\r\nProductName:\r\nProductVersion2:\r\n"
      "Uses Items:\r\nKERNEL32.DLL\r\n"
      "Used by Items:\r\nAPP.EXE\r\n"
      "Used by Tasks/Processes:\r\nAPP.EXE (12)\r\nAPP.EXE (8)\r\n" +
      longName + "\r\n";
  EXPECT_EQ(*m.clipboard.contents, expected);
  dlg->ClearButtonClick();
  EXPECT_FALSE(m.clipboard.contents);
  // Many lines: no cut at 65,000 characters either.
  for (int i = 0; i < 400; ++i) dlg->UsesListBox->AddItem(std::string(300, 'A' + i % 26));
  dlg->CopyButtonClick();
  EXPECT_GT(m.clipboard.contents->size(), 120000u);
  EXPECT_EQ(m.clipboard.contents->substr(m.clipboard.contents->size() - 2), "\r\n");
}

TEST_F(DetailsFixture, Win16PageAsksTheHelperSourceAndOffersNoBrowser) {
  struct Helper : Win16DetailsSource {
    LinkInformation Links(int32_t processId, const std::string&) override {
      pid = processId;
      return {{"USER.EXE", "USER.EXE"}, {"APP16.EXE"}, {"APP16.EXE (7)"}};
    }
    std::optional<std::array<std::string, kVersionBoxCount>> VersionTexts(
        const std::string& path) override {
      asked = path;
      std::array<std::string, kVersionBoxCount> texts;
      texts[7] = "Win16 Makers";
      return texts;
    }
    int32_t pid = -1;
    std::string asked;
  } helper;
  TInventoryItem item;
  item.ProcessId = 7;
  item.ModuleName = "APP16.DLL";
  item.ModulePath = "C:\\WIN16\\APP16.DLL";
  TDisplayRow row{0, kBlack, item.ModulePath, &item};
  dlg->PageKind = kWin16Kind;
  dlg->CurrentRow = &row;
  dlg->Display();  // no helper yet: the lists stay empty, the boxes blank
  EXPECT_EQ(dlg->CompanyNameEdit->Text(), " ");
  EXPECT_FALSE(dlg->VistrelButton->Enabled());
  dlg->Win16 = &helper;
  dlg->History.clear();
  dlg->Display();
  EXPECT_EQ(helper.pid, 7);
  EXPECT_EQ(helper.asked, "C:\\WIN16\\APP16.DLL");
  EXPECT_EQ(dlg->UsesListBox->Items(), Lines{"USER.EXE"});
  EXPECT_EQ(dlg->TasksListBox->Items(), Lines{"APP16.EXE (7)"});
  EXPECT_EQ(dlg->UsageCountEdit->Text(), "1");
  EXPECT_EQ(dlg->CompanyNameEdit->Text(), "Win16 Makers");
  EXPECT_FALSE(dlg->CLSIDEdit->Visible());
}

TEST_F(DetailsFixture, OkShutsTheBrowserDownOnlyWhenOneIsHeld) {
  platform::fake::FakeAutomationServer server;
  int loads = 0, shutDowns = 0;
  platform::AutomationClass cls;
  cls.ProgId = kBrowserProgId;
  cls.Methods.push_back({"Load", 1, [&](const std::vector<std::string>&) { ++loads; }, 1});
  cls.Methods.push_back({"ShutDown", 2, [&](const std::vector<std::string>&) { ++shutDowns; }, 0});
  server.Start(cls);
  automation.Connect(server);
  ShowRow(kWin32Page, "SHARED.DLL");
  dlg->OKBtnClick();
  EXPECT_EQ(shutDowns, 0);
  dlg->VistrelButtonClick();
  EXPECT_EQ(loads, 1);
  dlg->OKBtnClick();
  EXPECT_EQ(shutDowns, 1);
  EXPECT_FALSE(dlg->Browser.Held());
  EXPECT_TRUE(dlg->History.empty());
}

// The main window's Details command hands over the page, the row and, in
// tree mode, the node's path.
TEST_F(DetailsFixture, TheMainWindowHandsOverRowOrTreePath) {
  std::vector<std::string> captions;
  ui::headless::SetModalScript(*dlg->Form, [&](ui::Form& form) {
    captions.push_back(form.Caption());
    return ui::ModalResult::Ok;
  });
  main->Module32StringGrid->SetRow(1);
  main->ModulesDetailsMenuItemClick();
  main->ViewTreeViewMenuItemClick();
  main->Module32TreeView->SetSelected(main->Module32TreeView->Children(ui::kNoNode)[1]);
  main->ModulesDetailsMenuItemClick();  // a process node: its first module
  ASSERT_EQ(captions.size(), 2u);
  EXPECT_EQ(captions[0], "Delvane Details for " + main->Module32StringGrid->Cell(1, 1));
  EXPECT_EQ(captions[1], "Delvane Details for APP.EXE");
  EXPECT_EQ(dlg->PageKind, kWin32Kind);
  main->ViewModule16MenuItemClick();
  main->ModulesDetailsMenuItemClick();  // an empty Win16 tree: nothing
  EXPECT_EQ(captions.size(), 2u);
}

}  // namespace
}  // namespace dlvnt
