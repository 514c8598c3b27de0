// The C interface over pe::Image. Every call finds the image (parsed once
// when registered, see nubrik_registry.cpp), reads what it needs and copies
// results into the caller's buffers or heap; nothing throws across this
// boundary.
#include <climits>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/nubrik/nubrik_internal.h"
#include "contracts/nubrik/pe_image.h"

namespace nubrik {
namespace {

// The image behind a caller's pointer, or null when its size is unknown. A
// registered image comes parsed from the registry; any other is measured and
// parsed for this call alone.
std::shared_ptr<const pe::Image> Open(const void* image) {
  if (!image) return nullptr;
  if (auto parsed = RegisteredImage(image)) return parsed;
  size_t size = ProbeMappedSize(image);
  if (size == 0) return nullptr;
  return std::make_shared<const pe::Image>(image, size);
}

// A name list: the texts one after another, each NUL-terminated, in one block
// of the heap. Returns the count; *out gets the block (null when none).
int32_t NameList(NUBRIK_HEAP heap, const std::vector<std::string_view>& names, char** out) {
  if (out) *out = nullptr;
  if (!out || names.empty() || names.size() > INT32_MAX) return 0;
  size_t total = 0;
  for (const auto& name : names) total += name.size() + 1;
  char* block = static_cast<char*>(HeapAllocate(heap, total));
  if (!block) return 0;
  char* p = block;
  for (const auto& name : names) {
    // (An empty view may hold no pointer at all: nothing to copy then.)
    if (!name.empty()) std::memcpy(p, name.data(), name.size());
    p += name.size();
    *p++ = '\0';
  }
  *out = block;
  return static_cast<int32_t>(names.size());
}

// A NUL-terminated copy of text in the heap, or null.
const char* HeapString(NUBRIK_HEAP heap, std::string_view text) {
  char* copy = static_cast<char*>(HeapAllocate(heap, text.size() + 1));
  if (!copy) return nullptr;
  if (!text.empty()) std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

// A resource name's UTF-8 text, NUL-terminated, in the heap, or null.
const char* HeapResourceName(NUBRIK_HEAP heap, const pe::ResourceNameView& name) {
  const size_t length = name.Length();
  char* copy = static_cast<char*>(HeapAllocate(heap, length + 1));
  if (!copy) return nullptr;
  name.Write(copy);
  copy[length] = '\0';
  return copy;
}

}  // namespace
}  // namespace nubrik

using nubrik::Open;

extern "C" {

NUBRIK_BOOL NUBRIK_API NubrikDosHeader(const void* image, void* buffer64) {
  try {
    auto pe = Open(image);
    if (!pe || !buffer64) return 0;
    const uint8_t* dos = pe->DosHeaderBytes();
    if (!dos) return 0;
    std::memcpy(buffer64, dos, pe::kDosHeaderSize);
    return 1;
  } catch (...) {
    return 0;
  }
}

uint32_t NUBRIK_API NubrikSignature(const void* image) {
  try {
    auto pe = Open(image);
    if (!pe) return 0;
    return static_cast<uint32_t>(pe->GetSignature());
  } catch (...) {
    return 0;
  }
}

NUBRIK_BOOL NUBRIK_API NubrikFileHeader(const void* image, void* buffer20) {
  try {
    auto pe = Open(image);
    if (!pe || !buffer20) return 0;
    const uint8_t* header = pe->FileHeaderBytes();
    if (!header) return 0;
    std::memcpy(buffer20, header, pe::kFileHeaderSize);
    return 1;
  } catch (...) {
    return 0;
  }
}

NUBRIK_BOOL NUBRIK_API NubrikOptionalHeader(const void* image, void* buffer224) {
  try {
    auto pe = Open(image);
    if (!pe || !buffer224) return 0;
    return pe->CopyOptionalHeader(buffer224, pe::kOptionalHeader32Size) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

NUBRIK_BOOL NUBRIK_API NubrikOptionalHeader64(const void* image, void* buffer240) {
  try {
    auto pe = Open(image);
    if (!pe || !buffer240) return 0;
    return pe->CopyOptionalHeader(buffer240, pe::kOptionalHeader64Size) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

uint32_t NUBRIK_API NubrikEntryPoint(const void* image, uint32_t* unused) {
  try {
    auto pe = Open(image);
    if (!pe || !pe->GetOptionalHeader()) return 0;
    return pe->GetOptionalHeader()->AddressOfEntryPoint;
  } catch (...) {
    return 0;
  }
}

int32_t NUBRIK_API NubrikSectionNames(const void* image, NUBRIK_HEAP heap, char** names) {
  try {
    if (names) *names = nullptr;
    auto pe = Open(image);
    if (!pe) return 0;
    std::vector<std::string_view> list;
    list.reserve(pe->Sections().size());
    for (const auto& s : pe->Sections()) list.push_back(s.NameView());
    return nubrik::NameList(heap, list, names);
  } catch (...) {
    return 0;
  }
}

NUBRIK_BOOL NUBRIK_API NubrikSectionByName(const void* image, void* buffer40, const char* name) {
  try {
    auto pe = Open(image);
    if (!pe || !buffer40 || !name) return 0;
    const pe::SectionHeader* s = pe->FindSection(name);
    if (!s) return 0;
    const uint8_t* raw = pe->View().At(s->FileOffset, pe::kSectionHeaderSize);
    if (!raw) return 0;
    std::memcpy(buffer40, raw, pe::kSectionHeaderSize);
    return 1;
  } catch (...) {
    return 0;
  }
}

int32_t NUBRIK_API NubrikImportModules(const void* image, NUBRIK_HEAP heap, char** names) {
  try {
    if (names) *names = nullptr;
    auto pe = Open(image);
    if (!pe) return 0;
    std::vector<std::string_view> list;
    for (const auto& d : pe->ImportDescriptorViews()) list.push_back(d.ModuleName);
    return nubrik::NameList(heap, list, names);
  } catch (...) {
    return 0;
  }
}

int32_t NUBRIK_API NubrikImportFunctions(const void* image, NUBRIK_HEAP heap, const char* module,
                                         char** names, int32_t occurrence) {
  try {
    if (names) *names = nullptr;
    auto pe = Open(image);
    if (!pe || !module || occurrence < 0) return 0;
    // The image's index of descriptors by name: no walk per call.
    const pe::ImportDescriptorView* found =
        pe->FindImportDescriptor(module, static_cast<size_t>(occurrence));
    if (!found) return 0;
    auto functions = pe->ImportFunctionViews(found->OriginalFirstThunk, found->FirstThunk);
    // Imports by ordinal read "Ordinal N": those texts live here (never
    // reallocated, so the views stay valid) while the list is copied.
    std::vector<std::string> ordinalTexts;
    ordinalTexts.reserve(functions.size());
    std::vector<std::string_view> list;
    list.reserve(functions.size());
    for (const auto& f : functions) {
      if (f.ByOrdinal) {
        ordinalTexts.push_back("Ordinal " + std::to_string(f.Ordinal));
        list.push_back(ordinalTexts.back());
      } else {
        list.push_back(f.Name);
      }
    }
    return nubrik::NameList(heap, list, names);
  } catch (...) {
    return 0;
  }
}

NubrikExportRecord* NUBRIK_API NubrikExportTable(const void* image, NUBRIK_HEAP heap) {
  try {
    auto pe = Open(image);
    if (!pe) return nullptr;
    const auto& exports = pe->ExportViews();
    if (exports.empty() || exports.size() > INT32_MAX) return nullptr;
    auto* records = static_cast<NubrikExportRecord*>(
        nubrik::HeapAllocate(heap, sizeof(NubrikExportRecord) * exports.size()));
    if (!records) return nullptr;
    for (size_t i = 0; i < exports.size(); ++i) {
      const pe::ExportView& x = exports[i];
      records[i].Name = x.Named ? nubrik::HeapString(heap, x.Name) : nullptr;
      if (x.Named && !records[i].Name) return nullptr;
      records[i].Ordinal = static_cast<int32_t>(x.Ordinal);
      records[i].EntryRva = x.Rva;
    }
    return records;
  } catch (...) {
    return nullptr;
  }
}

int32_t NUBRIK_API NubrikExportCount(const void* image) {
  try {
    auto pe = Open(image);
    if (!pe) return 0;
    size_t count = pe->ExportCount();
    return count > INT32_MAX ? 0 : static_cast<int32_t>(count);
  } catch (...) {
    return 0;
  }
}

int32_t NUBRIK_API NubrikResourceCount(const void* image) {
  try {
    auto pe = Open(image);
    if (!pe) return 0;
    size_t count = pe->ResourceCount();
    return count > INT32_MAX ? 0 : static_cast<int32_t>(count);
  } catch (...) {
    return 0;
  }
}

NubrikResourceRecord* NUBRIK_API NubrikResourceTable(const void* image, NUBRIK_HEAP heap) {
  try {
    auto pe = Open(image);
    if (!pe) return nullptr;
    const auto& resources = pe->ResourceViews();
    if (resources.empty() || resources.size() > INT32_MAX) return nullptr;
    auto* records = static_cast<NubrikResourceRecord*>(
        nubrik::HeapAllocate(heap, sizeof(NubrikResourceRecord) * resources.size()));
    if (!records) return nullptr;
    for (size_t i = 0; i < resources.size(); ++i) {
      const pe::ResourceView& r = resources[i];
      records[i].Type = r.Type.Id.value_or(0);
      records[i].Language = r.Language;
      records[i].Name = nubrik::HeapResourceName(heap, r.Name);
      if (!records[i].Name) return nullptr;
      records[i].OffsetToData = r.OffsetToData;
      records[i].Size = r.Size;
    }
    return records;
  } catch (...) {
    return nullptr;
  }
}

const void* NUBRIK_API NubrikDebugEntry(const void* image) {
  try {
    auto pe = Open(image);
    if (!pe) return nullptr;
    return pe->FirstDebugEntry();
  } catch (...) {
    return nullptr;
  }
}

}  // extern "C"
