// dlvnt's records and lists: one record per module, OCX server, driver or
// Win16 module, one per grid row, one per module loaded in a process.
#ifndef DLVNT_INVENTORY_INVENTORY_H
#define DLVNT_INVENTORY_INVENTORY_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/files.h"
#include "platform/inventory.h"
#include "platform/registry.h"

namespace dlvnt {

enum ItemKind : int16_t {
  kMainModule = 0,
  kOtherModule = 1,
  kDriver = 2,
  kOcxNotImage = 3,
  kOcxImage = 4,
  kOcxUnreadable = 5
};

struct TInventoryItem {
  int32_t ProcessId = 0;
  int16_t Kind = 0;
  int32_t FileSize = -1;
  std::string ModuleName;
  std::string ModulePath;
  std::string ExtraText;
  double FileDate = 0;
  // Sorted, each name once; none when not a PE image, unreadable or empty.
  std::optional<std::vector<std::string>> ImportNames;
};

struct TDisplayRow {
  int32_t Row = 0;
  uint32_t Color = 0;  // 0x00RRGGBB
  std::string Text;
  const TInventoryItem* Item = nullptr;
};

struct TModuleUsage {
  uint32_t ProcessId = 0;
  std::string ModuleName;
  std::string ProcessName;
};

// Row colours, shared with the status bar's colour key.
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGreen = 0x008000;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kBlack = 0x000000;

inline constexpr const char* kUnknownPath = "Unknown";

// An item list keeps its items at fixed addresses (rows point at them) and
// an index by name for the merges.
class ItemList {
 public:
  size_t Count() const { return items_.size(); }
  TInventoryItem& operator[](size_t i) { return *items_[i]; }
  const TInventoryItem& operator[](size_t i) const { return *items_[i]; }
  TInventoryItem& Append(TInventoryItem item);
  bool HasName(const std::string& name) const { return names_.count(name) != 0; }
  void Clear();
  // The order that the sort buttons arrange.
  std::vector<std::unique_ptr<TInventoryItem>>& Items() { return items_; }

 private:
  std::vector<std::unique_ptr<TInventoryItem>> items_;
  std::unordered_set<std::string> names_;
};

class UsageList {
 public:
  void Append(const std::string& moduleName, const std::string& processName, uint32_t processId);
  // Index of the first record naming the module, or -1.
  int Find(const std::string& moduleName) const;
  size_t Count() const { return records_.size(); }
  const TModuleUsage& operator[](size_t i) const { return records_[i]; }
  void Clear();

 private:
  std::vector<TModuleUsage> records_;
  std::unordered_map<std::string, int> first_;
};

// A process and its module paths, as the tree shows them.
struct ProcessNode {
  std::string Text;
  std::vector<std::string> Modules;
};
using ProcessTree = std::vector<ProcessNode>;
int NodeCount(const ProcessTree& tree);

// The system and Windows directories as the system spells them.
struct SystemDirectories {
  std::string SystemDirectory;
  std::string WindowsDirectory;
  // The Windows directory after "C:\", upper case.
  std::string WindowsDirectoryTail() const;
};

// What the collectors read from the machine.
struct InventoryServices {
  platform::SystemInventory& System;
  platform::FileCatalog& Catalog;
  platform::FileSystem& Files;
  platform::Registry& Registry;
  SystemDirectories Directories;
};

}  // namespace dlvnt

#endif  // DLVNT_INVENTORY_INVENTORY_H
