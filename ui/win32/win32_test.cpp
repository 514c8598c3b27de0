// The real controls under the widget interfaces: what forms rely on.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

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

// Paints the control into a bitmap and gives its pixels (0x00RRGGBB).
struct Snapshot {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }
};

Snapshot Paint(HWND hwnd) {
  RECT r;
  GetClientRect(hwnd, &r);
  Snapshot shot;
  shot.width = r.right;
  shot.height = r.bottom;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = shot.width;
  info.bmiHeader.biHeight = -shot.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
  GdiFlush();
  const auto* p = static_cast<const uint32_t*>(bits);
  shot.pixels.assign(p, p + static_cast<size_t>(shot.width) * shot.height);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return shot;
}

// Each text starts at its cell's left edge and runs to its right edge:
// no margin, no ellipsis. Rows are as high as asked.
TEST_F(Win32Widgets, GridDrawsEachTextAtItsCellsCorner) {
  StringGrid* grid = form->AddStringGrid("G", {0, 0, 300, 200});
  grid->SetColCount(2);
  grid->SetFixedRows(0);
  grid->SetFixedCols(0);
  grid->SetGridLines(true, false);
  grid->SetFont(Font{"Courier New", 8});
  grid->SetDefaultRowHeight(16);
  grid->SetColWidth(0, 96);
  grid->SetColWidth(1, 120);
  grid->SetRowCount(3);
  grid->SetCell(0, 0, std::string(40, 'W'));  // far wider than its column
  grid->SetCell(1, 0, "W");
  grid->OnDrawCell = [](int, int, CellState) { return CellStyle{0xFF0000, kWhite, false}; };
  HWND list = dynamic_cast<NativeControl*>(grid)->Handle();
  RECT item{};
  item.left = LVIR_BOUNDS;
  ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)));
  EXPECT_EQ(item.bottom - item.top, Scale(16));

  Snapshot shot = Paint(list);
  ASSERT_GT(shot.width, Scale(96) + Scale(120));
  auto inkIn = [&](int from, int to) {  // red ink in columns [from, to) of row 0
    for (int x = from; x < to; ++x) {
      for (int y = item.top; y < item.bottom; ++y) {
        if (shot.At(x, y) == 0xFF0000) return true;
      }
    }
    return false;
  };
  int col1 = item.left + Scale(96) + 1;          // past the first cell and its line
  EXPECT_TRUE(inkIn(item.left, item.left + 2));  // the first W starts at the edge
  EXPECT_TRUE(inkIn(col1, col1 + 2));
  EXPECT_TRUE(inkIn(col1 - 4, col1 - 1));                    // the long text runs to the cell's end
  EXPECT_EQ(shot.At(col1 - 1, item.top), 0xC0C0C0u);         // then the grid line
  EXPECT_FALSE(inkIn(col1 + Scale(20), col1 + Scale(120)));  // one W, no more
}

// A virtual list asks for the lines it shows, draws them at the line's
// left, the selected one in the selection's colours, tabs at their stops;
// the list box messages answer with the lines' texts.
TEST_F(Win32Widgets, VirtualListDrawsOnlyTheLinesItShows) {
  ListBox* list = form->AddListBox("L", {0, 0, 300, 100});
  list->SetFont(Font{"Courier New", 8});
  std::vector<int> asked;
  const int lines = 1'000'000;
  list->SetVirtualLines(lines, [&](int index) {
    asked.push_back(index);
    return index == 7 ? std::string("\xCE\xA9mega") : std::string("W\tW");
  });
  // Lines as high as an ordinary list's with that font.
  ListBox* ordinary = form->AddListBox("O", {0, 100, 300, 100});
  ordinary->SetFont(Font{"Courier New", 8});
  auto height = [](ListBox* l) {
    return SendMessageW(dynamic_cast<NativeControl*>(l)->Handle(), LB_GETITEMHEIGHT, 0, 0);
  };
  EXPECT_EQ(height(list), height(ordinary));
  list->SetItemHeight(16);
  list->SetTabStops(32);  // eight characters
  const int top = lines / 2;
  list->SetTopIndex(top);
  list->SetItemIndex(top);
  HWND hwnd = dynamic_cast<NativeControl*>(list)->Handle();
  EXPECT_EQ(SendMessageW(hwnd, LB_GETITEMHEIGHT, 0, 0), Scale(16));

  asked.clear();
  Snapshot shot = Paint(hwnd);
  ASSERT_FALSE(asked.empty());
  EXPECT_LE(asked.size(), 20u);
  for (int index : asked) {
    EXPECT_GE(index, top);
    EXPECT_LE(index, top + 10);
  }

  HDC dc = GetDC(hwnd);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
  SIZE w{};
  GetTextExtentPoint32W(dc, L"W", 1, &w);
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  ASSERT_GT(w.cx, 0);
  const int row = Scale(16);
  const uint32_t back = GetSysColor(COLOR_WINDOW);
  auto color = [](COLORREF c) {
    return static_cast<uint32_t>(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c);
  };
  auto inkIn = [&](int line, int from, int to) {  // not the background in line's columns
    for (int x = from; x < to && x < shot.width; ++x) {
      for (int y = line * row + 1; y < (line + 1) * row - 1 && y < shot.height; ++y) {
        if (shot.At(x, y) != color(back)) return true;
      }
    }
    return false;
  };
  EXPECT_EQ(shot.At(shot.width - 2, row / 2), color(GetSysColor(COLOR_HIGHLIGHT)));
  EXPECT_EQ(shot.At(shot.width - 2, row + row / 2), color(back));
  EXPECT_TRUE(inkIn(1, 0, w.cx + 2));              // the first W
  EXPECT_FALSE(inkIn(1, 2 * w.cx + 2, 7 * w.cx));  // the tab
  EXPECT_TRUE(inkIn(1, 8 * w.cx, 9 * w.cx + 2));   // the W at the stop
  EXPECT_FALSE(inkIn(1, 10 * w.cx + 2, shot.width - 2));

  LRESULT length = SendMessageW(hwnd, LB_GETTEXTLEN, 7, 0);
  ASSERT_EQ(length, 5);
  wchar_t buffer[16] = {};
  EXPECT_EQ(SendMessageW(hwnd, LB_GETTEXT, 7, reinterpret_cast<LPARAM>(buffer)), 5);
  EXPECT_STREQ(buffer, L"\u03A9mega");
  EXPECT_EQ(SendMessageW(hwnd, LB_GETTEXTLEN, lines, 0), LB_ERR);
  EXPECT_EQ(list->Item(7), "\xCE\xA9mega");
}

// The reading side of the next test, run in a process of its own: reads a
// line as a test driver does and exits with 0 when it holds what it should.
TEST(VirtualListReader, ReadsALineFromAnotherProcess) {
  const char* target = std::getenv("DLV_VIRTUAL_LIST");
  if (!target) GTEST_SKIP() << "run by VirtualListLinesReachAnotherProcess";
  HWND list = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(target, nullptr, 16)));
  std::wstring expected = L"\u03A9" + std::wstring(5000, L'x') + L"|end";
  for (int index : {3, 1}) {
    LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
    ASSERT_GT(length, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'#');
    LRESULT got = SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    ASSERT_EQ(got, length);
    text.resize(static_cast<size_t>(got));
    EXPECT_TRUE(text == (index == 3 ? expected : L"line 1")) << index << ": " << text.size();
  }
}

TEST_F(Win32Widgets, VirtualListLinesReachAnotherProcess) {
  ListBox* list = form->AddListBox("L", {0, 0, 200, 100});
  list->SetVirtualLines(10, [](int index) {
    return index == 3 ? "\xCE\xA9" + std::string(5000, 'x') + "|end"
                      : "line " + std::to_string(index);
  });
  wchar_t self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  wchar_t handle[32];
  swprintf(handle, 32, L"%llx", static_cast<unsigned long long>(list->NativeHandle()));
  SetEnvironmentVariableW(L"DLV_VIRTUAL_LIST", handle);
  std::wstring command = std::wstring(L"\"") + self +
                         L"\" --gtest_filter=VirtualListReader.ReadsALineFromAnotherProcess";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION reader{};
  BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                nullptr, &startup, &reader);
  SetEnvironmentVariableW(L"DLV_VIRTUAL_LIST", nullptr);
  ASSERT_TRUE(started);
  // The reader's messages are answered from this loop.
  DWORD wait = WAIT_TIMEOUT;
  for (int tries = 0; tries < 3000 && wait == WAIT_TIMEOUT; ++tries) {
    app.ProcessMessages();
    wait = WaitForSingleObject(reader.hProcess, 10);
  }
  DWORD code = 1;
  GetExitCodeProcess(reader.hProcess, &code);
  if (wait == WAIT_TIMEOUT) TerminateProcess(reader.hProcess, 1);
  CloseHandle(reader.hThread);
  CloseHandle(reader.hProcess);
  EXPECT_EQ(wait, WAIT_OBJECT_0);
  EXPECT_EQ(code, 0u);
}

TEST_F(Win32Widgets, RadioGroupLaysItsButtonsOutDownThenAcross) {
  RadioGroup* group = form->AddRadioGroup("R", {10, 10, 210, 100}, "Show", {"A", "B", "C"}, 2);
  group->SetControlId(42);
  HWND frame = dynamic_cast<NativeControl*>(group)->Handle();
  HWND buttons[3];
  RECT r[3];
  for (int i = 0; i < 3; ++i) {
    buttons[i] = GetDlgItem(frame, 420 + i);
    ASSERT_NE(buttons[i], nullptr) << i;
    EXPECT_EQ(buttons[i], FindWindowExW(frame, nullptr, L"BUTTON",
                                        i == 0   ? L"A"
                                        : i == 1 ? L"B"
                                                 : L"C"));
    GetWindowRect(buttons[i], &r[i]);
  }
  EXPECT_EQ(r[0].left, r[1].left);  // A over B in the first column
  EXPECT_LT(r[0].top, r[1].top);
  EXPECT_EQ(r[2].top, r[0].top);  // C at the top of the second
  EXPECT_EQ(r[2].left - r[0].left, r[0].right - r[0].left);
  RECT f;
  GetWindowRect(frame, &f);
  EXPECT_LE(r[1].bottom, f.bottom);
  EXPECT_LE(r[2].right, f.right);
  LONG_PTR first = GetWindowLongPtrW(buttons[0], GWL_STYLE);
  EXPECT_EQ(first & (WS_GROUP | WS_TABSTOP), WS_GROUP | WS_TABSTOP);
  EXPECT_EQ(GetWindowLongPtrW(buttons[1], GWL_STYLE) & WS_GROUP, 0);

  group->SetItemIndex(2);
  EXPECT_EQ(SendMessageW(buttons[2], BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(buttons[0], BM_GETCHECK, 0, 0), BST_UNCHECKED);
  group->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(buttons[1]));
}

// What the native controls hold, read back with the W functions: text
// outside the system code page arrives whole.
TEST_F(Win32Widgets, UnicodeReachesTheNativeControls) {
  const std::string text = "\xCE\xA9mega-\xE6\x97\xA5\xE6\x9C\xAC.dll";  // Ωmega-日本.dll
  const std::wstring wide = L"\u03A9mega-\u65E5\u672C.dll";
  auto handle = [](const Control* c) { return reinterpret_cast<HWND>(c->NativeHandle()); };
  wchar_t buffer[256] = {};

  form->SetCaption(text);
  GetWindowTextW(handle(form.get()), buffer, 256);
  EXPECT_EQ(buffer, wide);

  StatusBar* status = form->AddStatusBar("S");
  status->AddPanel(200);
  status->SetPanelText(0, text);
  SendMessageW(handle(status), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buffer));
  EXPECT_EQ(buffer, wide);

  PageControl* pages = form->AddPageControl("P", {0, 0, 300, 200});
  pages->AddPage("One", text);
  TCITEMW tab{};
  tab.mask = TCIF_TEXT;
  tab.pszText = buffer;
  tab.cchTextMax = 256;
  SendMessageW(handle(pages), TCM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tab));
  EXPECT_EQ(buffer, wide);

  StringGrid* grid = form->AddStringGrid("G", {0, 0, 300, 200});
  grid->SetCell(1, 1, text);
  LVITEMW item{};
  item.iSubItem = 1;
  item.pszText = buffer;
  item.cchTextMax = 256;
  SendMessageW(handle(grid), LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(buffer, wide);

  MainMenu* menu = form->CreateMainMenu();
  menu->Add("M", text);
  GetMenuStringW(GetMenu(handle(form.get())), 0, buffer, 256, MF_BYPOSITION);
  EXPECT_EQ(buffer, wide);
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

// Items given no id (drop-downs, say) get one that no item with a fixed id
// has, whatever order they are added in.
TEST_F(Win32Widgets, ChosenCommandIdsNeverTakeAFixedOne) {
  MainMenu* menu = form->CreateMainMenu();
  MenuItem* file = menu->Add("File", "&File");
  MenuItem* print = file->Add("Print", "&Print...", 40001);
  MenuItem* selected = file->Add("Selected", "Print &Selected...");
  MenuItem* first = selected->Add("First", "First", 40002);
  MenuItem* late = file->Add("Late", "Late");
  MenuItem* taken = file->Add("Taken", "Taken", kFirstChosenCommandId + 1);
  int printed = 0, firsts = 0, lates = 0, takens = 0;
  print->OnClick = [&] { ++printed; };
  first->OnClick = [&] { ++firsts; };
  late->OnClick = [&] { ++lates; };
  taken->OnClick = [&] { ++takens; };
  EXPECT_GE(selected->CommandId(), kFirstChosenCommandId);
  EXPECT_NE(late->CommandId(), taken->CommandId());
  HWND hwnd = dynamic_cast<NativeControl*>(form.get())->Handle();
  SendMessageW(hwnd, WM_COMMAND, 40001, 0);
  SendMessageW(hwnd, WM_COMMAND, 40002, 0);
  SendMessageW(hwnd, WM_COMMAND, late->CommandId(), 0);
  SendMessageW(hwnd, WM_COMMAND, kFirstChosenCommandId + 1, 0);
  EXPECT_EQ(printed, 1);
  EXPECT_EQ(firsts, 1);
  EXPECT_EQ(lates, 1);
  EXPECT_EQ(takens, 1);
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

// A one-button dialog template whose button has the class named.
std::vector<uint8_t> DialogTemplate(DWORD style, const std::wstring& buttonClass) {
  std::vector<uint8_t> t;
  auto u16 = [&](uint16_t v) {
    t.push_back(v & 0xFF);
    t.push_back(v >> 8);
  };
  auto u32 = [&](uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  auto str = [&](const std::wstring& text) {
    for (wchar_t c : text) u16(c);
    u16(0);
  };
  u32(style), u32(0), u16(1), u16(10), u16(10), u16(120), u16(60), u16(0), u16(0), str(L"Live");
  while (t.size() % 4) t.push_back(0);
  u32(WS_CHILD | WS_VISIBLE), u32(0), u16(8), u16(8), u16(50), u16(14), u16(1);
  str(buttonClass), str(L"Press"), u16(0);
  return t;
}

TEST_F(Win32Widgets, TemplateDialogsAreOwnedPopupsOfKnownClassesOnly) {
  HWND hwnd = dynamic_cast<NativeControl*>(form.get())->Handle();
  auto dialog = form->CreateTemplateDialog(DialogTemplate(WS_POPUP | WS_CAPTION, L"Button"), "");
  ASSERT_TRUE(dialog);
  HWND live = reinterpret_cast<HWND>(dialog->NativeHandle());
  EXPECT_EQ(GetWindow(live, GW_OWNER), hwnd);
  EXPECT_TRUE(FindWindowExW(live, nullptr, L"Button", L"Press"));
  dialog.reset();
  EXPECT_FALSE(IsWindow(live));
  // A class nobody registered: Windows refuses the whole dialog.
  EXPECT_FALSE(form->CreateTemplateDialog(DialogTemplate(WS_POPUP, L"NoSuchClass42"), ""));
  // A page of a property sheet becomes a window of its own.
  auto page = form->CreateTemplateDialog(
      DialogTemplate(WS_CHILD | WS_DISABLED | WS_CAPTION, L"Button"), "");
  ASSERT_TRUE(page);
  HWND pageWindow = reinterpret_cast<HWND>(page->NativeHandle());
  LONG style = GetWindowLongW(pageWindow, GWL_STYLE);
  EXPECT_FALSE(style & WS_CHILD);
  EXPECT_FALSE(style & WS_DISABLED);
  EXPECT_EQ(GetWindow(pageWindow, GW_OWNER), hwnd);
}

TEST_F(Win32Widgets, TemplateMenusDoNotReachTheFormsCommands) {
  MainMenu* bar = form->CreateMainMenu();
  MenuItem* file = bar->Add("File", "&File");
  int clicks = 0;
  MenuItem* exit = file->Add("Exit", "E&xit", 101);
  exit->OnClick = [&] { ++clicks; };
  HWND hwnd = dynamic_cast<NativeControl*>(form.get())->Handle();
  HMENU own = GetMenu(hwnd);
  // One popup whose item has the id of the form's own Exit.
  std::vector<uint8_t> t = {0, 0, 0, 0, 0x90, 0, 'P', 0, 0, 0, 0x80, 0, 101, 0, 'X', 0, 0, 0};
  ASSERT_TRUE(form->ShowTemplateMenu(t));
  HMENU shown = GetMenu(hwnd);
  EXPECT_NE(shown, own);
  EXPECT_EQ(GetMenuItemCount(shown), 1);
  SendMessageW(hwnd, WM_COMMAND, 101, 0);
  EXPECT_EQ(clicks, 0);
  form->ShowOwnMenu();
  EXPECT_EQ(GetMenu(hwnd), own);
  EXPECT_FALSE(IsMenu(shown));
  SendMessageW(hwnd, WM_COMMAND, 101, 0);
  EXPECT_EQ(clicks, 1);
}

TEST(DialogFilter, PipesBecomeNuls) {
  EXPECT_EQ(DialogFilter("A|*.A|B|*.B"), std::string("A\0*.A\0B\0*.B\0\0", 13));
}

}  // namespace
}  // namespace ui::win32
