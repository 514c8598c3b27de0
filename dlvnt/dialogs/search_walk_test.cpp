#include "dlvnt/dialogs/search_walk.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_system.h"
#include "platform/inventory.h"

namespace dlvnt {
namespace {

using platform::DirectoryEntry;

struct WalkFixture : ::testing::Test {
  platform::fake::FakeDirectories dirs;
  SearchWalk walk{dirs};
  std::vector<std::string> visited;
  const double kDate = platform::DayCount(2001, 2, 3, 14, 5, 0, 0);

  void SetUp() override {
    dirs.AddDirectory("C:\\");
    walk.OnDirectory = [&](const std::string& directory) { visited.push_back(directory); };
  }
  void AddDirectory(const std::string& path, uint32_t attributes) {
    DirectoryEntry entry;
    entry.IsDirectory = true;
    entry.IsReparsePoint = (attributes & platform::kAttributeReparsePoint) != 0;
    entry.Attributes = attributes;
    dirs.Add(path, entry);
  }
  std::vector<std::string> Paths() const {
    std::vector<std::string> paths;
    for (const SearchRow& row : walk.Rows()) paths.push_back(row[2]);
    return paths;
  }
};

TEST_F(WalkFixture, DepthFirstPreOrderInTheSystemsOrder) {
  dirs.AddFile("C:\\note.txt", 12, kDate);
  dirs.AddFile("C:\\Zeta\\Inner\\NOTE.TXT", 1234567, kDate);
  dirs.AddFile("C:\\Zeta\\note.txt", 5, kDate);
  dirs.AddFile("C:\\Alpha\\note.txt", 7, kDate);
  dirs.AddDirectory("C:\\Alpha\\Empty");
  walk.Begin();
  walk.Walk('C', "note.txt");
  // A directory's own match comes before its subdirectories'; siblings in
  // the order the listing gives them (Zeta was made first).
  EXPECT_EQ(Paths(),
            (std::vector<std::string>{"C:\\", "C:\\Zeta\\", "C:\\Zeta\\Inner\\", "C:\\Alpha\\"}));
  EXPECT_EQ(visited, (std::vector<std::string>{"C:\\", "C:\\ZETA\\", "C:\\ZETA\\INNER\\",
                                               "C:\\ALPHA\\", "C:\\ALPHA\\EMPTY\\"}));
  EXPECT_EQ(walk.Rows()[0][0], "       12");
  EXPECT_EQ(walk.Rows()[2][0], "1,234,567");
  EXPECT_EQ(walk.Rows()[0][1], "02-03-01 14:05");
}

TEST_F(WalkFixture, OnlyPlainDirectoriesAreEntered) {
  using namespace platform;
  AddDirectory("C:\\Hidden", kAttributeDirectory | kAttributeHidden);
  AddDirectory("C:\\ReadOnly", kAttributeDirectory | kAttributeReadOnly);
  AddDirectory("C:\\System", kAttributeDirectory | kAttributeSystem);
  AddDirectory("C:\\Archived", kAttributeDirectory | kAttributeArchive);
  // A junction back to the root would loop for ever.
  AddDirectory("C:\\Loop", kAttributeDirectory | kAttributeReparsePoint);
  AddDirectory("C:\\Plain", kAttributeDirectory);
  for (const char* dir : {"Hidden", "ReadOnly", "System", "Archived", "Loop", "Plain"}) {
    dirs.AddFile(std::string("C:\\") + dir + "\\x.dll", 1, kDate);
  }
  dirs.AddFile("C:\\Hidden\\Below\\x.dll", 1, kDate);
  walk.Begin();
  walk.Walk('C', "x.dll");
  EXPECT_EQ(Paths(), std::vector<std::string>{"C:\\Plain\\"});
  EXPECT_EQ(visited, (std::vector<std::string>{"C:\\", "C:\\PLAIN\\"}));
}

TEST_F(WalkFixture, DirectoriesWildcardsAndSizesThatDoNotFit) {
  dirs.AddDirectory("C:\\A\\lib.dll");  // a directory named like the file
  dirs.AddFile("C:\\B\\one.dll", 100, kDate);
  dirs.AddFile("C:\\B\\two.dll", 200, kDate + 1);
  dirs.AddFile("C:\\C\\big.dll", 3000000000ull, kDate);
  walk.Begin();
  walk.Walk('C', "lib.dll");
  ASSERT_EQ(walk.Rows().size(), 1u);
  EXPECT_EQ(walk.Rows()[0], (SearchRow{"        0", "12-30-99 00:00", "C:\\A\\"}));
  walk.Begin();
  walk.Walk('C', "*.DLL");
  // One row per directory, the first match's size and date; a size beyond
  // 32 bits counts as no match.
  ASSERT_EQ(walk.Rows().size(), 2u);
  EXPECT_EQ(walk.Rows()[1], (SearchRow{"      100", "02-03-01 14:05", "C:\\B\\"}));
}

TEST_F(WalkFixture, StopEndsTheWalkAtTheNextDirectory) {
  for (int i = 0; i < 50; ++i) dirs.AddFile("C:\\D" + std::to_string(i) + "\\f.txt", 1, kDate);
  int yields = 0;
  walk.Yield = [&] {
    if (++yields == 5) walk.Stop();
  };
  walk.Begin();
  walk.Walk('C', "f.txt");
  EXPECT_FALSE(walk.Running());
  EXPECT_EQ(walk.Rows().size(), 3u);  // D0 to D2; the fifth directory is not searched
  EXPECT_EQ(visited.size(), 4u);
  walk.Walk('C', "f.txt");  // a stopped walk stays stopped
  EXPECT_EQ(visited.size(), 4u);
  EXPECT_EQ(SearchedName("C:\\WINNT\\SYSTEM32\\KERNEL32.DLL"), "KERNEL32.DLL");
  EXPECT_EQ(SearchedName("D:NAME.DLL"), "NAME.DLL");
}

TEST_F(WalkFixture, AnUnlistableDriveGivesNothing) {
  walk.Begin();
  walk.Walk('Q', "x.dll");
  EXPECT_TRUE(walk.Rows().empty());
  EXPECT_EQ(visited, std::vector<std::string>{"Q:\\"});
}

}  // namespace
}  // namespace dlvnt
