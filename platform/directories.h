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
  // The system's attribute bits (kAttribute...); a walk that enters only
  // plain directories compares them whole.
  uint32_t Attributes = 0;
};

// Attribute bits as the system numbers them.
constexpr uint32_t kAttributeReadOnly = 0x01;
constexpr uint32_t kAttributeHidden = 0x02;
constexpr uint32_t kAttributeSystem = 0x04;
constexpr uint32_t kAttributeDirectory = 0x10;
constexpr uint32_t kAttributeArchive = 0x20;
constexpr uint32_t kAttributeReparsePoint = 0x400;

class Directories {
 public:
  virtual ~Directories() = default;
  // The entries of one directory (with or without a closing separator), in
  // the system's order, without "." and "..". nullopt and the system's text
  // in `error` when it cannot be listed.
  virtual std::optional<std::vector<DirectoryEntry>> List(const std::string& directory,
                                                          std::string* error = nullptr) = 0;
  // The first entry that a search for the pattern finds (C:\DIR\NAME,
  // wildcards "*" and "?" in the last name), matched as the system matches:
  // without regard to case, files and directories alike. nullopt when none.
  virtual std::optional<DirectoryEntry> FindFirst(const std::string& pattern) = 0;
  // Deletes one file (never a directory). False and the system's text.
  virtual bool RemoveFile(const std::string& path, std::string* error = nullptr) = 0;
};

}  // namespace platform

#endif  // PLATFORM_DIRECTORIES_H
