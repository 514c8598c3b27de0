#include "platform/posix/posix_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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

TEST(PosixFileSystem, WritesWholeFilesOrNone) {
  std::string path = ::testing::TempDir() + "posix_files_write.bin";
  PosixFileSystem files;
  const uint8_t bytes[] = {'M', 'Z', 0, 1};
  EXPECT_EQ(files.WriteWholeFile(path, bytes), std::nullopt);
  auto view = files.MapReadOnly(path, nullptr);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->Size(), 4u);
  EXPECT_EQ(view->Data()[3], 1);
  auto error = files.WriteWholeFile(path + ".missing/x", bytes);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->find(path + ".missing/x: "), 0u);
  std::remove(path.c_str());
}

// A pipe or a device is no file to map: refused at once, never waited on
// (a FIFO without a writer would block a plain open).
TEST(PosixFileSystem, PipesAndDevicesAreRefusedWithoutWaiting) {
  std::string fifo = ::testing::TempDir() + "posix_files_test.fifo";
  std::remove(fifo.c_str());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  PosixFileSystem files;
  MapError error;
  EXPECT_EQ(files.MapReadOnly(fifo, &error), nullptr);
  EXPECT_FALSE(error.Message.empty());
  EXPECT_EQ(files.MapReadOnly("/dev/null", &error), nullptr);
  std::remove(fifo.c_str());
}

}  // namespace
}  // namespace platform::posix
