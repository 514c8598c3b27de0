#include <windows.h>

#include "vistrel/browser/browser_heap.h"

namespace vistrel {

BrowserHeap::BrowserHeap() : heap_(HeapCreate(0, kInitialSize, 0)) {}
BrowserHeap::~BrowserHeap() {
  if (heap_) HeapDestroy(heap_);
}

}  // namespace vistrel
