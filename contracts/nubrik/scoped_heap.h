// A caller's heap for the library's results, destroyed whole when it goes out
// of scope: HeapCreate on Windows, the library's arena elsewhere.
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
  NUBRIK_HEAP Get() const { return heap_; }

 private:
  NUBRIK_HEAP heap_;
};

}  // namespace nubrik

#endif  // CONTRACTS_NUBRIK_SCOPED_HEAP_H
