#include "dlvnt/inventory/paths.h"

#include <gtest/gtest.h>

#include "dlvnt/inventory/test_machine.h"

namespace dlvnt {
namespace {

using testing::TestMachine;

TEST(PathParts, SplitAtLastBackslashOrColon) {
  EXPECT_EQ(FileNamePart("C:\\WINNT\\SYSTEM32\\X.DLL"), "X.DLL");
  EXPECT_EQ(FileNamePart("C:X.DLL"), "X.DLL");
  EXPECT_EQ(FileNamePart("X.DLL"), "X.DLL");
  EXPECT_EQ(DirectoryPart("C:\\WINNT\\X.DLL"), "C:\\WINNT");
  EXPECT_EQ(DirectoryPart("X.DLL"), "");
  EXPECT_FALSE(HasDirectory("X.DLL"));
  EXPECT_TRUE(HasDirectory("\\SYSTEMROOT\\X.SYS"));
}

TEST(FileFacts, SizeAndDateOfMissingAndPresentFiles) {
  TestMachine m;
  m.catalog.AddFile("C:\\A.DLL", 1234, 36526.25);
  m.catalog.files["C:\\NODATE.DLL"] = platform::FileFacts{5, false, std::nullopt};
  EXPECT_EQ(FileSize(m.catalog, "c:\\a.dll"), 1234);
  EXPECT_EQ(FileDate(m.catalog, "C:\\A.DLL"), 36526.25);
  EXPECT_EQ(FileSize(m.catalog, "C:\\B.DLL"), -1);
  EXPECT_EQ(FileDate(m.catalog, "C:\\B.DLL"), 0);
  EXPECT_EQ(FileDate(m.catalog, "C:\\NODATE.DLL"), 0);
  m.catalog.AddFile("C:\\EMPTY.DLL", 0);
  EXPECT_FALSE(FilePresent(m.catalog, "C:\\EMPTY.DLL"));  // an empty file counts as absent
  m.catalog.AddFile("C:\\HUGE.DAT", int64_t{5} << 30);
  EXPECT_EQ(FileSize(m.catalog, "C:\\HUGE.DAT"), 2147483647);
}

TEST(NormalisePath, EveryRule) {
  TestMachine m;
  const auto& d = m.dirs;
  m.catalog.AddFile("C:\\APP\\REAL.DLL", 10);
  m.catalog.AddFile("C:\\WINNT\\system32\\DRIVERS\\DISK.SYS", 10);
  m.catalog.AddFile("C:\\WINNT\\system32\\BARE.DLL", 10);
  m.catalog.AddFile("C:\\WINNT\\WINBARE.DLL", 10);
  // 1: exists as written (upper-cased).
  EXPECT_EQ(NormalisePath(m.catalog, d, "c:\\app\\real.dll"), "C:\\APP\\REAL.DLL");
  // 2: the Windows directory's tail found in another spelling of the path.
  EXPECT_EQ(NormalisePath(m.catalog, d, "\\??\\D:\\WINNT\\SYSTEM32\\GONE.DLL"),
            "C:\\WINNT\\SYSTEM32\\GONE.DLL");
  // 3: \SystemRoot\ becomes the Windows directory.
  EXPECT_EQ(NormalisePath(m.catalog, d, "\\SystemRoot\\System32\\DRIVERS\\X.SYS"),
            "C:\\WINNT\\SYSTEM32\\DRIVERS\\X.SYS");
  // 4: another directory that does not exist.
  EXPECT_EQ(NormalisePath(m.catalog, d, "D:\\ELSE\\X.DLL"), "Unknown");
  // 5: bare names: drivers folder, system, Windows directory, else Unknown.
  EXPECT_EQ(NormalisePath(m.catalog, d, "disk.sys"), "C:\\WINNT\\system32\\DRIVERS\\DISK.SYS");
  EXPECT_EQ(NormalisePath(m.catalog, d, "bare.dll"), "C:\\WINNT\\system32\\BARE.DLL");
  EXPECT_EQ(NormalisePath(m.catalog, d, "winbare.dll"), "C:\\WINNT\\WINBARE.DLL");
  EXPECT_EQ(NormalisePath(m.catalog, d, "nowhere.dll"), "Unknown");
}

TEST(NormalisePath, WindowsInDriveRootHasNoTail) {
  TestMachine m;
  m.dirs = {"C:\\SYSTEM32", "C:\\"};
  EXPECT_EQ(NormalisePath(m.catalog, m.dirs, "D:\\X\\Y.DLL"), "Unknown");
}

TEST(SearchPathList, OrderCaseDuplicatesAndDriveTypes) {
  TestMachine m;
  m.catalog.drives['D'] = platform::DriveType::CdRom;
  m.catalog.drives['N'] = platform::DriveType::Remote;
  m.catalog.currentDirectories['N'] = "N:\\Share\\Tools";
  m.catalog.variables["PATH"] =
      "C:\\WINNT\\system32;c:\\tools;C:\\TOOLS;D:\\cdbin;;Q:\\nodrive;N:\\x;C:\\;c:\\winnt";
  std::vector<std::string> list = BuildSearchPathList(m.catalog, m.dirs);
  std::vector<std::string> expected{"C:\\WINNT\\system32", "C:\\WINNT", "C:\\TOOLS",
                                    "N:\\SHARE\\TOOLS", "C:"};
  EXPECT_EQ(list, expected);
}

TEST(SearchPathList, LongPathIsTakenWhole) {
  TestMachine m;
  std::string path;
  for (int i = 0; i < 200; ++i) path += "C:\\DIR" + std::to_string(i) + ";";
  m.catalog.variables["PATH"] = path;
  std::vector<std::string> list = BuildSearchPathList(m.catalog, m.dirs);
  ASSERT_EQ(list.size(), 202u);
  EXPECT_EQ(list.back(), "C:\\DIR199");
}

}  // namespace
}  // namespace dlvnt
