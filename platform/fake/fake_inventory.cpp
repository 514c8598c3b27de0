#include "platform/fake/fake_inventory.h"


#include "common/text_case.h"
#include "platform/expand_variables.h"

namespace platform::fake {
namespace {

}  // namespace

std::optional<std::vector<uint32_t>> FakeSystemInventory::ProcessIds() {
  if (failProcessIds) return std::nullopt;
  std::vector<uint32_t> ids = processOrder;
  if (ids.size() > kMaxEnumerated) ids.resize(kMaxEnumerated);
  return ids;
}

ProcessModules FakeSystemInventory::Modules(uint32_t processId) {
  ++modulesCalls;
  auto it = processes.find(processId);
  if (it == processes.end()) return {};
  ProcessModules result = it->second;
  if (result.Modules.size() > kMaxEnumerated) result.Modules.resize(kMaxEnumerated);
  return result;
}

std::optional<std::vector<DriverEntry>> FakeSystemInventory::DeviceDrivers() {
  if (!drivers) return std::nullopt;
  std::vector<DriverEntry> result = *drivers;
  if (result.size() > kMaxEnumerated) result.resize(kMaxEnumerated);
  return result;
}

void FakeSystemInventory::AddProcess(uint32_t id, std::vector<ModuleEntry> modules) {
  processOrder.push_back(id);
  processes[id] = ProcessModules{true, true, std::move(modules)};
}

void FakeSystemInventory::AddClosedProcess(uint32_t id) {
  processOrder.push_back(id);
  processes[id] = ProcessModules{};
}

std::optional<FileFacts> FakeFileCatalog::FindFirst(const std::string& path) {
  ++findCalls;
  auto it = files.find(common::Upper(path));
  if (it == files.end()) return std::nullopt;
  return it->second;
}

DriveType FakeFileCatalog::RootDriveType(const std::string& root) {
  if (root.size() < 2 || root[1] != ':') return DriveType::NoRootDir;
  auto it = drives.find(common::AsciiUpper(root[0]));
  return it == drives.end() ? DriveType::NoRootDir : it->second;
}

std::string FakeFileCatalog::DriveCurrentDirectory(char drive) {
  char letter = common::AsciiUpper(drive);
  auto it = currentDirectories.find(letter);
  return it != currentDirectories.end() ? it->second : std::string(1, letter) + ":\\";
}

std::string FakeFileCatalog::ExpandEnvironment(const std::string& text) {
  return ExpandPercentVariables(text, [&](const std::string& name) -> std::optional<std::string> {
    auto it = variables.find(common::Upper(name));
    if (it == variables.end()) return std::nullopt;
    return it->second;
  });
}

void FakeFileCatalog::AddFile(const std::string& path, int64_t size, double lastWrite) {
  files[common::Upper(path)] = FileFacts{size, false, lastWrite};
}

void FakeFileCatalog::AddDirectory(const std::string& path) {
  files[common::Upper(path)] = FileFacts{0, true, 0};
}

}  // namespace platform::fake
