#include "dlvnt/main_window/main_form.h"

#include <gtest/gtest.h>

#include "dlvnt/dialogs/about_box.h"
#include "dlvnt/inventory/test_machine.h"
#include "ui/headless/headless.h"

namespace dlvnt {
namespace {

using testing::TestMachine;

struct MainFormFixture : ::testing::Test {
  TestMachine m;
  ui::headless::HeadlessApplication app;
  std::unique_ptr<TMainForm> form;
  bool isNT = true;

  void SetUp() override {
    m.catalog.variables["PATH"] = "C:\\TOOLS";
    m.AddImage("C:\\APP\\APP.EXE", {"kernel32.dll"});
    m.AddImage("C:\\WINNT\\system32\\KERNEL32.DLL");
    m.AddImage("C:\\TOOLS\\KERNEL32.DLL");
    m.AddImage("C:\\APP\\LONELY.DLL");
    m.system.AddProcess(8, {{"APP.EXE", "C:\\APP\\APP.EXE"},
                            {"KERNEL32.DLL", "C:\\WINNT\\system32\\KERNEL32.DLL"}});
    m.system.AddProcess(12, {{"APP.EXE", "C:\\APP\\APP.EXE"}});
    m.AddImage("C:\\WINNT\\system32\\OCX1.DLL");
    m.AddClass("{1}", "InprocServer32", "C:\\WINNT\\system32\\OCX1.DLL");
    m.AddClass("{2}", "InprocServer32", "C:\\GONE\\GONE.OCX");
    m.AddImage("C:\\WINNT\\system32\\DRIVERS\\DISK.SYS");
    m.system.drivers = std::vector<platform::DriverEntry>{
        {"disk.sys", "\\SystemRoot\\System32\\DRIVERS\\disk.sys"}};
  }
  TMainForm& Start() {
    form = std::make_unique<TMainForm>(
        app, MainFormServices{m.Services(), m.clipboard, m.printer, [this] { return isNT; }});
    form->Form->Show();
    return *form;
  }
  std::string Status() { return form->StatusText(); }
};

TEST_F(MainFormFixture, RefusesOutsideTheNTFamily) {
  isNT = false;
  form = std::make_unique<TMainForm>(
      app, MainFormServices{m.Services(), m.clipboard, m.printer, [this] { return isNT; }});
  EXPECT_TRUE(form->Refused);
  ASSERT_EQ(app.messages.size(), 1u);
  EXPECT_EQ(app.messages[0].Text, "Unable to start Delvane for Windows NT. Sorry!");
  EXPECT_EQ(app.messages[0].Icon, ui::MessageIcon::Information);
  EXPECT_TRUE(app.Terminated());
}

TEST_F(MainFormFixture, StartsOnWin32PageAndCollectsOnlyIt) {
  TMainForm& f = Start();
  EXPECT_EQ(f.Form->Caption(), "Delvane for Windows NT");
  EXPECT_EQ(f.ActivePage(), kWin32Page);
  EXPECT_EQ(f.MainFormPageControl->Page(0)->Text(), "Win32 Modules");
  EXPECT_TRUE(f.Collected[kWin32Page]);
  EXPECT_FALSE(f.Collected[kOCXPage]);
  EXPECT_EQ(f.Module32StringGrid->RowCount(), 2);
  EXPECT_EQ(f.Module32StringGrid->Cell(0, 0), "P");
  EXPECT_EQ(f.Module32StringGrid->Cell(1, 0), "APP.EXE");
  EXPECT_EQ(f.Module32StringGrid->Cell(4, 1), "C:\\WINNT\\SYSTEM32\\KERNEL32.DLL");
  EXPECT_EQ(Status(), "2 Items Displayed - 0 Duplicate(s)");
  EXPECT_EQ(f.Win32ProcessCount, 2);
  EXPECT_EQ(f.Module32TreeView->NodeCount(), 5);
  // Colour key and cell colours.
  EXPECT_EQ(f.MainFormStatusBar->PanelText(2), "Duplicate");
  EXPECT_FALSE(f.MainFormStatusBar->SizeGrip());
  EXPECT_EQ(f.MainFormStatusBar->StyleOfPanel(3).TextColor, kGreen);
  EXPECT_EQ(f.Module32StringGrid->StyleOf(1, 0, {}).TextColor, kGreen);
  EXPECT_EQ(f.Module32StringGrid->StyleOf(1, 1, {}).TextColor, kBlack);
  EXPECT_EQ(f.Module32StringGrid->StyleOf(1, 7, {}).TextColor, kRed);  // past the rows
  EXPECT_EQ(f.Module32StringGrid->StyleOf(1, 0, {}).BackColor, ui::kWhite);
  EXPECT_NE(f.Module32StringGrid->StyleOf(1, 0, {true, false, false}).BackColor, ui::kWhite);
}

TEST_F(MainFormFixture, PagesCollectOnceAndRefreshAgain) {
  TMainForm& f = Start();
  f.ViewRegisteredOCXMenuItemClick();
  EXPECT_EQ(f.ActivePage(), kOCXPage);
  EXPECT_EQ(f.OCXStringGrid->RowCount(), 1);
  EXPECT_EQ(f.OCXStringGrid->Cell(1, 0), "OCX1.DLL");
  EXPECT_EQ(Status(), "1 Item(s) Displayed - 0 Duplicate(s)");
  f.ViewDeviceDriversMenuItemClick();
  EXPECT_EQ(f.DeviceDriverStringGrid->Cell(4, 0), "C:\\WINNT\\SYSTEM32\\DRIVERS\\DISK.SYS");
  f.ViewModule16MenuItemClick();
  EXPECT_EQ(f.Module16StringGrid->Cell(4, 0), "No 16-bit WOW processes active");
  EXPECT_EQ(Status(), "No 16-bit WOW processes active");
  int calls = m.system.modulesCalls;
  f.ViewModule32MenuItemClick();
  EXPECT_EQ(m.system.modulesCalls, calls);  // not collected again
  EXPECT_EQ(Status(), "2 Items Displayed - 0 Duplicate(s)");
  m.system.AddProcess(30, {{"LONELY.DLL", "C:\\APP\\LONELY.DLL"}});
  f.ViewRefreshMenuItemClick();
  EXPECT_GT(m.system.modulesCalls, calls);
  EXPECT_EQ(f.Module32StringGrid->RowCount(), 3);
  EXPECT_EQ(f.Win32ProcessCount, 3);
}

TEST_F(MainFormFixture, EmptyPageShowsOneEmptyRow) {
  TMainForm& f = Start();
  f.ViewDeviceDriversMenuItemClick();
  m.system.drivers = std::vector<platform::DriverEntry>{};
  f.ViewRefreshMenuItemClick();
  EXPECT_EQ(f.DeviceDriverStringGrid->RowCount(), 1);
  EXPECT_EQ(f.DeviceDriverStringGrid->Cell(4, 0), "");
  EXPECT_EQ(Status(), "0 Item(s) Displayed - 0 Duplicate(s)");
  f.ViewTreeViewMenuItemClick();  // recompute counts the grid's single row
  EXPECT_EQ(Status(), "1 Items Displayed - 0 Duplicate(s)");
}

TEST_F(MainFormFixture, MenusFollowPageAndTreeMode) {
  TMainForm& f = Start();
  auto visible = [&] {
    return std::string(f.ViewTreeViewMenuItem->Visible() ? "T" : "-") +
           (f.ViewDuplicatesMenuItem->Visible() ? "D" : "-") +
           (f.ViewNotFoundMenuItem->Visible() ? "N" : "-") +
           (f.PopupTreeViewMenuItem->Visible() ? "T" : "-") +
           (f.PopupDuplicatesMenuItem->Visible() ? "D" : "-") +
           (f.PopupNotFoundMenuItem->Visible() ? "N" : "-");
  };
  EXPECT_EQ(visible(), "TD-TD-");
  f.ViewRegisteredOCXMenuItemClick();
  EXPECT_EQ(visible(), "-DN-DN");
  f.ViewDeviceDriversMenuItemClick();
  EXPECT_EQ(visible(), "-D--D-");
  f.ViewModule16MenuItemClick();
  EXPECT_EQ(visible(), "TD-TD-");
  f.ViewModule32MenuItemClick();
  f.ViewTreeViewMenuItemClick();
  EXPECT_TRUE(f.ViewTreeViewMenuItem->Checked());
  EXPECT_TRUE(f.PopupTreeViewMenuItem->Checked());
  EXPECT_EQ(visible(), "T--T--");
  EXPECT_TRUE(f.Module32TreeView->Visible());
  EXPECT_FALSE(f.Module32StringGrid->Visible());
  EXPECT_FALSE(f.Pages[kWin32Page].SizeButton->Visible());
  EXPECT_EQ(Status(), "2 Processes, 3 Items");
  f.ViewRegisteredOCXMenuItemClick();
  EXPECT_EQ(visible(), "--N--N");  // Duplicates hidden though the grid shows
  EXPECT_TRUE(f.OCXStringGrid->Visible());
  EXPECT_EQ(Status(), "1 Item(s) Displayed - 0 Duplicate(s)");  // the fill's own text
  f.PopupTreeViewMenuItem->Click();                             // the popup twin
  EXPECT_FALSE(f.ViewTreeViewMenuItem->Checked());
  EXPECT_TRUE(f.Module32StringGrid->Visible());
  EXPECT_TRUE(f.ModulesDetailsMenuItem->Enabled());
  EXPECT_TRUE(f.PopupSearchMenuItem->Enabled());
  EXPECT_TRUE(f.FilePrintMenuItem->Enabled());
  EXPECT_TRUE(f.FilePrintSelectedMenuItem->Enabled());
  EXPECT_EQ(f.ViewRefreshMenuItem->Shortcut(), "F5");
}

TEST_F(MainFormFixture, TreeModeNodes) {
  TMainForm& f = Start();
  std::vector<ui::TreeNode> processes = f.Module32TreeView->Children(ui::kNoNode);
  ASSERT_EQ(processes.size(), 2u);
  EXPECT_EQ(f.Module32TreeView->NodeText(processes[0]), "APP.EXE (8)");
  EXPECT_EQ(f.Module32TreeView->NodeText(f.Module32TreeView->Children(processes[0])[1]),
            "C:\\WINNT\\SYSTEM32\\KERNEL32.DLL");
  EXPECT_EQ(f.Module32TreeView->Selected(), processes[0]);
}

TEST_F(MainFormFixture, DuplicatesToggleRecollectsAndNotFoundDoesNot) {
  TMainForm& f = Start();
  int calls = m.system.modulesCalls;
  f.ViewDuplicatesMenuItemClick();
  EXPECT_GT(m.system.modulesCalls, calls);
  EXPECT_EQ(f.Module32StringGrid->RowCount(), 3);
  EXPECT_EQ(f.Module32StringGrid->Cell(0, 2), "D");
  EXPECT_EQ(f.Module32StringGrid->Cell(4, 2), "C:\\TOOLS\\KERNEL32.DLL");
  EXPECT_EQ(f.Module32StringGrid->StyleOf(0, 2, {}).TextColor, kRed);
  EXPECT_EQ(Status(), "3 Items Displayed - 1 Duplicate(s)");

  f.ViewRegisteredOCXMenuItemClick();
  EXPECT_EQ(f.OCXList.Count(), 2u);
  f.ViewNotFoundMenuItemClick();
  EXPECT_TRUE(f.PopupNotFoundMenuItem->Checked());
  EXPECT_EQ(f.OCXList.Count(), 2u);  // not collected again: no placeholder appended
  EXPECT_EQ(f.OCXStringGrid->RowCount(), 2);
  EXPECT_EQ(f.OCXStringGrid->Cell(3, 1), "Not found");
  EXPECT_EQ(f.OCXStringGrid->StyleOf(1, 1, {}).TextColor, kBlue);
}

TEST_F(MainFormFixture, SortButtonsReverseOnSecondClick) {
  TMainForm& f = Start();
  f.Pages[kWin32Page].ModuleButton->Click();
  EXPECT_EQ(f.Module32StringGrid->Cell(1, 0), "APP.EXE");
  f.Pages[kWin32Page].ModuleButton->Click();
  EXPECT_EQ(f.Module32StringGrid->Cell(1, 0), "KERNEL32.DLL");
  EXPECT_EQ(f.SortDirection[kWin32Page][0], 1);
  f.Pages[kWin32Page].PathButton->Click();  // never clicked: ascending
  EXPECT_EQ(f.Module32StringGrid->Cell(1, 0), "APP.EXE");
  // A page never collected is collected after the sort.
  f.MainFormPageControl->SetActivePageIndex(kDriverPage);
  f.Pages[kDriverPage].SizeButton->Click();
  EXPECT_TRUE(f.Collected[kDriverPage]);
  EXPECT_EQ(f.DeviceDriverStringGrid->RowCount(), 1);
}

TEST_F(MainFormFixture, SelectionAndPopupCaptions) {
  TMainForm& f = Start();
  f.MainFormPopupMenu->Popup(0, 0);
  EXPECT_EQ(f.PopupDetailsMenuItem->Caption(), "Details for ");
  ASSERT_TRUE(f.Module32StringGrid->OnSelectCell(2, 1));
  EXPECT_EQ(f.SelectedRow[kWin32Page], 1);
  f.MainFormPopupMenu->Popup(0, 0);
  EXPECT_EQ(f.PopupDetailsMenuItem->Caption(), "Details for KERNEL32.DLL");
  EXPECT_EQ(f.PopupSearchMenuItem->Caption(), "Search for KERNEL32.DLL");
  f.ViewTreeViewMenuItemClick();
  f.MainFormPopupMenu->Popup(0, 0);  // a process node reads as its first module
  EXPECT_EQ(f.PopupDetailsMenuItem->Caption(), "Details for APP.EXE");
  f.ViewModule16MenuItemClick();
  f.MainFormPopupMenu->Popup(0, 0);  // empty Win16 tree: nothing rewritten
  EXPECT_EQ(f.PopupDetailsMenuItem->Caption(), "Details for APP.EXE");
}

TEST_F(MainFormFixture, CopiesToTheClipboard) {
  TMainForm& f = Start();
  f.EditCopyAllMenuItemClick();
  ASSERT_TRUE(m.clipboard.contents);
  std::string all = *m.clipboard.contents;
  EXPECT_TRUE(f.Collected[kOCXPage] && f.Collected[kDriverPage] && f.Collected[kWin16Page]);
  EXPECT_EQ(all, f.GridText(kWin32Page) + f.GridText(kOCXPage) + f.GridText(kDriverPage) +
                     f.GridText(kWin16Page));
  EXPECT_EQ(all.substr(0, all.find("\r\n")), "P\tAPP.EXE\t" + f.Module32StringGrid->Cell(2, 0) +
                                                 "\t" + f.Module32StringGrid->Cell(3, 0) +
                                                 "\tC:\\APP\\APP.EXE");
  EXPECT_NE(all.find(" \t \t \t \tNo 16-bit WOW processes active\r\n"), std::string::npos);

  f.ViewTreeViewMenuItemClick();
  f.EditCopyModule32MenuItemClick();
  EXPECT_EQ(*m.clipboard.contents,
            "APP.EXE (8)\r\nC:\\APP\\APP.EXE\r\nC:\\WINNT\\SYSTEM32\\KERNEL32.DLL\r\n"
            "APP.EXE (12)\r\nC:\\APP\\APP.EXE\r\n");
  f.EditCopyModule16MenuItemClick();  // empty tree: clipboard untouched
  EXPECT_EQ(m.clipboard.contents->substr(0, 11), "APP.EXE (8)");
  f.EditCopyOCXMenuItemClick();  // grids even in tree mode
  EXPECT_EQ(*m.clipboard.contents, f.GridText(kOCXPage));
  f.EditClearClipboardMenuItemClick();
  EXPECT_FALSE(m.clipboard.contents);
}

TEST_F(MainFormFixture, VirtualGridsShowAndCopyVeryLongCellsWhole) {
  std::string path = "C:\\" + std::string(5000, 'D') + "\\LONG.DLL";
  m.AddImage(path);
  m.system.AddProcess(40, {{"LONG.DLL", path}});
  TMainForm& f = Start();
  EXPECT_TRUE(f.Module32StringGrid->Virtual());
  int row = f.Module32StringGrid->RowCount() - 1;
  EXPECT_EQ(f.Module32StringGrid->Cell(4, row), path);
  f.EditCopyModule32MenuItemClick();
  ASSERT_TRUE(m.clipboard.contents);
  EXPECT_NE(m.clipboard.contents->find("\t" + path + "\r\n"), std::string::npos);
}

TEST_F(MainFormFixture, DisplayFontRefreshes) {
  TMainForm& f = Start();
  app.fontAnswers.push_back(ui::Font{"Lucida Console", 10});
  int calls = m.system.modulesCalls;
  f.FileFontDisplayMenuItemClick();
  EXPECT_EQ(f.DisplayFont.Name, "Lucida Console");
  EXPECT_EQ(f.DisplayFont.Size, 10);
  EXPECT_GT(m.system.modulesCalls, calls);
  f.FileFontPrinterMenuItemClick();  // cancelled
  EXPECT_EQ(f.PrinterFont.Size, 12);
}

TEST(AboutBox, ShowsVersionTextsWhenPresent) {
  ui::headless::HeadlessApplication app;
  TDelvaneNTAboutBox box(app, "/nonexistent/dlvnt.exe");
  box.Form->ShowModal();
  EXPECT_EQ(box.Form->Caption(), "About Delvane for Windows NT");
  EXPECT_EQ(box.Version->Text(), "Version 4.0");  // no version block: design text stays
}

}  // namespace
}  // namespace dlvnt
