#include "platform/posix/posix_files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform::posix {
namespace {

class PosixView : public MappedFile {
 public:
  PosixView(void* base, size_t size) : base_(base), size_(size) {}
  ~PosixView() override {
    if (base_) munmap(base_, size_);
  }
  std::span<const uint8_t> Bytes() const override {
    return {static_cast<const uint8_t*>(base_), size_};
  }

 private:
  void* base_;
  size_t size_;
};

bool Fail(MapError* error, int code) {
  if (error) error->Message = std::strerror(code);
  return false;
}

}  // namespace

std::unique_ptr<MappedFile> PosixFileSystem::MapReadOnly(const std::string& path, MapError* error) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused
  // below, as is every file that is not a regular one.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    Fail(error, errno);
    return nullptr;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    int code = S_ISDIR(st.st_mode) ? EISDIR : errno;
    close(fd);
    Fail(error, code ? code : EINVAL);
    return nullptr;
  }
  size_t size = static_cast<size_t>(st.st_size);
  void* base = nullptr;
  if (size > 0) {
    base = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (base == MAP_FAILED) {
      int code = errno;
      close(fd);
      Fail(error, code);
      return nullptr;
    }
  }
  close(fd);
  return std::make_unique<PosixView>(base, size);
}

bool PosixFileSystem::FileExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::string> PosixFileSystem::WriteWholeFile(const std::string& path,
                                                           std::span<const uint8_t> bytes) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return path + ": " + std::strerror(errno);
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  int error = errno;
  if (std::fclose(out) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written) return std::nullopt;
  std::remove(path.c_str());
  return path + ": " + std::strerror(error);
}

std::string PosixEnvironment::ProgramPath() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

std::optional<std::string> PosixEnvironment::Variable(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (!value) return std::nullopt;
  return std::string(value);
}

}  // namespace platform::posix
