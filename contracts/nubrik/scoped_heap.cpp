#include "contracts/nubrik/scoped_heap.h"

namespace nubrik {

ScopedHeap::ScopedHeap(size_t initialSize) : heap_(NubrikHeapCreate(initialSize)) {}
ScopedHeap::~ScopedHeap() {
  NubrikHeapDestroy(heap_);
}

}  // namespace nubrik
