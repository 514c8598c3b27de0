#include <windows.h>

#include <cstdint>

#include "common/version_info_file.h"

namespace versioninfo {

namespace {

class WindowsBytes : public MappedFileBytes {
 public:
  WindowsBytes(HANDLE mapping, const void* view, size_t size)
      : mapping_(mapping), view_(view), size_(size) {}
  ~WindowsBytes() override {
    UnmapViewOfFile(view_);
    CloseHandle(mapping_);
  }
  ByteView Bytes() const override { return ByteView(static_cast<const uint8_t*>(view_), size_); }

 private:
  HANDLE mapping_;
  const void* view_;
  size_t size_;
};

}  // namespace

std::unique_ptr<MappedFileBytes> MapFileBytes(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  LARGE_INTEGER size{};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size) || size.QuadPart <= 0 ||
      static_cast<uint64_t>(size.QuadPart) > SIZE_MAX) {
    CloseHandle(file);
    return nullptr;
  }
  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  CloseHandle(file);
  if (!mapping) return nullptr;
  const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  if (!view) {
    CloseHandle(mapping);
    return nullptr;
  }
  return std::make_unique<WindowsBytes>(mapping, view, static_cast<size_t>(size.QuadPart));
}

}  // namespace versioninfo
