// The real machine behind the inventory services (PSAPI, file search,
// drives).
#ifndef PLATFORM_WIN32_WIN32_INVENTORY_H
#define PLATFORM_WIN32_WIN32_INVENTORY_H

#include "platform/inventory.h"

namespace platform::win32 {

// A 64-bit program sees the modules of 32-bit processes too (all-module
// enumeration where the system has it).
class Win32SystemInventory : public SystemInventory {
 public:
  std::optional<std::vector<uint32_t>> ProcessIds() override;
  ProcessModules Modules(uint32_t processId) override;
  std::optional<std::vector<DriverEntry>> DeviceDrivers() override;
};

class Win32FileCatalog : public FileCatalog {
 public:
  std::optional<FileFacts> FindFirst(const std::string& path) override;
  DriveType RootDriveType(const std::string& root) override;
  std::string DriveCurrentDirectory(char drive) override;
  std::string ExpandEnvironment(const std::string& text) override;
};

}  // namespace platform::win32

#endif  // PLATFORM_WIN32_WIN32_INVENTORY_H
