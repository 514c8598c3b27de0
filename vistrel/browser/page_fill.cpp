// The page fills of DisplayImage: headers, sections, imports, exports, debug.
#include <cstring>

#include "common/hex_text.h"
#include "contracts/nubrik/nubrik.h"
#include "vistrel/browser/page_formats.h"
#include "vistrel/browser/vistrel_main_form.h"

namespace vistrel {
namespace {

using common::HexText;

// Little-endian fields of a header copy the library filled.
template <size_t N>
struct Buffer {
  uint8_t Bytes[N] = {};
  uint32_t U8(size_t at) const { return Bytes[at]; }
  uint32_t U16(size_t at) const { return Bytes[at] | Bytes[at + 1] << 8; }
  uint32_t U32(size_t at) const { return U16(at) | U16(at + 2) << 16; }
  uint64_t U64(size_t at) const { return U32(at) | static_cast<uint64_t>(U32(at + 4)) << 32; }
};

// The strings of a name list: count consecutive NUL-terminated texts.
std::vector<std::string> Names(const char* first, int32_t count) {
  std::vector<std::string> names;
  if (!first || count <= 0) return names;
  names.reserve(count);
  for (int32_t i = 0; i < count; ++i) {
    size_t length = std::strlen(first);
    names.emplace_back(first, length);
    first += length + 1;
  }
  return names;
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

void Fill(ui::ListBox* list, const std::vector<std::string>& lines) {
  list->Clear();
  for (const auto& line : lines) list->AddItem(line);
}

}  // namespace

void TVistrelMainForm::FillFileHeader() {
  Buffer<20> h;
  if (!NubrikFileHeader(Image(), h.Bytes)) return;
  Machine = static_cast<uint16_t>(h.U16(0));
  MachineEdit->SetText(MachineName(Machine));
  NumberOfSectionsEdit1->SetText(std::to_string(h.U16(2)));
  FileTimeDateStampEdit->SetText(HexText(h.U32(4)));
  PointerToSymbolTableEdit->SetText(HexText(h.U32(8)));
  NumberOfSymbolsEdit->SetText(Decimal32(h.U32(12)));
  SizeOfOptionalHeaderEdit->SetText(ModeText16(static_cast<uint16_t>(h.U16(16)), HexMode));
  uint16_t characteristics = static_cast<uint16_t>(h.U16(18));
  FileCharacteristicsRawEdit->SetText(HexText(characteristics, 2));
  Fill(FileCharacteristicsListBox, FileCharacteristicsLines(characteristics));
}

void TVistrelMainForm::FillOptionalHeader() {
  const void* image = Image();
  Buffer<240> h64;
  Buffer<224> h;
  Is64Bit = NubrikOptionalHeader64(image, h64.Bytes) != 0;
  if (Is64Bit || NubrikOptionalHeader(image, h.Bytes)) {
    // The fields both layouts share sit at the same offsets up to BaseOfCode
    // and from SectionAlignment to Subsystem.
    const uint8_t* b = Is64Bit ? h64.Bytes : h.Bytes;
    Buffer<240> o;
    std::memcpy(o.Bytes, b, Is64Bit ? 240 : 224);
    MagicEdit->SetText(HexText(o.U16(0), 2));
    MajorLinkerVersionEdit->SetText(std::to_string(o.U8(2)));
    MinorLinkerVersionEdit->SetText(std::to_string(o.U8(3)));
    SizeOfCodeEdit->SetText(ModeText(o.U32(4), HexMode));
    SizeOfInitializedDataEdit->SetText(ModeText(o.U32(8), HexMode));
    SizeOfUninitializedDataEdit->SetText(ModeText(o.U32(12), HexMode));
    BaseOfCode = o.U32(20);
    BaseOfCodeEdit->SetText(HexText(BaseOfCode));
    if (Is64Bit) {
      ImageBase = o.U64(24);
      ImageBaseEdit->SetText(common::HexTextWide(ImageBase));
      BaseOfDataEdit->SetText("");  // PE32+ has no BaseOfData
    } else {
      ImageBase = o.U32(28);
      ImageBaseEdit->SetText(HexText(static_cast<uint32_t>(ImageBase)));
      BaseOfDataEdit->SetText(HexText(o.U32(24)));
    }
    SectionAlignmentEdit->SetText(ModeText(o.U32(32), HexMode));
    FileAlignmentEdit->SetText(ModeText(o.U32(36), HexMode));
    OSMajorVersionEdit->SetText(std::to_string(o.U16(40)));
    OSMinorVersionEdit->SetText(std::to_string(o.U16(42)));
    UserMajorVersionEdit->SetText(std::to_string(o.U16(44)));
    UserMinorVersionEdit->SetText(std::to_string(o.U16(46)));
    SubsystemMajorEdit->SetText(std::to_string(o.U16(48)));
    SubsystemMinorEdit->SetText(std::to_string(o.U16(50)));
    ImageSizeEdit->SetText(ModeText(o.U32(56), HexMode));
    HeaderSizeEdit->SetText(ModeText(o.U32(60), HexMode));
    ChecksumEdit->SetText(ModeText(o.U32(64), HexMode));
    SubsystemEdit->SetText(SubsystemText(static_cast<uint16_t>(o.U16(68))));
    if (Is64Bit) {
      StackReserveEdit->SetText(ModeText64(o.U64(72), HexMode));
      StackCommitEdit->SetText(ModeText64(o.U64(80), HexMode));
      HeapReserveEdit->SetText(ModeText64(o.U64(88), HexMode));
      HeapCommitEdit->SetText(ModeText64(o.U64(96), HexMode));
    } else {
      StackReserveEdit->SetText(ModeText(o.U32(72), HexMode));
      StackCommitEdit->SetText(ModeText(o.U32(76), HexMode));
      HeapReserveEdit->SetText(ModeText(o.U32(80), HexMode));
      HeapCommitEdit->SetText(ModeText(o.U32(84), HexMode));
    }
  }
  uint32_t unused = 0;
  ModuleEntryPointEdit->SetText(HexText(NubrikEntryPoint(image, &unused)));
}

void TVistrelMainForm::FillSections() {
  char* first = nullptr;
  int32_t count = NubrikSectionNames(Image(), Heap->Handle(), &first);
  if (count <= 0) return;
  Fill(SectionHeadersListBox, Names(first, count));
  SectionHeadersListBox->SetItemIndex(0);
  ShowSectionHeader(SectionHeadersListBox->Item(0));
}

void TVistrelMainForm::SectionHeadersListBoxClick() {
  int line = SectionHeadersListBox->ItemIndex();
  if (line >= 0) ShowSectionHeader(SectionHeadersListBox->Item(line));
}

void TVistrelMainForm::ShowSectionHeader(const std::string& name) {
  Buffer<40> s;
  if (!Image() || !NubrikSectionByName(Image(), s.Bytes, name.c_str())) return;
  uint32_t virtualAddress = s.U32(12);
  uint32_t rawPointer = s.U32(20);
  VirtualAddressEdit->SetText(HexText(virtualAddress));
  SizeOfRawDataEdit->SetText(ModeText(s.U32(16), HexMode));
  PointerToRawDataEdit->SetText(HexText(rawPointer));
  if (virtualAddress == BaseOfCode) {
    CodeSectionName = name;
    CodeDelta = static_cast<int32_t>(virtualAddress - rawPointer);
  }
  PointerToRelocationsEdit->SetText(HexText(s.U32(24)));
  PointerToLinenumbersEdit->SetText(HexText(s.U32(28)));
  NumberOfRelocationsEdit->SetText(std::to_string(s.U16(32)));
  NumberOfLinenumbersEdit->SetText(std::to_string(s.U16(34)));
  uint32_t characteristics = s.U32(36);
  SectionCharacteristicsEdit->SetText(HexText(characteristics));
  Fill(SectionCharacteristicsListBox, SectionCharacteristicsLines(characteristics));
}

void TVistrelMainForm::FillImports() {
  char* first = nullptr;
  int32_t count = NubrikImportModules(Image(), Heap->Handle(), &first);
  if (count <= 0) return;
  ImportModuleListBox->Clear();
  for (const auto& name : Names(first, count)) ImportModuleListBox->AddItem(Upper(name));
  ImportModuleListBox->SetItemIndex(0);
  FillImportFunctions(ImportModuleListBox->Item(0), 0);
}

void TVistrelMainForm::FillImportFunctions(const std::string& module, int occurrence) {
  char* first = nullptr;
  int32_t count =
      NubrikImportFunctions(Image(), Heap->Handle(), module.c_str(), &first, occurrence);
  if (count <= 0) return;
  Fill(ImportedFunctionsListBox, Names(first, count));
}

void TVistrelMainForm::ImportModuleListBoxClick() {
  ImportedFunctionsListBox->Clear();
  int line = ImportModuleListBox->ItemIndex();
  if (line < 0 || !Image() || !Heap) return;
  std::string text = ImportModuleListBox->Item(line);
  int occurrence = 0;
  for (int i = 0; i < line; ++i) {
    if (ImportModuleListBox->Item(i) == text) ++occurrence;
  }
  FillImportFunctions(text, occurrence);
}

void TVistrelMainForm::FillExports() {
  const void* image = Image();
  NubrikExportRecord* records = NubrikExportTable(image, Heap->Handle());
  int32_t count = NubrikExportCount(image);
  NumberOfExportedFunctionsEdit->SetText(std::to_string(count));
  ExportList.clear();
  EntryPointEdit->SetText("");
  if (count <= 0 || !records) return;
  ExportSectionListBox->Clear();
  ExportList.reserve(count);
  for (int32_t i = 0; i < count; ++i) {
    ExportEntry entry;
    if (records[i].Name) entry.Name = records[i].Name;
    entry.Ordinal = records[i].Ordinal;
    entry.EntryRva = records[i].EntryRva;
    ExportSectionListBox->AddItem(entry.Line());
    ExportList.push_back(std::move(entry));
  }
  ExportSectionListBox->SetItemIndex(0);
  ShowEntryPoint(0);
}

void TVistrelMainForm::ShowEntryPoint(int line) {
  const ExportEntry* entry = ExportOfLine(line);
  if (!entry) return;
  EntryPointEdit->SetText(HexText(entry->EntryRva - static_cast<uint32_t>(CodeDelta)));
}

void TVistrelMainForm::ExportSectionListBoxClick() {
  ShowEntryPoint(ExportSectionListBox->ItemIndex());
}

void TVistrelMainForm::FillDebug() {
  const void* image = Image();
  const auto* entry = static_cast<const uint8_t*>(NubrikDebugEntry(image));
  if (!entry) return;
  // The entry must lie wholly inside the file's view.
  auto bytes = ImageView->Bytes();
  if (entry < bytes.data() || static_cast<size_t>(entry - bytes.data()) > bytes.size() ||
      bytes.size() - static_cast<size_t>(entry - bytes.data()) < 28) {
    return;
  }
  Buffer<28> d;
  std::memcpy(d.Bytes, entry, 28);
  DebugTypeListBox->Clear();
  std::string type = DebugTypeName(d.U32(12));
  if (!type.empty()) DebugTypeListBox->AddItem(type);
  DebugMajorEdit->SetText(std::to_string(d.U16(8)));
  DebugMinorEdit->SetText(std::to_string(d.U16(10)));
  DebugSizeOfDataEdit->SetText(ModeText(d.U32(16), HexMode));
  DebugAddressOfDataEdit->SetText(HexText(d.U32(20)));
  DebugPointerToDataEdit->SetText(HexText(d.U32(24)));
}

}  // namespace vistrel
