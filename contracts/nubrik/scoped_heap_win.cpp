#include <windows.h>

#include "contracts/nubrik/scoped_heap.h"

namespace nubrik {

ScopedHeap::ScopedHeap(size_t initialSize) : heap_(HeapCreate(0, initialSize, 0)) {}
ScopedHeap::~ScopedHeap() {
  if (heap_) HeapDestroy(static_cast<HANDLE>(heap_));
}

}  // namespace nubrik
