// Directory listing and file deletion.
#ifndef PLATFORM_DIRECTORIES_H
#define PLATFORM_DIRECTORIES_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct DirectoryEntry {
  std::string Name;   // without the directory
  uint64_t Size = 0;  // 0 for directories
  // Last write, local time, as FileFacts::LastWrite (platform/inventory.h).
  std::optional<double> LastWrite;
  bool IsDirectory = false;
  // A link or junction (on Windows a reparse point): a walk of the tree must
  // not follow it, it may lead back to where the walk came from.
  bool IsReparsePoint = false;
};

class Directories {
 public:
  virtual ~Directories() = default;
  // The entries of one directory (with or without a closing separator), in
  // the system's order, without "." and "..". nullopt and the system's text
  // in `error` when it cannot be listed.
  virtual std::optional<std::vector<DirectoryEntry>> List(const std::string& directory,
                                                          std::string* error = nullptr) = 0;
  // Deletes one file (never a directory). False and the system's text.
  virtual bool RemoveFile(const std::string& path, std::string* error = nullptr) = 0;
};

}  // namespace platform

#endif  // PLATFORM_DIRECTORIES_H
