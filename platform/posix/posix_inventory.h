// The inventory services on Linux: processes and their mapped files from
// /proc, files by path found without regard to case (as module paths are
// stored in upper case).
#ifndef PLATFORM_POSIX_POSIX_INVENTORY_H
#define PLATFORM_POSIX_POSIX_INVENTORY_H

#include <map>
#include <unordered_map>

#include "platform/files.h"
#include "platform/inventory.h"

namespace platform::posix {

// Processes from /proc; a process's modules are its program followed by the
// other files it maps, in address order. Linux has no loaded-driver list.
class PosixSystemInventory : public SystemInventory {
 public:
  std::optional<std::vector<uint32_t>> ProcessIds() override;
  ProcessModules Modules(uint32_t processId) override;
  std::optional<std::vector<DriverEntry>> DeviceDrivers() override {
    return std::vector<DriverEntry>{};
  }
};

// Finds a path as written, else by matching each component without regard
// to case; a backslash separates components as a slash does. Directory listings are kept for the
// object's life.
class CaseResolver {
 public:
  std::optional<std::string> Resolve(const std::string& path);

 private:
  const std::unordered_map<std::string, std::string>& Listing(const std::string& dir);
  std::unordered_map<std::string, std::unordered_map<std::string, std::string>> listings_;
};

class PosixFileCatalog : public FileCatalog {
 public:
  std::optional<FileFacts> FindFirst(const std::string& path) override;
  DriveType RootDriveType(const std::string& root) override;
  std::string DriveCurrentDirectory(char drive) override;
  std::string ExpandEnvironment(const std::string& text) override;
  CaseResolver& Resolver() { return resolver_; }

 private:
  CaseResolver resolver_;
};

// Maps files found by the catalog's resolver.
class CaseInsensitiveFileSystem : public FileSystem {
 public:
  CaseInsensitiveFileSystem(FileSystem& files, CaseResolver& resolver)
      : files_(files), resolver_(resolver) {}
  std::unique_ptr<MappedFile> MapReadOnly(const std::string& path, MapError* error) override;
  bool FileExists(const std::string& path) override;
  std::optional<std::string> WriteWholeFile(const std::string& path,
                                            std::span<const uint8_t> bytes) override {
    return files_.WriteWholeFile(path, bytes);
  }

 private:
  FileSystem& files_;
  CaseResolver& resolver_;
};

}  // namespace platform::posix

#endif  // PLATFORM_POSIX_POSIX_INVENTORY_H
