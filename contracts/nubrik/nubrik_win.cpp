// Windows: results go into the caller's HeapCreate heap, and an image that
// nobody registered is measured from the regions of its mapped view.
#include <windows.h>

#include <cstdint>

#include "contracts/nubrik/nubrik_internal.h"

namespace nubrik {

size_t ProbeMappedSize(const void* image) {
  MEMORY_BASIC_INFORMATION info;
  if (!image || VirtualQuery(image, &info, sizeof info) != sizeof info) return 0;
  if (info.State != MEM_COMMIT) return 0;
  // A view is one allocation; its regions share the AllocationBase. Count
  // the committed, readable regions from the image on.
  const void* allocation = info.AllocationBase;
  const uint8_t* start = static_cast<const uint8_t*>(image);
  const uint8_t* end = start;
  const uint8_t* cursor = static_cast<const uint8_t*>(info.BaseAddress);
  for (;;) {
    if (VirtualQuery(cursor, &info, sizeof info) != sizeof info) break;
    if (info.AllocationBase != allocation || info.State != MEM_COMMIT) break;
    if (info.Protect & (PAGE_NOACCESS | PAGE_GUARD)) break;
    const uint8_t* regionEnd = static_cast<const uint8_t*>(info.BaseAddress) + info.RegionSize;
    if (regionEnd <= cursor) break;
    end = regionEnd;
    cursor = regionEnd;
  }
  return end > start ? static_cast<size_t>(end - start) : 0;
}

void* HeapAllocate(NUBRIK_HEAP heap, size_t size) {
  if (!heap) return nullptr;
  return HeapAlloc(static_cast<HANDLE>(heap), 0, size ? size : 1);
}

}  // namespace nubrik
