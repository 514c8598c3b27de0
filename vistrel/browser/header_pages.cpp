// The header pages: file header, optional header and section table.
#include <map>

#include "common/hex_text.h"
#include "vistrel/browser/browser_pages.h"
#include "vistrel/browser/command_ids.h"
#include "vistrel/browser/page_formats.h"

namespace vistrel {

using common::HexText;

// ---- File header ----

FileHeaderPage::FileHeaderPage(ui::TabSheet* sheet, BrowserModel& model)
    : BrowserPage(sheet, model) {
  // Rows close enough that the characteristics list ends inside the page.
  const int lw = 150, y0 = 8, dy = 23;
  ImageTypeEdit = AddField("Image Type:", "ImageTypeEdit", 8, y0, lw, 110);
  MachineEdit = AddField("Machine:", "MachineEdit", 8, y0 + dy, lw, 170);
  NumberOfSectionsEdit1 =
      AddField("Number of Sections:", "NumberOfSectionsEdit1", 8, y0 + 2 * dy, lw, 70);
  PointerToSymbolTableEdit =
      AddField("Pointer To Symbol Table:", "PointerToSymbolTableEdit", 8, y0 + 3 * dy, lw, 90);
  NumberOfSymbolsEdit =
      AddField("Number Of Symbols:", "NumberOfSymbolsEdit", 8, y0 + 4 * dy, lw, 90);
  FileTimeDateStampEdit =
      AddField("Time/Date Stamp", "FileTimeDateStampEdit", 8, y0 + 5 * dy, lw, 90);
  // The date the stamp stands for, beside the raw value.
  TimeDateStampDateEdit =
      Sheet->AddEdit("TimeDateStampDateEdit", {8 + lw + 90 + 4, y0 + 5 * dy, 156, 20});
  TimeDateStampDateEdit->SetReadOnly(true);
  Fields.back().Controls.push_back(TimeDateStampDateEdit);
  SizeOfOptionalHeaderEdit =
      AddField("Size Of Optional Header:", "SizeOfOptionalHeaderEdit", 8, y0 + 6 * dy, lw, 90);
  FileCharacteristicsRawEdit =
      AddField("Characteristics:", "FileCharacteristicsRawEdit", 8, y0 + 7 * dy, lw, 90);
  FileCharacteristicsListBox =
      Sheet->AddListBox("FileCharacteristicsListBox", {8 + lw, y0 + 8 * dy, 250, 84});
  Fields.back().Controls.push_back(FileCharacteristicsListBox);
  ImageTypeEdit->SetControlId(ids::kImageTypeEdit);
  MachineEdit->SetControlId(ids::kMachineEdit);
  NumberOfSectionsEdit1->SetControlId(ids::kNumberOfSectionsEdit);
  FileCharacteristicsRawEdit->SetControlId(ids::kFileCharacteristicsRawEdit);
  TimeDateStampDateEdit->SetControlId(ids::kTimeDateStampDateEdit);
  FileCharacteristicsListBox->SetControlId(ids::kFileCharacteristicsListBox);
}

void FileHeaderPage::Fill() {
  auto h = model_.Client->FileHeader();
  if (!h) return;
  model_.Machine = h->Machine;
  MachineEdit->SetText(MachineName(h->Machine));
  NumberOfSectionsEdit1->SetText(std::to_string(h->NumberOfSections));
  FileTimeDateStampEdit->SetText(HexText(h->TimeDateStamp));
  TimeDateStampDateEdit->SetText(TimeStampText(h->TimeDateStamp));
  PointerToSymbolTableEdit->SetText(HexText(h->PointerToSymbolTable));
  NumberOfSymbolsEdit->SetText(Decimal32(h->NumberOfSymbols));
  SizeOfOptionalHeaderEdit->SetText(ModeText16(h->SizeOfOptionalHeader, model_.HexMode));
  FileCharacteristicsRawEdit->SetText(HexText(h->Characteristics, 2));
  FillList(FileCharacteristicsListBox, FileCharacteristicsLines(h->Characteristics),
           model_.ListLimit);
}

// ---- Optional header ----

void OptionalHeaderPage::Pair(const std::string& label, const std::string& first,
                              const std::string& second, int x, int y, int labelWidth, int width,
                              ui::Edit*& firstEdit, ui::Edit*& secondEdit) {
  Sheet->AddLabel(first + "Label", {x, y + 3, labelWidth, 13}, label);
  firstEdit = Sheet->AddEdit(first, {x + labelWidth, y, width, 20});
  secondEdit = Sheet->AddEdit(second, {x + labelWidth + width + 4, y, width, 20});
  firstEdit->SetReadOnly(true);
  secondEdit->SetReadOnly(true);
  Fields.push_back(PageField{label, {firstEdit, secondEdit}});
}

OptionalHeaderPage::OptionalHeaderPage(ui::TabSheet* sheet, BrowserModel& model)
    : BrowserPage(sheet, model) {
  // Two columns. The left edits take a 64-bit ImageBase (sixteen digits), the
  // right ones "0x00000000" with room to spare, and the right column ends
  // inside the page.
  const int ly = 21, top = 20, llw = 126, lew = 110, rx = 244, rlw = 34, rew = 64;
  const int slw = 96, sew = 70;  // the right column's single fields
  ui::TabSheet* p = Sheet;
  MagicEdit = AddField("Magic:", "MagicEdit", 4, top, llw, lew);
  const int linker = (lew - 4) / 2;
  p->AddLabel("LinkerMajorLabel", {4 + llw, 3, linker, 13}, "Major");
  p->AddLabel("LinkerMinorLabel", {4 + llw + linker + 4, 3, linker, 13}, "Minor");
  Pair("Linker:", "MajorLinkerVersionEdit", "MinorLinkerVersionEdit", 4, top + ly, llw, linker,
       MajorLinkerVersionEdit, MinorLinkerVersionEdit);
  SizeOfCodeEdit = AddField("Size Of Code:", "SizeOfCodeEdit", 4, top + 2 * ly, llw, lew);
  SizeOfInitializedDataEdit =
      AddField("Size Of Initialized Data:", "SizeOfInitializedDataEdit", 4, top + 3 * ly, llw, lew);
  SizeOfUninitializedDataEdit = AddField(
      "Size Of Uninitialized Data:", "SizeOfUninitializedDataEdit", 4, top + 4 * ly, llw, lew);
  ImageBaseEdit = AddField("Image Base:", "ImageBaseEdit", 4, top + 5 * ly, llw, lew);
  BaseOfCodeEdit = AddField("Base Of Code:", "BaseOfCodeEdit", 4, top + 6 * ly, llw, lew);
  BaseOfDataEdit = AddField("Base Of Data:", "BaseOfDataEdit", 4, top + 7 * ly, llw, lew);
  ImageSizeEdit = AddField("Image Size:", "ImageSizeEdit", 4, top + 8 * ly, llw, lew);
  HeaderSizeEdit = AddField("Header Size:", "HeaderSizeEdit", 4, top + 9 * ly, llw, lew);
  ModuleEntryPointEdit =
      AddField("Module Entry Point:", "ModuleEntryPointEdit", 4, top + 10 * ly, llw, lew);
  SubsystemEdit = AddField("Subsystem:", "SubsystemEdit", 4, top + 11 * ly, llw, 276);
  p->AddLabel("VersionMajorLabel", {rx + rlw, 3, rew, 13}, "Major");
  p->AddLabel("VersionMinorLabel", {rx + rlw + rew + 4, 3, rew, 13}, "Minor");
  Pair("OS:", "OSMajorVersionEdit", "OSMinorVersionEdit", rx, top, rlw, rew, OSMajorVersionEdit,
       OSMinorVersionEdit);
  Pair("User:", "UserMajorVersionEdit", "UserMinorVersionEdit", rx, top + ly, rlw, rew,
       UserMajorVersionEdit, UserMinorVersionEdit);
  Pair("SubSys:", "SubsystemMajorEdit", "SubsystemMinorEdit", rx, top + 2 * ly, rlw, rew,
       SubsystemMajorEdit, SubsystemMinorEdit);
  p->AddLabel("ReserveLabel", {rx + rlw, top + 3 * ly + 5, rew, 13}, "Reserve");
  p->AddLabel("CommitLabel", {rx + rlw + rew + 4, top + 3 * ly + 5, rew, 13}, "Commit");
  Pair("Stack:", "StackReserveEdit", "StackCommitEdit", rx, top + 4 * ly, rlw, rew,
       StackReserveEdit, StackCommitEdit);
  Pair("Heap:", "HeapReserveEdit", "HeapCommitEdit", rx, top + 5 * ly, rlw, rew, HeapReserveEdit,
       HeapCommitEdit);
  SectionAlignmentEdit =
      AddField("Section Alignment:", "SectionAlignmentEdit", rx, top + 6 * ly, slw, sew);
  FileAlignmentEdit = AddField("File Alignment:", "FileAlignmentEdit", rx, top + 7 * ly, slw, sew);
  ChecksumEdit = AddField("Checksum:", "ChecksumEdit", rx, top + 8 * ly, slw, sew);
  // Below the right column: the DLL characteristics, raw and by name.
  DllCharacteristicsEdit =
      AddField("DLL Characteristics:", "DllCharacteristicsEdit", rx, top + 9 * ly, slw, sew);
  DllCharacteristicsNamesEdit =
      p->AddEdit("DllCharacteristicsNamesEdit", {rx, top + 10 * ly, slw + sew, 20});
  DllCharacteristicsNamesEdit->SetReadOnly(true);
  Fields.back().Controls.push_back(DllCharacteristicsNamesEdit);
  MagicEdit->SetControlId(ids::kMagicEdit);
  ImageBaseEdit->SetControlId(ids::kImageBaseEdit);
  SizeOfCodeEdit->SetControlId(ids::kSizeOfCodeEdit);
  ModuleEntryPointEdit->SetControlId(ids::kModuleEntryPointEdit);
  SubsystemEdit->SetControlId(ids::kSubsystemEdit);
  DllCharacteristicsEdit->SetControlId(ids::kDllCharacteristicsEdit);
  DllCharacteristicsNamesEdit->SetControlId(ids::kDllCharacteristicsNamesEdit);
}

void OptionalHeaderPage::Fill() {
  const bool hex = model_.HexMode;
  if (auto o = model_.Client->OptionalHeader()) {
    model_.Is64Bit = o->Is64();
    MagicEdit->SetText(HexText(o->Magic, 2));
    MajorLinkerVersionEdit->SetText(std::to_string(o->MajorLinkerVersion));
    MinorLinkerVersionEdit->SetText(std::to_string(o->MinorLinkerVersion));
    SizeOfCodeEdit->SetText(ModeText(o->SizeOfCode, hex));
    SizeOfInitializedDataEdit->SetText(ModeText(o->SizeOfInitializedData, hex));
    SizeOfUninitializedDataEdit->SetText(ModeText(o->SizeOfUninitializedData, hex));
    model_.BaseOfCode = o->BaseOfCode;
    BaseOfCodeEdit->SetText(HexText(o->BaseOfCode));
    model_.ImageBase = o->ImageBase;
    if (o->Is64()) {
      ImageBaseEdit->SetText(common::HexTextWide(o->ImageBase));
      BaseOfDataEdit->SetText("");  // PE32+ has no BaseOfData
    } else {
      ImageBaseEdit->SetText(HexText(static_cast<uint32_t>(o->ImageBase)));
      BaseOfDataEdit->SetText(HexText(o->BaseOfData));
    }
    SectionAlignmentEdit->SetText(ModeText(o->SectionAlignment, hex));
    FileAlignmentEdit->SetText(ModeText(o->FileAlignment, hex));
    OSMajorVersionEdit->SetText(std::to_string(o->MajorOperatingSystemVersion));
    OSMinorVersionEdit->SetText(std::to_string(o->MinorOperatingSystemVersion));
    UserMajorVersionEdit->SetText(std::to_string(o->MajorImageVersion));
    UserMinorVersionEdit->SetText(std::to_string(o->MinorImageVersion));
    SubsystemMajorEdit->SetText(std::to_string(o->MajorSubsystemVersion));
    SubsystemMinorEdit->SetText(std::to_string(o->MinorSubsystemVersion));
    ImageSizeEdit->SetText(ModeText(o->SizeOfImage, hex));
    HeaderSizeEdit->SetText(ModeText(o->SizeOfHeaders, hex));
    ChecksumEdit->SetText(ModeText(o->CheckSum, hex));
    SubsystemEdit->SetText(SubsystemText(o->Subsystem));
    DllCharacteristicsEdit->SetText(HexText(o->DllCharacteristics, 2));
    DllCharacteristicsNamesEdit->SetText(DllCharacteristicsText(o->DllCharacteristics));
    StackReserveEdit->SetText(ModeText64(o->SizeOfStackReserve, hex));
    StackCommitEdit->SetText(ModeText64(o->SizeOfStackCommit, hex));
    HeapReserveEdit->SetText(ModeText64(o->SizeOfHeapReserve, hex));
    HeapCommitEdit->SetText(ModeText64(o->SizeOfHeapCommit, hex));
  }
  ModuleEntryPointEdit->SetText(HexText(model_.Client->EntryPoint()));
}

// ---- Section headers ----

SectionHeadersPage::SectionHeadersPage(ui::TabSheet* sheet, BrowserModel& model)
    : BrowserPage(sheet, model) {
  SectionHeadersListBox = Sheet->AddListBox("SectionHeadersListBox", {8, 8, 100, 272});
  SectionHeadersListBox->SetControlId(ids::kSectionHeadersListBox);
  Fields.push_back(PageField{"Sections:", {SectionHeadersListBox}});
  const int sx = 116, sw = 150, sy = 25;
  VirtualAddressEdit = AddField("Virtual Address:", "VirtualAddressEdit", sx, 8, sw, 100);
  SizeOfRawDataEdit = AddField("Size Of Raw Data:", "SizeOfRawDataEdit", sx, 8 + sy, sw, 100);
  PointerToRawDataEdit =
      AddField("Pointer To Raw Data:", "PointerToRawDataEdit", sx, 8 + 2 * sy, sw, 100);
  PointerToRelocationsEdit =
      AddField("Pointer To Relocations:", "PointerToRelocationsEdit", sx, 8 + 3 * sy, sw, 100);
  PointerToLinenumbersEdit =
      AddField("Pointer To Linenumbers:", "PointerToLinenumbersEdit", sx, 8 + 4 * sy, sw, 100);
  NumberOfRelocationsEdit =
      AddField("Number Of Relocations:", "NumberOfRelocationsEdit", sx, 8 + 5 * sy, sw, 100);
  NumberOfLinenumbersEdit =
      AddField("Number Of Linenumbers:", "NumberOfLinenumbersEdit", sx, 8 + 6 * sy, sw, 100);
  SectionCharacteristicsEdit =
      AddField("Characteristics:", "SectionCharacteristicsEdit", sx, 8 + 7 * sy, sw, 100);
  SectionCharacteristicsListBox =
      Sheet->AddListBox("SectionCharacteristicsListBox", {sx, 8 + 8 * sy, 292, 72});
  Fields.back().Controls.push_back(SectionCharacteristicsListBox);
  VirtualAddressEdit->SetControlId(ids::kVirtualAddressEdit);
  SizeOfRawDataEdit->SetControlId(ids::kSizeOfRawDataEdit);
  SectionCharacteristicsListBox->SetControlId(ids::kSectionCharacteristicsListBox);
}

void SectionHeadersPage::Fill() {
  std::vector<std::string> names = model_.Client->SectionNames(model_.Heap);
  if (names.empty()) return;
  FillList(SectionHeadersListBox, names, model_.ListLimit);
  SectionHeadersListBox->SetItemIndex(0);
  ShowSectionHeader(SectionHeadersListBox->Item(0));
}

void SectionHeadersPage::SectionHeadersListBoxClick() {
  int line = SectionHeadersListBox->ItemIndex();
  if (line >= 0) ShowSectionHeader(SectionHeadersListBox->Item(line));
}

void SectionHeadersPage::ShowSectionHeader(const std::string& name) {
  if (!model_.Client) return;
  auto s = model_.Client->SectionByName(name);
  if (!s) return;
  VirtualAddressEdit->SetText(HexText(s->VirtualAddress));
  SizeOfRawDataEdit->SetText(ModeText(s->SizeOfRawData, model_.HexMode));
  PointerToRawDataEdit->SetText(HexText(s->PointerToRawData));
  if (s->VirtualAddress == model_.BaseOfCode) {
    model_.CodeSectionName = name;
    model_.CodeDelta = static_cast<int32_t>(s->VirtualAddress - s->PointerToRawData);
  }
  PointerToRelocationsEdit->SetText(HexText(s->PointerToRelocations));
  PointerToLinenumbersEdit->SetText(HexText(s->PointerToLinenumbers));
  NumberOfRelocationsEdit->SetText(std::to_string(s->NumberOfRelocations));
  NumberOfLinenumbersEdit->SetText(std::to_string(s->NumberOfLinenumbers));
  SectionCharacteristicsEdit->SetText(HexText(s->Characteristics));
  FillList(SectionCharacteristicsListBox, SectionCharacteristicsLines(s->Characteristics),
           model_.ListLimit);
}

namespace {
// Lines of one name show the same header (the first section of that name),
// so each name is looked up once; past this many distinct names (hostile
// files with tens of thousands of sections) the lines are reported without
// a header.
constexpr size_t kMaxSectionLookups = 1024;
}  // namespace

void SectionHeadersPage::Report(ReportSink& sink) {
  sink.BeginPage(Sheet->Text(), true);
  sink.BeginRecords("Sections:", "Sections");
  ui::ListBox* list = SectionHeadersListBox;
  int saved = list->ItemIndex();
  // A click may find the code section: the report changes nothing the
  // window remembers.
  std::string codeName = model_.CodeSectionName;
  int32_t codeDelta = model_.CodeDelta;
  std::map<std::string, std::vector<std::vector<FieldValue>>> headers;
  for (int i = 0; i < list->Count() && !sink.Full(); ++i) {
    std::string name = list->Item(i);
    auto it = headers.find(name);
    if (it == headers.end() && headers.size() < kMaxSectionLookups) {
      list->SetItemIndex(i);
      SectionHeadersListBoxClick();
      std::vector<std::vector<FieldValue>> values;
      for (size_t f = 1; f < Fields.size(); ++f) values.push_back(ValuesOf(Fields[f]));
      it = headers.emplace(name, std::move(values)).first;
    }
    sink.BeginRecord("Name", name);
    if (it == headers.end()) {
      sink.RecordNone("Header");
    } else {
      sink.BeginRecordFields("Header");
      for (size_t f = 1; f < Fields.size(); ++f) sink.Field(Fields[f].Label, it->second[f - 1]);
      sink.EndRecordFields();
    }
    sink.EndRecord();
  }
  if (saved >= 0 && saved < list->Count()) {
    list->SetItemIndex(saved);
    SectionHeadersListBoxClick();
  }
  model_.CodeSectionName = codeName;
  model_.CodeDelta = codeDelta;
  sink.EndRecords();
  sink.EndPage();
}

}  // namespace vistrel
