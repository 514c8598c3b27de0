// The bytes of one file, mapped read-only for the length of one call of the
// portable version reader.
#ifndef COMMON_VERSION_INFO_FILE_H
#define COMMON_VERSION_INFO_FILE_H

#include <memory>
#include <string>

#include "common/version_info_block.h"

namespace versioninfo {

class MappedFileBytes {
 public:
  virtual ~MappedFileBytes() = default;
  virtual ByteView Bytes() const = 0;
};

// Nothing when the path is not a regular, non-empty file that can be mapped.
// Never waits on a pipe or device.
std::unique_ptr<MappedFileBytes> MapFileBytes(const std::string& path);

}  // namespace versioninfo

#endif  // COMMON_VERSION_INFO_FILE_H
