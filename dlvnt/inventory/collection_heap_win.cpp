#include <windows.h>

#include "dlvnt/inventory/collection_heap.h"

namespace dlvnt {

CollectionHeap::CollectionHeap() : heap_(HeapCreate(0, kInitialSize, 0)) {}
CollectionHeap::~CollectionHeap() {
  if (heap_) HeapDestroy(heap_);
}

}  // namespace dlvnt
