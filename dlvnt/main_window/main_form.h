// TMainForm: dlvnt's four-page inventory window, its menus, toggles, sort
// buttons, copies and settings.
#ifndef DLVNT_MAIN_WINDOW_MAIN_FORM_H
#define DLVNT_MAIN_WINDOW_MAIN_FORM_H

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dlvnt/inventory/inventory.h"
#include "dlvnt/inventory/listing.h"
#include "dlvnt/inventory/win16.h"
#include "dlvnt/main_window/helper_waiter.h"
#include "platform/clipboard.h"
#include "platform/printer.h"
#include "ui/widgets.h"

namespace dlvnt {

class TDelvaneNTAboutBox;
class TDetailsDlg;
class TSearchDlg;

enum PageIndex { kWin32Page = 0, kOCXPage = 1, kDriverPage = 2, kWin16Page = 3, kPageCount = 4 };

inline constexpr const char* kApplicationTitle = "Delvane NT";
// The 16-bit helper finds the window by this caption.
inline constexpr const char* kMainCaption = dlv16::kMainWindowCaption;
inline constexpr const char* kNotNTMessage = "Unable to start Delvane for Windows NT. Sorry!";
inline constexpr const char* kSettingsKey = "Software\\Tessaloom\\Delvane";

struct FontSetting {
  std::string Name = "Courier New";
  int Size = 8;
};

struct MainFormServices {
  InventoryServices Inventory;
  platform::Clipboard& Clipboard;
  platform::Printer& Printer;
  // The platform test of the NT family.
  std::function<bool()> IsWindowsNT;
  // Where 16-bit modules are asked for; none: the Win16 page stays empty.
  std::optional<Win16Machine> Win16 = std::nullopt;
};

// The controls of one page.
struct InventoryPage {
  ui::TabSheet* Sheet = nullptr;
  ui::Button* ModuleButton = nullptr;
  ui::Button* SizeButton = nullptr;
  ui::Button* DateTimeButton = nullptr;
  ui::Button* PathButton = nullptr;
  ui::StringGrid* Grid = nullptr;
  ui::TreeView* Tree = nullptr;  // Win32 and Win16 pages only
  std::array<ui::Button*, 4> Buttons() const {
    return {ModuleButton, SizeButton, DateTimeButton, PathButton};
  }
};

class TMainForm {
 public:
  TMainForm(ui::Application& app, MainFormServices services);
  ~TMainForm();

  ui::Application& App;
  MainFormServices Services;
  std::unique_ptr<ui::Form> Form;
  TDelvaneNTAboutBox* AboutBox = nullptr;
  TDetailsDlg* DetailsDlg = nullptr;
  TSearchDlg* SearchDlg = nullptr;
  // Set when the system is not of the NT family: the program must end.
  bool Refused = false;
  // The helper-done flag, and the Win16 services that wait on it.
  HelperWaiter Waiter;
  std::optional<Win16Services> Win16;

  // Controls.
  ui::PageControl* MainFormPageControl = nullptr;
  ui::StatusBar* MainFormStatusBar = nullptr;
  std::array<InventoryPage, kPageCount> Pages;
  ui::StringGrid* Module32StringGrid = nullptr;
  ui::StringGrid* OCXStringGrid = nullptr;
  ui::StringGrid* DeviceDriverStringGrid = nullptr;
  ui::StringGrid* Module16StringGrid = nullptr;
  ui::TreeView* Module32TreeView = nullptr;
  ui::TreeView* Module16TreeView = nullptr;

  // Menus.
  ui::MainMenu* MainFormMainMenu = nullptr;
  ui::MenuItem* FilePrintMenuItem = nullptr;
  ui::MenuItem* FilePrintSelectedMenuItem = nullptr;
  ui::MenuItem* FilePrintModule32MenuItem = nullptr;
  ui::MenuItem* FilePrintOCXMenuItem = nullptr;
  ui::MenuItem* FilePrintDeviceDriverMenuItem = nullptr;
  ui::MenuItem* FilePrintModule16MenuItem = nullptr;
  ui::MenuItem* FileFontDisplayMenuItem = nullptr;
  ui::MenuItem* FileFontPrinterMenuItem = nullptr;
  ui::MenuItem* FileExitMenuItem = nullptr;
  ui::MenuItem* EditCopyAllMenuItem = nullptr;
  ui::MenuItem* EditCopyModule32MenuItem = nullptr;
  ui::MenuItem* EditCopyOCXMenuItem = nullptr;
  ui::MenuItem* EditCopyDeviceDriverMenuItem = nullptr;
  ui::MenuItem* EditCopyModule16MenuItem = nullptr;
  ui::MenuItem* EditClearClipboardMenuItem = nullptr;
  ui::MenuItem* ViewModule32MenuItem = nullptr;
  ui::MenuItem* ViewRegisteredOCXMenuItem = nullptr;
  ui::MenuItem* ViewDeviceDriversMenuItem = nullptr;
  ui::MenuItem* ViewModule16MenuItem = nullptr;
  ui::MenuItem* ViewRefreshMenuItem = nullptr;
  ui::MenuItem* ViewTreeViewMenuItem = nullptr;
  ui::MenuItem* ViewDuplicatesMenuItem = nullptr;
  ui::MenuItem* ViewNotFoundMenuItem = nullptr;
  ui::MenuItem* ModulesDetailsMenuItem = nullptr;
  ui::MenuItem* ModulesSearchMenuItem = nullptr;
  ui::MenuItem* HelpAboutMenuItem = nullptr;
  ui::PopupMenu* MainFormPopupMenu = nullptr;
  ui::MenuItem* PopupDetailsMenuItem = nullptr;
  ui::MenuItem* PopupSearchMenuItem = nullptr;
  ui::MenuItem* PopupRefreshMenuItem = nullptr;
  ui::MenuItem* PopupTreeViewMenuItem = nullptr;
  ui::MenuItem* PopupDuplicatesMenuItem = nullptr;
  ui::MenuItem* PopupNotFoundMenuItem = nullptr;

  // Lists, owned for the window's life.
  ItemList Module32List, OCXList, DeviceDriverList, Module16List;
  UsageList Usage;
  std::vector<TDisplayRow> Module32Rows, OCXRows, DeviceDriverRows, Module16Rows;
  // The texts each page's grid shows, a row per line: the grids are virtual
  // and read them from here when they draw.
  std::array<std::vector<GridRow>, kPageCount> PageCells;
  std::vector<std::string> SearchPathList;
  ProcessTree Module32Tree, Module16Tree;

  // Window state.
  std::array<bool, kPageCount> Collected{};
  std::array<int, kPageCount> SelectedRow{-1, -1, -1, -1};
  std::array<std::array<int, 4>, kPageCount> SortDirection{};
  int CurrentSortDirection = 1;
  std::array<int, kPageCount> DuplicateCount{};
  int Win32ProcessCount = 0;
  int Win16ProcessCount = 0;
  FontSetting DisplayFont{"Courier New", 8};
  FontSetting PrinterFont{"Courier New", 12};

  // Handlers.
  void FormShow();
  void FormClose();
  void MainFormPageControlChange();
  void ViewModule32MenuItemClick() { ShowPage(kWin32Page); }
  void ViewRegisteredOCXMenuItemClick() { ShowPage(kOCXPage); }
  void ViewDeviceDriversMenuItemClick() { ShowPage(kDriverPage); }
  void ViewModule16MenuItemClick() { ShowPage(kWin16Page); }
  void ViewRefreshMenuItemClick();
  void ViewTreeViewMenuItemClick();
  void ViewDuplicatesMenuItemClick();
  void ViewNotFoundMenuItemClick();
  void SortButtonClick(int page, SortKey key);
  void EditCopyAllMenuItemClick();
  void EditCopyModule32MenuItemClick();
  void EditCopyOCXMenuItemClick();
  void EditCopyDeviceDriverMenuItemClick();
  void EditCopyModule16MenuItemClick();
  void EditClearClipboardMenuItemClick();
  void FileFontDisplayMenuItemClick();
  void FileFontPrinterMenuItemClick();
  void FileExitMenuItemClick();
  void FilePrintMenuItemClick();
  void FilePrintModule32MenuItemClick();
  void FilePrintOCXMenuItemClick();
  void FilePrintDeviceDriverMenuItemClick();
  void FilePrintModule16MenuItemClick();
  void HelpAboutMenuItemClick();
  void ModulesDetailsMenuItemClick();
  void ModulesSearchMenuItemClick();
  void MainFormPopupMenuPopup();
  std::string StringGridCell(int page, int col, int row) const;
  ui::CellStyle StringGridDrawCell(int page, int col, int row, ui::CellState state) const;
  bool StringGridSelectCell(int page, int col, int row);
  ui::CellStyle MainFormStatusBarDrawPanel(int index) const;

  // Toggles: the popup item's check mark is the state.
  bool TreeMode() const { return PopupTreeViewMenuItem->Checked(); }
  bool DuplicatesOn() const { return PopupDuplicatesMenuItem->Checked(); }
  bool NotFoundOn() const { return PopupNotFoundMenuItem->Checked(); }
  void SetToggle(ui::MenuItem* viewItem, ui::MenuItem* popupItem, bool on);

  // Fills a page, collecting first when asked (or when never collected).
  void FillPage(int page, bool collect);
  void RecomputeMenusAndStatus();
  std::string StatusText() const { return MainFormStatusBar->PanelText(0); }
  int ActivePage() const { return MainFormPageControl->ActivePageIndex(); }
  // Copy texts, as the Edit menu puts them on the clipboard.
  std::string GridText(int page) const;
  std::string TreeText(int page) const;
  std::string CopyAllText();
  std::vector<TDisplayRow>& RowsOf(int page);
  const std::vector<TDisplayRow>& RowsOf(int page) const {
    return const_cast<TMainForm*>(this)->RowsOf(page);
  }
  ItemList& ListOf(int page);

  void LoadSettings();
  void StoreSettings();

 private:
  void BuildPages();
  void BuildMenus();
  void ShowPage(int page);
  void ApplyDisplayFont();
  void ShowTree(ui::TreeView* view, const ProcessTree& tree);
  void CopyPage(int page, bool treeWhenTreeMode);
  // Fills a page with collection when it was never collected since start,
  // so that nothing is copied or printed empty by accident.
  void CollectIfNever(int page);
  // Prints the pages' grids into one document, each from a fresh page; a
  // page never collected is collected when its turn comes.
  void PrintGrids(const std::vector<int>& pages);
  void PrintSelected(int page);
  // The selected node's module path (a process node gives its first module).
  std::string SelectedTreePath(int page) const;
  // The grid row the page's commands act on: the one last picked, else the
  // grid's current row; -1 when that is no row of the page.
  int CommandRow(int page) const;
  std::function<void()> Guarded(void (TMainForm::*handler)());
  // While a helper run is pending the window's messages run, but nothing
  // may free or refill the lists that the run is filling.
  bool Refusing() const { return Waiter.Waiting(); }
};

}  // namespace dlvnt

#endif  // DLVNT_MAIN_WINDOW_MAIN_FORM_H
