// The pages of lists: imports, exports, resources, and the debug page.
#include <unordered_map>

#include "common/hex_text.h"
#include "common/text_case.h"
#include "contracts/nubrik/pe_facts.h"
#include "contracts/nubrik/pe_image.h"
#include "vistrel/browser/browser_pages.h"
#include "vistrel/browser/command_ids.h"
#include "vistrel/browser/page_formats.h"

namespace vistrel {

using common::HexText;

namespace {

// Selecting each module line costs a call of the library; past this many
// lines (hostile files with tens of thousands of descriptors) the report
// names the line without its functions.
constexpr int kMaxImportLookups = 1024;

}  // namespace

// ---- Imports ----

ImportPage::ImportPage(ui::TabSheet* sheet, BrowserModel& model) : BrowserPage(sheet, model) {
  Sheet->AddLabel("ImportModuleLabel", {8, 6, 150, 13}, "Imported Modules:");
  ImportModuleListBox = Sheet->AddListBox("ImportModuleListBox", {8, 22, 150, 258});
  Sheet->AddLabel("ImportedFunctionsLabel", {166, 6, 200, 13}, "Imported Functions:");
  ImportedFunctionsListBox = Sheet->AddListBox("ImportedFunctionsListBox", {166, 22, 242, 258});
  ImportModuleListBox->SetControlId(ids::kImportModuleListBox);
  ImportedFunctionsListBox->SetControlId(ids::kImportedFunctionsListBox);
  Fields.push_back(PageField{"Imported Modules:", {ImportModuleListBox}});
  Fields.push_back(PageField{"Imported Functions:", {ImportedFunctionsListBox}});
}

void ImportPage::Fill() {
  ImportModuleListBox->SetSorted(model_.Sorted);
  ImportedFunctionsListBox->SetSorted(model_.Sorted);
  std::vector<std::string> modules = model_.Client->ImportModules(model_.Heap);
  if (modules.empty()) return;
  for (auto& name : modules) name = common::Upper(std::move(name));
  FillList(ImportModuleListBox, modules, model_.ListLimit);
  ImportModuleListBox->SetItemIndex(0);
  ShowFunctions(ImportModuleListBox->Item(0), 0);
}

void ImportPage::ShowFunctions(const std::string& module, int occurrence) {
  if (!model_.Client || !model_.Heap) return;
  std::vector<std::string> functions =
      model_.Client->ImportFunctions(model_.Heap, module, occurrence);
  if (functions.empty()) return;
  FillList(ImportedFunctionsListBox, functions, model_.ListLimit);
}

void ImportPage::ImportModuleListBoxClick() {
  ImportedFunctionsListBox->Clear();
  int line = ImportModuleListBox->ItemIndex();
  if (line < 0) return;
  std::string text = ImportModuleListBox->Item(line);
  int occurrence = 0;
  for (int i = 0; i < line; ++i) {
    if (ImportModuleListBox->Item(i) == text) ++occurrence;
  }
  ShowFunctions(text, occurrence);
}

void ImportPage::Report(ReportSink& sink) {
  sink.BeginPage(Sheet->Text(), true);
  sink.BeginRecords("Imported Modules:", "Imported Modules");
  ui::ListBox* list = ImportModuleListBox;
  int saved = list->ItemIndex();
  // Occurrences counted as the walk goes: a click would count the lines
  // above each time.
  std::unordered_map<std::string, int> seen;
  for (int i = 0; i < list->Count() && !sink.Full(); ++i) {
    std::string module = list->Item(i);
    int occurrence = seen[module]++;
    sink.BeginRecord("Module", module);
    if (i < kMaxImportLookups) {
      list->SetItemIndex(i);
      ImportedFunctionsListBox->Clear();
      ShowFunctions(module, occurrence);
      sink.RecordLines("Functions", ImportedFunctionsListBox->Items());
    } else {
      sink.RecordNone("Functions");
    }
    sink.EndRecord();
  }
  if (saved >= 0 && saved < list->Count()) {
    list->SetItemIndex(saved);
    ImportModuleListBoxClick();
  }
  sink.EndRecords();
  sink.EndPage();
}

// ---- Exports ----

ExportPage::ExportPage(ui::TabSheet* sheet, BrowserModel& model) : BrowserPage(sheet, model) {
  NumberOfExportedFunctionsEdit =
      AddField("Number of Exported Functions:", "NumberOfExportedFunctionsEdit", 8, 6, 160, 70);
  ExportSectionListBox = Sheet->AddListBox("ExportSectionListBox", {8, 32, 400, 214});
  Fields.push_back(PageField{"Exports:", {ExportSectionListBox}});
  EntryPointEdit = AddField("Entry Point:", "EntryPointEdit", 8, 256, 70, 110);
  DisassembleButton = Sheet->AddButton("DisassembleButton", {316, 253, 92, 25}, "Disassemble...");
  DisassembleButton->SetEnabled(false);
  NumberOfExportedFunctionsEdit->SetControlId(ids::kNumberOfExportedFunctionsEdit);
  ExportSectionListBox->SetControlId(ids::kExportSectionListBox);
  EntryPointEdit->SetControlId(ids::kEntryPointEdit);
  DisassembleButton->SetControlId(ids::kDisassembleButton);
}

void ExportPage::Clear() {
  BrowserPage::Clear();
  ExportList.clear();
  DisassembleButton->SetEnabled(false);
}

void ExportPage::Fill() {
  std::vector<nubrik::ExportRecord> records = model_.Client->Exports(model_.Heap);
  NumberOfExportedFunctionsEdit->SetText(std::to_string(records.size()));
  ExportList.clear();
  EntryPointEdit->SetText("");
  ExportSectionListBox->SetSorted(model_.Sorted);
  if (records.empty()) return;
  std::vector<std::string> lines;
  lines.reserve(records.size());
  ExportList.reserve(records.size());
  // Which exports are forwarders: the reader knows the export directory's
  // range that their texts lie in.
  std::unordered_map<uint32_t, std::string> forwarders;
  std::span<const uint8_t> file = model_.Client->File();
  for (auto& x : pe::Image(file.data(), file.size()).Exports()) {
    if (x.Forwarder) forwarders.emplace(x.Ordinal, std::move(*x.Forwarder));
  }
  for (auto& r : records) {
    ExportEntry entry{std::move(r.Name), r.Ordinal, r.EntryRva, std::nullopt};
    if (auto it = forwarders.find(static_cast<uint32_t>(r.Ordinal)); it != forwarders.end()) {
      entry.Forwarder = it->second;
    }
    lines.push_back(entry.Line());
    ExportList.push_back(std::move(entry));
  }
  // Only the records of the lines shown can be chosen.
  ExportList.resize(FillList(ExportSectionListBox, lines, model_.ListLimit));
  ExportSectionListBox->SetItemIndex(0);
  ShowEntryPoint(0);
}

const ExportEntry* ExportPage::ExportOfLine(int line) const {
  if (line < 0 || line >= ExportSectionListBox->Count()) return nullptr;
  std::string text = ExportSectionListBox->Item(line);
  if (!model_.Sorted) {
    if (static_cast<size_t>(line) >= ExportList.size()) return nullptr;
    return ExportList[line].Line() == text ? &ExportList[line] : nullptr;
  }
  for (const auto& entry : ExportList) {
    if (entry.Line() == text) return &entry;
  }
  return nullptr;
}

void ExportPage::ShowEntryPoint(int line) {
  const ExportEntry* entry = ExportOfLine(line);
  DisassembleButton->SetEnabled(CanDisassemble());
  if (!entry) return;
  EntryPointEdit->SetText(entry->Forwarder
                              ? *entry->Forwarder
                              : HexText(entry->EntryRva - static_cast<uint32_t>(model_.CodeDelta)));
}

bool ExportPage::CanDisassemble() const {
  if (ExportSectionListBox->Count() == 0) return false;
  const ExportEntry* entry = ExportOfLine(ExportSectionListBox->ItemIndex());
  return !entry || !entry->Forwarder;
}

void ExportPage::ExportSectionListBoxClick() {
  ShowEntryPoint(ExportSectionListBox->ItemIndex());
}

void ExportPage::Report(ReportSink& sink) {
  sink.BeginPage(Sheet->Text(), false);
  sink.Field(Fields[0].Label, ValuesOf(Fields[0]));
  sink.BeginRecords("Exports:", "Exports");
  ui::ListBox* list = ExportSectionListBox;
  int saved = list->ItemIndex();
  for (int i = 0; i < list->Count() && !sink.Full(); ++i) {
    list->SetItemIndex(i);
    ExportSectionListBoxClick();
    sink.BeginRecord("Line", list->Item(i));
    const ExportEntry* entry = ExportOfLine(i);
    sink.RecordText(entry && entry->Forwarder ? "Forwarder:" : "Entry Point:",
                    EntryPointEdit->Text());
    sink.EndRecord();
  }
  if (saved >= 0 && saved < list->Count()) {
    list->SetItemIndex(saved);
    ExportSectionListBoxClick();
  }
  sink.EndRecords();
  sink.EndPage();
}

// ---- Resources ----

ResourcePage::ResourcePage(ui::TabSheet* sheet, BrowserModel& model) : BrowserPage(sheet, model) {
  NumberOfResourcesEdit = AddField("Number of Resources:", "NumberOfResourcesEdit", 8, 6, 120, 70);
  ResourceTreeView = Sheet->AddTreeView("ResourceTreeView", {8, 32, 250, 248});
  ResourceTreeView->SetControlId(ids::kResourceTreeView);
  NumberOfResourcesEdit->SetControlId(ids::kNumberOfResourcesEdit);
  Sheet->AddLabel("ResourceOffsetLabel", {266, 34, 140, 13}, "Offset To Data:");
  ResourceOffsetToDataEdit = Sheet->AddEdit("ResourceOffsetToDataEdit", {266, 50, 120, 20});
  Sheet->AddLabel("ResourceSizeLabel", {266, 80, 140, 13}, "Size Of Resource:");
  ResourceSizeOfResourceEdit = Sheet->AddEdit("ResourceSizeOfResourceEdit", {266, 96, 120, 20});
  ResourceOffsetToDataEdit->SetReadOnly(true);
  ResourceSizeOfResourceEdit->SetReadOnly(true);
  Fields.push_back(PageField{"Resources:", {ResourceTreeView}});
  Fields.push_back(PageField{"Offset To Data:", {ResourceOffsetToDataEdit}});
  Fields.push_back(PageField{"Size Of Resource:", {ResourceSizeOfResourceEdit}});
}

void ResourcePage::Clear() {
  BrowserPage::Clear();
  Resources.clear();
  ResourceNodes.clear();
  reader_.reset();
}

std::string ResourcePage::GroupText(const nubrik::ResourceRecord& r) const {
  std::string text = ResourceGroupText(r.Type);
  if (!text.empty()) return text;
  // Every type without a name shares the group of the first such record.
  for (const auto& other : Resources) {
    if (ResourceGroupText(other.Type).empty()) return " (" + std::to_string(other.Type) + ")";
  }
  return " (" + std::to_string(r.Type) + ")";
}

std::optional<uint64_t> ResourcePage::FileOffset(const nubrik::ResourceRecord& r) const {
  if (!model_.Client) return std::nullopt;
  if (auto rsrc = model_.Client->SectionByName(".rsrc")) {
    int64_t delta = static_cast<int64_t>(rsrc->VirtualAddress) - rsrc->PointerToRawData;
    int64_t at = static_cast<int64_t>(r.OffsetToData) - delta;
    if (at < 0) return std::nullopt;
    return static_cast<uint64_t>(at);
  }
  // Resources kept in a section of another name: the reader's own mapping,
  // its headers read once per file.
  if (!reader_) {
    std::span<const uint8_t> file = model_.Client->File();
    reader_ = std::make_unique<pe::Image>(file.data(), file.size());
  }
  return reader_->RvaToOffset(r.OffsetToData);
}

bool ResourcePage::SelectResource(size_t index) {
  if (index >= ResourceNodes.size()) return false;
  ResourceTreeView->SetSelected(ResourceNodes[index]);
  ResourceTreeViewClick();
  return true;
}

void ResourcePage::Report(ReportSink& sink) {
  sink.BeginPage(Sheet->Text(), false);
  ReportFields(sink);
  if (sink.TakesData()) {
    // The records behind the tree, group by group as the tree shows them.
    sink.BeginRecords("Resource Tree:", "Resource Tree");
    std::vector<ui::TreeNode> groups = ResourceTreeView->Children(ui::kNoNode);
    for (ui::TreeNode group : groups) {
      for (ui::TreeNode leaf : ResourceTreeView->Children(group)) {
        if (sink.Full()) break;
        intptr_t index = ResourceTreeView->NodeData(leaf);
        if (index < 0 || static_cast<size_t>(index) >= Resources.size()) continue;
        const auto& r = Resources[static_cast<size_t>(index)];
        sink.BeginRecord("Name", r.Name);
        sink.RecordText("Group", ResourceTreeView->NodeText(group));
        sink.RecordText("Type", std::to_string(r.Type));
        sink.RecordText("Language", std::to_string(r.Language));
        sink.RecordText("RVA", HexText(r.OffsetToData));
        sink.RecordText("Size", std::to_string(r.Size));
        auto offset = FileOffset(r);
        if (offset) {
          sink.RecordText("File Offset", common::HexTextWide(*offset));
        } else {
          sink.RecordNone("File Offset");
        }
        sink.EndRecord();
      }
    }
    sink.EndRecords();
  }
  sink.EndPage();
}

void ResourcePage::Fill() {
  // Nothing is selected after the fill.
  ResourceTreeView->Clear();
  ResourceOffsetToDataEdit->SetText("");
  ResourceSizeOfResourceEdit->SetText("");
  Resources = model_.Client->Resources(model_.Heap);
  ResourceNodes.clear();
  reader_.reset();
  NumberOfResourcesEdit->SetText(std::to_string(Resources.size()));
  // Groups in the order their types first occur; every type without a name
  // of its own shares one group.
  std::unordered_map<std::string, ui::TreeNode> groups;
  std::string otherGroup;
  size_t used = 0;
  for (size_t i = 0; i < Resources.size(); ++i) {
    const auto& r = Resources[i];
    std::string text = ResourceGroupText(r.Type);
    if (text.empty()) {
      if (otherGroup.empty()) otherGroup = " (" + std::to_string(r.Type) + ")";
      text = otherGroup;
    }
    used += text.size() + r.Name.size() + 4;
    if (used > model_.ListLimit) {
      ResourceTreeView->AddNode(ui::kNoNode, kRestLeftOut, -1);
      Resources.resize(i);
      return;
    }
    auto [it, added] = groups.try_emplace(text, ui::kNoNode);
    if (added) it->second = ResourceTreeView->AddNode(ui::kNoNode, text, -1, 9, 9);
    int image = ResourceImage(r.Type);
    ResourceNodes.push_back(
        ResourceTreeView->AddNode(it->second, r.Name, static_cast<intptr_t>(i), image, image));
  }
}

const nubrik::ResourceRecord* ResourcePage::SelectedResource() const {
  ui::TreeNode node = ResourceTreeView->Selected();
  if (node == ui::kNoNode || ResourceTreeView->Parent(node) == ui::kNoNode) return nullptr;
  intptr_t index = ResourceTreeView->NodeData(node);
  if (index < 0 || static_cast<size_t>(index) >= Resources.size()) return nullptr;
  return &Resources[static_cast<size_t>(index)];
}

void ResourcePage::ResourceTreeViewClick() {
  const nubrik::ResourceRecord* r = SelectedResource();
  if (!r) {
    ResourceOffsetToDataEdit->SetText("");
    ResourceSizeOfResourceEdit->SetText("");
    return;
  }
  ResourceOffsetToDataEdit->SetText(model_.HexMode ? HexText(r->OffsetToData)
                                                   : std::to_string(r->OffsetToData));
  ResourceSizeOfResourceEdit->SetText(model_.HexMode ? HexText(r->Size) : std::to_string(r->Size));
}

// ---- Debug ----

DebugPage::DebugPage(ui::TabSheet* sheet, BrowserModel& model) : BrowserPage(sheet, model) {
  Sheet->AddLabel("DebugTypeLabel", {8, 11, 110, 13}, "Type:");
  DebugTypeListBox = Sheet->AddListBox("DebugTypeListBox", {118, 8, 150, 36});
  DebugTypeListBox->SetControlId(ids::kDebugTypeListBox);
  Fields.push_back(PageField{"Type:", {DebugTypeListBox}});
  Sheet->AddLabel("DebugMajorLabel", {118, 52, 60, 13}, "Major");
  Sheet->AddLabel("DebugMinorLabel", {186, 52, 60, 13}, "Minor");
  Sheet->AddLabel("DebugVersionLabel", {8, 71, 110, 13}, "Version:");
  DebugMajorEdit = Sheet->AddEdit("DebugMajorEdit", {118, 68, 64, 20});
  DebugMinorEdit = Sheet->AddEdit("DebugMinorEdit", {186, 68, 64, 20});
  DebugMajorEdit->SetReadOnly(true);
  DebugMinorEdit->SetReadOnly(true);
  Fields.push_back(PageField{"Version:", {DebugMajorEdit, DebugMinorEdit}});
  DebugSizeOfDataEdit = AddField("Size of Data:", "DebugSizeOfDataEdit", 8, 96, 110, 100);
  DebugAddressOfDataEdit = AddField("Address of Data:", "DebugAddressOfDataEdit", 8, 122, 110, 100);
  DebugPointerToDataEdit = AddField("Pointer to Data:", "DebugPointerToDataEdit", 8, 148, 110, 100);
  DebugSizeOfDataEdit->SetControlId(ids::kDebugSizeOfDataEdit);
  CodeViewEdit = AddField("CodeView:", "CodeViewEdit", 8, 176, 110, 64);
  PdbFileEdit = AddField("PDB File:", "PdbFileEdit", 8, 200, 110, 290);
  PdbGuidEdit = AddField("GUID:", "PdbGuidEdit", 8, 224, 110, 250);
  PdbAgeEdit = AddField("Age:", "PdbAgeEdit", 8, 248, 110, 64);
  CodeViewEdit->SetControlId(ids::kCodeViewEdit);
  PdbFileEdit->SetControlId(ids::kPdbFileEdit);
  PdbGuidEdit->SetControlId(ids::kPdbGuidEdit);
}

void DebugPage::Fill() {
  auto d = model_.Client->Debug();
  if (!d) return;
  DebugTypeListBox->Clear();
  std::string type = DebugTypeName(d->Type);
  if (!type.empty()) DebugTypeListBox->AddItem(type);
  DebugMajorEdit->SetText(std::to_string(d->MajorVersion));
  DebugMinorEdit->SetText(std::to_string(d->MinorVersion));
  DebugSizeOfDataEdit->SetText(ModeText(d->SizeOfData, model_.HexMode));
  DebugAddressOfDataEdit->SetText(HexText(d->AddressOfRawData));
  DebugPointerToDataEdit->SetText(HexText(d->PointerToRawData));
  std::span<const uint8_t> file = model_.Client->File();
  if (auto cv = pe::FindCodeView(pe::Image(file.data(), file.size()))) {
    CodeViewEdit->SetText(cv->Signature);
    PdbFileEdit->SetText(cv->PdbPath);
    PdbGuidEdit->SetText(cv->Signature == "RSDS" ? pe::GuidText(cv->Guid) : HexText(cv->Stamp));
    PdbAgeEdit->SetText(std::to_string(cv->Age));
  }
}

}  // namespace vistrel
