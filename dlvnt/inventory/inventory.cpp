#include "dlvnt/inventory/inventory.h"

#include "dlvnt/inventory/paths.h"

namespace dlvnt {

TInventoryItem& ItemList::Append(TInventoryItem item) {
  names_.insert(item.ModuleName);
  items_.push_back(std::make_unique<TInventoryItem>(std::move(item)));
  return *items_.back();
}

void ItemList::Clear() {
  items_.clear();
  names_.clear();
}

void UsageList::Append(const std::string& moduleName, const std::string& processName,
                       uint32_t processId) {
  TModuleUsage usage{processId, Upper(moduleName), Upper(processName)};
  first_.emplace(usage.ModuleName, static_cast<int>(records_.size()));
  records_.push_back(std::move(usage));
}

int UsageList::Find(const std::string& moduleName) const {
  auto it = first_.find(moduleName);
  return it == first_.end() ? -1 : it->second;
}

void UsageList::Clear() {
  records_.clear();
  first_.clear();
}

int NodeCount(const ProcessTree& tree) {
  int count = 0;
  for (const ProcessNode& node : tree) count += 1 + static_cast<int>(node.Modules.size());
  return count;
}

std::string SystemDirectories::WindowsDirectoryTail() const {
  return WindowsDirectory.size() > 3 ? Upper(WindowsDirectory.substr(3)) : std::string();
}

}  // namespace dlvnt
