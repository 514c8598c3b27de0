#include "contracts/nubrik/client.h"

#include <cstring>

#include "contracts/nubrik/pe_layout.h"

namespace nubrik {

// The layouts themselves are the reader's (pe_layout.h); the client only
// picks the one its buffer holds.

pe::FileHeader DecodeFileHeader(std::span<const uint8_t, pe::kFileHeaderSize> bytes) {
  return pe::DecodeFileHeader(bytes);
}

std::optional<pe::OptionalHeader> DecodeOptionalHeader(std::span<const uint8_t> bytes) {
  bool wide = bytes.size() == pe::kOptionalHeader64Size;
  if (!wide && bytes.size() != pe::kOptionalHeader32Size) return std::nullopt;
  return pe::DecodeOptionalHeader(bytes, wide);
}

pe::SectionHeader DecodeSectionHeader(std::span<const uint8_t, pe::kSectionHeaderSize> bytes) {
  return pe::DecodeSectionHeader(bytes);
}

DebugEntry DecodeDebugEntry(std::span<const uint8_t, pe::kDebugEntrySize> bytes) {
  return pe::DecodeDebugEntry(bytes);
}

std::vector<std::string> DecodeNameList(const char* first, int32_t count) {
  std::vector<std::string> names;
  if (!first || count <= 0) return names;
  names.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    size_t length = std::strlen(first);
    names.emplace_back(first, length);
    first += length + 1;
  }
  return names;
}

Client::Client(std::span<const uint8_t> file) : file_(file) {
  if (Image()) NubrikRegisterImage(Image(), file_.size());
}

Client::~Client() {
  if (Image()) NubrikUnregisterImage(Image());
}

uint32_t Client::Signature() const {
  return Image() ? NubrikSignature(Image()) : 0;
}

std::optional<uint32_t> Client::NewHeaderOffset() const {
  uint8_t dos[pe::kDosHeaderSize] = {};
  if (!Image() || !NubrikDosHeader(Image(), dos)) return std::nullopt;
  return pe::Le32(dos + 0x3C);
}

std::optional<pe::FileHeader> Client::FileHeader() const {
  uint8_t bytes[pe::kFileHeaderSize] = {};
  if (!Image() || !NubrikFileHeader(Image(), bytes)) return std::nullopt;
  return DecodeFileHeader(bytes);
}

std::optional<pe::OptionalHeader> Client::OptionalHeader() const {
  if (!Image()) return std::nullopt;
  uint8_t wide[pe::kOptionalHeader64Size] = {};
  if (NubrikOptionalHeader64(Image(), wide)) return DecodeOptionalHeader(wide);
  uint8_t narrow[pe::kOptionalHeader32Size] = {};
  if (NubrikOptionalHeader(Image(), narrow)) return DecodeOptionalHeader(narrow);
  return std::nullopt;
}

uint32_t Client::EntryPoint() const {
  uint32_t unused = 0;
  return Image() ? NubrikEntryPoint(Image(), &unused) : 0;
}

std::vector<std::string> Client::SectionNames(NUBRIK_HEAP heap) const {
  char* first = nullptr;
  if (!Image()) return {};
  int32_t count = NubrikSectionNames(Image(), heap, &first);
  return DecodeNameList(first, count);
}

std::optional<pe::SectionHeader> Client::SectionByName(const std::string& name) const {
  uint8_t bytes[pe::kSectionHeaderSize] = {};
  if (!Image() || !NubrikSectionByName(Image(), bytes, name.c_str())) return std::nullopt;
  return DecodeSectionHeader(bytes);
}

std::vector<std::string> Client::ImportModules(NUBRIK_HEAP heap) const {
  char* first = nullptr;
  if (!Image()) return {};
  int32_t count = NubrikImportModules(Image(), heap, &first);
  return DecodeNameList(first, count);
}

std::vector<std::string> Client::ImportFunctions(NUBRIK_HEAP heap, const std::string& module,
                                                 int32_t occurrence) const {
  char* first = nullptr;
  if (!Image()) return {};
  int32_t count = NubrikImportFunctions(Image(), heap, module.c_str(), &first, occurrence);
  return DecodeNameList(first, count);
}

std::vector<ExportRecord> Client::Exports(NUBRIK_HEAP heap) const {
  std::vector<ExportRecord> exports;
  if (!Image()) return exports;
  const NubrikExportRecord* records = NubrikExportTable(Image(), heap);
  int32_t count = NubrikExportCount(Image());
  if (!records || count <= 0) return exports;
  exports.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    ExportRecord e;
    if (records[i].Name) e.Name = records[i].Name;
    e.Ordinal = records[i].Ordinal;
    e.EntryRva = records[i].EntryRva;
    exports.push_back(std::move(e));
  }
  return exports;
}

std::vector<ResourceRecord> Client::Resources(NUBRIK_HEAP heap) const {
  std::vector<ResourceRecord> resources;
  if (!Image()) return resources;
  int32_t count = NubrikResourceCount(Image());
  const NubrikResourceRecord* records = count > 0 ? NubrikResourceTable(Image(), heap) : nullptr;
  if (!records) return resources;
  resources.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    ResourceRecord r;
    r.Type = records[i].Type;
    r.Language = records[i].Language;
    if (records[i].Name) r.Name = records[i].Name;
    r.OffsetToData = records[i].OffsetToData;
    r.Size = records[i].Size;
    resources.push_back(std::move(r));
  }
  return resources;
}

std::optional<DebugEntry> Client::Debug() const {
  if (!Image()) return std::nullopt;
  const auto* entry = static_cast<const uint8_t*>(NubrikDebugEntry(Image()));
  if (!entry) return std::nullopt;
  // Compared as addresses, so a pointer outside the file is never read.
  auto at = reinterpret_cast<uintptr_t>(entry);
  auto begin = reinterpret_cast<uintptr_t>(file_.data());
  if (at < begin || at - begin > file_.size() || file_.size() - (at - begin) < pe::kDebugEntrySize)
    return std::nullopt;
  return DecodeDebugEntry(
      std::span<const uint8_t, pe::kDebugEntrySize>(entry, pe::kDebugEntrySize));
}

}  // namespace nubrik
