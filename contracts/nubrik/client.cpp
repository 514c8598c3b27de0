#include "contracts/nubrik/client.h"

#include <cstring>

namespace nubrik {
namespace {

// Little-endian fields of a buffer the library filled. The buffers are
// whole, so every read is inside them; the reader's own byte view lives in
// the library, which the programs reach only through its C interface.
class Fields {
 public:
  explicit Fields(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  uint8_t U8(size_t at) const { return at < bytes_.size() ? bytes_[at] : 0; }
  uint16_t U16(size_t at) const { return static_cast<uint16_t>(U8(at) | U8(at + 1) << 8); }
  uint32_t U32(size_t at) const { return U16(at) | static_cast<uint32_t>(U16(at + 2)) << 16; }
  uint64_t U64(size_t at) const { return U32(at) | static_cast<uint64_t>(U32(at + 4)) << 32; }

 private:
  std::span<const uint8_t> bytes_;
};

}  // namespace

pe::FileHeader DecodeFileHeader(std::span<const uint8_t, pe::kFileHeaderSize> bytes) {
  Fields f(bytes);
  pe::FileHeader h;
  h.Machine = f.U16(0);
  h.NumberOfSections = f.U16(2);
  h.TimeDateStamp = f.U32(4);
  h.PointerToSymbolTable = f.U32(8);
  h.NumberOfSymbols = f.U32(12);
  h.SizeOfOptionalHeader = f.U16(16);
  h.Characteristics = f.U16(18);
  return h;
}

std::optional<pe::OptionalHeader> DecodeOptionalHeader(std::span<const uint8_t> bytes) {
  bool wide = bytes.size() == pe::kOptionalHeader64Size;
  if (!wide && bytes.size() != pe::kOptionalHeader32Size) return std::nullopt;
  Fields f(bytes);
  pe::OptionalHeader h;
  h.Magic = f.U16(0);
  h.MajorLinkerVersion = f.U8(2);
  h.MinorLinkerVersion = f.U8(3);
  h.SizeOfCode = f.U32(4);
  h.SizeOfInitializedData = f.U32(8);
  h.SizeOfUninitializedData = f.U32(12);
  h.AddressOfEntryPoint = f.U32(16);
  h.BaseOfCode = f.U32(20);
  // The two layouts part at BaseOfData, which PE32+ spends on a wider
  // ImageBase, and again at the stack and heap sizes.
  if (wide) {
    h.ImageBase = f.U64(24);
  } else {
    h.BaseOfData = f.U32(24);
    h.ImageBase = f.U32(28);
  }
  h.SectionAlignment = f.U32(32);
  h.FileAlignment = f.U32(36);
  h.MajorOperatingSystemVersion = f.U16(40);
  h.MinorOperatingSystemVersion = f.U16(42);
  h.MajorImageVersion = f.U16(44);
  h.MinorImageVersion = f.U16(46);
  h.MajorSubsystemVersion = f.U16(48);
  h.MinorSubsystemVersion = f.U16(50);
  h.Win32VersionValue = f.U32(52);
  h.SizeOfImage = f.U32(56);
  h.SizeOfHeaders = f.U32(60);
  h.CheckSum = f.U32(64);
  h.Subsystem = f.U16(68);
  h.DllCharacteristics = f.U16(70);
  size_t directories;
  if (wide) {
    h.SizeOfStackReserve = f.U64(72);
    h.SizeOfStackCommit = f.U64(80);
    h.SizeOfHeapReserve = f.U64(88);
    h.SizeOfHeapCommit = f.U64(96);
    h.LoaderFlags = f.U32(104);
    h.NumberOfRvaAndSizes = f.U32(108);
    directories = 112;
  } else {
    h.SizeOfStackReserve = f.U32(72);
    h.SizeOfStackCommit = f.U32(76);
    h.SizeOfHeapReserve = f.U32(80);
    h.SizeOfHeapCommit = f.U32(84);
    h.LoaderFlags = f.U32(88);
    h.NumberOfRvaAndSizes = f.U32(92);
    directories = 96;
  }
  size_t count = std::min<size_t>(h.NumberOfRvaAndSizes, pe::kMaxDataDirectories);
  for (size_t i = 0; i < count; ++i) {
    h.Directories[i].VirtualAddress = f.U32(directories + 8 * i);
    h.Directories[i].Size = f.U32(directories + 8 * i + 4);
  }
  return h;
}

pe::SectionHeader DecodeSectionHeader(std::span<const uint8_t, pe::kSectionHeaderSize> bytes) {
  Fields f(bytes);
  pe::SectionHeader s;
  std::memcpy(s.Name.data(), bytes.data(), s.Name.size());
  s.VirtualSize = f.U32(8);
  s.VirtualAddress = f.U32(12);
  s.SizeOfRawData = f.U32(16);
  s.PointerToRawData = f.U32(20);
  s.PointerToRelocations = f.U32(24);
  s.PointerToLinenumbers = f.U32(28);
  s.NumberOfRelocations = f.U16(32);
  s.NumberOfLinenumbers = f.U16(34);
  s.Characteristics = f.U32(36);
  return s;
}

DebugEntry DecodeDebugEntry(std::span<const uint8_t, pe::kDebugEntrySize> bytes) {
  Fields f(bytes);
  DebugEntry d;
  d.Characteristics = f.U32(0);
  d.TimeDateStamp = f.U32(4);
  d.MajorVersion = f.U16(8);
  d.MinorVersion = f.U16(10);
  d.Type = f.U32(12);
  d.SizeOfData = f.U32(16);
  d.AddressOfRawData = f.U32(20);
  d.PointerToRawData = f.U32(24);
  return d;
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
  return Fields(dos).U32(0x3C);
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
