#include "dlvnt/main_window/main_form.h"

#include <cstdio>
#include <optional>
#include <stdexcept>

#include "dlvnt/dialogs/about_box.h"
#include "dlvnt/dialogs/details_dlg.h"
#include "dlvnt/dialogs/search_dlg.h"
#include "dlvnt/inventory/collect.h"
#include "dlvnt/inventory/paths.h"
#include "dlvnt/main_window/command_ids.h"

namespace dlvnt {
namespace {

constexpr ui::Color kButtonFace = 0xF0F0F0;

struct PageLayout {
  const char* Prefix;
  const char* Caption;
  std::array<int, 5> ColWidths;
};

constexpr PageLayout kLayouts[kPageCount] = {
    {"Module32", "Win32 Modules", {15, 96, 69, 108, 305}},
    {"OCX", "Registered OCXs", {15, 96, 69, 109, 305}},
    {"DeviceDriver", "Device Drivers", {16, 95, 69, 109, 303}},
    {"Module16", "Win16 Modules", {15, 96, 69, 109, 305}},
};

struct ColorKey {
  int Width;
  const char* Text;
  ui::Color Color;
};
constexpr ColorKey kColorKey[] = {{60, "Color Key:", kBlack},
                                  {55, "Duplicate", kRed},
                                  {55, "Process", kGreen},
                                  {55, "Not Used", kBlue},
                                  {55, "In Use", kBlack}};

}  // namespace

TMainForm::TMainForm(ui::Application& app, MainFormServices services)
    : App(app), Services(std::move(services)), Form(app.CreateForm("MainForm")), Waiter(app) {
  if (Services.Win16) {
    Win16Machine& machine = *Services.Win16;
    Waiter.SetBound(machine.Bound);
    Win16.emplace(Win16Services{machine.Wow, machine.Folders, Services.Inventory.Files,
                                machine.Launcher, Waiter, machine.ProgramDirectory});
  }
  for (auto& page : SortDirection) page.fill(1);
  Form->SetCaption(kMainCaption);
  Form->SetClientSize(627, 396);
  Form->SetBorderStyle(ui::BorderStyle::Single);
  Form->SetMaximizeBox(false);
  Form->SetPosition(ui::FormPosition::ScreenCenter);
  Form->SetFormFont(ui::Font{"MS Sans Serif", 8, false, false, ui::kBlack});
  Form->SetIconResource(1);
  BuildPages();
  BuildMenus();
  Form->OnShow = [this] { App.Guard([this] { FormShow(); }); };
  Form->OnClose = [this] { App.Guard([this] { FormClose(); }); };
  Form->OnCloseQuery = [this](bool& allow) { allow = !Refusing(); };
  Form->OnMessage = [this](uint32_t message, uintptr_t, intptr_t) {
    if (message != dlv16::kHelperDoneMessage) return false;
    Waiter.Signal();
    return true;
  };

  if (Services.IsWindowsNT && !Services.IsWindowsNT()) {
    App.MessageBox(kNotNTMessage, App.Title(), ui::MessageButtons::Ok,
                   ui::MessageIcon::Information);
    Refused = true;
    App.Terminate();
    return;
  }
  SearchPathList = BuildSearchPathList(Services.Inventory.Catalog, Services.Inventory.Directories);
  for (ui::MenuItem* item :
       {ViewTreeViewMenuItem, PopupTreeViewMenuItem, ViewDuplicatesMenuItem,
        PopupDuplicatesMenuItem, ViewNotFoundMenuItem, PopupNotFoundMenuItem}) {
    item->SetChecked(false);
  }
  ViewNotFoundMenuItem->SetVisible(false);
  PopupNotFoundMenuItem->SetVisible(false);
  MainFormPageControl->SetActivePageIndex(kWin32Page);
}

TMainForm::~TMainForm() = default;

std::function<void()> TMainForm::Guarded(void (TMainForm::*handler)()) {
  return [this, handler] {
    if (Refusing()) return;
    App.Guard([this, handler] { (this->*handler)(); });
  };
}

void TMainForm::BuildPages() {
  MainFormPageControl = Form->AddPageControl("MainFormPageControl", {0, 0, 627, 377});
  MainFormPageControl->SetControlId(kPageControlId);
  for (int p = 0; p < kPageCount; ++p) {
    const PageLayout& layout = kLayouts[p];
    std::string prefix = layout.Prefix;
    InventoryPage& page = Pages[p];
    page.Sheet = MainFormPageControl->AddPage(prefix + "TabSheet", layout.Caption);
    page.ModuleButton = page.Sheet->AddButton(prefix + "ModuleButton", {25, 8, 98, 17}, "Module");
    page.SizeButton = page.Sheet->AddButton(prefix + "SizeButton", {124, 8, 69, 17}, "Size");
    page.DateTimeButton =
        page.Sheet->AddButton(prefix + "DateTimeButton", {194, 8, 109, 17}, "Date/Time");
    page.PathButton = page.Sheet->AddButton(prefix + "PathButton", {304, 8, 305, 17}, "Path");
    const SortKey keys[4] = {SortKey::Name, SortKey::Size, SortKey::Date, SortKey::Path};
    auto buttons = page.Buttons();
    for (int b = 0; b < 4; ++b) {
      SortKey key = keys[b];
      buttons[b]->OnClick = [this, p, key] {
        if (!Refusing()) App.Guard([&] { SortButtonClick(p, key); });
      };
    }
    page.Grid = page.Sheet->AddStringGrid(prefix + "StringGrid", {8, 24, 601, 313});
    page.Grid->SetControlId(kGridControlIds[p]);
    page.Grid->SetColCount(5);
    page.Grid->SetFixedCols(0);
    page.Grid->SetFixedRows(0);
    page.Grid->SetDefaultRowHeight(16);
    page.Grid->SetGridLines(true, false);
    page.Grid->SetScrollBars(ui::ScrollBars::Vertical);
    page.Grid->SetVirtualRows(200,
                              [this, p](int col, int row) { return StringGridCell(p, col, row); });
    for (int c = 0; c < 5; ++c) page.Grid->SetColWidth(c, layout.ColWidths[c]);
    page.Grid->OnDrawCell = [this, p](int col, int row, ui::CellState state) {
      return StringGridDrawCell(p, col, row, state);
    };
    page.Grid->OnSelectCell = [this, p](int col, int row) {
      return StringGridSelectCell(p, col, row);
    };
    if (p == kWin32Page || p == kWin16Page) {
      page.Tree = page.Sheet->AddTreeView(prefix + "TreeView", {121, 8, 377, 329});
      page.Tree->SetControlId(kTreeControlIds[p == kWin32Page ? 0 : 1]);
      page.Tree->SetVisible(false);
    }
  }
  Module32StringGrid = Pages[kWin32Page].Grid;
  OCXStringGrid = Pages[kOCXPage].Grid;
  DeviceDriverStringGrid = Pages[kDriverPage].Grid;
  Module16StringGrid = Pages[kWin16Page].Grid;
  Module32TreeView = Pages[kWin32Page].Tree;
  Module16TreeView = Pages[kWin16Page].Tree;
  ApplyDisplayFont();
  MainFormPageControl->OnChange = Guarded(&TMainForm::MainFormPageControlChange);

  MainFormStatusBar = Form->AddStatusBar("MainFormStatusBar");
  MainFormStatusBar->SetControlId(kStatusBarControlId);
  MainFormStatusBar->SetSizeGrip(false);  // the window has a fixed size
  MainFormStatusBar->AddPanel(350);
  for (int i = 0; i < 5; ++i) {
    int index = MainFormStatusBar->AddPanel(kColorKey[i].Width);
    MainFormStatusBar->SetPanelText(index, kColorKey[i].Text);
    MainFormStatusBar->SetPanelOwnerDraw(index, true);
  }
  MainFormStatusBar->OnDrawPanel = [this](int index) { return MainFormStatusBarDrawPanel(index); };
}

void TMainForm::BuildMenus() {
  MainFormMainMenu = Form->CreateMainMenu();
  ui::MenuItem* file = MainFormMainMenu->Add("FileMenu", "&File");
  FilePrintMenuItem = file->Add("FilePrintMenuItem", "&Print...", kCmdFilePrint);
  FilePrintSelectedMenuItem = file->Add("FilePrintSelectedMenuItem", "Print &Selected...");
  FilePrintModule32MenuItem = FilePrintSelectedMenuItem->Add("FilePrintModule32MenuItem",
                                                             "Module32", kCmdFilePrintModule32);
  FilePrintOCXMenuItem =
      FilePrintSelectedMenuItem->Add("FilePrintOCXMenuItem", "OCX", kCmdFilePrintOCX);
  FilePrintDeviceDriverMenuItem = FilePrintSelectedMenuItem->Add(
      "FilePrintDeviceDriverMenuItem", "Device Driver", kCmdFilePrintDeviceDriver);
  FilePrintModule16MenuItem = FilePrintSelectedMenuItem->Add("FilePrintModule16MenuItem",
                                                             "Module16", kCmdFilePrintModule16);
  FilePrintMenuItem->OnClick = Guarded(&TMainForm::FilePrintMenuItemClick);
  FilePrintModule32MenuItem->OnClick = Guarded(&TMainForm::FilePrintModule32MenuItemClick);
  FilePrintOCXMenuItem->OnClick = Guarded(&TMainForm::FilePrintOCXMenuItemClick);
  FilePrintDeviceDriverMenuItem->OnClick = Guarded(&TMainForm::FilePrintDeviceDriverMenuItemClick);
  FilePrintModule16MenuItem->OnClick = Guarded(&TMainForm::FilePrintModule16MenuItemClick);
  file->AddSeparator();
  ui::MenuItem* font = file->Add("FileFontMenuItem", "Select &Font...");
  FileFontDisplayMenuItem = font->Add("FileFontDisplayMenuItem", "Display", kCmdFileFontDisplay);
  FileFontPrinterMenuItem = font->Add("FileFontPrinterMenuItem", "Printer", kCmdFileFontPrinter);
  file->AddSeparator();
  FileExitMenuItem = file->Add("FileExitMenuItem", "E&xit", kCmdFileExit);
  FileExitMenuItem->SetShortcut("Ctrl+F4");
  FileFontDisplayMenuItem->OnClick = Guarded(&TMainForm::FileFontDisplayMenuItemClick);
  FileFontPrinterMenuItem->OnClick = Guarded(&TMainForm::FileFontPrinterMenuItemClick);
  FileExitMenuItem->OnClick = Guarded(&TMainForm::FileExitMenuItemClick);

  ui::MenuItem* edit = MainFormMainMenu->Add("EditMenu", "&Edit");
  EditCopyAllMenuItem = edit->Add("EditCopyAllMenuItem", "&Copy All", kCmdEditCopyAll);
  ui::MenuItem* copy = edit->Add("EditCopySelectedMenuItem", "Copy &Selected");
  EditCopyModule32MenuItem =
      copy->Add("EditCopyModule32MenuItem", "Module32", kCmdEditCopyModule32);
  EditCopyOCXMenuItem = copy->Add("EditCopyOCXMenuItem", "OCX", kCmdEditCopyOCX);
  EditCopyDeviceDriverMenuItem =
      copy->Add("EditCopyDeviceDriverMenuItem", "Device Driver", kCmdEditCopyDeviceDriver);
  EditCopyModule16MenuItem =
      copy->Add("EditCopyModule16MenuItem", "Module16", kCmdEditCopyModule16);
  edit->AddSeparator();
  EditClearClipboardMenuItem =
      edit->Add("EditClearClipboardMenuItem", "Clea&r Clipboard", kCmdEditClearClipboard);
  EditCopyAllMenuItem->OnClick = Guarded(&TMainForm::EditCopyAllMenuItemClick);
  EditCopyModule32MenuItem->OnClick = Guarded(&TMainForm::EditCopyModule32MenuItemClick);
  EditCopyOCXMenuItem->OnClick = Guarded(&TMainForm::EditCopyOCXMenuItemClick);
  EditCopyDeviceDriverMenuItem->OnClick = Guarded(&TMainForm::EditCopyDeviceDriverMenuItemClick);
  EditCopyModule16MenuItem->OnClick = Guarded(&TMainForm::EditCopyModule16MenuItemClick);
  EditClearClipboardMenuItem->OnClick = Guarded(&TMainForm::EditClearClipboardMenuItemClick);

  ui::MenuItem* view = MainFormMainMenu->Add("ViewMenu", "&View");
  ViewModule32MenuItem = view->Add("ViewModule32MenuItem", "Module&32", kCmdViewModule32);
  ViewRegisteredOCXMenuItem =
      view->Add("ViewRegisteredOCXMenuItem", "&Registered OCXs", kCmdViewRegisteredOCX);
  ViewDeviceDriversMenuItem =
      view->Add("ViewDeviceDriversMenuItem", "&Device Drivers", kCmdViewDeviceDrivers);
  ViewModule16MenuItem = view->Add("ViewModule16MenuItem", "Module&16", kCmdViewModule16);
  view->AddSeparator();
  ViewRefreshMenuItem = view->Add("ViewRefreshMenuItem", "&Refresh", kCmdViewRefresh);
  ViewRefreshMenuItem->SetShortcut("F5");
  view->AddSeparator();
  ViewTreeViewMenuItem = view->Add("ViewTreeViewMenuItem", "&TreeView", kCmdViewTreeView);
  ViewDuplicatesMenuItem = view->Add("ViewDuplicatesMenuItem", "Du&plicates", kCmdViewDuplicates);
  ViewNotFoundMenuItem = view->Add("ViewNotFoundMenuItem", "Not &Found", kCmdViewNotFound);
  ViewModule32MenuItem->OnClick = Guarded(&TMainForm::ViewModule32MenuItemClick);
  ViewRegisteredOCXMenuItem->OnClick = Guarded(&TMainForm::ViewRegisteredOCXMenuItemClick);
  ViewDeviceDriversMenuItem->OnClick = Guarded(&TMainForm::ViewDeviceDriversMenuItemClick);
  ViewModule16MenuItem->OnClick = Guarded(&TMainForm::ViewModule16MenuItemClick);
  ViewRefreshMenuItem->OnClick = Guarded(&TMainForm::ViewRefreshMenuItemClick);
  ViewTreeViewMenuItem->OnClick = Guarded(&TMainForm::ViewTreeViewMenuItemClick);
  ViewDuplicatesMenuItem->OnClick = Guarded(&TMainForm::ViewDuplicatesMenuItemClick);
  ViewNotFoundMenuItem->OnClick = Guarded(&TMainForm::ViewNotFoundMenuItemClick);

  ui::MenuItem* modules = MainFormMainMenu->Add("ModulesMenu", "&Modules");
  ModulesDetailsMenuItem =
      modules->Add("ModulesDetailsMenuItem", "&Details...", kCmdModulesDetails);
  ModulesSearchMenuItem = modules->Add("ModulesSearchMenuItem", "&Search...", kCmdModulesSearch);
  ui::MenuItem* help = MainFormMainMenu->Add("HelpMenu", "&Help");
  HelpAboutMenuItem = help->Add("HelpAboutMenuItem", "&About...", kCmdHelpAbout);
  HelpAboutMenuItem->OnClick = Guarded(&TMainForm::HelpAboutMenuItemClick);

  MainFormPopupMenu = Form->CreatePopupMenu("MainFormPopupMenu");
  ui::MenuItem* popup = MainFormPopupMenu->Items();
  PopupDetailsMenuItem = popup->Add("PopupDetailsMenuItem", "Details", kCmdPopupDetails);
  PopupSearchMenuItem = popup->Add("PopupSearchMenuItem", "Search", kCmdPopupSearch);
  popup->AddSeparator();
  PopupRefreshMenuItem = popup->Add("PopupRefreshMenuItem", "Refresh", kCmdPopupRefresh);
  popup->AddSeparator();
  PopupTreeViewMenuItem = popup->Add("PopupTreeViewMenuItem", "TreeView", kCmdPopupTreeView);
  PopupDuplicatesMenuItem =
      popup->Add("PopupDuplicatesMenuItem", "Duplicates", kCmdPopupDuplicates);
  PopupNotFoundMenuItem = popup->Add("PopupNotFoundMenuItem", "Not Found", kCmdPopupNotFound);
  // The popup items run their View menu twins.
  PopupRefreshMenuItem->OnClick = ViewRefreshMenuItem->OnClick;
  PopupTreeViewMenuItem->OnClick = ViewTreeViewMenuItem->OnClick;
  PopupDuplicatesMenuItem->OnClick = ViewDuplicatesMenuItem->OnClick;
  PopupNotFoundMenuItem->OnClick = ViewNotFoundMenuItem->OnClick;
  MainFormPopupMenu->OnPopup = Guarded(&TMainForm::MainFormPopupMenuPopup);

  ModulesDetailsMenuItem->OnClick = Guarded(&TMainForm::ModulesDetailsMenuItemClick);
  ModulesSearchMenuItem->OnClick = Guarded(&TMainForm::ModulesSearchMenuItemClick);
  PopupDetailsMenuItem->OnClick = ModulesDetailsMenuItem->OnClick;
  PopupSearchMenuItem->OnClick = ModulesSearchMenuItem->OnClick;
}

void TMainForm::ApplyDisplayFont() {
  ui::Font font{DisplayFont.Name, DisplayFont.Size, false, false, ui::kBlack};
  for (InventoryPage& page : Pages) {
    page.Grid->SetFont(font);
    if (page.Tree) page.Tree->SetFont(font);
  }
}

void TMainForm::FormShow() {
  LoadSettings();
  ApplyDisplayFont();
  RecomputeMenusAndStatus();
  FillPage(ActivePage(), true);
}

void TMainForm::FormClose() {
  StoreSettings();
  if (Win16) DeleteHelperFiles(*Win16);
}

void TMainForm::ShowPage(int page) {
  MainFormPageControl->SetActivePageIndex(page);
  MainFormPageControlChange();
}

void TMainForm::MainFormPageControlChange() {
  RecomputeMenusAndStatus();
  int page = ActivePage();
  FillPage(page, !Collected[page]);
}

void TMainForm::SetToggle(ui::MenuItem* viewItem, ui::MenuItem* popupItem, bool on) {
  viewItem->SetChecked(on);
  popupItem->SetChecked(on);
}

void TMainForm::ViewRefreshMenuItemClick() {
  FillPage(ActivePage(), true);
}

void TMainForm::ViewTreeViewMenuItemClick() {
  SetToggle(ViewTreeViewMenuItem, PopupTreeViewMenuItem, !PopupTreeViewMenuItem->Checked());
  RecomputeMenusAndStatus();
}

void TMainForm::ViewDuplicatesMenuItemClick() {
  SetToggle(ViewDuplicatesMenuItem, PopupDuplicatesMenuItem, !PopupDuplicatesMenuItem->Checked());
  ViewRefreshMenuItemClick();
}

void TMainForm::ViewNotFoundMenuItemClick() {
  SetToggle(ViewNotFoundMenuItem, PopupNotFoundMenuItem, !PopupNotFoundMenuItem->Checked());
  FillPage(kOCXPage, !Collected[kOCXPage]);
}

void TMainForm::SortButtonClick(int page, SortKey key) {
  int& stored = SortDirection[page][static_cast<int>(key)];
  CurrentSortDirection = stored;
  SortItems(ListOf(page), key, CurrentSortDirection);
  stored = -stored;
  FillPage(page, !Collected[page]);
}

void TMainForm::RecomputeMenusAndStatus() {
  int page = ActivePage();
  bool treePage = page == kWin32Page || page == kWin16Page;
  bool tree = TreeMode();
  ViewTreeViewMenuItem->SetVisible(treePage);
  PopupTreeViewMenuItem->SetVisible(treePage);
  bool notFound = page == kOCXPage;
  ViewNotFoundMenuItem->SetVisible(notFound);
  PopupNotFoundMenuItem->SetVisible(notFound);
  // Duplicates are offered in grid mode only, whatever the page.
  ViewDuplicatesMenuItem->SetVisible(!tree);
  PopupDuplicatesMenuItem->SetVisible(!tree);
  for (int p : {kWin32Page, kWin16Page}) {
    for (ui::Button* button : Pages[p].Buttons()) button->SetVisible(!tree);
    Pages[p].Grid->SetVisible(!tree);
    Pages[p].Tree->SetVisible(tree);
  }
  std::string status;
  if (tree && page == kWin32Page) {
    status = ProcessesStatus(Win32ProcessCount, Module32TreeView->NodeCount() - Win32ProcessCount);
  } else if (tree && page == kWin16Page) {
    status = ProcessesStatus(Win16ProcessCount, Module16TreeView->NodeCount() - Win16ProcessCount);
  } else {
    status = ItemsDisplayedStatus(Pages[page].Grid->RowCount(), DuplicateCount[page]);
  }
  MainFormStatusBar->SetPanelText(0, status);
}

std::vector<TDisplayRow>& TMainForm::RowsOf(int page) {
  switch (page) {
    case kWin32Page:
      return Module32Rows;
    case kOCXPage:
      return OCXRows;
    case kDriverPage:
      return DeviceDriverRows;
    default:
      return Module16Rows;
  }
}

ItemList& TMainForm::ListOf(int page) {
  switch (page) {
    case kWin32Page:
      return Module32List;
    case kOCXPage:
      return OCXList;
    case kDriverPage:
      return DeviceDriverList;
    default:
      return Module16List;
  }
}

void TMainForm::ShowTree(ui::TreeView* view, const ProcessTree& tree) {
  view->Clear();
  ui::TreeNode first = ui::kNoNode;
  for (const ProcessNode& process : tree) {
    ui::TreeNode node = view->AddNode(ui::kNoNode, process.Text);
    if (first == ui::kNoNode) first = node;
    for (const std::string& module : process.Modules) view->AddNode(node, module);
  }
  if (first != ui::kNoNode) view->SetSelected(first);
}

void TMainForm::FillPage(int page, bool collect) {
  if (Refusing()) return;
  InventoryServices& inv = Services.Inventory;
  FillOptions options{DuplicatesOn(), NotFoundOn(), TreeMode()};
  PageFill fill;
  // The details dialog may point at the rows about to be replaced.
  if (DetailsDlg) DetailsDlg->RowsReplaced(page);
  RowsOf(page).clear();
  switch (page) {
    case kWin32Page:
      if (collect) {
        Module32Tree.clear();
        Module32List.Clear();
        Usage.Clear();
        CollectionHeap heap;
        if (heap) {
          Win32ProcessCount =
              CollectModule32(inv, heap, Module32List, Usage, Module32Tree).ProcessCount;
        }
        ShowTree(Module32TreeView, Module32Tree);
      }
      fill = FillModule32Rows(inv.Catalog, SearchPathList, Module32List, Usage, options,
                              Win32ProcessCount, Module32TreeView->NodeCount());
      break;
    case kOCXPage: {
      std::unique_ptr<CollectionHeap> heap;
      if (collect) {
        OCXList.Clear();
        heap = std::make_unique<CollectionHeap>();
        if (*heap) CollectOCX(inv, *heap, SearchPathList, OCXList);
      }
      fill = FillOCXRows(inv, SearchPathList, OCXList, Usage, options, collect && heap && *heap,
                         heap.get());
      break;
    }
    case kDriverPage:
      if (collect) {
        DeviceDriverList.Clear();
        CollectionHeap heap;
        if (heap) CollectDeviceDrivers(inv, heap, DeviceDriverList);
      }
      fill = FillDeviceDriverRows(inv.Catalog, SearchPathList, DeviceDriverList, options);
      break;
    default:
      if (collect) {
        Module16Tree.clear();
        Module16List.Clear();
        Win16ProcessCount = 0;
        // Without a WOW host nothing is collected: the page says so.
        Module16Collection collected;
        if (Win16) collected = CollectModule16(inv, *Win16, Module16List, Module16Tree);
        Win16ProcessCount = collected.ProcessCount;
        ShowTree(Module16TreeView, Module16Tree);
        if (!collected.Answered) App.ShowError(kHelperNoAnswer);
        for (const std::string& error : collected.Errors) App.ShowError(error);
      }
      fill = FillModule16Rows(inv.Catalog, SearchPathList, Module16List, options, Win16ProcessCount,
                              Module16TreeView->NodeCount());
      break;
  }
  ui::StringGrid* grid = Pages[page].Grid;
  PageCells[page] = std::move(fill.Cells);
  int rows = static_cast<int>(PageCells[page].size());
  // An empty page shows one empty row, not what the last fill left there.
  grid->SetRowCount(rows > 0 ? rows : 1);
  grid->Invalidate();
  RowsOf(page) = std::move(fill.Rows);
  DuplicateCount[page] = fill.Duplicates;
  Collected[page] = true;
  if (page == ActivePage()) MainFormStatusBar->SetPanelText(0, fill.StatusText);
}

std::string TMainForm::StringGridCell(int page, int col, int row) const {
  const std::vector<GridRow>& cells = PageCells[page];
  if (row < 0 || static_cast<size_t>(row) >= cells.size() || col < 0 || col >= 5) return {};
  return cells[static_cast<size_t>(row)][static_cast<size_t>(col)];
}

ui::CellStyle TMainForm::StringGridDrawCell(int page, int col, int row, ui::CellState state) const {
  const std::vector<TDisplayRow>& rows = RowsOf(page);
  ui::CellStyle style;
  style.BackColor = state.Selected ? kButtonFace : ui::kWhite;
  style.TextColor = row >= 0 && static_cast<size_t>(row) < rows.size()
                        ? rows[static_cast<size_t>(row)].Color
                        : kRed;
  return style;
}

bool TMainForm::StringGridSelectCell(int page, int col, int row) {
  SelectedRow[page] = row;
  return true;
}

ui::CellStyle TMainForm::MainFormStatusBarDrawPanel(int index) const {
  ui::CellStyle style;
  if (index >= 1 && index <= 5) {
    style.TextColor = kColorKey[index - 1].Color;
    style.BackColor = ui::kWhite;
  }
  return style;
}

std::string TMainForm::SelectedTreePath(int page) const {
  ui::TreeView* tree = Pages[page].Tree;
  if (!tree) return {};
  ui::TreeNode node = tree->Selected();
  if (node == ui::kNoNode) return {};
  if (tree->Parent(node) == ui::kNoNode) {
    std::vector<ui::TreeNode> children = tree->Children(node);
    if (children.empty()) return {};
    node = children.front();
  }
  return tree->NodeText(node);
}

void TMainForm::MainFormPopupMenuPopup() {
  int page = ActivePage();
  bool treePage = page == kWin32Page || page == kWin16Page;
  if (page == kWin16Page && Module16TreeView->NodeCount() == 0) return;
  std::string name;
  if (TreeMode() && treePage) {
    name = FileNamePart(SelectedTreePath(page));
  } else {
    int row = SelectedRow[page];
    if (row >= 0 && row < Pages[page].Grid->RowCount()) name = Pages[page].Grid->Cell(1, row);
  }
  PopupDetailsMenuItem->SetCaption("Details for " + name);
  PopupSearchMenuItem->SetCaption("Search for " + name);
}

std::string TMainForm::GridText(int page) const {
  ui::StringGrid* grid = Pages[page].Grid;
  std::vector<GridRow> rows;
  for (int r = 0; r < grid->RowCount(); ++r) {
    GridRow row;
    for (int c = 0; c < 5; ++c) row[static_cast<size_t>(c)] = grid->Cell(c, r);
    rows.push_back(std::move(row));
  }
  return GridCopyText(rows);
}

std::string TMainForm::TreeText(int page) const {
  // The tree views show these trees node for node (ShowTree).
  if (page == kWin32Page) return TreeCopyText(Module32Tree);
  if (page == kWin16Page) return TreeCopyText(Module16Tree);
  return {};
}

std::string TMainForm::CopyAllText() {
  std::string text;
  for (int page = 0; page < kPageCount; ++page) {
    CollectIfNever(page);
    text += GridText(page);
  }
  return text;
}

void TMainForm::EditCopyAllMenuItemClick() {
  Services.Clipboard.SetText(CopyAllText());
}

void TMainForm::CopyPage(int page, bool treeWhenTreeMode) {
  CollectIfNever(page);
  if (treeWhenTreeMode && TreeMode()) {
    // An empty tree leaves the clipboard as it was.
    if (Pages[page].Tree->NodeCount() > 0) Services.Clipboard.SetText(TreeText(page));
    return;
  }
  Services.Clipboard.SetText(GridText(page));
}

void TMainForm::EditCopyModule32MenuItemClick() {
  CopyPage(kWin32Page, true);
}
void TMainForm::EditCopyOCXMenuItemClick() {
  CopyPage(kOCXPage, false);
}
void TMainForm::EditCopyDeviceDriverMenuItemClick() {
  CopyPage(kDriverPage, false);
}
void TMainForm::EditCopyModule16MenuItemClick() {
  CopyPage(kWin16Page, true);
}
void TMainForm::EditClearClipboardMenuItemClick() {
  Services.Clipboard.Clear();
}

void TMainForm::FileFontDisplayMenuItemClick() {
  ui::Font font{DisplayFont.Name, DisplayFont.Size, false, false, ui::kBlack};
  if (!App.ChooseFont(font)) return;
  DisplayFont = {font.Name, font.Size};
  ApplyDisplayFont();
  ViewRefreshMenuItemClick();
}

void TMainForm::FileFontPrinterMenuItemClick() {
  ui::Font font{PrinterFont.Name, PrinterFont.Size, false, false, ui::kBlack};
  if (!App.ChooseFont(font)) return;
  PrinterFont = {font.Name, font.Size};
}

void TMainForm::FileExitMenuItemClick() {
  Form->Close();
}

void TMainForm::HelpAboutMenuItemClick() {
  if (AboutBox) AboutBox->Form->ShowModal();
}

}  // namespace dlvnt

namespace dlvnt {

int TMainForm::CommandRow(int page) const {
  int row = SelectedRow[page] >= 0 ? SelectedRow[page] : Pages[page].Grid->Row();
  return row >= 0 && static_cast<size_t>(row) < RowsOf(page).size() ? row : -1;
}

void TMainForm::ModulesDetailsMenuItemClick() {
  if (!DetailsDlg) return;
  int page = ActivePage();
  bool treePage = page == kWin32Page || page == kWin16Page;
  if (page == kWin16Page && Module16TreeView->NodeCount() == 0) return;
  const TDisplayRow* row = nullptr;
  if (treePage && TreeMode()) {
    std::string path = SelectedTreePath(page);
    if (path.empty()) return;  // no node, or a process without modules
    for (const TDisplayRow& candidate : RowsOf(page)) {
      if (candidate.Item && candidate.Item->ModulePath == path) {
        row = &candidate;
        break;
      }
    }
    DetailsDlg->ModulePath = path;
  } else {
    int index = CommandRow(page);
    if (index < 0) return;
    row = &RowsOf(page)[static_cast<size_t>(index)];
  }
  DetailsDlg->PageKind = static_cast<uint8_t>(page + 1);
  DetailsDlg->CurrentRow = row;
  DetailsDlg->Form->ShowModal();
}

void TMainForm::ModulesSearchMenuItemClick() {
  if (!SearchDlg) return;
  int page = ActivePage();
  bool treePage = page == kWin32Page || page == kWin16Page;
  if (page == kWin16Page && Module16TreeView->NodeCount() == 0) return;
  std::string text;
  if (treePage && TreeMode()) {
    text = SelectedTreePath(page);
  } else {
    int index = CommandRow(page);
    if (index >= 0) text = Pages[page].Grid->Cell(treePage ? 4 : 1, index);
  }
  SearchDlg->SearchText = text;
  // The results are drawn in the display font, as the pages are.
  SearchDlg->SearchStringGrid->SetFont(
      ui::Font{DisplayFont.Name, DisplayFont.Size, false, false, ui::kBlack});
  if (DetailsDlg) DetailsDlg->PageKind = static_cast<uint8_t>(page + 1);
  SearchDlg->Form->ShowModal();
}

}  // namespace dlvnt

// Printing.
namespace dlvnt {

void TMainForm::CollectIfNever(int page) {
  if (!Collected[page]) FillPage(page, true);
}

void TMainForm::FilePrintMenuItemClick() {
  PrintGrids({kWin32Page, kOCXPage, kDriverPage, kWin16Page});
}

void TMainForm::PrintSelected(int page) {
  CollectIfNever(page);
  PrintGrids({page});
}

void TMainForm::FilePrintModule32MenuItemClick() {
  PrintSelected(kWin32Page);
}
void TMainForm::FilePrintOCXMenuItemClick() {
  PrintSelected(kOCXPage);
}
void TMainForm::FilePrintDeviceDriverMenuItemClick() {
  PrintSelected(kDriverPage);
}
void TMainForm::FilePrintModule16MenuItemClick() {
  PrintSelected(kWin16Page);
}

void TMainForm::PrintGrids(const std::vector<int>& pages) {
  platform::Printer& printer = Services.Printer;
  if (!printer.ShowDialog() || printer.Printing()) return;
  std::string outputFile;
  if (printer.PrintsToFile()) {
    // The spooler would ask for the file itself, in a dialog of its own;
    // asked here, the name comes from the program's ordinary save dialog.
    std::optional<std::string> chosen = App.SaveFile(
        {"Print to File", "Printer Files (*.prn)|*.prn|All Files (*.*)|*.*", "", "prn"});
    if (!chosen) return;
    outputFile = *chosen;
  }
  // The ordinary pointer comes back however printing ends.
  struct BusyCursor {
    ui::Application& App;
    explicit BusyCursor(ui::Application& app) : App(app) { App.SetBusyCursor(true); }
    ~BusyCursor() { App.SetBusyCursor(false); }
  } busy(App);
  try {
    printer.SetLandscape(true);
    printer.BeginDoc(App.Title(), outputFile);
    printer.SetFont(PrinterFont.Name, PrinterFont.Size);
    platform::TextSize m = printer.TextExtent("M");
    if (m.Width <= 0 || m.Height <= 0)
      throw platform::PrinterError("The printer font has no size.");
    const int w = m.Width, h = m.Height;
    const int lines = printer.PageHeight() / h - 1;
    int pageNumber = 0;
    for (int page : pages) {
      CollectIfNever(page);
      ui::StringGrid* grid = Pages[page].Grid;
      int line = lines;  // the grid starts with a heading on a fresh page
      for (int r = 0; r < grid->RowCount(); ++r) {
        if (line >= lines) {
          if (++pageNumber > 1) printer.NewPage();
          char heading[160];
          snprintf(heading, sizeof heading, kPrintHeading, pageNumber);
          printer.TextOut(2 * w, h, heading, true);
          line = 2;
        }
        GridRow row;
        for (int c = 0; c < 5; ++c) row[static_cast<size_t>(c)] = grid->Cell(c, r);
        printer.TextOut(2 * w, line * h, PrintLine(row), false);
        ++line;
      }
    }
    printer.EndDoc();
  } catch (...) {
    // A failed document is ended, not left open on the printer; what went
    // wrong reaches the error report.
    printer.AbortDoc();
    throw;
  }
}

}  // namespace dlvnt
