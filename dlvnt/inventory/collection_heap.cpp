#include "dlvnt/inventory/collection_heap.h"

namespace dlvnt {

CollectionHeap::CollectionHeap() : heap_(NubrikHeapCreate(kInitialSize)) {}
CollectionHeap::~CollectionHeap() {
  if (heap_) NubrikHeapDestroy(heap_);
}

}  // namespace dlvnt
