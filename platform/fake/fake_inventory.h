// A scripted machine for the inventory: processes, drivers, files and drives
// given by the test.
#ifndef PLATFORM_FAKE_FAKE_INVENTORY_H
#define PLATFORM_FAKE_FAKE_INVENTORY_H

#include <map>
#include <unordered_map>

#include "platform/inventory.h"

namespace platform::fake {

class FakeSystemInventory : public SystemInventory {
 public:
  std::optional<std::vector<uint32_t>> ProcessIds() override;
  ProcessModules Modules(uint32_t processId) override;
  std::optional<std::vector<DriverEntry>> DeviceDrivers() override;

  // Adds a process that can be opened; modules: (base name, file name).
  void AddProcess(uint32_t id, std::vector<ModuleEntry> modules);
  // Adds a process that refuses to be opened.
  void AddClosedProcess(uint32_t id);

  std::vector<uint32_t> processOrder;
  std::map<uint32_t, ProcessModules> processes;
  std::optional<std::vector<DriverEntry>> drivers = std::vector<DriverEntry>{};
  bool failProcessIds = false;
  int modulesCalls = 0;
};

// Files by path, compared without regard to case as Windows does.
class FakeFileCatalog : public FileCatalog {
 public:
  std::optional<FileFacts> FindFirst(const std::string& path) override;
  DriveType RootDriveType(const std::string& root) override;
  std::string DriveCurrentDirectory(char drive) override;
  std::string ExpandEnvironment(const std::string& text) override;

  void AddFile(const std::string& path, int64_t size, double lastWrite = 0);
  void AddDirectory(const std::string& path);

  std::unordered_map<std::string, FileFacts> files;           // upper-case path -> facts
  std::map<char, DriveType> drives{{'C', DriveType::Fixed}};  // upper-case letters
  std::map<char, std::string> currentDirectories;
  std::map<std::string, std::string> variables;  // upper-case names
  int findCalls = 0;
};

}  // namespace platform::fake

#endif  // PLATFORM_FAKE_FAKE_INVENTORY_H
