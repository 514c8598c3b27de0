#include "contracts/nubrik/pe_report.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "contracts/nubrik/nubrik.h"
#include "contracts/nubrik/pe_image.h"
#include "contracts/nubrik/pe_layout.h"
#include "contracts/nubrik/scoped_heap.h"

namespace nubrik {
namespace {

void Line(std::string& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  if (n > 0) {
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, again);
    out.append(text.data(), static_cast<size_t>(n));
  }
  va_end(again);
  out += '\n';
}

const char* SignatureText(uint32_t signature) {
  switch (signature) {
    case NUBRIK_SIG_MZ:
      return "MZ";
    case NUBRIK_SIG_NE:
      return "NE";
    case NUBRIK_SIG_LE:
      return "LE";
    case NUBRIK_SIG_PE:
      return "PE";
    default:
      return "none";
  }
}

// Takes the list's address so that Names(&p, Call(&p)) reads p after the
// call whatever the order in which the arguments are evaluated.
std::vector<std::string> Names(char* const* list, int32_t count) {
  std::vector<std::string> names;
  const char* first = *list;
  for (int32_t i = 0; first && i < count; ++i) {
    names.emplace_back(first);
    first += names.back().size() + 1;
  }
  return names;
}

}  // namespace

std::string PeReport(const void* data, size_t size) {
  std::string out;
  if (!NubrikRegisterImage(data, size)) return "error empty\n";
  pe::Image image(data, size);
  ScopedHeap heap;
  Line(out, "signature %s", SignatureText(NubrikSignature(data)));

  uint8_t fh[20];
  if (NubrikFileHeader(data, fh)) {
    const pe::FileHeader f = pe::DecodeFileHeader(fh);
    Line(out, "file %x %x %x %x %x %x %x", f.Machine, f.NumberOfSections, f.TimeDateStamp,
         f.PointerToSymbolTable, f.NumberOfSymbols, f.SizeOfOptionalHeader, f.Characteristics);
  }
  if (const auto& o = image.GetOptionalHeader()) {
    Line(out,
         "optional %x %x %x %x %x %x %x %x %x %" PRIx64
         " %x %x %x %x %x %x %x %x %x %x %x %x %x %x %" PRIx64 " %" PRIx64 " %" PRIx64 " %" PRIx64
         " %x %x",
         o->Magic, o->MajorLinkerVersion, o->MinorLinkerVersion, o->SizeOfCode,
         o->SizeOfInitializedData, o->SizeOfUninitializedData, o->AddressOfEntryPoint,
         o->BaseOfCode, o->BaseOfData, o->ImageBase, o->SectionAlignment, o->FileAlignment,
         o->MajorOperatingSystemVersion, o->MinorOperatingSystemVersion, o->MajorImageVersion,
         o->MinorImageVersion, o->MajorSubsystemVersion, o->MinorSubsystemVersion,
         o->Win32VersionValue, o->SizeOfImage, o->SizeOfHeaders, o->CheckSum, o->Subsystem,
         o->DllCharacteristics, o->SizeOfStackReserve, o->SizeOfStackCommit, o->SizeOfHeapReserve,
         o->SizeOfHeapCommit, o->LoaderFlags, o->NumberOfRvaAndSizes);
    const size_t count = o->NumberOfRvaAndSizes < 16 ? o->NumberOfRvaAndSizes : 16;
    for (size_t i = 0; i < count; ++i) {
      Line(out, "directory %zu %x %x", i, o->Directories[i].VirtualAddress, o->Directories[i].Size);
    }
  }
  for (const auto& s : image.Sections()) {
    Line(out, "section %s %x %x %x %x %x %x %x %x %x", s.NameText().c_str(), s.VirtualSize,
         s.VirtualAddress, s.SizeOfRawData, s.PointerToRawData, s.PointerToRelocations,
         s.PointerToLinenumbers, s.NumberOfRelocations, s.NumberOfLinenumbers, s.Characteristics);
  }

  // Imports: each descriptor's module and the functions of its occurrence.
  char* modules = nullptr;
  const int32_t moduleCount = NubrikImportModules(data, heap.Handle(), &modules);
  const auto moduleNames = Names(&modules, moduleCount);
  std::vector<std::string> seen;
  for (const auto& module : moduleNames) {
    int32_t occurrence = 0;
    for (const auto& earlier : seen) {
      if (pe::SameModuleName(earlier, module)) ++occurrence;
    }
    seen.push_back(module);
    Line(out, "import %s", module.c_str());
    char* functions = nullptr;
    int32_t n = NubrikImportFunctions(data, heap.Handle(), module.c_str(), &functions, occurrence);
    for (const auto& f : Names(&functions, n)) Line(out, " %s", f.c_str());
  }

  const int32_t exportCount = NubrikExportCount(data);
  const NubrikExportRecord* exports = NubrikExportTable(data, heap.Handle());
  auto forwarders = image.Exports();
  for (int32_t i = 0; exports && i < exportCount; ++i) {
    const auto& fwd = forwarders[static_cast<size_t>(i)].Forwarder;
    Line(out, "export %d %x %s%s%s", exports[i].Ordinal, exports[i].EntryRva,
         exports[i].Name ? exports[i].Name : "-", fwd ? " -> " : "", fwd ? fwd->c_str() : "");
  }

  const int32_t resourceCount = NubrikResourceCount(data);
  const NubrikResourceRecord* resources = NubrikResourceTable(data, heap.Handle());
  auto typeNames = image.Resources();
  for (int32_t i = 0; resources && i < resourceCount; ++i) {
    const auto& r = typeNames[static_cast<size_t>(i)];
    Line(out, "resource %u %s %s %x %x %x", resources[i].Type, r.TypeId ? "-" : r.TypeName.c_str(),
         resources[i].Name, resources[i].Language, resources[i].OffsetToData, resources[i].Size);
  }

  if (const auto* debug = static_cast<const uint8_t*>(NubrikDebugEntry(data))) {
    Line(out, "debug %u",
         pe::DecodeDebugEntry(
             std::span<const uint8_t, pe::kDebugEntrySize>(debug, pe::kDebugEntrySize))
             .Type);
  }
  NubrikUnregisterImage(data);
  return out;
}

uint64_t ExerciseAllCalls(const void* image) {
  uint64_t sum = 0;
  uint8_t buffer[240];
  sum += NubrikDosHeader(image, buffer);
  sum += NubrikSignature(image);
  sum += NubrikFileHeader(image, buffer);
  sum += NubrikOptionalHeader(image, buffer);
  sum += NubrikOptionalHeader64(image, buffer);
  uint32_t unused = 0;
  sum += NubrikEntryPoint(image, &unused);
  ScopedHeap heap;
  char* names = nullptr;
  // Each call reads the whole table, so a file of thousands of sections or
  // descriptors is exercised on its first ones only: the test stays linear.
  constexpr size_t kMaxLookups = 16;
  const auto sections = Names(&names, NubrikSectionNames(image, heap.Handle(), &names));
  for (size_t i = 0; i < sections.size() && i < kMaxLookups; ++i) {
    sum += NubrikSectionByName(image, buffer, sections[i].c_str()) + buffer[8];
  }
  const auto modules = Names(&names, NubrikImportModules(image, heap.Handle(), &names));
  for (size_t i = 0; i < modules.size() && i < kMaxLookups; ++i) {
    int32_t occurrence = 0;
    for (size_t j = 0; j < i; ++j) occurrence += pe::SameModuleName(modules[j], modules[i]) ? 1 : 0;
    char* functions = nullptr;
    int32_t n =
        NubrikImportFunctions(image, heap.Handle(), modules[i].c_str(), &functions, occurrence);
    for (const auto& f : Names(&functions, n)) sum += f.size();
  }
  const int32_t exportCount = NubrikExportCount(image);
  if (const NubrikExportRecord* e = NubrikExportTable(image, heap.Handle())) {
    for (int32_t i = 0; i < exportCount; ++i) {
      sum +=
          e[i].EntryRva + static_cast<uint32_t>(e[i].Ordinal) + (e[i].Name ? strlen(e[i].Name) : 0);
    }
  }
  const int32_t resourceCount = NubrikResourceCount(image);
  if (const NubrikResourceRecord* r = NubrikResourceTable(image, heap.Handle())) {
    for (int32_t i = 0; i < resourceCount; ++i) {
      sum += r[i].Type + r[i].Language + r[i].OffsetToData + r[i].Size + strlen(r[i].Name);
    }
  }
  if (const auto* d = static_cast<const uint8_t*>(NubrikDebugEntry(image))) sum += d[27];
  return sum;
}

}  // namespace nubrik
