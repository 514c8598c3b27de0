#include "contracts/dlv16/ne_module.h"

#include "contracts/nubrik/pe_image.h"

namespace dlv16 {
namespace {

constexpr uint16_t kVersionType = 0x8000 | 16;  // an integer type id, RT_VERSION
// A real resource table holds a few dozen types; this bounds a crafted one
// that never ends.
constexpr size_t kMaxResourceTypes = 4096;

// A length-prefixed name (one length byte, then the characters).
std::optional<std::string> PascalName(const pe::ByteView& file, uint64_t offset) {
  std::optional<uint8_t> length = file.U8(offset);
  if (!length) return std::nullopt;
  const uint8_t* text = file.At(offset + 1, *length);
  if (!text) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(text), *length);
}

std::optional<std::vector<uint8_t>> FindVersion(const pe::ByteView& file, uint64_t table) {
  std::optional<uint16_t> shift = file.U16(table);
  if (!shift || *shift > 16) return std::nullopt;
  uint64_t at = table + 2;
  for (size_t types = 0; types < kMaxResourceTypes; ++types) {
    std::optional<uint16_t> type = file.U16(at);
    std::optional<uint16_t> count = file.U16(at + 2);
    if (!type || *type == 0 || !count) return std::nullopt;
    at += 8;
    if (*type == kVersionType && *count > 0) {
      std::optional<uint16_t> offset = file.U16(at);
      std::optional<uint16_t> length = file.U16(at + 2);
      if (!offset || !length) return std::nullopt;
      return file.Copy(static_cast<uint64_t>(*offset) << *shift,
                       static_cast<uint64_t>(*length) << *shift);
    }
    at += static_cast<uint64_t>(*count) * 12;
  }
  return std::nullopt;
}

}  // namespace

std::optional<NeModule> ReadNeModule(std::span<const uint8_t> bytes) {
  pe::ByteView file(bytes.data(), bytes.size());
  std::optional<uint16_t> mz = file.U16(0);
  std::optional<uint32_t> lfanew = file.U32(0x3C);
  if (!mz || *mz != 0x5A4D || !lfanew) return std::nullopt;
  uint64_t ne = *lfanew;
  std::optional<uint16_t> signature = file.U16(ne);
  if (!signature || *signature != 0x454E || !file.Has(ne, 0x40)) return std::nullopt;

  NeModule module;
  uint16_t referenceCount = *file.U16(ne + 0x1E);
  uint64_t resources = ne + *file.U16(ne + 0x24);
  uint64_t residentNames = ne + *file.U16(ne + 0x26);
  uint64_t references = ne + *file.U16(ne + 0x28);
  uint64_t importedNames = ne + *file.U16(ne + 0x2A);

  if (std::optional<std::string> name = PascalName(file, residentNames)) {
    module.ModuleName = *name;
  }
  for (uint16_t i = 0; i < referenceCount; ++i) {
    std::optional<uint16_t> offset = file.U16(references + 2u * i);
    if (!offset) break;
    if (std::optional<std::string> name = PascalName(file, importedNames + *offset)) {
      module.ImportedModules.push_back(*name);
    }
  }
  // The resource table is absent when it sits where the resident names start.
  if (resources != residentNames) module.VersionResource = FindVersion(file, resources);
  return module;
}

}  // namespace dlv16
