#include "dlvnt/inventory/collect.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <unordered_map>

#include "contracts/nubrik/client.h"
#include "dlvnt/inventory/paths.h"

namespace dlvnt {
namespace {

// Reads the import names of a mapped image into the item.
void ReadImage(const platform::MappedFile& view, CollectionHeap& heap, TInventoryItem& item) {
  if (view.Size() == 0 || !view.Data()) {
    if (item.Kind == kOcxUnreadable) item.Kind = kOcxNotImage;
    return;
  }
  nubrik::Client image(view.Bytes());
  if (image.Signature() == NUBRIK_SIG_PE) {
    std::set<std::string> sorted;
    if (heap) {
      for (const auto& name : image.ImportModules(heap.Handle())) {
        sorted.insert(Upper(FileNamePart(name)));
      }
    }
    if (!sorted.empty()) item.ImportNames = std::vector<std::string>(sorted.begin(), sorted.end());
    if (item.Kind == kOcxUnreadable) item.Kind = kOcxImage;
  } else if (item.Kind == kOcxUnreadable) {
    item.Kind = kOcxNotImage;
  }
}

}  // namespace

TInventoryItem& CreateItem(InventoryServices& services, ItemList& list, CollectionHeap& heap,
                           int32_t processId, int16_t kind, const std::string& name,
                           const std::string& path, const std::string& extraText) {
  TInventoryItem item;
  item.ProcessId = processId;
  item.Kind = kind;
  item.ModuleName = Upper(name);
  item.ModulePath = Upper(path);
  item.ExtraText = extraText;
  item.FileSize = FileSize(services.Catalog, path);
  item.FileDate = FileDate(services.Catalog, path);
  if (item.FileSize >= 0 && !path.empty()) {
    if (std::unique_ptr<platform::MappedFile> view = services.Files.MapReadOnly(path, nullptr)) {
      ReadImage(*view, heap, item);
    }
  }
  return list.Append(std::move(item));
}

Module32Collection CollectModule32(InventoryServices& services, CollectionHeap& heap,
                                   ItemList& items, UsageList& usage, ProcessTree& tree) {
  Module32Collection result;
  std::optional<std::vector<uint32_t>> ids = services.System.ProcessIds();
  if (!ids) return result;
  result.ProcessCount = static_cast<int>(ids->size());
  // Most processes load the same files: normalise each reported path once
  // per pass.
  std::unordered_map<std::string, std::string> normalised;
  auto normalise = [&](const std::string& fileName) -> const std::string& {
    auto it = normalised.find(fileName);
    if (it == normalised.end()) {
      it = normalised
               .emplace(fileName,
                        Upper(NormalisePath(services.Catalog, services.Directories, fileName)))
               .first;
    }
    return it->second;
  };
  for (uint32_t id : *ids) {
    platform::ProcessModules process = services.System.Modules(id);
    if (!process.Opened || !process.Enumerated || process.Modules.empty()) continue;
    std::string processName;
    ProcessNode* node = nullptr;
    for (size_t j = 0; j < process.Modules.size(); ++j) {
      const platform::ModuleEntry& module = process.Modules[j];
      if (j == 0) {
        tree.push_back({Upper(module.BaseName) + " (" + std::to_string(id) + ")", {}});
        node = &tree.back();
        processName = Upper(FileNamePart(module.BaseName));
      }
      node->Modules.push_back(normalise(module.FileName));
      std::string name = Upper(FileNamePart(module.BaseName));
      if (!items.HasName(name)) {
        std::string path =
            FileExists(services.Catalog, module.FileName)
                ? module.FileName
                : NormalisePath(services.Catalog, services.Directories, module.BaseName);
        CreateItem(services, items, heap, static_cast<int32_t>(id),
                   j == 0 ? kMainModule : kOtherModule, name, path, "");
      }
      usage.Append(name, processName, id);
    }
  }
  return result;
}

std::string ResolveServerPath(platform::FileCatalog& catalog,
                              const std::vector<std::string>& searchPath, std::string text) {
  // Switches follow the path ("SERVER.EXE /Automation"): end before the "/"
  // and the blanks ahead of it. Dropping just the one character before the
  // "/" would cut the path itself when no blank separates them.
  size_t slash = text.find('/');
  if (slash != std::string::npos) {
    text.resize(slash);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
  }
  size_t dash = text.find(" -");
  if (dash != std::string::npos) text.resize(dash);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    text = text.substr(1, text.size() - 2);
  }
  if (!text.empty() && !HasDirectory(text)) {
    for (const std::string& entry : searchPath) {
      std::string candidate = entry + "\\" + text;
      if (FilePresent(catalog, candidate)) {
        text = candidate;
        break;
      }
    }
  }
  return Upper(text);
}

void CollectOCX(InventoryServices& services, CollectionHeap& heap,
                const std::vector<std::string>& searchPath, ItemList& items) {
  using platform::RegistryRoot;
  if (!services.Registry.KeyExists(RegistryRoot::ClassesRoot, "CLSID")) return;
  for (const std::string& classKey :
       services.Registry.SubKeys(RegistryRoot::ClassesRoot, "CLSID")) {
    for (const char* server : kServerSubKeys) {
      std::optional<std::string> value = services.Registry.ReadString(
          RegistryRoot::ClassesRoot, "CLSID\\" + classKey + "\\" + server, "");
      if (!value) continue;
      std::string path = ResolveServerPath(services.Catalog, searchPath, *value);
      if (path.empty()) continue;
      std::string name = FileNamePart(path);
      if (name.empty() || items.HasName(name)) continue;
      CreateItem(services, items, heap, 0, kOcxUnreadable, name, path, classKey);
    }
  }
}

void CollectDeviceDrivers(InventoryServices& services, CollectionHeap& heap, ItemList& items) {
  std::optional<std::vector<platform::DriverEntry>> drivers = services.System.DeviceDrivers();
  if (!drivers) return;
  for (const platform::DriverEntry& driver : *drivers) {
    if (driver.BaseName.empty()) continue;
    std::string path =
        Upper(NormalisePath(services.Catalog, services.Directories, driver.FileName));
    CreateItem(services, items, heap, 0, kDriver, driver.BaseName, path, "");
  }
}

}  // namespace dlvnt
