#include "contracts/nubrik/pe_layout.h"

#include <algorithm>
#include <cstring>

namespace pe {

FileHeader DecodeFileHeader(std::span<const uint8_t, kFileHeaderSize> bytes) {
  const uint8_t* p = bytes.data();
  FileHeader h;
  h.Machine = Le16(p);
  h.NumberOfSections = Le16(p + 2);
  h.TimeDateStamp = Le32(p + 4);
  h.PointerToSymbolTable = Le32(p + 8);
  h.NumberOfSymbols = Le32(p + 12);
  h.SizeOfOptionalHeader = Le16(p + 16);
  h.Characteristics = Le16(p + 18);
  return h;
}

std::optional<OptionalHeader> DecodeOptionalHeader(std::span<const uint8_t> bytes, bool wide) {
  const size_t fixed = wide ? kOptionalHeader64FixedSize : kOptionalHeader32FixedSize;
  if (bytes.size() < fixed) return std::nullopt;
  const uint8_t* p = bytes.data();
  OptionalHeader h;
  h.Magic = Le16(p);
  h.MajorLinkerVersion = p[2];
  h.MinorLinkerVersion = p[3];
  h.SizeOfCode = Le32(p + 4);
  h.SizeOfInitializedData = Le32(p + 8);
  h.SizeOfUninitializedData = Le32(p + 12);
  h.AddressOfEntryPoint = Le32(p + 16);
  h.BaseOfCode = Le32(p + 20);
  // The two layouts part at BaseOfData, which PE32+ spends on a wider
  // ImageBase, and again at the stack and heap sizes.
  if (wide) {
    h.ImageBase = Le64(p + 24);
  } else {
    h.BaseOfData = Le32(p + 24);
    h.ImageBase = Le32(p + 28);
  }
  h.SectionAlignment = Le32(p + 32);
  h.FileAlignment = Le32(p + 36);
  h.MajorOperatingSystemVersion = Le16(p + 40);
  h.MinorOperatingSystemVersion = Le16(p + 42);
  h.MajorImageVersion = Le16(p + 44);
  h.MinorImageVersion = Le16(p + 46);
  h.MajorSubsystemVersion = Le16(p + 48);
  h.MinorSubsystemVersion = Le16(p + 50);
  h.Win32VersionValue = Le32(p + 52);
  h.SizeOfImage = Le32(p + 56);
  h.SizeOfHeaders = Le32(p + 60);
  h.CheckSum = Le32(p + 64);
  h.Subsystem = Le16(p + 68);
  h.DllCharacteristics = Le16(p + 70);
  if (wide) {
    h.SizeOfStackReserve = Le64(p + 72);
    h.SizeOfStackCommit = Le64(p + 80);
    h.SizeOfHeapReserve = Le64(p + 88);
    h.SizeOfHeapCommit = Le64(p + 96);
    h.LoaderFlags = Le32(p + 104);
    h.NumberOfRvaAndSizes = Le32(p + 108);
  } else {
    h.SizeOfStackReserve = Le32(p + 72);
    h.SizeOfStackCommit = Le32(p + 76);
    h.SizeOfHeapReserve = Le32(p + 80);
    h.SizeOfHeapCommit = Le32(p + 84);
    h.LoaderFlags = Le32(p + 88);
    h.NumberOfRvaAndSizes = Le32(p + 92);
  }
  const size_t count = std::min<uint64_t>(h.NumberOfRvaAndSizes, kMaxDataDirectories);
  for (size_t i = 0; i < count && fixed + 8 * i + 8 <= bytes.size(); ++i) {
    const uint8_t* d = p + fixed + 8 * i;
    h.Directories[i] = {Le32(d), Le32(d + 4)};
  }
  return h;
}

SectionHeader DecodeSectionHeader(std::span<const uint8_t, kSectionHeaderSize> bytes) {
  const uint8_t* p = bytes.data();
  SectionHeader s;
  std::memcpy(s.Name.data(), p, s.Name.size());
  s.VirtualSize = Le32(p + 8);
  s.VirtualAddress = Le32(p + 12);
  s.SizeOfRawData = Le32(p + 16);
  s.PointerToRawData = Le32(p + 20);
  s.PointerToRelocations = Le32(p + 24);
  s.PointerToLinenumbers = Le32(p + 28);
  s.NumberOfRelocations = Le16(p + 32);
  s.NumberOfLinenumbers = Le16(p + 34);
  s.Characteristics = Le32(p + 36);
  return s;
}

DebugEntry DecodeDebugEntry(std::span<const uint8_t, kDebugEntrySize> bytes) {
  const uint8_t* p = bytes.data();
  DebugEntry d;
  d.Characteristics = Le32(p);
  d.TimeDateStamp = Le32(p + 4);
  d.MajorVersion = Le16(p + 8);
  d.MinorVersion = Le16(p + 10);
  d.Type = Le32(p + 12);
  d.SizeOfData = Le32(p + 16);
  d.AddressOfRawData = Le32(p + 20);
  d.PointerToRawData = Le32(p + 24);
  return d;
}

}  // namespace pe
