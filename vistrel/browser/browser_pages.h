// The seven pages of the browser's main window as page objects: each owns
// its controls, fills them from the opened file (through the nubrik client)
// and writes what it shows to a report sink. The window, vistrel-cli and its
// JSON are thus one walk of the same pages.
#ifndef VISTREL_BROWSER_BROWSER_PAGES_H
#define VISTREL_BROWSER_BROWSER_PAGES_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "contracts/nubrik/client.h"
#include "ui/widgets.h"
#include "vistrel/browser/report_sink.h"

namespace vistrel {

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

// The opened file as the pages see it, and what the fills remember for the
// item commands and the other pages.
struct BrowserModel {
  const nubrik::Client* Client = nullptr;  // null: no file shown
  NUBRIK_HEAP Heap = nullptr;
  bool HexMode = true;
  bool Sorted = false;
  // The most text one list may hold (TextLimit of the file's size).
  size_t ListLimit = 0;

  // From the optional header page.
  uint32_t BaseOfCode = 0;
  uint64_t ImageBase = 0;
  bool Is64Bit = false;
  // From the file header page.
  uint16_t Machine = 0;
  // From the section page: the section whose VirtualAddress is the base of
  // code, and its VirtualAddress - PointerToRawData.
  std::string CodeSectionName;
  int32_t CodeDelta = 0;

  void Forget();
};

// A labelled field of a page: the label's text and the controls beside it
// (an edit, a Major/Minor pair, an edit and a list, a list, a tree).
struct PageField {
  std::string Label;
  std::vector<ui::Control*> Controls;
};

// Replaces a list's lines, as far as `limit` bytes of text go; then one last
// line says that the rest is left out. Returns the number of lines of
// `lines` it holds.
size_t FillList(ui::ListBox* list, const std::vector<std::string>& lines, size_t limit);
// What a field's controls show, for a report.
std::vector<FieldValue> ValuesOf(const PageField& field);

class BrowserPage {
 public:
  BrowserPage(ui::TabSheet* sheet, BrowserModel& model) : Sheet(sheet), model_(model) {}
  virtual ~BrowserPage() = default;
  BrowserPage(const BrowserPage&) = delete;
  BrowserPage& operator=(const BrowserPage&) = delete;

  // Empties every control of the page.
  virtual void Clear();
  // Fills the page from the model's file.
  virtual void Fill() = 0;
  // Writes what the page shows; a page of lists selects each line as a user
  // would and puts the selection back.
  virtual void Report(ReportSink& sink);

  ui::TabSheet* Sheet;
  // The labelled fields, in page order.
  std::vector<PageField> Fields;

 protected:
  ui::Edit* AddField(const std::string& label, const std::string& editName, int x, int y,
                     int labelWidth, int editWidth);
  void ReportFields(ReportSink& sink, size_t from = 0) const;

  BrowserModel& model_;
};

class FileHeaderPage : public BrowserPage {
 public:
  FileHeaderPage(ui::TabSheet* sheet, BrowserModel& model);
  void Fill() override;

  ui::Edit *ImageTypeEdit, *MachineEdit, *NumberOfSectionsEdit1, *PointerToSymbolTableEdit,
      *NumberOfSymbolsEdit, *FileTimeDateStampEdit, *SizeOfOptionalHeaderEdit,
      *FileCharacteristicsRawEdit, *TimeDateStampDateEdit;
  ui::ListBox* FileCharacteristicsListBox;
};

class OptionalHeaderPage : public BrowserPage {
 public:
  OptionalHeaderPage(ui::TabSheet* sheet, BrowserModel& model);
  void Fill() override;

  ui::Edit *MagicEdit, *MajorLinkerVersionEdit, *MinorLinkerVersionEdit, *SizeOfCodeEdit,
      *SizeOfInitializedDataEdit, *SizeOfUninitializedDataEdit, *ImageBaseEdit, *BaseOfCodeEdit,
      *BaseOfDataEdit, *OSMajorVersionEdit, *OSMinorVersionEdit, *UserMajorVersionEdit,
      *UserMinorVersionEdit, *SubsystemMajorEdit, *SubsystemMinorEdit, *StackReserveEdit,
      *StackCommitEdit, *HeapReserveEdit, *HeapCommitEdit, *SectionAlignmentEdit,
      *FileAlignmentEdit, *ChecksumEdit, *SubsystemEdit, *ImageSizeEdit, *HeaderSizeEdit,
      *ModuleEntryPointEdit, *DllCharacteristicsEdit, *DllCharacteristicsNamesEdit;

 private:
  void Pair(const std::string& label, const std::string& first, const std::string& second, int x,
            int y, int labelWidth, int width, ui::Edit*& firstEdit, ui::Edit*& secondEdit);
};

class SectionHeadersPage : public BrowserPage {
 public:
  SectionHeadersPage(ui::TabSheet* sheet, BrowserModel& model);
  void Fill() override;
  void Report(ReportSink& sink) override;
  // Shows the header of the first section of that name.
  void ShowSectionHeader(const std::string& name);
  void SectionHeadersListBoxClick();

  ui::ListBox* SectionHeadersListBox;
  ui::Edit *VirtualAddressEdit, *SizeOfRawDataEdit, *PointerToRawDataEdit,
      *PointerToRelocationsEdit, *PointerToLinenumbersEdit, *NumberOfRelocationsEdit,
      *NumberOfLinenumbersEdit, *SectionCharacteristicsEdit;
  ui::ListBox* SectionCharacteristicsListBox;
};

class ImportPage : public BrowserPage {
 public:
  ImportPage(ui::TabSheet* sheet, BrowserModel& model);
  void Fill() override;
  void Report(ReportSink& sink) override;
  void ImportModuleListBoxClick();
  // The functions of the occurrence-th descriptor of a module line; an
  // empty answer leaves the list as it is.
  void ShowFunctions(const std::string& module, int occurrence);

  ui::ListBox *ImportModuleListBox, *ImportedFunctionsListBox;
};

// The main window's copy of one export record.
struct ExportEntry {
  std::optional<std::string> Name;
  int32_t Ordinal = 0;
  uint32_t EntryRva = 0;  // of the code, or of the forwarder text
  // "MODULE.Function" when the export is forwarded to another module: it has
  // no code here to show or disassemble.
  std::optional<std::string> Forwarder;
  std::string Line() const;
};

class ExportPage : public BrowserPage {
 public:
  ExportPage(ui::TabSheet* sheet, BrowserModel& model);
  void Clear() override;
  void Fill() override;
  void Report(ReportSink& sink) override;
  void ExportSectionListBoxClick();
  // The export record behind a line of the list box; nullptr when none.
  const ExportEntry* ExportOfLine(int line) const;
  // "Disassemble..." is offered: there are lines, and the selected one is
  // not a forwarder.
  bool CanDisassemble() const;

  std::vector<ExportEntry> ExportList;
  ui::Edit* NumberOfExportedFunctionsEdit;
  ui::ListBox* ExportSectionListBox;
  ui::Edit* EntryPointEdit;
  ui::Button* DisassembleButton;

 private:
  void ShowEntryPoint(int line);
};

class ResourcePage : public BrowserPage {
 public:
  ResourcePage(ui::TabSheet* sheet, BrowserModel& model);
  void Clear() override;
  void Fill() override;
  void Report(ReportSink& sink) override;
  void ResourceTreeViewClick();
  // The record of the selected resource node; nullptr for a group or none.
  const nubrik::ResourceRecord* SelectedResource() const;
  // Selects the node of record `index` (as a click would); false when the
  // tree does not show it.
  bool SelectResource(size_t index);
  // Where a record's data starts in the file: its RVA less the resource
  // section's delta; nullopt when that lies before the file.
  std::optional<uint64_t> FileOffset(const nubrik::ResourceRecord& r) const;
  // The tree's group text of a record.
  std::string GroupText(const nubrik::ResourceRecord& r) const;

  std::vector<nubrik::ResourceRecord> Resources;
  // The resource node of each record shown, by record index.
  std::vector<ui::TreeNode> ResourceNodes;
  ui::Edit* NumberOfResourcesEdit;
  ui::TreeView* ResourceTreeView;
  ui::Edit *ResourceOffsetToDataEdit, *ResourceSizeOfResourceEdit;

 private:
  // The reader of the shown file, for files without a ".rsrc" section.
  mutable std::unique_ptr<pe::Image> reader_;
};

class DebugPage : public BrowserPage {
 public:
  DebugPage(ui::TabSheet* sheet, BrowserModel& model);
  void Fill() override;

  ui::ListBox* DebugTypeListBox;
  ui::Edit *DebugMajorEdit, *DebugMinorEdit, *DebugSizeOfDataEdit, *DebugAddressOfDataEdit,
      *DebugPointerToDataEdit;
  // The CodeView record of the first CodeView entry, wherever it stands in
  // the directory: "RSDS" or "NB10", the program database's path, its GUID
  // (NB10: the signature) and age.
  ui::Edit *CodeViewEdit, *PdbFileEdit, *PdbGuidEdit, *PdbAgeEdit;
};

}  // namespace vistrel

#endif  // VISTREL_BROWSER_BROWSER_PAGES_H
