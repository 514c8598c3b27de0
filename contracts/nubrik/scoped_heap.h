// A caller's heap for the library's results, destroyed whole when it goes out
// of scope: HeapCreate on Windows, the library's arena elsewhere. The one
// heap holder of the library's callers: the browser starts its heap at
// 512000 bytes, the inventory at 64000 (the default).
#ifndef CONTRACTS_NUBRIK_SCOPED_HEAP_H
#define CONTRACTS_NUBRIK_SCOPED_HEAP_H

#include <cstddef>

#include "contracts/nubrik/nubrik.h"

namespace nubrik {

class ScopedHeap {
 public:
  explicit ScopedHeap(size_t initialSize = 64000);
  ~ScopedHeap();
  ScopedHeap(const ScopedHeap&) = delete;
  ScopedHeap& operator=(const ScopedHeap&) = delete;
  NUBRIK_HEAP Handle() const { return heap_; }
  // False when the system gave no heap.
  explicit operator bool() const { return heap_ != nullptr; }

 private:
  NUBRIK_HEAP heap_;
};

}  // namespace nubrik

#endif  // CONTRACTS_NUBRIK_SCOPED_HEAP_H
