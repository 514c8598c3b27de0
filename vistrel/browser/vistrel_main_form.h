// TVistrelMainForm: the browser's main window, its seven pages, menus and
// the one loading path.
#ifndef VISTREL_BROWSER_VISTREL_MAIN_FORM_H
#define VISTREL_BROWSER_VISTREL_MAIN_FORM_H

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "contracts/nubrik/scoped_heap.h"
#include "platform/clipboard.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "ui/widgets.h"
#include "vistrel/browser/image_layout.h"
#include "vistrel/browser/settings.h"

namespace vistrel {

class TDisassemblyDlg;
class TPreferencesDlg;
class TAboutBox;

enum PageIndex {
  kFileHeaderPage = 0,
  kOptionalHeaderPage = 1,
  kSectionHeadersPage = 2,
  kImportPage = 3,
  kExportPage = 4,
  kResourcePage = 5,
  kDebugPage = 6,
  kPageCount = 7
};

inline constexpr const char* kUnableToHandle = "Unable to handle this file type!";
inline constexpr const char* kProgramTitle = "Vistrel";
inline constexpr const char* kLoadFilter =
    "Executables (*.EXE;*.DLL;*.CPL;*.OCX)|*.EXE;*.DLL;*.CPL;*.OCX|Dynamic-Link Libraries "
    "(*.DLL)|*.DLL|Programs (*.EXE)|*.EXE|Control Panel Ext (*.CPL)|*.CPL|OCX Files "
    "(*.OCX)|*.OCX|All Files (*.*)|*.*";

struct BrowserServices {
  platform::FileSystem& Files;
  platform::Registry& Registry;
  platform::Clipboard& Clipboard;
  platform::Environment& Environment;
};

// A labelled field of a page, as the page shows it: the label's text and the
// controls beside it (an edit, a Major/Minor pair, a list).
struct PageField {
  std::string Label;
  std::vector<ui::Control*> Controls;
};

// The main window's copy of one export record.
struct ExportEntry {
  std::optional<std::string> Name;
  int32_t Ordinal = 0;
  uint32_t EntryRva = 0;
  std::string Line() const;
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
  // Automation methods.
  void AutomationLoad(const std::string& fileName);
  void AutomationShutDown();

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
  void SectionHeadersListBoxClick();
  void ImportModuleListBoxClick();
  void ExportSectionListBoxClick();
  void DisassembleButtonClick();

  // The export record behind a line of the export list box; nullptr when
  // there is none.
  const ExportEntry* ExportOfLine(int line) const;
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
  uint32_t BaseOfCode = 0;
  std::string CodeSectionName;
  int32_t CodeDelta = 0;
  std::string CalculatorPath;
  std::vector<ExportEntry> ExportList;
  std::unique_ptr<platform::MappedFile> ImageView;
  std::unique_ptr<nubrik::ScopedHeap> Heap;
  uint64_t ImageBase = 0;
  bool Is64Bit = false;
  uint16_t Machine = 0;
  // Labelled fields of each page, in page order, for reports.
  std::vector<PageField> PageFields[kPageCount];

  // Controls.
  ui::Application& App;
  std::unique_ptr<ui::Form> Form;
  ui::PageControl* VistrelPageControl;
  ui::TabSheet* Pages[kPageCount];
  ui::Edit *ImageTypeEdit, *MachineEdit, *NumberOfSectionsEdit1, *PointerToSymbolTableEdit,
      *NumberOfSymbolsEdit, *FileTimeDateStampEdit, *SizeOfOptionalHeaderEdit,
      *FileCharacteristicsRawEdit;
  ui::ListBox* FileCharacteristicsListBox;
  ui::Edit *MagicEdit, *MajorLinkerVersionEdit, *MinorLinkerVersionEdit, *SizeOfCodeEdit,
      *SizeOfInitializedDataEdit, *SizeOfUninitializedDataEdit, *ImageBaseEdit, *BaseOfCodeEdit,
      *BaseOfDataEdit, *OSMajorVersionEdit, *OSMinorVersionEdit, *UserMajorVersionEdit,
      *UserMinorVersionEdit, *SubsystemMajorEdit, *SubsystemMinorEdit, *StackReserveEdit,
      *StackCommitEdit, *HeapReserveEdit, *HeapCommitEdit, *SectionAlignmentEdit,
      *FileAlignmentEdit, *ChecksumEdit, *SubsystemEdit, *ImageSizeEdit, *HeaderSizeEdit,
      *ModuleEntryPointEdit;
  ui::ListBox* SectionHeadersListBox;
  ui::Edit *VirtualAddressEdit, *SizeOfRawDataEdit, *PointerToRawDataEdit,
      *PointerToRelocationsEdit, *PointerToLinenumbersEdit, *NumberOfRelocationsEdit,
      *NumberOfLinenumbersEdit, *SectionCharacteristicsEdit;
  ui::ListBox* SectionCharacteristicsListBox;
  ui::ListBox *ImportModuleListBox, *ImportedFunctionsListBox;
  ui::Edit* NumberOfExportedFunctionsEdit;
  ui::ListBox* ExportSectionListBox;
  ui::Edit* EntryPointEdit;
  ui::Button* DisassembleButton;
  ui::Edit* NumberOfResourcesEdit;
  ui::TreeView* ResourceTreeView;
  ui::Edit *ResourceOffsetToDataEdit, *ResourceSizeOfResourceEdit;
  ui::ListBox* DebugTypeListBox;
  ui::Edit *DebugMajorEdit, *DebugMinorEdit, *DebugSizeOfDataEdit, *DebugAddressOfDataEdit,
      *DebugPointerToDataEdit;

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

 private:
  void CreateControls();
  void CreateMenus();
  ui::Edit* AddField(int page, ui::Container* parent, const std::string& label,
                     const std::string& editName, int x, int y, int labelWidth, int editWidth);
  void ReleaseFile();
  void FillFileHeader();
  void FillOptionalHeader();
  void FillSections();
  void ShowSectionHeader(const std::string& name);
  void FillImports();
  void FillImportFunctions(const std::string& module, int occurrence);
  void FillExports();
  void ShowEntryPoint(int line);
  void FillDebug();
  void UpdateMenus();
  void ReadSettings();
  void SaveSettings();
  const void* Image() const;

  BrowserServices services_;
  const ImageLayout* Layout();
  std::optional<ImageLayout> layout_;
  bool layoutTried_ = false;
};

}  // namespace vistrel

#endif  // VISTREL_BROWSER_VISTREL_MAIN_FORM_H
