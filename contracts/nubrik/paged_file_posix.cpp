#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <new>

#include "contracts/nubrik/nubrik.h"
#include "contracts/nubrik/nubrik_internal.h"
#include "contracts/nubrik/paged_file.h"
#include "contracts/nubrik/pe_image.h"

namespace nubrik {

// Reads the file in chunks of 16 KB, each once: a miss reads the run of
// missing chunks it needs in one call. (Larger chunks or reading ahead only
// copy bytes nobody looks at: the tables sit in few places.)
class PagedFile::Reader : public pe::Pager {
 public:
  ~Reader() override { Close(); }

  bool Open(const std::string& path) {
    Close();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0 ||
        static_cast<uint64_t>(info.st_size) > SIZE_MAX / 2) {
      ::close(fd);
      return false;
    }
    const size_t size = static_cast<size_t>(info.st_size);
    const size_t chunks = (size + kChunk - 1) / kChunk;
    if (size > capacity_) {
      buffer_.reset(new (std::nothrow) uint8_t[size]);
      capacity_ = buffer_ ? size : 0;
    }
    if (chunks > chunkCapacity_) {
      loaded_.reset(new (std::nothrow) std::atomic<uint8_t>[chunks]);
      chunkCapacity_ = loaded_ ? chunks : 0;
    }
    if (!buffer_ || !loaded_) {
      ::close(fd);
      return false;
    }
    for (size_t i = 0; i < chunks; ++i) loaded_[i].store(0, std::memory_order_relaxed);
    fd_ = fd;
    size_ = size;
    end_.store(size, std::memory_order_relaxed);
    chunks_ = chunks;
    if (!RegisterPagedImage(buffer_.get(), size_, this)) {
      Close();
      return false;
    }
    return true;
  }

  void Close() {
    if (fd_ < 0) return;
    NubrikUnregisterImage(buffer_.get());
    ::close(fd_);
    fd_ = -1;
    size_ = 0;
    chunks_ = 0;
  }

  const void* Image() const { return fd_ >= 0 ? buffer_.get() : nullptr; }
  size_t Size() const { return size_; }

  bool Load(uint64_t offset, uint64_t length) const override {
    if (offset + length > end_.load(std::memory_order_acquire)) return false;
    const uint64_t first = offset / kChunk;
    const uint64_t last = (offset + length - 1) / kChunk;
    for (uint64_t c = first; c <= last; ++c) {
      if (loaded_[c].load(std::memory_order_acquire)) continue;
      if (!LoadMissing(first, last)) return false;
      break;
    }
    // A read may have found the file shorter than it was.
    return offset + length <= end_.load(std::memory_order_acquire);
  }

 private:
  static constexpr size_t kChunk = 16 * 1024;

  bool LoadMissing(uint64_t first, uint64_t last) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (uint64_t c = first; c <= last; ++c) {
      if (loaded_[c].load(std::memory_order_relaxed)) continue;
      uint64_t end = c;
      while (end < last && !loaded_[end + 1].load(std::memory_order_relaxed)) ++end;
      const uint64_t from = c * kChunk;
      const uint64_t to = std::min<uint64_t>((end + 1) * kChunk, size_);
      if (!ReadRange(from, to)) return false;
      for (uint64_t k = c; k <= end; ++k) loaded_[k].store(1, std::memory_order_release);
      c = end;
    }
    return true;
  }

  // The file's bytes [from, to) into the buffer; false on an error. A file
  // that has become shorter since it was opened ends where it ends now: the
  // bytes before stay readable, none after.
  bool ReadRange(uint64_t from, uint64_t to) const {
    while (from < to) {
      ssize_t n = ::pread(fd_, buffer_.get() + from, to - from, static_cast<off_t>(from));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) {
        if (from < end_.load(std::memory_order_relaxed))
          end_.store(from, std::memory_order_release);
        return true;
      }
      from += static_cast<uint64_t>(n);
    }
    return true;
  }

  int fd_ = -1;
  size_t size_ = 0;
  size_t chunks_ = 0;
  mutable std::atomic<uint64_t> end_{0};  // where the file ends as far as reads have seen
  std::unique_ptr<uint8_t[]> buffer_;
  size_t capacity_ = 0;
  std::unique_ptr<std::atomic<uint8_t>[]> loaded_;
  size_t chunkCapacity_ = 0;
  mutable std::mutex mutex_;
};

PagedFile::PagedFile() : reader_(new Reader) {}
PagedFile::~PagedFile() = default;

bool PagedFile::Open(const std::string& path) {
  return reader_->Open(path);
}

void PagedFile::Close() {
  reader_->Close();
}

const void* PagedFile::Image() const {
  return reader_->Image();
}

size_t PagedFile::Size() const {
  return reader_->Size();
}

}  // namespace nubrik
