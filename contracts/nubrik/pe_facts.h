// What analysts look up in a PE file beyond the browser's pages: long
// section names, section entropy, the overlay, the CodeView record, the TLS
// callbacks, the relocations in summary, the delay-load imports, the rich
// header, the guard flags and the .NET header. Read
// through pe::Image, bounded like it: what runs past the file is absent or
// cut, every walk has a limit.
#ifndef CONTRACTS_NUBRIK_PE_FACTS_H
#define CONTRACTS_NUBRIK_PE_FACTS_H

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "contracts/nubrik/pe_image.h"

namespace pe {

// A section's name; "/N" (a name too long for the header, as object files
// and some linkers write it) resolved through the COFF string table, when
// the file has that table and the name in it.
std::string SectionName(const Image& image, const SectionHeader& s);

// Shannon entropy of the section's bytes in the file, in bits per byte (0
// to 8); 0 for a section without bytes in the file.
double SectionEntropy(const Image& image, const SectionHeader& s);

// Data after the end of the last section's bytes in the file.
struct Overlay {
  uint64_t Offset = 0;
  uint64_t Size = 0;
};
std::optional<Overlay> FindOverlay(const Image& image);

// The CodeView record the first CodeView debug entry points at: "RSDS"
// (GUID, age, path) or "NB10" (time stamp as signature, age, path).
struct CodeViewRecord {
  std::string Signature;
  std::array<uint8_t, 16> Guid{};  // RSDS only
  uint32_t Stamp = 0;              // NB10 only
  uint32_t Age = 0;
  std::string PdbPath;
};
std::optional<CodeViewRecord> FindCodeView(const Image& image);
// The GUID as its registry text form, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string GuidText(const std::array<uint8_t, 16>& guid);

// The TLS directory's callbacks (virtual addresses), up to the terminating
// zero, at most 4096 of them; nullopt without a TLS directory.
std::optional<std::vector<uint64_t>> TlsCallbacks(const Image& image);

// The base relocations: blocks, entries, and entries by type (0 is padding).
struct RelocationSummary {
  uint32_t Blocks = 0;
  uint32_t Entries = 0;
  std::map<uint32_t, uint32_t> ByType;
};
std::optional<RelocationSummary> Relocations(const Image& image);

// The delay-load import descriptors, each with its functions (names with
// hints, or ordinals).
std::vector<ImportDescriptor> DelayImports(const Image& image);

// The bound-import directory: the module each import was bound against and
// its time stamp then, with the modules it forwards to.
struct BoundModule {
  std::string Name;
  uint32_t TimeDateStamp = 0;
};
struct BoundImport {
  BoundModule Module;
  std::vector<BoundModule> Forwarders;
};
std::vector<BoundImport> BoundImports(const Image& image);

// The text whose MD5 is the file's import hash, as the common tools make
// it: "module.function" for each import in order, lower case, joined with
// commas; the module without its .dll, .ocx or .sys; an import by ordinal
// as "ordN", except the well-known ordinals of ws2_32, wsock32 and oleaut32,
// which are named as the tools name them. Empty without imports.
std::string ImportHashText(const Image& image);

// The "rich" header some linkers leave between the DOS stub and the PE
// header: the tools that built the file, each with a use count.
struct RichEntry {
  uint16_t ProductId = 0;
  uint16_t Build = 0;
  uint32_t Count = 0;
};
struct RichHeader {
  uint32_t Offset = 0;  // of "DanS"
  uint32_t Key = 0;
  std::vector<RichEntry> Entries;
};
std::optional<RichHeader> FindRichHeader(const Image& image);

// The load configuration's GuardFlags (control flow guard and its kin);
// nullopt when the file has no load configuration or one too short for it.
std::optional<uint32_t> GuardFlags(const Image& image);

// The .NET (CLR) header: the runtime version it asks for and its flags, and
// the version text of its metadata.
struct ClrHeader {
  uint16_t MajorRuntimeVersion = 0;
  uint16_t MinorRuntimeVersion = 0;
  uint32_t Flags = 0;
  std::string MetadataVersion;  // "v2.0.50727"; empty when unreadable
};
std::optional<ClrHeader> FindClrHeader(const Image& image);

}  // namespace pe

#endif  // CONTRACTS_NUBRIK_PE_FACTS_H
