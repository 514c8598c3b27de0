// The host's heap: an arena of blocks, freed whole by NubrikHeapDestroy.
// Destroyed arenas hand their blocks to a small process-wide pool that the
// next arenas draw from: a program that opens file after file reuses memory
// that is already mapped instead of faulting fresh pages in each time.
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "contracts/nubrik/nubrik_internal.h"

#if defined(__SANITIZE_ADDRESS__)
#define NUBRIK_POOL_BLOCKS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NUBRIK_POOL_BLOCKS 0
#endif
#endif
#ifndef NUBRIK_POOL_BLOCKS
#define NUBRIK_POOL_BLOCKS 1
#endif

namespace nubrik {
namespace {

struct Block {
  std::unique_ptr<std::max_align_t[]> memory;
  size_t capacity = 0;
};

// Freed blocks kept for reuse, up to kPoolBytes in all. (With AddressSanitizer
// every block goes back to the allocator, so a result read after its heap is
// destroyed is still caught.)
class BlockPool {
 public:
  static BlockPool& Get() {
    static BlockPool* pool = new BlockPool;  // never destroyed: arenas may outlive statics
    return *pool;
  }

  // A kept block of at least `capacity` bytes (the smallest such), or an
  // empty one.
  Block Take(size_t capacity) {
    std::lock_guard<std::mutex> lock(mutex_);
    size_t best = blocks_.size();
    for (size_t i = 0; i < blocks_.size(); ++i) {
      if (blocks_[i].capacity >= capacity &&
          (best == blocks_.size() || blocks_[i].capacity < blocks_[best].capacity)) {
        best = i;
      }
    }
    if (best == blocks_.size()) return {};
    Block block = std::move(blocks_[best]);
    blocks_[best] = std::move(blocks_.back());
    blocks_.pop_back();
    bytes_ -= block.capacity;
    return block;
  }

  void Give(Block block) {
    if (!NUBRIK_POOL_BLOCKS || block.capacity > kPoolBytes) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (bytes_ + block.capacity > kPoolBytes || blocks_.size() >= kPoolBlocks) return;
    bytes_ += block.capacity;
    try {
      blocks_.push_back(std::move(block));
    } catch (...) {
      bytes_ -= block.capacity;
    }
  }

 private:
  static constexpr size_t kPoolBytes = 8 << 20;
  static constexpr size_t kPoolBlocks = 64;
  std::mutex mutex_;
  std::vector<Block> blocks_;
  size_t bytes_ = 0;
};

class Arena {
 public:
  // Blocks start small and double up to the initial size the caller named,
  // so a heap that stays almost empty costs little.
  explicit Arena(size_t initialSize)
      : limit_(initialSize < kFirstBlock ? kFirstBlock : initialSize) {}

  ~Arena() {
    for (auto& block : blocks_) BlockPool::Get().Give(std::move(block));
  }

  void* Allocate(size_t size) {
    constexpr size_t kAlign = alignof(std::max_align_t);
    if (size > SIZE_MAX - kAlign) return nullptr;
    size = (size + kAlign - 1) & ~(kAlign - 1);
    if (size == 0) size = kAlign;
    if (blocks_.empty() || size > capacity_ - used_) {
      size_t capacity = size > blockSize_ ? size : blockSize_;
      if (blockSize_ < limit_) blockSize_ = blockSize_ * 2 < limit_ ? blockSize_ * 2 : limit_;
      Block block = BlockPool::Get().Take(capacity);
      if (!block.memory) {
        block.memory.reset(new (std::nothrow)
                               std::max_align_t[capacity / sizeof(std::max_align_t) + 1]);
        if (!block.memory) return nullptr;
        block.capacity = capacity;
      }
      // Kept first: should the list fail to grow, the block in use stays the
      // current one with its own capacity.
      blocks_.push_back(std::move(block));
      capacity_ = blocks_.back().capacity;
      used_ = 0;
    }
    void* p = reinterpret_cast<uint8_t*>(blocks_.back().memory.get()) + used_;
    used_ += size;
    return p;
  }

 private:
  static constexpr size_t kFirstBlock = 8192;
  size_t limit_;
  size_t blockSize_ = kFirstBlock;
  std::vector<Block> blocks_;
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
