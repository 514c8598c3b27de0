// The real controls under the widget interfaces: what forms rely on.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <gtest/gtest.h>

#include "ui/win32/win32_application.h"
#include "ui/win32/win32_form.h"

namespace ui::win32 {
namespace {

class Win32Widgets : public ::testing::Test {
 protected:
  Win32Application app{GetModuleHandleW(nullptr)};
  std::unique_ptr<Form> form = app.CreateForm("TestForm");
};

TEST_F(Win32Widgets, ListBoxKeepsLinesAndSortsAsThePlatformDoes) {
  ListBox* list = form->AddListBox("L", {0, 0, 100, 100});
  list->SetControlId(1234);
  list->AddItem("beta");
  list->AddItem("Alpha");
  EXPECT_EQ(list->Items(), (std::vector<std::string>{"beta", "Alpha"}));
  list->SetSorted(true);
  EXPECT_EQ(list->Items(), (std::vector<std::string>{"Alpha", "beta"}));
  EXPECT_EQ(list->ControlId(), 1234);
  EXPECT_EQ(list->AddItem("ALPHA2"), 1);
  list->SetItemIndex(2);
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(list->Item(2), "beta");
  std::string longLine(5000, 'x');
  list->AddItem(longLine);
  EXPECT_EQ(list->Item(3), longLine);
  list->Clear();
  EXPECT_EQ(list->Count(), 0);
  EXPECT_EQ(list->ItemIndex(), -1);
}

TEST_F(Win32Widgets, EditsButtonsAndPages) {
  PageControl* pages = form->AddPageControl("P", {0, 0, 300, 200});
  TabSheet* one = pages->AddPage("One", "First");
  TabSheet* two = pages->AddPage("Two", "Second");
  Edit* edit = two->AddEdit("E", {8, 8, 100, 20});
  edit->SetText("0x00401000");
  EXPECT_EQ(edit->Text(), "0x00401000");
  edit->SetReadOnly(true);
  EXPECT_TRUE(edit->ReadOnly());
  EXPECT_EQ(pages->ActivePageIndex(), 0);
  int changes = 0;
  pages->OnChange = [&] { ++changes; };
  pages->SetActivePageIndex(1);
  EXPECT_EQ(pages->ActivePageIndex(), 1);
  EXPECT_EQ(changes, 0);  // only the user's change is reported
  EXPECT_EQ(one->Text(), "First");
  EXPECT_EQ(form->FindControl("E"), edit);

  int clicks = 0;
  Button* button = one->AddButton("B", {8, 40, 75, 25}, "Go");
  button->OnClick = [&] { ++clicks; };
  SendMessageW(dynamic_cast<NativeControl*>(button)->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
}

TEST_F(Win32Widgets, TreeNodesCarryDataAndParents) {
  TreeView* tree = form->AddTreeView("T", {0, 0, 200, 200});
  TreeNode group = tree->AddNode(kNoNode, "ICON", -1, 9, 9);
  TreeNode leaf = tree->AddNode(group, "101", 3, 6, 6);
  EXPECT_EQ(tree->NodeCount(), 2);
  EXPECT_EQ(tree->Parent(leaf), group);
  EXPECT_EQ(tree->Parent(group), kNoNode);
  EXPECT_EQ(tree->NodeData(leaf), 3);
  EXPECT_EQ(tree->NodeData(group), -1);
  EXPECT_EQ(tree->NodeText(leaf), "101");
  EXPECT_EQ(tree->NodeImageIndex(leaf), 6);
  EXPECT_EQ(tree->Children(kNoNode), (std::vector<TreeNode>{group}));
  tree->SetSelected(leaf);
  EXPECT_EQ(tree->Selected(), leaf);
  tree->Clear();
  EXPECT_EQ(tree->NodeCount(), 0);
}

TEST_F(Win32Widgets, GridCellsAndHeader) {
  StringGrid* grid = form->AddStringGrid("G", {0, 0, 300, 200});
  grid->SetColCount(3);
  grid->SetRowCount(4);
  grid->SetCell(0, 0, "Module");
  grid->SetCell(2, 3, "x");
  EXPECT_EQ(grid->RowCount(), 4);
  EXPECT_EQ(grid->Cell(0, 0), "Module");
  EXPECT_EQ(grid->Cell(2, 3), "x");
  grid->SetRow(2);
  EXPECT_EQ(grid->Row(), 2);
}

TEST_F(Win32Widgets, DisabledMenuItemsIgnoreTheirCommands) {
  MainMenu* menu = form->CreateMainMenu();
  MenuItem* file = menu->Add("File", "&File");
  MenuItem* exit = file->Add("Exit", "E&xit", 104);
  int clicks = 0;
  exit->OnClick = [&] { ++clicks; };
  HWND hwnd = dynamic_cast<NativeControl*>(form.get())->Handle();
  SendMessageW(hwnd, WM_COMMAND, 104, 0);
  EXPECT_EQ(clicks, 1);
  exit->SetEnabled(false);
  SendMessageW(hwnd, WM_COMMAND, 104, 0);
  EXPECT_EQ(clicks, 1);
  exit->SetEnabled(true);
  file->SetEnabled(false);  // a disabled drop-down disables what is in it
  SendMessageW(hwnd, WM_COMMAND, 104, 0);
  EXPECT_EQ(clicks, 1);
}

TEST_F(Win32Widgets, CloseQueryRefusesWmClose) {
  bool refuse = true;
  int closes = 0;
  form->OnCloseQuery = [&](bool& allow) { allow = !refuse; };
  form->OnClose = [&] { ++closes; };
  HWND hwnd = dynamic_cast<NativeControl*>(form.get())->Handle();
  SendMessageW(hwnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(closes, 0);
  refuse = false;
  SendMessageW(hwnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(closes, 1);
}

TEST(DialogFilter, PipesBecomeNuls) {
  EXPECT_EQ(DialogFilter("A|*.A|B|*.B"), std::string("A\0*.A\0B\0*.B\0\0", 13));
}

}  // namespace
}  // namespace ui::win32
