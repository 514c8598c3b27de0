// The browser heap: a private heap for the helper library's results,
// destroyed whole.
#ifndef VISTREL_BROWSER_BROWSER_HEAP_H
#define VISTREL_BROWSER_BROWSER_HEAP_H

#include <cstddef>

#include "contracts/nubrik/nubrik.h"

namespace vistrel {

class BrowserHeap {
 public:
  static constexpr size_t kInitialSize = 512000;
  BrowserHeap();
  ~BrowserHeap();
  BrowserHeap(const BrowserHeap&) = delete;
  BrowserHeap& operator=(const BrowserHeap&) = delete;
  NUBRIK_HEAP Handle() const { return heap_; }
  explicit operator bool() const { return heap_ != nullptr; }

 private:
  NUBRIK_HEAP heap_ = nullptr;
};

}  // namespace vistrel

#endif  // VISTREL_BROWSER_BROWSER_HEAP_H
