#include "vistrel/browser/browser_heap.h"

namespace vistrel {

BrowserHeap::BrowserHeap() : heap_(NubrikHeapCreate(kInitialSize)) {}
BrowserHeap::~BrowserHeap() {
  if (heap_) NubrikHeapDestroy(heap_);
}

}  // namespace vistrel
