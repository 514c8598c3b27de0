// Collecting the Win32, OCX and driver inventories from the machine.
#ifndef DLVNT_INVENTORY_COLLECT_H
#define DLVNT_INVENTORY_COLLECT_H

#include <string>
#include <vector>

#include "contracts/nubrik/scoped_heap.h"
#include "dlvnt/inventory/inventory.h"

namespace dlvnt {

// The private heap of one collecting pass: the helper library's name lists
// go there and are released all at once (64000 bytes to start, the default).
using CollectionHeap = nubrik::ScopedHeap;

// Builds an item (size, date, and the import names of a PE image) and
// appends it. An unreadable file still gives its item.
TInventoryItem& CreateItem(InventoryServices& services, ItemList& list, CollectionHeap& heap,
                           int32_t processId, int16_t kind, const std::string& name,
                           const std::string& path, const std::string& extraText);

struct Module32Collection {
  int ProcessCount = 0;
};

// Every process that can be opened, every module in it: one item per module
// name, one usage record per module and process, one tree node per process.
Module32Collection CollectModule32(InventoryServices& services, CollectionHeap& heap,
                                   ItemList& items, UsageList& usage, ProcessTree& tree);

// The server file named by a CLSID server subkey's default value, resolved
// along the search path when bare; "" when it names none.
std::string ResolveServerPath(platform::FileCatalog& catalog,
                              const std::vector<std::string>& searchPath, std::string value);

inline constexpr const char* kServerSubKeys[] = {"InprocServer32", "InprocServer", "LocalServer32",
                                                 "LocalServer"};

void CollectOCX(InventoryServices& services, CollectionHeap& heap,
                const std::vector<std::string>& searchPath, ItemList& items);

void CollectDeviceDrivers(InventoryServices& services, CollectionHeap& heap, ItemList& items);

}  // namespace dlvnt

#endif  // DLVNT_INVENTORY_COLLECT_H
