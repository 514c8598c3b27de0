#include "platform/posix/posix_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace platform::posix {
namespace {

TEST(PosixFileSystem, MapsFilesAndReportsFailures) {
  std::string path = ::testing::TempDir() + "posix_files_test.bin";
  {
    std::ofstream out(path, std::ios::binary);
    out << "MZhello";
  }
  PosixFileSystem files;
  auto view = files.MapReadOnly(path, nullptr);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(view->Data()), view->Size()), "MZhello");
  EXPECT_TRUE(files.FileExists(path));

  MapError error;
  EXPECT_EQ(files.MapReadOnly(path + ".missing", &error), nullptr);
  EXPECT_FALSE(error.Message.empty());
  EXPECT_EQ(files.MapReadOnly("/", &error), nullptr);  // a directory is no file
  EXPECT_FALSE(files.FileExists("/"));

  std::ofstream(path, std::ios::binary | std::ios::trunc).close();
  auto empty = files.MapReadOnly(path, nullptr);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->Size(), 0u);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace platform::posix
