// Finding the version resource in a PE file held in memory, the way the
// system does when it opens a file as data for GetFileVersionInfoA: the
// resource directory through the optional header's data directory, type 16
// and id 1 by a binary search of the id entries, a language by the system's
// order of preference, and the data through the section table.
#include <algorithm>

#include "common/version_info_system.h"

namespace versioninfo {

namespace {

constexpr uint16_t kDosSignature = 0x5A4D;     // "MZ"
constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint16_t kVersionType = 16;  // RT_VERSION
constexpr uint16_t kVersionId = 1;     // VS_VERSION_INFO
constexpr uint32_t kEntryIsDirectory = 0x80000000u;
// The system asks for the neutral language first, then the user's (taken as
// English, United States, here), its primary language, and English.
constexpr uint16_t kLanguagePreference[] = {0x0000, 0x0409, 0x0009};
// A version block states its length in 16 bits: nothing past that is read.
constexpr size_t kMaxBlockBytes = 0x10000;

class PeFile {
 public:
  explicit PeFile(ByteView file) : file_(file) {}

  bool Open() {
    auto dosSignature = U16At(0);
    auto ntOffset = U32At(0x3C);
    if (!dosSignature || *dosSignature != kDosSignature || !ntOffset) return false;
    uint64_t nt = *ntOffset;
    auto signature = U32At(nt);
    auto sectionCount = U16At(nt + 6);
    auto optionalSize = U16At(nt + 20);
    auto magic = U16At(nt + 24);
    if (!signature || *signature != kPeSignature || !sectionCount || !optionalSize || !magic) {
      return false;
    }
    sectionCount_ = *sectionCount;
    uint64_t optional = nt + 24;
    sectionTable_ = optional + *optionalSize;
    bool plus = *magic == kPe32PlusMagic;
    auto directoryCount = U32At(optional + (plus ? 108 : 92));
    auto headersSize = U32At(optional + 60);
    if (!directoryCount || !headersSize || *directoryCount <= kResourceDirectoryIndex) return false;
    uint64_t directory = optional + (plus ? 112 : 96) + kResourceDirectoryIndex * 8;
    auto resourceRva = U32At(directory);
    auto resourceSize = U32At(directory + 4);
    // The system wants room for at least the root directory's header.
    if (!resourceRva || *resourceRva == 0 || !resourceSize || *resourceSize < 16) return false;
    // Inside the headers an address is its own file offset.
    if (*resourceRva < *headersSize) {
      root_ = *resourceRva;
      return true;
    }
    auto root = RvaToOffset(*resourceRva);
    if (!root) return false;
    root_ = *root;
    return true;
  }

  // Where an address lies in the file: the first section whose file data
  // covers it, and how many of the section's file bytes follow it.
  struct Place {
    uint64_t Offset;
    uint64_t RawLeft;
  };
  std::optional<Place> Locate(uint32_t rva) const {
    for (uint32_t i = 0; i < sectionCount_; ++i) {
      uint64_t header = sectionTable_ + uint64_t{i} * 40;
      auto address = U32At(header + 12);
      auto rawSize = U32At(header + 16);
      auto rawOffset = U32At(header + 20);
      if (!address || !rawSize || !rawOffset) return std::nullopt;
      if (*address <= rva && uint64_t{rva} < uint64_t{*address} + *rawSize) {
        return Place{uint64_t{*rawOffset} + (rva - *address),
                     uint64_t{*rawSize} - (rva - *address)};
      }
    }
    return std::nullopt;
  }
  std::optional<uint64_t> RvaToOffset(uint32_t rva) const {
    auto place = Locate(rva);
    if (!place) return std::nullopt;
    return place->Offset;
  }

  // An entry's target (a directory, or a data entry when wantDirectory is
  // false) by id, searched the way the system does: binary search over the
  // id entries, which follow the named ones.
  std::optional<uint64_t> FindById(uint64_t directory, uint16_t id, bool wantDirectory) const {
    auto namedCount = U16At(directory + 12);
    auto idCount = U16At(directory + 14);
    if (!namedCount || !idCount) return std::nullopt;
    int64_t low = *namedCount;
    int64_t high = low + *idCount - 1;
    while (low <= high) {
      int64_t middle = (low + high) / 2;
      uint64_t entry = directory + 16 + static_cast<uint64_t>(middle) * 8;
      auto name = U32At(entry);
      auto target = U32At(entry + 4);
      if (!name || !target) return std::nullopt;
      uint16_t entryId = static_cast<uint16_t>(*name & 0xFFFF);
      if (entryId == id) {
        if (((*target & kEntryIsDirectory) != 0) != wantDirectory) return std::nullopt;
        return root_ + (*target & ~kEntryIsDirectory);
      }
      if (entryId > id) {
        high = middle - 1;
      } else {
        low = middle + 1;
      }
    }
    return std::nullopt;
  }

  std::optional<uint64_t> FindFirst(uint64_t directory, bool wantDirectory) const {
    auto namedCount = U16At(directory + 12);
    auto idCount = U16At(directory + 14);
    if (!namedCount || !idCount) return std::nullopt;
    uint32_t count = uint32_t{*namedCount} + *idCount;
    for (uint32_t i = 0; i < count; ++i) {
      auto target = U32At(directory + 16 + uint64_t{i} * 8 + 4);
      if (!target) return std::nullopt;
      if (((*target & kEntryIsDirectory) != 0) == wantDirectory) {
        return root_ + (*target & ~kEntryIsDirectory);
      }
    }
    return std::nullopt;
  }

  std::optional<std::vector<uint8_t>> VersionResource() const {
    auto types = FindById(root_, kVersionType, true);
    if (!types) return std::nullopt;
    auto languages = FindById(*types, kVersionId, true);
    if (!languages) return std::nullopt;
    std::optional<uint64_t> dataEntry;
    for (uint16_t language : kLanguagePreference) {
      if ((dataEntry = FindById(*languages, language, false))) break;
    }
    if (!dataEntry) dataEntry = FindFirst(*languages, false);
    if (!dataEntry) return std::nullopt;
    auto dataRva = U32At(*dataEntry);
    auto dataSize = U32At(*dataEntry + 4);
    if (!dataRva || !dataSize || *dataSize == 0) return std::nullopt;
    auto place = Locate(*dataRva);
    if (!place || place->Offset >= file_.Size()) return std::nullopt;
    // The system reads the data through the file laid out as an image: what
    // runs past the section's file bytes reads as zeros there. Nothing is
    // read past the end of the file either.
    size_t size = static_cast<size_t>(std::min<uint64_t>(*dataSize, kMaxBlockBytes));
    size_t present = static_cast<size_t>(
        std::min<uint64_t>({size, place->RawLeft, file_.Size() - place->Offset}));
    auto bytes = file_.Copy(static_cast<size_t>(place->Offset), present);
    if (!bytes) return std::nullopt;
    if (present < place->RawLeft && present < size) return bytes;  // cut by the end of the file
    bytes->resize(size, 0);
    return bytes;
  }

 private:
  std::optional<uint16_t> U16At(uint64_t offset) const {
    if (offset > file_.Size()) return std::nullopt;
    return file_.U16(static_cast<size_t>(offset));
  }
  std::optional<uint32_t> U32At(uint64_t offset) const {
    if (offset > file_.Size()) return std::nullopt;
    return file_.U32(static_cast<size_t>(offset));
  }

  ByteView file_;
  uint32_t sectionCount_ = 0;
  uint64_t sectionTable_ = 0;
  uint64_t root_ = 0;
};

}  // namespace

std::optional<std::vector<uint8_t>> ReadVersionResource(ByteView file) {
  PeFile pe(file);
  if (!pe.Open()) return std::nullopt;
  return pe.VersionResource();
}

}  // namespace versioninfo
