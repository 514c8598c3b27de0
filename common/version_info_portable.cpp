#include <algorithm>
#include <iterator>

#include "common/version_info_system.h"
#ifdef _WIN32
#include "platform/win32/win32_services.h"
#else
#include "platform/posix/posix_files.h"
#endif

namespace versioninfo {

namespace {

struct LanguageName {
  uint16_t Id;
  const char* Name;
};

constexpr LanguageName kLanguageNames[] = {
#include "common/version_info_language_names.inc"
};

class PortableBlock : public VersionBlock {
 public:
  explicit PortableBlock(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  ByteView Bytes() const override { return UsableBlock(ByteView(bytes_.data(), bytes_.size())); }
  std::optional<QueryResult> Query(const std::string& subBlock) const override {
    return QueryBlock(ByteView(bytes_.data(), bytes_.size()), subBlock);
  }

 private:
  std::vector<uint8_t> bytes_;
};

class Portable : public VersionSystem {
 public:
  bool IsWindowsNTPlatform() const override { return true; }
  std::unique_ptr<VersionBlock> ReadVersionBlock(const std::string& fileName) const override {
    // The system's own mapping of the file: never waits on a pipe or device.
#ifdef _WIN32
    platform::win32::Win32FileSystem files;
#else
    platform::posix::PosixFileSystem files;
#endif
    auto file = files.MapReadOnly(fileName, nullptr);
    if (!file || file->Size() == 0) return nullptr;
    auto resource = ReadVersionResource(ByteView(file->Data(), file->Size()));
    if (!resource) return nullptr;
    return MakePortableBlock(std::move(*resource));
  }
  std::string LanguageName(uint32_t languageId) const override {
    return PortableLanguageName(languageId);
  }
};

}  // namespace

std::unique_ptr<VersionBlock> MakePortableBlock(std::vector<uint8_t> bytes) {
  return std::make_unique<PortableBlock>(std::move(bytes));
}

std::string PortableLanguageName(uint32_t languageId) {
  if (languageId > 0xFFFF) return std::string();
  auto it = std::lower_bound(std::begin(kLanguageNames), std::end(kLanguageNames), languageId,
                             [](const LanguageName& n, uint32_t id) { return n.Id < id; });
  if (it == std::end(kLanguageNames) || it->Id != languageId) return std::string();
  return it->Name;
}

const VersionSystem& PortableVersionSystem() {
  static const Portable system;
  return system;
}

#ifndef _WIN32
const VersionSystem& DefaultVersionSystem() {
  return PortableVersionSystem();
}
#endif

}  // namespace versioninfo
