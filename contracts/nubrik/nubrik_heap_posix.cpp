// The host's heap: an arena of blocks, freed whole by NubrikHeapDestroy.
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "contracts/nubrik/nubrik_internal.h"

namespace nubrik {
namespace {

class Arena {
 public:
  // Blocks start small and double up to the initial size the caller named,
  // so a heap that stays almost empty costs little.
  explicit Arena(size_t initialSize)
      : limit_(initialSize < kFirstBlock ? kFirstBlock : initialSize) {}

  void* Allocate(size_t size) {
    constexpr size_t kAlign = alignof(std::max_align_t);
    if (size > SIZE_MAX - kAlign) return nullptr;
    size = (size + kAlign - 1) & ~(kAlign - 1);
    if (size == 0) size = kAlign;
    if (blocks_.empty() || size > capacity_ - used_) {
      size_t capacity = size > blockSize_ ? size : blockSize_;
      if (blockSize_ < limit_) blockSize_ = blockSize_ * 2 < limit_ ? blockSize_ * 2 : limit_;
      std::unique_ptr<std::max_align_t[]> block(
          new (std::nothrow) std::max_align_t[capacity / sizeof(std::max_align_t) + 1]);
      if (!block) return nullptr;
      blocks_.push_back(std::move(block));
      capacity_ = capacity;
      used_ = 0;
    }
    void* p = reinterpret_cast<uint8_t*>(blocks_.back().get()) + used_;
    used_ += size;
    return p;
  }

 private:
  static constexpr size_t kFirstBlock = 8192;
  size_t limit_;
  size_t blockSize_ = kFirstBlock;
  std::vector<std::unique_ptr<std::max_align_t[]>> blocks_;
  size_t capacity_ = 0;
  size_t used_ = 0;
};

}  // namespace

size_t ProbeMappedSize(const void*) {
  return 0;
}

void* HeapAllocate(NUBRIK_HEAP heap, size_t size) {
  if (!heap) return nullptr;
  try {
    return static_cast<Arena*>(heap)->Allocate(size);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace nubrik

extern "C" {

NUBRIK_HEAP NubrikHeapCreate(size_t initialSize) {
  return new (std::nothrow) nubrik::Arena(initialSize);
}

void NubrikHeapDestroy(NUBRIK_HEAP heap) {
  delete static_cast<nubrik::Arena*>(heap);
}

}  // extern "C"
