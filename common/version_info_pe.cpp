// Finding the version resource in a PE file held in memory, the way the
// system does when it opens a file as data for GetFileVersionInfoA: the
// resource directory through the optional header's data directory, type 16
// and id 1 by a binary search of the id entries, a language by the system's
// order of preference, and the data through the section table. The headers
// and the section table come from the PE reader; the addresses are mapped
// the way the system maps those of a file opened as data, which is not the
// loader's way (see Locate).
#include <algorithm>

#include "common/version_info_system.h"

namespace versioninfo {

namespace {

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
  explicit PeFile(ByteView file) : image_(file), file_(file) {}

  bool Open() {
    if (!image_.IsPe() || !image_.GetOptionalHeader()) return false;
    auto directory = image_.Directory(pe::kResourceDirectory);
    // The system wants room for at least the root directory's header.
    if (!directory || directory->Size < 16) return false;
    // Inside the headers an address is its own file offset.
    if (directory->VirtualAddress < image_.GetOptionalHeader()->SizeOfHeaders) {
      root_ = directory->VirtualAddress;
      return true;
    }
    auto root = RvaToOffset(directory->VirtualAddress);
    if (!root) return false;
    root_ = *root;
    return true;
  }

  // Where an address lies in the file: the first section whose file data
  // covers it, and how many of the section's file bytes follow it. A file
  // opened as data is not laid out by the loader: the raw pointer is taken
  // as stored, without the loader's rounding.
  struct Place {
    uint64_t Offset;
    uint64_t RawLeft;
  };
  std::optional<Place> Locate(uint32_t rva) const {
    for (const pe::SectionHeader& s : image_.Sections()) {
      if (s.VirtualAddress <= rva && uint64_t{rva} < uint64_t{s.VirtualAddress} + s.SizeOfRawData) {
        return Place{uint64_t{s.PointerToRawData} + (rva - s.VirtualAddress),
                     uint64_t{s.SizeOfRawData} - (rva - s.VirtualAddress)};
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
  std::optional<uint16_t> U16At(uint64_t offset) const { return file_.U16(offset); }
  std::optional<uint32_t> U32At(uint64_t offset) const { return file_.U32(offset); }

  pe::Image image_;
  ByteView file_;
  uint64_t root_ = 0;
};

}  // namespace

std::optional<std::vector<uint8_t>> ReadVersionResource(ByteView file) {
  PeFile pe(file);
  if (!pe.Open()) return std::nullopt;
  return pe.VersionResource();
}

}  // namespace versioninfo
