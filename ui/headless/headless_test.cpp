#include "ui/headless/headless.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace ui::headless {
namespace {

TEST(HeadlessListBox, SortedListOrdersWithoutRegardToCaseAndKeepsSelection) {
  HeadlessApplication app;
  auto form = app.CreateForm("F");
  ListBox* list = form->AddListBox("L", {});
  list->AddItem("beta");
  list->AddItem("Alpha");
  list->SetItemIndex(1);  // "Alpha"
  list->SetSorted(true);
  EXPECT_EQ(list->Items(), (std::vector<std::string>{"Alpha", "beta"}));
  EXPECT_EQ(list->AddItem("ALPHA2"), 1);
  EXPECT_EQ(list->AddItem("Gamma"), 3);
  EXPECT_EQ(list->Item(1), "ALPHA2");
  list->SetItemIndex(9);
  EXPECT_EQ(list->ItemIndex(), -1);
  list->SetItemIndex(0);
  list->DeleteItem(0);
  EXPECT_EQ(list->ItemIndex(), -1);
  EXPECT_EQ(list->Item(7), "");
}

TEST(HeadlessRadioGroup, AUsersChoiceNeedsAnEnabledGroupAndAnItem) {
  HeadlessApplication app;
  auto form = app.CreateForm("F");
  RadioGroup* group = form->AddRadioGroup("R", {}, "Show", {"Hex", "Text"}, 1);
  int clicks = 0;
  group->OnClick = [&] { ++clicks; };
  group->SetEnabled(false);
  ChooseItem(*group, 1);
  EXPECT_EQ(group->ItemIndex(), -1);
  group->SetEnabled(true);
  ChooseItem(*group, 2);
  ChooseItem(*group, -1);
  EXPECT_EQ(clicks, 0);
  ChooseItem(*group, 1);
  EXPECT_EQ(group->ItemIndex(), 1);
  EXPECT_EQ(clicks, 1);
}

TEST(HeadlessTreeView, NodesKeepParentDataAndImages) {
  HeadlessApplication app;
  auto form = app.CreateForm("F");
  TreeView* tree = form->AddTreeView("T", {});
  TreeNode group = tree->AddNode(kNoNode, "ICON", -1, 9, 9);
  TreeNode leaf = tree->AddNode(group, "101", 4, 6, 6);
  TreeNode group2 = tree->AddNode(kNoNode, "VERSION", -1, 9, 9);
  EXPECT_EQ(tree->Children(kNoNode), (std::vector<TreeNode>{group, group2}));
  EXPECT_EQ(tree->Children(group), (std::vector<TreeNode>{leaf}));
  EXPECT_EQ(tree->Parent(leaf), group);
  EXPECT_EQ(tree->NodeData(leaf), 4);
  EXPECT_EQ(tree->NodeData(group), -1);
  EXPECT_EQ(tree->NodeImageIndex(leaf), 6);
  int changes = 0;
  tree->OnChange = [&] { ++changes; };
  tree->SetSelected(leaf);
  EXPECT_EQ(tree->Selected(), leaf);
  tree->Clear();
  EXPECT_EQ(tree->Selected(), kNoNode);
  EXPECT_EQ(tree->NodeText(leaf), "");
  EXPECT_EQ(changes, 1);
}

TEST(HeadlessGrid, CellsResizeAndColoursComeFromTheForm) {
  HeadlessApplication app;
  auto form = app.CreateForm("F");
  StringGrid* grid = form->AddStringGrid("G", {});
  grid->SetColCount(3);
  grid->SetRowCount(2);
  grid->SetCell(2, 1, "x");
  grid->SetCell(3, 1, "out of range");
  EXPECT_EQ(grid->Cell(2, 1), "x");
  EXPECT_EQ(grid->Cell(3, 1), "");
  EXPECT_EQ(grid->StyleOf(0, 0, {}).TextColor, kDefaultColor);
  grid->OnDrawCell = [](int col, int row, CellState state) {
    return CellStyle{row == 1 ? 0xFF0000u : kBlack, state.Selected ? 0x0000FFu : kWhite, false};
  };
  EXPECT_EQ(grid->StyleOf(1, 1, {}).TextColor, 0xFF0000u);
  EXPECT_EQ(grid->StyleOf(1, 1, {true, false, false}).BackColor, 0x0000FFu);
}

TEST(HeadlessStatusBar, OwnerDrawnPanels) {
  HeadlessApplication app;
  auto form = app.CreateForm("F");
  StatusBar* bar = form->AddStatusBar("S");
  int first = bar->AddPanel(100);
  int second = bar->AddPanel(50);
  bar->SetPanelText(second, "12 modules");
  bar->SetPanelOwnerDraw(first, true);
  bar->OnDrawPanel = [](int index) { return CellStyle{0x00FF00u, kDefaultColor, true}; };
  EXPECT_EQ(bar->PanelText(1), "12 modules");
  EXPECT_TRUE(bar->PanelOwnerDraw(0));
  EXPECT_FALSE(bar->PanelOwnerDraw(1));
  EXPECT_EQ(bar->StyleOfPanel(0).TextColor, 0x00FF00u);
}

TEST(HeadlessForm, CloseQueryCanRefuseAndModalScriptGivesTheResult) {
  HeadlessApplication app;
  auto form = app.CreateForm("F");
  bool refuse = true;
  int closes = 0, shows = 0;
  form->OnCloseQuery = [&](bool& allow) { allow = !refuse; };
  form->OnClose = [&] { ++closes; };
  form->OnShow = [&] { ++shows; };
  form->Show();
  form->Close();
  EXPECT_TRUE(form->Showing());
  EXPECT_EQ(closes, 0);
  refuse = false;
  form->Close();
  EXPECT_FALSE(form->Showing());
  EXPECT_EQ(closes, 1);

  auto dialog = app.CreateForm("D");
  EXPECT_EQ(dialog->ShowModal(), ModalResult::Cancel);
  SetModalScript(*dialog, [](Form& f) {
    f.SetModalResult(ModalResult::Ok);
    return ModalResult::None;
  });
  EXPECT_EQ(dialog->ShowModal(), ModalResult::Ok);
}

TEST(HeadlessMenus, FindByNameAndPopupRunsHandler) {
  HeadlessApplication app;
  auto form = app.CreateForm("F");
  MainMenu* menu = form->CreateMainMenu();
  MenuItem* file = menu->Add("FileMenu", "&File");
  MenuItem* load = file->Add("FileLoadMenuItem", "&Load...", 101);
  load->SetShortcut("Ctrl+L");
  file->AddSeparator();
  EXPECT_EQ(menu->Find("FileLoadMenuItem"), load);
  EXPECT_EQ(menu->Find("Nothing"), nullptr);
  EXPECT_TRUE(file->Item(1)->IsSeparator());
  int clicks = 0;
  load->OnClick = [&] { ++clicks; };
  load->Click();
  EXPECT_EQ(clicks, 1);
  PopupMenu* popup = form->CreatePopupMenu("P");
  int pops = 0;
  popup->OnPopup = [&] { ++pops; };
  popup->Items()->Add("A", "A");
  popup->Popup(0, 0);
  EXPECT_EQ(pops, 1);
  EXPECT_NE(popup->Find("A"), nullptr);
}

TEST(HeadlessContainers, FindControlLooksIntoPagesAndGroups) {
  HeadlessApplication app;
  auto form = app.CreateForm("F");
  PageControl* pages = form->AddPageControl("P", {});
  TabSheet* sheet = pages->AddPage("S1", "One");
  GroupBox* group = sheet->AddGroupBox("G", {}, "Group");
  Edit* edit = group->AddEdit("Deep", {});
  EXPECT_EQ(form->FindControl("Deep"), edit);
  EXPECT_EQ(form->FindControl("S1"), sheet);
  EXPECT_EQ(pages->ActivePageIndex(), 0);
  pages->SetActivePageIndex(5);
  EXPECT_EQ(pages->ActivePageIndex(), 0);
}

TEST(HeadlessApplication, RecordsMessagesAndErrors) {
  HeadlessApplication app;
  app.messageAnswers.push_back(ModalResult::Cancel);
  EXPECT_EQ(app.MessageBox("t", "c", MessageButtons::OkCancel), ModalResult::Cancel);
  EXPECT_EQ(app.MessageBox("t2", "c", MessageButtons::Ok), ModalResult::Ok);
  ASSERT_EQ(app.messages.size(), 2u);
  EXPECT_EQ(app.messages[0].Buttons, MessageButtons::OkCancel);
  app.Guard([] { throw std::runtime_error("disk on fire"); });
  ASSERT_EQ(app.errors.size(), 1u);
  EXPECT_EQ(app.errors[0], "disk on fire");
  EXPECT_FALSE(app.OpenFile({}).has_value());
}

TEST(HeadlessApplication, PostedWorkRunsFromTheLoopInOrderAfterTheHandler) {
  HeadlessApplication app;
  std::vector<int> order;
  app.Post([&] {
    order.push_back(1);
    app.Post([&] { order.push_back(3); });  // waits for the next turn of the loop
  });
  app.Post([&] { throw std::runtime_error("posted failure"); });
  app.Post([&] { order.push_back(2); });
  EXPECT_TRUE(order.empty());
  app.ProcessMessages();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  ASSERT_EQ(app.errors.size(), 1u);  // a throw reaches the error report, the rest still runs
  EXPECT_EQ(app.errors[0], "posted failure");
  app.ProcessMessages();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(app.PostedCount(), 0u);
}

TEST(HeadlessTimer, TicksOnTheTestsClockWithoutCatchingUp) {
  HeadlessApplication app;
  auto form = app.CreateForm("F");
  Timer* timer = form->CreateTimer("T");
  int ticks = 0;
  timer->OnTimer = [&] { ++ticks; };
  timer->SetEnabled(true);  // the default second
  struct {
    int advance;
    int ticks;
  } steps[] = {{999, 0}, {1, 1}, {500, 1}, {5000, 2}, {999, 2}, {1, 3}};
  for (const auto& step : steps) {
    app.AdvanceClock(step.advance);
    app.ProcessMessages();
    EXPECT_EQ(ticks, step.ticks) << step.advance;
  }
  timer->OnTimer = [&] { throw std::runtime_error("tick failed"); };
  app.AdvanceClock(1000);
  app.ProcessMessages();
  ASSERT_EQ(app.errors.size(), 1u);  // reported, the loop goes on
  form.reset();                      // the form's timers go with it
  app.AdvanceClock(1000);
  app.ProcessMessages();
}

TEST(HeadlessForm, WindowMessagesWaitForTheLoopAndSkipAFormThatIsGone) {
  HeadlessApplication app;
  auto form = app.CreateForm("F");
  int got = 0;
  form->OnMessage = [&](uint32_t, uintptr_t, intptr_t) { return ++got, true; };
  EXPECT_TRUE(app.PostWindowMessage(form->NativeHandle(), 0xB9E, 0, 0));
  EXPECT_FALSE(app.PostWindowMessage(form->NativeHandle() + 1, 0xB9E, 0, 0));
  EXPECT_EQ(got, 0);
  app.ProcessMessages();
  EXPECT_EQ(got, 1);
  EXPECT_TRUE(app.PostWindowMessage(form->NativeHandle(), 0xB9E, 0, 0));
  form.reset();
  app.ProcessMessages();  // nothing to deliver to, nothing run
  EXPECT_EQ(got, 1);
}

}  // namespace
}  // namespace ui::headless
