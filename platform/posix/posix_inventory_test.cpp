#include "platform/posix/posix_inventory.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "common/text_case.h"
#include "platform/posix/posix_files.h"

namespace platform::posix {
namespace {

TEST(PosixSystemInventory, SeesThisProcess) {
  PosixSystemInventory system;
  std::optional<std::vector<uint32_t>> ids = system.ProcessIds();
  ASSERT_TRUE(ids);
  uint32_t self = static_cast<uint32_t>(getpid());
  EXPECT_NE(std::find(ids->begin(), ids->end(), self), ids->end());
  ProcessModules modules = system.Modules(self);
  ASSERT_TRUE(modules.Enumerated);
  ASSERT_FALSE(modules.Modules.empty());
  EXPECT_EQ(modules.Modules[0].FileName, std::filesystem::read_symlink("/proc/self/exe").string());
  EXPECT_FALSE(system.Modules(0).Opened);
}

TEST(PosixFileCatalog, FindsPathsWithoutRegardToCase) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("dlvInv" + std::to_string(getpid()));
  fs::create_directories(dir / "Sub");
  std::ofstream(dir / "Sub" / "Lib.dll") << "hello";
  std::string upper = dir.string() + "/SUB/LIB.DLL";
  upper = common::Upper(upper);
  PosixFileCatalog catalog;
  std::optional<FileFacts> facts = catalog.FindFirst(upper);
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->Size, 5);
  EXPECT_TRUE(facts->LastWrite);
  std::string backslashed = upper;
  std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
  EXPECT_TRUE(catalog.FindFirst(backslashed));
  EXPECT_FALSE(catalog.FindFirst(upper + "X"));
  PosixFileSystem plain;
  CaseInsensitiveFileSystem files(plain, catalog.Resolver());
  auto view = files.MapReadOnly(upper, nullptr);
  ASSERT_TRUE(view);
  EXPECT_EQ(view->Size(), 5u);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace platform::posix
