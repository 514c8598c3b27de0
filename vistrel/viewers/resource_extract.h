// A resource as a file of its own: icon and cursor groups rebuilt into .ico
// and .cur files from their directory and the images it names, a single
// icon or cursor as a one-image file, a bitmap with its file header, and
// anything else as its bytes. Shared by --extract and the viewers' Save As.
#ifndef VISTREL_VIEWERS_RESOURCE_EXTRACT_H
#define VISTREL_VIEWERS_RESOURCE_EXTRACT_H

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "contracts/nubrik/client.h"

namespace vistrel {

inline constexpr uint32_t kResourceCursor = 1;
inline constexpr uint32_t kResourceBitmap = 2;
inline constexpr uint32_t kResourceIcon = 3;
inline constexpr uint32_t kResourceGroupCursor = 12;
inline constexpr uint32_t kResourceGroupIcon = 14;

// A record's bytes in the file, at most its size; nullopt when they start
// outside it. Fewer bytes than the record's size means the file ends first.
using ResourceBytesOf =
    std::function<std::optional<std::span<const uint8_t>>(const nubrik::ResourceRecord&)>;

struct ExtractedResource {
  std::vector<uint8_t> Bytes;
  // ".ico", ".cur", ".bmp", or empty for a resource written as it is.
  std::string Extension;
};

struct ExtractResult {
  std::optional<ExtractedResource> Resource;
  std::string Error;  // why there is none
};

// The image of `type` (1 cursor, 3 icon) and id that a group names, in the
// group's language when the file has it there, else the first of that name;
// nullptr when there is none.
const nubrik::ResourceRecord* FindGroupImage(std::span<const nubrik::ResourceRecord> records,
                                             uint32_t type, uint32_t id, uint32_t language);

// The file for records[index]. The group images are looked up among records
// by type and name (the image's id in decimal), in the group's language when
// there is one, else the first.
ExtractResult ExtractResource(std::span<const nubrik::ResourceRecord> records, size_t index,
                              const ResourceBytesOf& bytesOf);

}  // namespace vistrel

#endif  // VISTREL_VIEWERS_RESOURCE_EXTRACT_H
