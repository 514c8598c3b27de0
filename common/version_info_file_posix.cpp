#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

#include "common/version_info_file.h"

namespace versioninfo {

namespace {

class PosixBytes : public MappedFileBytes {
 public:
  PosixBytes(void* base, size_t size) : base_(base), size_(size) {}
  ~PosixBytes() override { munmap(base_, size_); }
  ByteView Bytes() const override { return ByteView(static_cast<const uint8_t*>(base_), size_); }

 private:
  void* base_;
  size_t size_;
};

}  // namespace

std::unique_ptr<MappedFileBytes> MapFileBytes(const std::string& path) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
      static_cast<uint64_t>(st.st_size) > SIZE_MAX) {
    close(fd);
    return nullptr;
  }
  size_t size = static_cast<size_t>(st.st_size);
  void* base = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  close(fd);
  if (base == MAP_FAILED) return nullptr;
  return std::make_unique<PosixBytes>(base, size);
}

}  // namespace versioninfo
