// The private heap of one collecting pass: the helper library's name lists
// go there and are released all at once.
#ifndef DLVNT_INVENTORY_COLLECTION_HEAP_H
#define DLVNT_INVENTORY_COLLECTION_HEAP_H

#include <cstddef>

#include "contracts/nubrik/nubrik.h"

namespace dlvnt {

class CollectionHeap {
 public:
  static constexpr size_t kInitialSize = 64000;
  CollectionHeap();
  ~CollectionHeap();
  CollectionHeap(const CollectionHeap&) = delete;
  CollectionHeap& operator=(const CollectionHeap&) = delete;
  NUBRIK_HEAP Handle() const { return heap_; }
  explicit operator bool() const { return heap_ != nullptr; }

 private:
  NUBRIK_HEAP heap_ = nullptr;
};

}  // namespace dlvnt

#endif  // DLVNT_INVENTORY_COLLECTION_HEAP_H
