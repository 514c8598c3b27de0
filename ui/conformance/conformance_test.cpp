// One behaviour for both widget sets: this source is built against the
// in-memory widgets (Linux) and against the real controls (under Wine), and
// both must pass it. What a form relies on belongs here.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

#include "ui/conformance/backend.h"

namespace ui::conformance {
namespace {

// Texts that the system code page would mangle, and lines far longer than
// any fixed buffer.
const std::string kUnicode = "\xCE\xA9mega-\xE6\x97\xA5\xE6\x9C\xAC.dll";  // Ωmega-日本.dll
const std::string kLong = [] {
  std::string text;
  while (text.size() < 5000) text += "C:\\VERY\\LONG\\PATH\\" + std::to_string(text.size());
  return text.substr(0, 5000) + "|end";
}();

class Conformance : public ::testing::Test {
 protected:
  std::unique_ptr<Backend> backend = MakeBackend();
  Application& app = backend->App();
  std::unique_ptr<Form> form = app.CreateForm("ConformanceForm");

  // Runs the message loop until done() or a deadline.
  bool PumpUntil(const std::function<bool()>& done, int milliseconds = 3000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      app.ProcessMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }
  void PumpFor(int milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
  }
  // Shows the form and lets its controls draw.
  void ShowAndPump() {
    form->SetClientSize(400, 300);
    form->Show();
    PumpFor(50);
  }
};

TEST_F(Conformance, ListBoxOrderSelectionAndTexts) {
  ListBox* list = form->AddListBox("List", {0, 0, 200, 100});
  EXPECT_EQ(list->AddItem("beta"), 0);
  EXPECT_EQ(list->AddItem("Alpha"), 1);
  EXPECT_EQ(list->Items(), (std::vector<std::string>{"beta", "Alpha"}));
  list->SetItemIndex(0);  // "beta"
  list->SetSorted(true);
  EXPECT_TRUE(list->Sorted());
  EXPECT_EQ(list->Items(), (std::vector<std::string>{"Alpha", "beta"}));
  EXPECT_EQ(list->Item(list->ItemIndex()), "beta");  // the same line stays selected
  EXPECT_EQ(list->AddItem("ALPHA2"), 1);             // case-blind place
  EXPECT_EQ(list->Item(list->ItemIndex()), "beta");
  EXPECT_EQ(list->AddItem("gamma"), 3);

  struct {
    int index;
    int expected;
  } selections[] = {{2, 2}, {-1, -1}, {4, -1}, {99, -1}, {0, 0}};
  for (const auto& s : selections) {
    list->SetItemIndex(s.index);
    EXPECT_EQ(list->ItemIndex(), s.expected) << s.index;
  }
  list->DeleteItem(0);  // the selected line
  EXPECT_EQ(list->ItemIndex(), -1);
  list->SetItemIndex(2);  // "gamma"
  list->DeleteItem(0);    // a line above the selection
  EXPECT_EQ(list->Item(list->ItemIndex()), "gamma");
  EXPECT_EQ(list->Item(7), "");

  int at = list->AddItem(kLong);
  EXPECT_EQ(list->Item(at), kLong);
  at = list->AddItem(kUnicode);
  EXPECT_EQ(list->Item(at), kUnicode);
  list->Clear();
  EXPECT_EQ(list->Count(), 0);
  EXPECT_EQ(list->ItemIndex(), -1);
}

TEST_F(Conformance, RightPressIsToldAndKeepsTheSelection) {
  ListBox* list = form->AddListBox("List", {8, 8, 150, 80});
  for (const char* line : {"one", "two", "three"}) list->AddItem(line);
  list->SetItemIndex(1);
  StringGrid* grid = form->AddStringGrid("Grid", {170, 8, 200, 100});
  grid->SetFixedRows(0);
  grid->SetFixedCols(0);
  grid->SetRow(2);
  int listPresses = 0, gridPresses = 0, picks = 0;
  list->OnRightMouseDown = [&] { ++listPresses; };
  grid->OnRightMouseDown = [&] { ++gridPresses; };
  grid->OnSelectCell = [&](int, int) { return ++picks, true; };
  list->SetHint(kUnicode);
  EXPECT_EQ(list->Hint(), kUnicode);
  ShowAndPump();
  backend->UserRightPress(*list);
  backend->UserRightPress(*grid);
  PumpFor(20);
  EXPECT_EQ(listPresses, 1);
  EXPECT_EQ(gridPresses, 1);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(grid->Row(), 2);
  EXPECT_EQ(picks, 0);
  list->SetHint("");
  EXPECT_EQ(list->Hint(), "");
}

TEST_F(Conformance, ListBoxScrollsToATopLine) {
  ListBox* list = form->AddListBox("List", {0, 0, 200, 100});
  EXPECT_EQ(list->TopIndex(), 0);
  for (int i = 0; i < 300; ++i) list->AddItem("line " + std::to_string(i));
  list->SetTopIndex(120);
  EXPECT_EQ(list->TopIndex(), 120);
  list->SetTopIndex(300);  // no such line: stays
  EXPECT_EQ(list->TopIndex(), 120);
  list->SetTopIndex(-1);
  EXPECT_EQ(list->TopIndex(), 120);
  list->SetTopIndex(0);
  EXPECT_EQ(list->TopIndex(), 0);
}

// Tab stops change how lines are drawn, never what they hold.
TEST_F(Conformance, ListBoxTabStopsKeepLinesAndSelection) {
  ListBox* list = form->AddListBox("List", {0, 0, 200, 100});
  list->SetControlId(4321);
  list->SetSorted(true);
  list->AddItem("b\tsecond");
  list->AddItem("a\tfirst\tthird");
  list->SetItemIndex(1);
  list->SetTabStops(40);
  EXPECT_EQ(list->Items(), (std::vector<std::string>{"a\tfirst\tthird", "b\tsecond"}));
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_TRUE(list->Sorted());
  EXPECT_EQ(list->ControlId(), 4321);
  EXPECT_EQ(list->AddItem("A0"), 1);  // still sorted
  list->SetTabStops(0);
  EXPECT_EQ(list->Count(), 3);
  EXPECT_EQ(list->Item(0), "a\tfirst\tthird");
}

TEST_F(Conformance, VirtualListBoxAsksOnlyForWhatItNeeds) {
  ListBox* list = form->AddListBox("List", {0, 0, 200, 100});
  list->SetControlId(77);
  list->AddItem("held");
  list->SetItemIndex(0);
  long asked = 0;
  const int lines = 2'000'000;
  list->SetVirtualLines(lines, [&](int index) {
    ++asked;
    if (index == 1) return kUnicode;
    if (index == lines - 1) return kLong;
    return "line\t" + std::to_string(index);
  });
  EXPECT_TRUE(list->Virtual());
  EXPECT_EQ(list->Count(), lines);
  EXPECT_EQ(list->ItemIndex(), -1);  // new lines, no selection
  EXPECT_EQ(list->ControlId(), 77);
  ShowAndPump();
  EXPECT_LT(asked, 10'000);  // what a screen shows, not the whole list
  EXPECT_EQ(list->Item(0), "line\t0");
  EXPECT_EQ(list->Item(1), kUnicode);
  EXPECT_EQ(list->Item(lines - 1), kLong);
  EXPECT_EQ(list->Item(lines), "");  // outside: the source is not asked
  EXPECT_EQ(list->Item(-1), "");

  // The list holds no lines of its own.
  EXPECT_EQ(list->AddItem("refused"), -1);
  list->DeleteItem(0);
  EXPECT_EQ(list->Count(), lines);
  EXPECT_EQ(list->Item(0), "line\t0");

  list->SetItemIndex(lines - 2);
  EXPECT_EQ(list->ItemIndex(), lines - 2);
  list->SetItemIndex(lines);
  EXPECT_EQ(list->ItemIndex(), -1);
  list->SetTopIndex(lines / 2);
  EXPECT_EQ(list->TopIndex(), lines / 2);

  // Tab stops keep the lines on demand.
  list->SetItemIndex(5);
  list->SetTabStops(24);
  EXPECT_TRUE(list->Virtual());
  EXPECT_EQ(list->Count(), lines);
  EXPECT_EQ(list->ItemIndex(), 5);
  EXPECT_EQ(list->Item(lines - 1), kLong);
  ShowAndPump();

  // A shorter set of lines replaces them.
  list->SetVirtualLines(3,
                        [](int index) { return std::string(1, static_cast<char>('a' + index)); });
  EXPECT_EQ(list->Count(), 3);
  EXPECT_EQ(list->Item(2), "c");
  EXPECT_EQ(list->Item(3), "");
  EXPECT_EQ(list->TopIndex(), 0);

  // Clear: an ordinary empty list again.
  list->Clear();
  EXPECT_FALSE(list->Virtual());
  EXPECT_EQ(list->Count(), 0);
  EXPECT_EQ(list->AddItem("again"), 0);
  EXPECT_EQ(list->Items(), (std::vector<std::string>{"again"}));
  EXPECT_EQ(list->ControlId(), 77);
}

TEST_F(Conformance, RadioGroupReportsOnlyTheUsersChoice) {
  RadioGroup* group =
      form->AddRadioGroup("Radio", {0, 0, 240, 90}, "Show", {"Hex", kUnicode, "Text"}, 2);
  group->SetControlId(300);
  EXPECT_EQ(group->Kind(), ControlKind::RadioGroup);
  EXPECT_EQ(form->FindControl("Radio"), group);
  EXPECT_EQ(group->Text(), "Show");
  EXPECT_EQ(group->ControlId(), 300);
  EXPECT_EQ(group->Count(), 3);
  EXPECT_EQ(group->Item(1), kUnicode);
  EXPECT_EQ(group->Item(3), "");
  EXPECT_EQ(group->Item(-1), "");
  EXPECT_EQ(group->ItemIndex(), -1);

  std::vector<int> clicks;  // the chosen item each click saw
  group->OnClick = [&] { clicks.push_back(group->ItemIndex()); };
  group->SetItemIndex(2);
  EXPECT_EQ(group->ItemIndex(), 2);
  group->SetItemIndex(3);  // no such item: none chosen
  EXPECT_EQ(group->ItemIndex(), -1);
  group->SetItemIndex(2);
  PumpFor(20);
  EXPECT_TRUE(clicks.empty());

  backend->UserChoose(*group, 0);
  PumpFor(20);
  EXPECT_EQ(group->ItemIndex(), 0);
  EXPECT_EQ(clicks, (std::vector<int>{0}));
  backend->UserChoose(*group, 0);  // the chosen one again: no change
  PumpFor(20);
  EXPECT_EQ(clicks, (std::vector<int>{0}));
  backend->UserChoose(*group, 1);
  PumpFor(20);
  EXPECT_EQ(group->ItemIndex(), 1);
  EXPECT_EQ(clicks, (std::vector<int>{0, 1}));

  group->SetItemIndex(-1);
  EXPECT_EQ(group->ItemIndex(), -1);
  group->SetText(kUnicode);
  EXPECT_EQ(group->Text(), kUnicode);
  EXPECT_EQ(clicks.size(), 2u);
}

TEST_F(Conformance, GridDefaults) {
  StringGrid* grid = form->AddStringGrid("Grid", {0, 0, 300, 200});
  EXPECT_EQ(grid->ColCount(), 5);
  EXPECT_EQ(grid->RowCount(), 5);
  EXPECT_EQ(grid->FixedRows(), 1);
  EXPECT_EQ(grid->FixedCols(), 1);
  EXPECT_EQ(grid->Row(), 1);
  EXPECT_EQ(grid->Col(), 1);
  EXPECT_EQ(grid->TopRow(), 1);
  EXPECT_EQ(grid->ColWidth(0), 64);
  EXPECT_EQ(grid->DefaultRowHeight(), 24);
  EXPECT_FALSE(grid->Virtual());
  EXPECT_EQ(grid->Cell(0, 0), "");
  EXPECT_EQ(grid->GetScrollBars(), ScrollBars::Both);
  grid->SetScrollBars(ScrollBars::Vertical);
  EXPECT_EQ(grid->GetScrollBars(), ScrollBars::Vertical);
}

TEST_F(Conformance, GridCellsKeepEveryTextWhole) {
  StringGrid* grid = form->AddStringGrid("Grid", {0, 0, 300, 200});
  grid->SetColCount(3);
  grid->SetRowCount(4);
  struct {
    int col, row;
    std::string text;
  } cells[] = {{0, 0, "Module"}, {2, 0, kUnicode}, {1, 1, "KERNEL32.DLL"},
               {2, 3, kLong},    {0, 3, ""},       {1, 2, "12-08-26  15:29"}};
  for (const auto& c : cells) grid->SetCell(c.col, c.row, c.text);
  for (const auto& c : cells) EXPECT_EQ(grid->Cell(c.col, c.row), c.text) << c.col << "," << c.row;
  EXPECT_EQ(grid->Cell(2, 3).size(), kLong.size());

  // Outside the grid nothing is kept.
  grid->SetCell(3, 1, "x");
  grid->SetCell(0, 4, "x");
  grid->SetCell(-1, 0, "x");
  EXPECT_EQ(grid->Cell(3, 1), "");
  EXPECT_EQ(grid->Cell(0, 4), "");
  EXPECT_EQ(grid->Cell(-1, 0), "");

  // Growing keeps the texts; shrinking drops what falls outside.
  grid->SetColCount(5);
  grid->SetRowCount(10);
  EXPECT_EQ(grid->Cell(1, 1), "KERNEL32.DLL");
  EXPECT_EQ(grid->Cell(2, 3), kLong);
  grid->SetRowCount(2);
  EXPECT_EQ(grid->Cell(2, 3), "");
  grid->SetRowCount(4);
  EXPECT_EQ(grid->Cell(2, 3), "");
  EXPECT_EQ(grid->Cell(1, 1), "KERNEL32.DLL");

  grid->SetColWidth(1, 96);
  EXPECT_EQ(grid->ColWidth(1), 96);
  grid->SetColWidth(9, 50);  // no such column
  EXPECT_EQ(grid->ColWidth(9), 0);
}

TEST_F(Conformance, GridCurrentCellAndTheSelectEvent) {
  StringGrid* grid = form->AddStringGrid("Grid", {0, 0, 300, 200});
  grid->SetRowCount(6);
  std::vector<std::pair<int, int>> asked;
  bool allow = true;
  grid->OnSelectCell = [&](int col, int row) {
    asked.emplace_back(col, row);
    return allow;
  };

  grid->SetRow(3);  // as a user's pick: asked, allowed
  EXPECT_EQ(grid->Row(), 3);
  EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{1, 3}}));
  grid->SetRow(3);  // no move, no question
  EXPECT_EQ(asked.size(), 1u);
  allow = false;
  grid->SetRow(4);  // refused: stays
  EXPECT_EQ(grid->Row(), 3);
  EXPECT_EQ(asked.size(), 2u);
  allow = true;
  for (int row : {0, -1, 6, 100}) {  // a fixed row or outside: never current
    grid->SetRow(row);
    EXPECT_EQ(grid->Row(), 3) << row;
  }
  EXPECT_EQ(asked.size(), 2u);
  grid->SetCol(2);
  EXPECT_EQ(grid->Col(), 2);
  grid->SetCol(0);  // the fixed column
  EXPECT_EQ(grid->Col(), 2);
  EXPECT_EQ(asked.back(), (std::pair<int, int>{2, 3}));

  // A user's pick goes the same way.
  asked.clear();
  backend->UserClickCell(*grid, 2, 5);
  PumpFor(50);
  EXPECT_EQ(grid->Row(), 5);
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked.back().second, 5);
  allow = false;
  backend->UserClickCell(*grid, 2, 2);
  PumpFor(50);
  EXPECT_EQ(grid->Row(), 5);

  // Fewer rows pull the current row back in; no fixed row makes row 0 one.
  grid->SetRowCount(3);
  EXPECT_EQ(grid->Row(), 2);
  grid->SetFixedRows(0);
  grid->SetFixedCols(0);
  allow = true;
  grid->SetRow(0);
  EXPECT_EQ(grid->Row(), 0);
  EXPECT_EQ(grid->TopRow(), 0);
}

TEST_F(Conformance, GridHeadingClick) {
  StringGrid* grid = form->AddStringGrid("Grid", {0, 0, 400, 200});
  grid->SetCell(2, 0, "Size");
  std::vector<std::pair<int, int>> clicks;
  int selects = 0;
  grid->OnFixedCellClick = [&](int col, int row) { clicks.emplace_back(col, row); };
  grid->OnSelectCell = [&](int, int) { return ++selects, true; };
  backend->UserClickCell(*grid, 2, 0);
  PumpFor(50);
  EXPECT_EQ(clicks, (std::vector<std::pair<int, int>>{{2, 0}}));
  EXPECT_EQ(selects, 0);
  EXPECT_EQ(grid->Row(), 1);
}

// Fixed rows past the first are headings too: clicks on them are heading
// clicks, and they never become current.
TEST_F(Conformance, GridWithTwoFixedRows) {
  StringGrid* grid = form->AddStringGrid("Grid", {0, 0, 400, 200});
  grid->SetFixedRows(2);
  grid->SetCell(3, 1, "second heading");
  EXPECT_EQ(grid->Row(), 2);
  EXPECT_EQ(grid->Cell(3, 1), "second heading");
  std::vector<std::pair<int, int>> clicks;
  int selects = 0;
  grid->OnFixedCellClick = [&](int col, int row) { clicks.emplace_back(col, row); };
  grid->OnSelectCell = [&](int, int) { return ++selects, true; };
  grid->SetRow(1);
  EXPECT_EQ(grid->Row(), 2);
  backend->UserClickCell(*grid, 3, 1);
  PumpFor(50);
  EXPECT_EQ(grid->Row(), 2);
  EXPECT_EQ(selects, 0);
  EXPECT_EQ(clicks, (std::vector<std::pair<int, int>>{{3, 1}}));
  grid->SetRow(4);
  EXPECT_EQ(grid->Row(), 4);
  grid->SetCol(3);
  grid->SetFixedRows(0);  // back to the first cell after the headings
  EXPECT_EQ(grid->Row(), 0);
  EXPECT_EQ(grid->Col(), 1);
  EXPECT_EQ(grid->TopRow(), 0);
  grid->SetRow(3);
  grid->SetFixedCols(0);
  EXPECT_EQ(grid->Row(), 0);
  EXPECT_EQ(grid->Col(), 0);
  EXPECT_EQ(selects, 3);  // the two SetRow and the SetCol, not the resets
}

TEST_F(Conformance, VirtualGridAsksOnlyForWhatItNeeds) {
  StringGrid* grid = form->AddStringGrid("Grid", {0, 0, 400, 200});
  grid->SetFixedRows(0);
  grid->SetFixedCols(0);
  grid->SetCell(1, 1, "held");
  long asked = 0;
  const int rows = 20'000'000;  // a 20 MB section, a line per byte
  grid->SetVirtualRows(rows, [&](int col, int row) {
    ++asked;
    return row == rows - 1 && col == 4 ? kLong : std::to_string(row) + ":" + std::to_string(col);
  });
  EXPECT_TRUE(grid->Virtual());
  EXPECT_EQ(grid->RowCount(), rows);
  grid->Invalidate();
  PumpFor(50);
  EXPECT_LT(asked, 10'000);  // what a screen shows, not the whole list
  EXPECT_EQ(grid->Cell(1, 1), "1:1");
  EXPECT_EQ(grid->Cell(4, rows - 1), kLong);
  EXPECT_EQ(grid->Cell(5, 0), "");     // outside: the source is not asked
  EXPECT_EQ(grid->Cell(0, rows), "");  // the same
  grid->SetCell(0, 0, "ignored");
  EXPECT_EQ(grid->Cell(0, 0), "0:0");
  grid->SetRow(rows - 1);
  EXPECT_EQ(grid->Row(), rows - 1);
  grid->SetTopRow(rows / 2);
  EXPECT_EQ(grid->TopRow(), rows / 2);

  // Without a source the grid holds texts again, all empty.
  grid->SetVirtualRows(3, nullptr);
  EXPECT_FALSE(grid->Virtual());
  EXPECT_EQ(grid->Cell(1, 1), "");
  grid->SetCell(1, 1, "held");
  EXPECT_EQ(grid->Cell(1, 1), "held");
}

TEST_F(Conformance, TreeNodes) {
  TreeView* tree = form->AddTreeView("Tree", {0, 0, 200, 200});
  TreeNode group = tree->AddNode(kNoNode, "ICON", -1, 9, 9);
  TreeNode leaf = tree->AddNode(group, "101", 4, 6, 7);
  TreeNode wide = tree->AddNode(group, kUnicode);
  TreeNode longNode = tree->AddNode(kNoNode, kLong);
  EXPECT_EQ(tree->NodeCount(), 4);
  EXPECT_EQ(tree->Children(kNoNode), (std::vector<TreeNode>{group, longNode}));
  EXPECT_EQ(tree->Children(group), (std::vector<TreeNode>{leaf, wide}));
  EXPECT_EQ(tree->Parent(leaf), group);
  EXPECT_EQ(tree->Parent(group), kNoNode);
  EXPECT_EQ(tree->NodeData(leaf), 4);
  EXPECT_EQ(tree->NodeData(group), -1);
  EXPECT_EQ(tree->NodeImageIndex(leaf), 6);
  EXPECT_EQ(tree->NodeSelectedIndex(leaf), 7);
  EXPECT_EQ(tree->NodeText(wide), kUnicode);
  EXPECT_EQ(tree->NodeText(longNode), kLong);
  tree->SetNodeText(leaf, "102");
  EXPECT_EQ(tree->NodeText(leaf), "102");

  int changes = 0;
  tree->OnChange = [&] { ++changes; };
  tree->SetSelected(leaf);
  EXPECT_EQ(tree->Selected(), leaf);
  EXPECT_EQ(changes, 1);
  tree->SetSelected(leaf);  // no move, no event
  EXPECT_EQ(changes, 1);
  tree->Expand(group, true);
  EXPECT_TRUE(tree->Expanded(group));
  tree->Expand(group, false);
  EXPECT_FALSE(tree->Expanded(group));
  tree->Clear();
  EXPECT_EQ(tree->NodeCount(), 0);
  EXPECT_EQ(tree->Selected(), kNoNode);
}

TEST_F(Conformance, PagesChangeOnlyByTheUserReport) {
  PageControl* pages = form->AddPageControl("Pages", {0, 0, 300, 200});
  TabSheet* one = pages->AddPage("One", "First");
  TabSheet* two = pages->AddPage("Two", kUnicode);
  Edit* edit = two->AddEdit("Deep", {8, 8, 100, 20});
  EXPECT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(pages->Page(1), two);
  EXPECT_EQ(pages->Page(2), nullptr);
  EXPECT_EQ(one->PageIndex(), 0);
  EXPECT_EQ(two->Text(), kUnicode);
  EXPECT_EQ(pages->ActivePageIndex(), 0);
  int changes = 0;
  pages->OnChange = [&] { ++changes; };
  pages->SetActivePageIndex(1);
  EXPECT_EQ(pages->ActivePageIndex(), 1);
  pages->SetActivePageIndex(5);
  EXPECT_EQ(pages->ActivePageIndex(), 1);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(form->FindControl("Deep"), edit);
  EXPECT_EQ(form->FindControl("Two"), two);
}

TEST_F(Conformance, ControlsKeepTheirTexts) {
  Edit* edit = form->AddEdit("Edit", {0, 0, 100, 20});
  int changes = 0;
  edit->OnChange = [&] { ++changes; };
  edit->SetText(kUnicode);
  EXPECT_EQ(edit->Text(), kUnicode);
  EXPECT_EQ(changes, 1);
  edit->SetText(kUnicode);  // the same text: no change
  EXPECT_EQ(changes, 1);
  edit->SetMaxLength(4);  // limits typing, not the program's own text
  edit->SetText(kLong);
  EXPECT_EQ(edit->Text(), kLong);
  Label* label = form->AddLabel("Label", {0, 30, 100, 20}, kUnicode);
  EXPECT_EQ(label->Text(), kUnicode);
  EXPECT_EQ(form->Caption(), "ConformanceForm");  // a new form's caption is its name
  form->SetCaption(kUnicode);
  EXPECT_EQ(form->Caption(), kUnicode);
  CheckBox* box = form->AddCheckBox("Box", {0, 60, 100, 20}, "On");
  box->SetChecked(true);
  EXPECT_TRUE(box->Checked());

  std::set<uintptr_t> handles{form->NativeHandle(), edit->NativeHandle(), label->NativeHandle(),
                              box->NativeHandle()};
  EXPECT_EQ(handles.size(), 4u);
  EXPECT_EQ(handles.count(0), 0u);
}

TEST_F(Conformance, Menus) {
  MainMenu* menu = form->CreateMainMenu();
  MenuItem* file = menu->Add("FileMenu", "&File");
  MenuItem* load = file->Add("FileLoadMenuItem", "&Load...", 101);
  MenuItem* separator = file->AddSeparator();
  MenuItem* exit = file->Add("FileExitMenuItem", kUnicode);
  EXPECT_EQ(menu->Find("FileLoadMenuItem"), load);
  EXPECT_EQ(menu->Find("Nothing"), nullptr);
  EXPECT_EQ(load->CommandId(), 101);
  EXPECT_NE(exit->CommandId(), 0);
  EXPECT_NE(exit->CommandId(), 101);
  EXPECT_TRUE(separator->IsSeparator());
  EXPECT_EQ(exit->Caption(), kUnicode);
  load->SetShortcut("Ctrl+L");
  load->SetChecked(true);
  load->SetEnabled(false);
  exit->SetVisible(false);
  EXPECT_EQ(load->Shortcut(), "Ctrl+L");
  EXPECT_TRUE(load->Checked());
  EXPECT_FALSE(load->Enabled());
  EXPECT_FALSE(exit->Visible());
  int clicks = 0;
  exit->OnClick = [&] { ++clicks; };
  exit->Click();
  EXPECT_EQ(clicks, 1);

  PopupMenu* popup = form->CreatePopupMenu("Popup");
  MenuItem* details = popup->Items()->Add("Details", "Details");
  EXPECT_EQ(popup->Find("Details"), details);
  EXPECT_EQ(popup->Name(), "Popup");
}

TEST_F(Conformance, PostedWorkRunsFromTheLoopInOrder) {
  std::vector<int> order;
  app.Post([&] {
    order.push_back(1);
    app.Post([&] { order.push_back(3); });
  });
  app.Post([&] { order.push_back(2); });
  EXPECT_TRUE(order.empty());  // not before the loop runs
  std::thread other([&] { app.Post([&] { order.push_back(4); }); });
  other.join();
  EXPECT_TRUE(PumpUntil([&] { return order.size() == 4; }));
  EXPECT_EQ(order[0], 1);
  EXPECT_EQ(order[1], 2);
}

TEST_F(Conformance, TimersTickWhileEnabled) {
  Timer* timer = form->CreateTimer("Timer");
  EXPECT_EQ(timer->Name(), "Timer");
  EXPECT_FALSE(timer->Enabled());
  EXPECT_EQ(timer->Interval(), 1000);
  int ticks = 0;
  timer->OnTimer = [&] { ++ticks; };
  timer->SetInterval(20);
  PumpFor(100);
  EXPECT_EQ(ticks, 0);  // not enabled
  timer->SetEnabled(true);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  timer->SetEnabled(false);
  int stopped = ticks;
  PumpFor(150);
  EXPECT_EQ(ticks, stopped);
  timer->SetInterval(0);  // no interval: never ticks
  timer->SetEnabled(true);
  PumpFor(100);
  EXPECT_EQ(ticks, stopped);
}

TEST_F(Conformance, PrivateMessagesReachTheForm) {
  std::vector<std::tuple<uint32_t, uintptr_t, intptr_t>> got;
  form->OnMessage = [&](uint32_t message, uintptr_t wParam, intptr_t lParam) {
    got.emplace_back(message, wParam, lParam);
    return true;
  };
  uintptr_t window = form->NativeHandle();
  ASSERT_NE(window, 0u);
  EXPECT_TRUE(backend->PostToWindow(window, 0x03FF, 1, 1));  // a system number
  EXPECT_TRUE(backend->PostToWindow(window, 0xC001, 2, 2));  // a registered one
  EXPECT_TRUE(backend->PostToWindow(window, 0xB9E, 7, -9));  // the helper's
  EXPECT_TRUE(PumpUntil([&] { return !got.empty(); }));
  PumpFor(50);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], std::make_tuple(uint32_t{0xB9E}, uintptr_t{7}, intptr_t{-9}));

  auto gone = app.CreateForm("Gone");
  uintptr_t goneWindow = gone->NativeHandle();
  gone.reset();
  EXPECT_FALSE(backend->PostToWindow(goneWindow, 0xB9E, 0, 0));
}

TEST_F(Conformance, WaitingForMessagesEndsWhenWorkArrivesOrTimeRunsOut) {
  // Nothing arrives: the wait ends by its timeout, not later.
  auto start = std::chrono::steady_clock::now();
  app.WaitForMessages(std::chrono::milliseconds(30));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  // Posted work ends a long wait at once and runs on the next pump.
  bool ran = false;
  app.Post([&] { ran = true; });
  start = std::chrono::steady_clock::now();
  app.WaitForMessages(std::chrono::seconds(20));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_TRUE(PumpUntil([&] { return ran; }));
}

TEST_F(Conformance, ImageShowsThePlatformsPicture) {
  Image* image = form->AddImage("Image", {0, 0, 32, 32});
  EXPECT_EQ(image->GetPicture(), Picture{});
  Picture picture = backend->MakePicture();
  image->SetPicture(picture);
  EXPECT_EQ(image->GetPicture(), picture);
  PumpFor(20);
  image->SetIconResource(1);
  EXPECT_EQ(image->GetPicture(), Picture{});
  EXPECT_EQ(image->IconResource(), 1);
  image->SetPicture(picture);
  EXPECT_EQ(image->IconResource(), 0);
  image->SetPicture({});
  EXPECT_EQ(image->GetPicture(), Picture{});
  backend->FreePicture(picture);
}

// Little-endian words for the resource layouts the platform builds from.
struct Words {
  std::vector<uint8_t> Bytes;
  Words& U8(uint8_t v) {
    Bytes.push_back(v);
    return *this;
  }
  Words& U16(uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
  Words& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  Words& Str(const std::u16string& text) {
    for (char16_t c : text) U16(c);
    return U16(0);
  }
  Words& Align4() {
    while (Bytes.size() % 4) U8(0);
    return *this;
  }
};

// A 40-byte header of width x headerRows at 32 bits, then pixelRows rows.
Words Dib32(int width, int headerRows, int pixelRows) {
  Words w;
  w.U32(40).U32(width).U32(headerRows).U16(1).U16(32).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
  for (int i = 0; i < width * pixelRows; ++i) w.U32(0x00FF0000u + i);
  return w;
}

TEST_F(Conformance, PicturesOfResourceImageData) {
  PictureData bitmap;
  bitmap.Kind = PictureData::Format::Bitmap;
  bitmap.Bytes = Dib32(3, 2, 2).Bytes;
  bitmap.BitsOffset = 40;
  auto made = app.MakePicture(bitmap);
  ASSERT_TRUE(made);
  EXPECT_EQ(made->Get().Kind, Picture::Type::Bitmap);
  EXPECT_EQ(made->Width(), 3);
  EXPECT_EQ(made->Height(), 2);

  // An icon image: colour rows, then the mask's (1 bit, rows of 4 bytes).
  PictureData icon;
  icon.Kind = PictureData::Format::Icon;
  Words image = Dib32(4, 8, 4);
  for (int i = 0; i < 4; ++i) image.U32(0);
  icon.Bytes = image.Bytes;
  auto iconPicture = app.MakePicture(icon);
  ASSERT_TRUE(iconPicture);
  EXPECT_EQ(iconPicture->Get().Kind, Picture::Type::Icon);
  EXPECT_EQ(iconPicture->Width(), 4);
  EXPECT_EQ(iconPicture->Height(), 4);
  EXPECT_FALSE(made->Get() == iconPicture->Get());

  PictureData nonsense;
  nonsense.Kind = PictureData::Format::Icon;
  nonsense.Bytes.assign(64, 0xEE);
  EXPECT_FALSE(app.MakePicture(nonsense));

  Image* image1 = form->AddImage("Normal", {0, 0, 40, 40});
  EXPECT_FALSE(image1->Center());
  EXPECT_FALSE(image1->Stretch());
  image1->SetCenter(true);
  image1->SetPicture(iconPicture->Get());
  Image* image2 = form->AddImage("Enlarged", {50, 0, 150, 150});
  image2->SetStretch(true);
  image2->SetPicture(made->Get());
  EXPECT_TRUE(image1->Center());
  EXPECT_TRUE(image2->Stretch());
  ShowAndPump();
  image1->SetPicture({});
  image2->SetPicture({});
}

// A standard dialog template of one button.
Words DialogTemplate(uint32_t style, const std::u16string& buttonClass = u"") {
  Words w;
  w.U32(style).U32(0).U16(1).U16(10).U16(10).U16(120).U16(60);
  w.U16(0).U16(0).Str(u"Live");  // no menu, the standard class, the caption
  w.Align4();
  w.U32(0x50010000).U32(0).U16(8).U16(8).U16(50).U16(14).U16(1);
  if (buttonClass.empty()) {
    w.U16(0xFFFF).U16(0x0080);
  } else {
    w.Str(buttonClass);
  }
  w.Str(u"Press").U16(0);
  return w;
}

TEST_F(Conformance, TemplateDialogsLiveAsLongAsTheirObject) {
  ShowAndPump();
  constexpr uint32_t kPopupCaption = 0x80C00000, kVisible = 0x10000000;
  auto hidden = form->CreateTemplateDialog(DialogTemplate(kPopupCaption).Bytes, "");
  ASSERT_TRUE(hidden);
  EXPECT_FALSE(hidden->Visible());
  hidden->Show();
  EXPECT_TRUE(hidden->Visible());
  hidden->BringToFront();
  EXPECT_TRUE(hidden->Visible());
  auto shown = form->CreateTemplateDialog(DialogTemplate(kPopupCaption | kVisible).Bytes, "");
  ASSERT_TRUE(shown);
  EXPECT_TRUE(shown->Visible());
  EXPECT_NE(shown->NativeHandle(), hidden->NativeHandle());
  PumpFor(20);
  shown.reset();
  hidden.reset();
  std::vector<uint8_t> cut(DialogTemplate(kPopupCaption).Bytes);
  cut.resize(10);
  EXPECT_FALSE(form->CreateTemplateDialog(cut, ""));
}

TEST_F(Conformance, TemplateMenusStandInForTheOwnBar) {
  MainMenu* menu = form->CreateMainMenu();
  menu->Add("TestMenu", "&Test");
  Words tmpl;
  tmpl.U16(0).U16(0);                       // standard header
  tmpl.U16(0x0010).Str(u"&File");           // MF_POPUP
  tmpl.U16(0x0080).U16(101).Str(u"E&xit");  // MF_END
  tmpl.U16(0x0080).U16(102).Str(u"&Help");  // MF_END: the bar's last
  ShowAndPump();
  EXPECT_FALSE(form->TemplateMenuShown());
  ASSERT_TRUE(form->ShowTemplateMenu(tmpl.Bytes));
  EXPECT_TRUE(form->TemplateMenuShown());
  ASSERT_TRUE(form->ShowTemplateMenu(tmpl.Bytes));  // one in place of another
  form->ShowOwnMenu();
  EXPECT_FALSE(form->TemplateMenuShown());
  form->ShowOwnMenu();  // nothing to give back
  EXPECT_EQ(form->GetMainMenu(), menu);
  EXPECT_FALSE(form->ShowTemplateMenu(std::vector<uint8_t>{0, 0}));
  EXPECT_FALSE(form->TemplateMenuShown());
}

TEST_F(Conformance, HostAdoptsAChildWindow) {
  Panel* panel = form->AddPanel("Panel", {0, 0, 300, 200});
  WindowHost* host = panel->AddWindowHost("Host", {10, 10, 200, 150});
  EXPECT_EQ(host->Kind(), ControlKind::WindowHost);
  EXPECT_EQ(host->Child(), 0u);
  uintptr_t child = backend->MakeChildWindow(host->NativeHandle());
  ASSERT_NE(child, 0u);
  host->Adopt(child);
  EXPECT_EQ(host->Child(), child);
  EXPECT_EQ(backend->ParentOf(child), host->NativeHandle());
  host->Adopt(0);
  EXPECT_EQ(host->Child(), 0u);
  backend->DestroyChildWindow(child);
}

}  // namespace
}  // namespace ui::conformance
