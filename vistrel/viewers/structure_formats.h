// The structure viewer's formatters: a block of the file decoded field by
// field, one line per field ("Label:\t" and the value's hex text).
#ifndef VISTREL_VIEWERS_STRUCTURE_FORMATS_H
#define VISTREL_VIEWERS_STRUCTURE_FORMATS_H

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vistrel {

// Structure kinds: the layout of a block handed to the hex view and the
// structure viewer.
enum StructureKind : uint8_t {
  kNoStructure = 0,
  kFileHeaderStructure = 1,
  kOptionalHeaderStructure = 2,
  kCursorStructure = 3,
  kBitmapStructure = 4,
  kIconStructure = 5,
  kCursorGroupStructure = 6,
  kIconGroupStructure = 7,
  kAcceleratorStructure = 8,
  kVersionStructure = 9,
  kMenuStructure = 10,
  kDialogStructure = 11,
  kExportEntryStructure = 12,
};

inline constexpr const char* kNoStructureDefined = "No structure defined for Vistrel.";
// The last line of a listing whose count, string or field runs past the
// bytes there are.
inline constexpr const char* kDataEndsHere = "*** The data ends here ***";

// The kind of a resource type (1 CURSOR -> 3, ... 16 VERSION -> 9); 0 for
// the others.
uint8_t StructureKindOfResourceType(uint32_t type);

// What the viewer lists for a block. `bytes` are the bytes that may be read,
// from the block's start (the file's rest, or a resource's data: never more);
// `length` is the size the opener states, shown on the first line and the
// end of the accelerator and menu data. `pe32Plus` picks the 240-byte
// optional header. The first line is "Structure Size = %d Bytes".
std::vector<std::string> StructureLines(uint8_t kind, std::span<const uint8_t> bytes,
                                        int32_t length, bool pe32Plus);

}  // namespace vistrel

#endif  // VISTREL_VIEWERS_STRUCTURE_FORMATS_H
