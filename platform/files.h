// File access: whole files mapped read-only.
#ifndef PLATFORM_FILES_H
#define PLATFORM_FILES_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace platform {

// A read-only view of a whole file; the view lives as long as the object.
class MappedFile {
 public:
  virtual ~MappedFile() = default;
  virtual std::span<const uint8_t> Bytes() const = 0;
  const uint8_t* Data() const { return Bytes().data(); }
  size_t Size() const { return Bytes().size(); }
};

struct MapError {
  std::string Message;  // the system's text, for the error report
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Maps the whole file read-only (copy-on-write where the system offers it).
  // An empty file gives a view of size 0. nullptr and `error` on failure.
  virtual std::unique_ptr<MappedFile> MapReadOnly(const std::string& path,
                                                  MapError* error = nullptr) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  // Writes the whole file, replacing one of that name; nullopt when done,
  // else the system's text with the path. A failed write leaves no part of
  // the file behind.
  virtual std::optional<std::string> WriteWholeFile(const std::string& path,
                                                    std::span<const uint8_t> bytes) = 0;
};

// A view over bytes the caller already holds (tests, fakes).
class MemoryFile : public MappedFile {
 public:
  explicit MemoryFile(std::string bytes) : bytes_(std::move(bytes)) {}
  std::span<const uint8_t> Bytes() const override {
    return {reinterpret_cast<const uint8_t*>(bytes_.data()), bytes_.size()};
  }

 private:
  std::string bytes_;
};

}  // namespace platform

#endif  // PLATFORM_FILES_H
