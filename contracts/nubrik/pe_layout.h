// The stored layouts of the PE headers: the one place that knows at which
// offset each field sits. The reader decodes them from the file's bytes
// (after checking that they are in the file), the client from the buffers
// the C interface fills.
#ifndef CONTRACTS_NUBRIK_PE_LAYOUT_H
#define CONTRACTS_NUBRIK_PE_LAYOUT_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "contracts/nubrik/pe_image.h"

namespace pe {

// Little-endian fields; the caller has checked that the bytes exist.
inline uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline uint64_t Le64(const uint8_t* p) {
  return static_cast<uint64_t>(Le32(p + 4)) << 32 | Le32(p);
}

// The optional header up to its data directories.
constexpr size_t kOptionalHeader32FixedSize = 96;
constexpr size_t kOptionalHeader64FixedSize = 112;

FileHeader DecodeFileHeader(std::span<const uint8_t, kFileHeaderSize> bytes);

// The PE32+ layout when `wide`, else PE32 (whatever the magic says). `bytes`
// must hold the fixed part (nullopt otherwise); a data directory is read
// only when its 8 bytes are in `bytes`, and it and the ones after it stay
// zero otherwise, as do those beyond NumberOfRvaAndSizes.
std::optional<OptionalHeader> DecodeOptionalHeader(std::span<const uint8_t> bytes, bool wide);

// FileOffset is left 0: the bytes do not say where they were.
SectionHeader DecodeSectionHeader(std::span<const uint8_t, kSectionHeaderSize> bytes);

DebugEntry DecodeDebugEntry(std::span<const uint8_t, kDebugEntrySize> bytes);

}  // namespace pe

#endif  // CONTRACTS_NUBRIK_PE_LAYOUT_H
