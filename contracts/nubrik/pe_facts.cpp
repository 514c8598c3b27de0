#include "contracts/nubrik/pe_facts.h"

#include <array>
#include <cmath>
#include <cstdio>

#include "contracts/nubrik/pe_ordinal_names.h"

namespace pe {
namespace {

constexpr size_t kSymbolSize = 18;
constexpr size_t kMaxDebugEntries = 64;
constexpr size_t kMaxCallbacks = 4096;
constexpr size_t kMaxDelayDescriptors = 4096;
constexpr size_t kDelayDescriptorSize = 32;
constexpr uint64_t kMaxDelayFunctions = 65536;
constexpr uint32_t kCodeView = 2;
constexpr size_t kDirectoryTls = 9, kDirectoryRelocations = 5, kDirectoryDelayImports = 13,
                 kDirectorySecurity = 4, kDirectoryBoundImports = 11;
constexpr size_t kMaxBoundEntries = 4096;

std::optional<uint64_t> Add(std::optional<uint64_t> a, uint64_t b) {
  if (!a || *a > UINT64_MAX - b) return std::nullopt;
  return *a + b;
}

}  // namespace

std::string SectionName(const Image& image, const SectionHeader& s) {
  std::string name = s.NameText();
  const auto& header = image.GetFileHeader();
  if (name.size() < 2 || name[0] != '/' || !header || header->PointerToSymbolTable == 0) {
    return name;
  }
  uint64_t offset = 0;
  for (size_t i = 1; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return name;
    offset = offset * 10 + static_cast<uint64_t>(name[i] - '0');
  }
  const uint64_t table =
      uint64_t{header->PointerToSymbolTable} + uint64_t{header->NumberOfSymbols} * kSymbolSize;
  auto text = image.View().CString(table + offset, Image::kMaxNameLength);
  return text && !text->empty() ? *text : name;
}

double SectionEntropy(const Image& image, const SectionHeader& s) {
  Image::FileRange range = image.SectionFileRange(s);
  const uint8_t* bytes = image.View().At(range.Offset, range.Size);
  if (!bytes || range.Size == 0) return 0.0;
  std::array<uint64_t, 256> counts{};
  for (uint64_t i = 0; i < range.Size; ++i) ++counts[bytes[i]];
  double entropy = 0.0;
  for (uint64_t count : counts) {
    if (count == 0) continue;
    const double p = static_cast<double>(count) / static_cast<double>(range.Size);
    entropy -= p * std::log2(p);
  }
  return entropy;
}

std::optional<Overlay> FindOverlay(const Image& image) {
  if (!image.IsPe()) return std::nullopt;
  const uint64_t size = image.View().Size();
  uint64_t end = 0;
  auto consider = [&](uint64_t offset, uint64_t length) {
    // Only what lies within the file ends something.
    if (offset <= size && length <= size - offset) end = std::max(end, offset + length);
  };
  for (const auto& s : image.Sections()) consider(image.RawStart(s), s.SizeOfRawData);
  // The directories' data too, except the certificates, which the loader
  // never maps and which sign the overlay with the rest.
  for (size_t i = 0; i < kMaxDataDirectories; ++i) {
    if (i == kDirectorySecurity) continue;
    auto directory = image.Directory(i);
    if (!directory) continue;
    if (auto offset = image.RvaToOffset(directory->VirtualAddress))
      consider(*offset, directory->Size);
  }
  if (end == 0 || end >= size) return std::nullopt;
  return Overlay{end, size - end};
}

std::optional<CodeViewRecord> FindCodeView(const Image& image) {
  auto directory = image.Directory(kDebugDirectory);
  if (!directory) return std::nullopt;
  auto start = image.RvaToOffset(directory->VirtualAddress);
  if (!start) return std::nullopt;
  const ByteView& view = image.View();
  const size_t count = std::min<size_t>(directory->Size / kDebugEntrySize, kMaxDebugEntries);
  for (size_t i = 0; i < count; ++i) {
    const uint64_t at = *start + i * kDebugEntrySize;
    auto type = view.U32(at + 12), size = view.U32(at + 16), pointer = view.U32(at + 24);
    if (!type || !size || !pointer) break;
    if (*type != kCodeView) continue;
    ByteView data = view.Sub(*pointer, *size);
    CodeViewRecord record;
    const uint8_t* signature = data.At(0, 4);
    if (!signature) return std::nullopt;
    record.Signature.assign(reinterpret_cast<const char*>(signature), 4);
    uint64_t path = 0;
    if (record.Signature == "RSDS") {
      const uint8_t* guid = data.At(4, 16);
      auto age = data.U32(20);
      if (!guid || !age) return std::nullopt;
      std::copy(guid, guid + 16, record.Guid.begin());
      record.Age = *age;
      path = 24;
    } else if (record.Signature == "NB10") {
      auto stamp = data.U32(8), age = data.U32(12);
      if (!stamp || !age) return std::nullopt;
      record.Stamp = *stamp;
      record.Age = *age;
      path = 16;
    } else {
      return std::nullopt;
    }
    record.PdbPath = data.CString(path, Image::kMaxNameLength).value_or("");
    return record;
  }
  return std::nullopt;
}

std::string GuidText(const std::array<uint8_t, 16>& g) {
  char text[40];
  std::snprintf(text, sizeof text,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g[3],
                g[2], g[1], g[0], g[5], g[4], g[7], g[6], g[8], g[9], g[10], g[11], g[12], g[13],
                g[14], g[15]);
  return text;
}

std::optional<std::vector<uint64_t>> TlsCallbacks(const Image& image) {
  auto directory = image.Directory(kDirectoryTls);
  const auto& optional = image.GetOptionalHeader();
  if (!directory || !optional) return std::nullopt;
  const bool wide = optional->Is64();
  const uint64_t pointer = wide ? 8 : 4;
  const uint8_t* tls = image.AtRva(directory->VirtualAddress, 4 * pointer);
  if (!tls) return std::nullopt;
  ByteView header(tls, 4 * pointer);
  std::optional<uint64_t> callbacks =
      wide ? header.U64(3 * pointer) : std::optional<uint64_t>(header.U32(3 * pointer));
  std::vector<uint64_t> out;
  if (!callbacks || *callbacks == 0 || *callbacks < optional->ImageBase) return out;
  uint64_t rva = *callbacks - optional->ImageBase;
  for (size_t i = 0; i < kMaxCallbacks; ++i, rva += pointer) {
    const uint8_t* at = image.AtRva(rva, pointer);
    if (!at) break;
    ByteView slot(at, pointer);
    uint64_t va = wide ? *slot.U64(0) : uint64_t{*slot.U32(0)};
    if (va == 0) break;
    out.push_back(va);
  }
  return out;
}

std::optional<RelocationSummary> Relocations(const Image& image) {
  auto directory = image.Directory(kDirectoryRelocations);
  if (!directory) return std::nullopt;
  auto start = image.RvaToOffset(directory->VirtualAddress);
  if (!start || !image.View().Has(*start, 8)) return std::nullopt;
  const ByteView blocks = image.View().Sub(*start, directory->Size);
  RelocationSummary summary;
  uint64_t at = 0;
  while (true) {
    auto size = blocks.U32(at + 4);
    if (!blocks.U32(at) || !size || *size < 8) break;
    ++summary.Blocks;
    const uint64_t entries = (*size - 8) / 2;
    for (uint64_t i = 0; i < entries; ++i) {
      auto entry = blocks.U16(at + 8 + 2 * i);
      if (!entry) break;  // the block runs past the directory
      ++summary.Entries;
      ++summary.ByType[*entry >> 12];
    }
    auto next = Add(at, *size);
    if (!next) break;
    at = *next;
  }
  return summary;
}

std::vector<ImportDescriptor> DelayImports(const Image& image) {
  std::vector<ImportDescriptor> out;
  auto directory = image.Directory(kDirectoryDelayImports);
  const auto& optional = image.GetOptionalHeader();
  if (!directory || !optional) return out;
  for (size_t i = 0; i < kMaxDelayDescriptors; ++i) {
    const uint8_t* d = image.AtRva(uint64_t{directory->VirtualAddress} + i * kDelayDescriptorSize,
                                   kDelayDescriptorSize);
    if (!d) break;
    ByteView desc(d, kDelayDescriptorSize);
    const uint32_t attributes = *desc.U32(0);
    uint64_t name = *desc.U32(4), iat = *desc.U32(12), names = *desc.U32(16);
    if (name == 0) break;
    // Old descriptors hold virtual addresses, new ones (bit 0) RVAs.
    if (!(attributes & 1)) {
      const uint64_t base = optional->ImageBase;
      if (name < base) break;
      name -= base;
      iat = iat >= base ? iat - base : 0;
      names = names >= base ? names - base : 0;
    }
    ImportDescriptor descriptor;
    descriptor.NameRva = static_cast<uint32_t>(name);
    descriptor.OriginalFirstThunk = static_cast<uint32_t>(names);
    descriptor.FirstThunk = static_cast<uint32_t>(iat);
    descriptor.TimeDateStamp = *desc.U32(28);
    descriptor.ModuleName = image.CStringAtRva(name, Image::kMaxNameLength).value_or("");
    for (const auto& f : image.ImportFunctionViews(descriptor.OriginalFirstThunk,
                                                   descriptor.FirstThunk, kMaxDelayFunctions)) {
      descriptor.Functions.push_back({f.ByOrdinal, f.Ordinal, f.Hint, std::string(f.Name)});
    }
    out.push_back(std::move(descriptor));
  }
  return out;
}

std::vector<BoundImport> BoundImports(const Image& image) {
  std::vector<BoundImport> out;
  auto directory = image.Directory(kDirectoryBoundImports);
  if (!directory) return out;
  // The directory lies in the headers; its names are at offsets from its start.
  std::optional<uint64_t> start = image.RvaToOffset(directory->VirtualAddress);
  if (!start) return out;
  const ByteView& file = image.View();
  auto module = [&](uint64_t at) -> std::optional<BoundModule> {
    std::optional<uint32_t> stamp = file.U32(at);
    std::optional<uint16_t> name = file.U16(at + 4);
    if (!stamp || !name) return std::nullopt;
    return BoundModule{file.CString(*start + *name, Image::kMaxNameLength).value_or(""), *stamp};
  };
  uint64_t at = *start;
  size_t entries = 0;
  while (entries < kMaxBoundEntries) {
    std::optional<BoundModule> descriptor = module(at);
    std::optional<uint16_t> forwarders = file.U16(at + 6);
    if (!descriptor || !forwarders) break;
    if (descriptor->TimeDateStamp == 0 && file.U16(at + 4) == 0 && *forwarders == 0) break;
    at += 8;
    ++entries;
    BoundImport bound{*descriptor, {}};
    for (uint16_t i = 0; i < *forwarders && entries < kMaxBoundEntries; ++i, ++entries) {
      std::optional<BoundModule> forwarder = module(at);
      if (!forwarder) break;
      bound.Forwarders.push_back(*forwarder);
      at += 8;
    }
    out.push_back(std::move(bound));
  }
  return out;
}

std::string ImportHashText(const Image& image) {
  auto lower = [](std::string text) {
    for (char& c : text) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
  };
  std::string text;
  for (const auto& d : image.Imports()) {
    const std::string whole = lower(d.ModuleName);
    std::string module = whole;
    const size_t dot = module.rfind('.');
    if (dot != std::string::npos) {
      const std::string extension = module.substr(dot + 1);
      if (extension == "dll" || extension == "ocx" || extension == "sys") module.resize(dot);
    }
    for (const auto& f : d.Functions) {
      std::string name;
      if (!f.ByOrdinal) {
        name = lower(f.Name);
      } else if (const char* known = KnownOrdinalName(whole, f.Ordinal)) {
        name = lower(known);
      } else {
        name = "ord" + std::to_string(f.Ordinal);
      }
      if (name.empty()) continue;
      if (!text.empty()) text += ',';
      text += module + "." + name;
    }
  }
  return text;
}

std::optional<RichHeader> FindRichHeader(const Image& image) {
  const ByteView& view = image.View();
  const uint64_t end = std::min<uint64_t>(image.NewHeaderOffset(), view.Size());
  constexpr uint32_t kRich = 0x68636952, kDanS = 0x536E6144;  // "Rich", "DanS"
  for (uint64_t at = 0x80; at + 8 <= end; at += 4) {
    if (view.U32(at) != kRich) continue;
    const uint32_t key = *view.U32(at + 4);
    // Back to "DanS", which the key hides.
    for (uint64_t start = at; start >= 0x80 + 4;) {
      start -= 4;
      if ((*view.U32(start) ^ key) != kDanS) continue;
      RichHeader rich;
      rich.Offset = static_cast<uint32_t>(start);
      rich.Key = key;
      // Three padding words, then (tool, count) pairs up to "Rich".
      for (uint64_t e = start + 16; e + 8 <= at; e += 8) {
        const uint32_t tool = *view.U32(e) ^ key, count = *view.U32(e + 4) ^ key;
        rich.Entries.push_back(
            {static_cast<uint16_t>(tool >> 16), static_cast<uint16_t>(tool & 0xFFFF), count});
      }
      return rich;
    }
    return std::nullopt;
  }
  return std::nullopt;
}

std::optional<uint32_t> GuardFlags(const Image& image) {
  constexpr size_t kDirectoryLoadConfig = 10;
  auto directory = image.Directory(kDirectoryLoadConfig);
  const auto& optional = image.GetOptionalHeader();
  if (!directory || !optional) return std::nullopt;
  const uint64_t at = optional->Is64() ? 0x90 : 0x58;
  const uint8_t* size = image.AtRva(directory->VirtualAddress, 4);
  if (!size) return std::nullopt;
  // The structure's own size says which fields it has.
  const uint32_t declared = ByteView(size, 4).U32(0).value_or(0);
  if (declared < at + 4) return std::nullopt;
  const uint8_t* flags = image.AtRva(uint64_t{directory->VirtualAddress} + at, 4);
  if (!flags) return std::nullopt;
  return ByteView(flags, 4).U32(0);
}

std::optional<ClrHeader> FindClrHeader(const Image& image) {
  constexpr size_t kDirectoryClr = 14;
  auto directory = image.Directory(kDirectoryClr);
  if (!directory) return std::nullopt;
  const uint8_t* header = image.AtRva(directory->VirtualAddress, 24);
  if (!header) return std::nullopt;
  ByteView h(header, 24);
  ClrHeader clr;
  clr.MajorRuntimeVersion = *h.U16(4);
  clr.MinorRuntimeVersion = *h.U16(6);
  clr.Flags = *h.U32(16);
  // The metadata root: "BSJB", versions, a reserved word, then the counted
  // version text.
  const uint32_t metadata = *h.U32(8);
  const uint8_t* root = image.AtRva(metadata, 16);
  if (root && ByteView(root, 16).U32(0) == 0x424A5342u) {
    const uint32_t length = *ByteView(root, 16).U32(12);
    if (length <= 255) {
      if (const uint8_t* text = image.AtRva(uint64_t{metadata} + 16, length)) {
        clr.MetadataVersion = ByteView(text, length).CString(0, length).value_or("");
      }
    }
  }
  return clr;
}

}  // namespace pe
