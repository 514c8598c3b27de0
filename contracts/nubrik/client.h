// nubrik::Client: the programs' one way to nubrik's C interface. It registers
// the mapped file with the library, makes the calls and decodes the fixed
// buffers the interface fills (file header 20 bytes, optional header 224 or
// 240, section header 40, debug entry 28) and its name lists, export and
// resource records into typed records, so no caller reads a buffer at a
// numeric offset.
#ifndef CONTRACTS_NUBRIK_CLIENT_H
#define CONTRACTS_NUBRIK_CLIENT_H

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "contracts/nubrik/nubrik.h"
#include "contracts/nubrik/pe_image.h"

namespace nubrik {

struct ExportRecord {
  std::optional<std::string> Name;  // absent for an export by ordinal only
  int32_t Ordinal = 0;
  uint32_t EntryRva = 0;
};

struct ResourceRecord {
  uint32_t Type = 0;
  uint32_t Language = 0;
  std::string Name;
  uint32_t OffsetToData = 0;  // an RVA
  uint32_t Size = 0;
};

using DebugEntry = pe::DebugEntry;

// The decoders of the interface's buffers (the reader's layouts).
pe::FileHeader DecodeFileHeader(std::span<const uint8_t, pe::kFileHeaderSize> bytes);
// 224 bytes (PE32) or 240 (PE32+); nullopt for any other size.
std::optional<pe::OptionalHeader> DecodeOptionalHeader(std::span<const uint8_t> bytes);
// The name is the 8-byte field (not always NUL-terminated).
pe::SectionHeader DecodeSectionHeader(std::span<const uint8_t, pe::kSectionHeaderSize> bytes);
DebugEntry DecodeDebugEntry(std::span<const uint8_t, pe::kDebugEntrySize> bytes);
// A name list: `count` NUL-terminated texts back to back (none when count
// <= 0 or first is null).
std::vector<std::string> DecodeNameList(const char* first, int32_t count);

// One file for the library's calls: registered on construction, unregistered
// on destruction. The bytes must stay mapped for the client's life. The heap
// of the calls that need one is the caller's (results are copied out, so it
// may be destroyed after any call).
class Client {
 public:
  explicit Client(std::span<const uint8_t> file);
  ~Client();
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  // The image handle of the raw calls (null for an empty file).
  const void* Image() const { return file_.empty() ? nullptr : file_.data(); }
  std::span<const uint8_t> File() const { return file_; }

  uint32_t Signature() const;
  // e_lfanew of the DOS header; nullopt when there is no DOS header.
  std::optional<uint32_t> NewHeaderOffset() const;
  std::optional<pe::FileHeader> FileHeader() const;
  // PE32+ first, then PE32.
  std::optional<pe::OptionalHeader> OptionalHeader() const;
  uint32_t EntryPoint() const;
  std::vector<std::string> SectionNames(NUBRIK_HEAP heap) const;
  std::optional<pe::SectionHeader> SectionByName(const std::string& name) const;
  std::vector<std::string> ImportModules(NUBRIK_HEAP heap) const;
  std::vector<std::string> ImportFunctions(NUBRIK_HEAP heap, const std::string& module,
                                           int32_t occurrence) const;
  std::vector<ExportRecord> Exports(NUBRIK_HEAP heap) const;
  std::vector<ResourceRecord> Resources(NUBRIK_HEAP heap) const;
  // The first debug entry, only when it lies wholly inside the file.
  std::optional<DebugEntry> Debug() const;

 private:
  std::span<const uint8_t> file_;
};

}  // namespace nubrik

#endif  // CONTRACTS_NUBRIK_CLIENT_H
