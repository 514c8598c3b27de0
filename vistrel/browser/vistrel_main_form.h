// TVistrelMainForm: the browser's main window, its seven pages, menus and
// the one loading path.
#ifndef VISTREL_BROWSER_VISTREL_MAIN_FORM_H
#define VISTREL_BROWSER_VISTREL_MAIN_FORM_H

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "contracts/nubrik/client.h"
#include "contracts/nubrik/scoped_heap.h"
#include "platform/clipboard.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "ui/widgets.h"
#include "vistrel/browser/browser_pages.h"
#include "vistrel/browser/image_layout.h"
#include "vistrel/browser/menu_state.h"
#include "vistrel/browser/settings.h"

namespace vistrel {

class TDisassemblyDlg;
class TPreferencesDlg;
class TAboutBox;
class TViewSourceForm;
class TStructureDlg;
class TViewImageDlg;
class TViewMenuForm;
class TViewVersionDlg;

inline constexpr const char* kUnableToHandle = "Unable to handle this file type!";
inline constexpr const char* kProgramTitle = "Vistrel";
inline constexpr const char* kLoadFilter =
    "Executables (*.EXE;*.DLL;*.CPL;*.OCX)|*.EXE;*.DLL;*.CPL;*.OCX|Dynamic-Link Libraries "
    "(*.DLL)|*.DLL|Programs (*.EXE)|*.EXE|Control Panel Ext (*.CPL)|*.CPL|OCX Files "
    "(*.OCX)|*.OCX|All Files (*.*)|*.*";
// Asked when the user closes a window that automation still holds.
inline constexpr const char* kCloseWhileAutomated =
    "Another program is using this window through automation.\n\n"
    "Close it anyway?";

struct BrowserServices {
  platform::FileSystem& Files;
  platform::Registry& Registry;
  platform::Clipboard& Clipboard;
  platform::Environment& Environment;
};

class TVistrelMainForm {
 public:
  // The dialogs may be null (the command-line program has none).
  TVistrelMainForm(ui::Application& app, BrowserServices services,
                   TDisassemblyDlg* disassemblyDlg = nullptr,
                   TPreferencesDlg* preferencesDlg = nullptr, TAboutBox* aboutBox = nullptr);
  ~TVistrelMainForm();

  // The loading path and the page fills.
  void LoadFile();
  void DisplayImage();
  void ClearDisplay();
  // Automation methods. Load throws (with the system's text) when the file
  // cannot be opened.
  void AutomationLoad(const std::string& fileName);
  void AutomationShutDown();
  // The last automation reference went: a program OLE started ends, one the
  // user started becomes closable again.
  void AutomationLastRelease(bool startedByAutomation);

  // Handlers.
  void FormShow();
  void FormCloseQuery(bool& allow);
  void FormClose();
  void FormDropFiles(const std::vector<std::string>& paths);
  void FileLoadMenuItemClick();
  void FileCloseMenuItemClick();
  void FilePreferencesMenuItemClick();
  void FileExitMenuItemClick();
  void EditMenuClick();
  void EditCopyMenuItemClick();
  void EditClearMenuItemClick();
  void ViewMenuClick();
  void VistrelPopupMenuPopup();
  void ViewModeMenuItemClick();
  void ViewSortedMenuItemClick();
  void HelpAboutMenuItemClick();
  void VistrelPageControlChange();
  void SectionHeadersListBoxClick() { SectionHeaders->SectionHeadersListBoxClick(); }
  void ImportModuleListBoxClick() { ImportSection->ImportModuleListBoxClick(); }
  void ExportSectionListBoxClick() { ExportSection->ExportSectionListBoxClick(); }
  void ResourceTreeViewClick() { ResourceSection->ResourceTreeViewClick(); }
  void ResourceTreeViewDblClick();
  void DisassembleButtonClick();
  void ViewItemFileMenuItemClick();
  void ViewItemImageMenuItemClick();
  void ViewItemStructureMenuItemClick();

  // The item commands' set-up of their viewer for what the current page
  // shows; false when the command opens nothing there.
  bool PrepareFileOffset();
  bool PrepareStructure();
  // "Image...": the viewer that the selected resource's type opens, set up;
  // which one it is, or None when the command opens nothing.
  enum class ImageViewer { None, Hex, Image, Menu, Version };
  ImageViewer PrepareImage();
  // A resource's bytes in the file: from its file offset, at most its size
  // (fewer when the file ends first); nullopt when they start outside it.
  std::optional<std::span<const uint8_t>> ResourceBytes(const nubrik::ResourceRecord& r) const;

  // Every page as the window shows it, in page order.
  void Report(ReportSink& sink);
  // What the menus show now.
  MenuSnapshot Snapshot() const;
  // The export record behind a line of the export list box; nullptr when
  // there is none.
  const ExportEntry* ExportOfLine(int line) const { return ExportSection->ExportOfLine(line); }
  // The text that Copy puts on the clipboard for the current page.
  std::string CopyText() const;
  // Sets up the disassembly dialog for the export of a line; false when the
  // line has no record.
  bool PrepareDisassembly(int line);
  int ActivePage() const { return VistrelPageControl->ActivePageIndex(); }

  // State.
  std::string FileName;
  bool HexMode = true;
  bool SortedFlag = false;
  bool AutomationFlag = false;
  std::string CalculatorPath;
  // Why the last LoadFile could not open its file (the system's text).
  std::optional<std::string> OpenError;
  std::unique_ptr<platform::MappedFile> ImageView;
  std::unique_ptr<nubrik::Client> Client;
  std::unique_ptr<nubrik::ScopedHeap> Heap;
  BrowserModel Model;

  // Controls.
  ui::Application& App;
  std::unique_ptr<ui::Form> Form;
  ui::PageControl* VistrelPageControl;
  ui::TabSheet* Pages[kPageCount];
  std::unique_ptr<FileHeaderPage> FileHeader;
  std::unique_ptr<OptionalHeaderPage> OptionalHeader;
  std::unique_ptr<SectionHeadersPage> SectionHeaders;
  std::unique_ptr<ImportPage> ImportSection;
  std::unique_ptr<ExportPage> ExportSection;
  std::unique_ptr<ResourcePage> ResourceSection;
  std::unique_ptr<DebugPage> DebugSection;
  BrowserPage* PageObjects[kPageCount];

  ui::MainMenu* MainMenu;
  ui::MenuItem *FileMenu, *FileLoadMenuItem, *FileCloseMenuItem, *FilePreferencesMenuItem,
      *FileExitMenuItem;
  ui::MenuItem *EditMenu, *EditCopyMenuItem, *EditClearMenuItem;
  ui::MenuItem *ViewMenu, *ViewItemMenuItem, *ViewItemFileMenuItem, *ViewItemImageMenuItem,
      *ViewItemStructureMenuItem, *ViewModeMenuItem, *ViewSortedMenuItem;
  ui::MenuItem *HelpMenu, *HelpAboutMenuItem;
  ui::PopupMenu* VistrelPopupMenu;
  ui::MenuItem *PopupFileOffsetMenuItem, *PopupImageMenuItem, *PopupStructureMenuItem,
      *PopupSeparator, *PopupModeMenuItem, *PopupSortedMenuItem;

  TDisassemblyDlg* DisassemblyDlg;
  TPreferencesDlg* PreferencesDlg;
  TAboutBox* AboutBox;
  TViewSourceForm* ViewSourceForm = nullptr;
  TStructureDlg* StructureDlg = nullptr;
  TViewImageDlg* ViewImageDlg = nullptr;
  TViewMenuForm* ViewMenuForm = nullptr;
  TViewVersionDlg* ViewVersionDlg = nullptr;

 private:
  void CreatePages();
  void CreateMenus();
  void ReleaseFile();
  // LoadFile for a file the user chose: a file that cannot be opened is
  // reported.
  void LoadChosenFile(const std::string& path);
  void UpdateMenus();
  void ReadSettings();
  void SaveSettings();
  const ImageLayout* Layout();
  // What the item commands show of the file or optional header.
  struct HeaderItem {
    std::string CaptionText;
    uint8_t Kind = 0;
    std::optional<std::span<const uint8_t>> Block;
    int32_t Length = 0;
  };
  HeaderItem HeaderItemOf(bool fileHeader) const;
  // The hex view on a selected resource's bytes (File Offset, and Image for
  // RCDATA).
  bool PrepareResourceHex(bool fileOffsetCaption);
  std::optional<std::span<const uint8_t>> FileBytesFrom(uint64_t offset) const;

  BrowserServices services_;
  std::optional<ImageLayout> layout_;
  bool layoutTried_ = false;
  // Inside an automation call: what would block the caller waits until the
  // call has returned.
  bool inAutomationCall_ = false;
};

}  // namespace vistrel

#endif  // VISTREL_BROWSER_VISTREL_MAIN_FORM_H
