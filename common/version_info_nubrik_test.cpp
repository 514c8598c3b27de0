// The version resource found by this unit against the helper library's PE
// reader: over Wine's own PE files both must find the same resource (type 16,
// id 1, the preferred language) at the same place in the file.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/version_info_system.h"
#include "contracts/nubrik/pe_image.h"
#ifdef _WIN32
#include "platform/win32/win32_services.h"
#else
#include "platform/posix/posix_files.h"
#endif

namespace versioninfo {
namespace {

// The library's view of the block: the leaf chosen by the system's language
// order, and its bytes as far as the file backs them.
std::optional<std::vector<uint8_t>> LibraryBlock(const pe::Image& image) {
  std::vector<pe::Resource> leaves;
  for (const pe::Resource& r : image.Resources()) {
    if (r.TypeId == 16u && r.NameId == 1u) leaves.push_back(r);
  }
  if (leaves.empty()) return std::nullopt;
  const pe::Resource* chosen = &leaves.front();
  for (uint32_t language : {0x0000u, 0x0409u, 0x0009u}) {
    auto it = std::find_if(leaves.begin(), leaves.end(),
                           [language](const pe::Resource& r) { return r.Language == language; });
    if (it != leaves.end()) {
      chosen = &*it;
      break;
    }
  }
  auto offset = image.RvaToOffset(chosen->OffsetToData);
  if (!offset) return std::nullopt;
  size_t size = std::min<size_t>(chosen->Size, 0x10000);
  const uint8_t* bytes = image.View().At(*offset, size);
  if (!bytes) return std::nullopt;
  return std::vector<uint8_t>(bytes, bytes + size);
}

TEST(VersionNubrikTest, SameResourceAsTheLibraryOverWinesFiles) {
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(VERSION_WINE_PE_DIR, error)) {
    if (entry.is_regular_file(error)) files.push_back(entry.path().string());
  }
  if (files.empty()) GTEST_SKIP() << "Wine's PE files not found at " << VERSION_WINE_PE_DIR;
  int found = 0;
#ifdef _WIN32
  platform::win32::Win32FileSystem system;
#else
  platform::posix::PosixFileSystem system;
#endif
  for (const std::string& file : files) {
    auto mapped = system.MapReadOnly(file, nullptr);
    ASSERT_TRUE(mapped) << file;
    ByteView bytes(mapped->Data(), mapped->Size());
    pe::Image image(bytes);
    auto ours = ReadVersionResource(bytes);
    auto library = LibraryBlock(image);
    ASSERT_EQ(ours.has_value(), library.has_value()) << file;
    if (ours) {
      EXPECT_EQ(*ours, *library) << file;
      ++found;
    }
  }
  EXPECT_GT(found, 100);
}

}  // namespace
}  // namespace versioninfo
