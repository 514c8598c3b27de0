// The shared cases on Linux: real directories under /tmp, and this test
// program started again as the child whose exit code and wait are checked.
#include "platform/posix/posix_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/conformance/system_cases.h"

namespace platform::posix {
namespace {

using namespace platform::conformance;

class PosixDirectoryHarness : public DirectoryHarness {
 public:
  ~PosixDirectoryHarness() override {
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
  }
  Directories& Service() override { return dirs_; }
  std::string Root() override {
    char pattern[] = "/tmp/platform-dirs-XXXXXX";
    root_ = mkdtemp(pattern);
    return root_;
  }
  std::string Join(const std::string& dir, const std::string& name) override {
    return dir + "/" + name;
  }
  void MakeFile(const std::string& path, const std::string& bytes, double lastWrite) override {
    std::ofstream(path, std::ios::binary) << bytes;
    CivilTime t = FromDayCount(lastWrite);
    std::tm local{};
    local.tm_year = t.Year - 1900;
    local.tm_mon = t.Month - 1;
    local.tm_mday = t.Day;
    local.tm_hour = t.Hour;
    local.tm_min = t.Minute;
    local.tm_sec = t.Second;
    local.tm_isdst = -1;
    timespec times[2] = {{mktime(&local), 0}, {mktime(&local), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }
  void MakeDirectory(const std::string& path) override { mkdir(path.c_str(), 0755); }
  bool MakeDirectoryLink(const std::string& link, const std::string& target) override {
    return symlink(target.c_str(), link.c_str()) == 0;
  }

 private:
  PosixDirectories dirs_;
  std::string root_;
};

INSTANTIATE_TEST_SUITE_P(Posix, DirectoryCases, ::testing::Values([] {
                           return std::unique_ptr<DirectoryHarness>(new PosixDirectoryHarness);
                         }));

std::string SelfPath() {
  return std::filesystem::read_symlink("/proc/self/exe").string();
}

INSTANTIATE_TEST_SUITE_P(Posix, ProcessCases, ::testing::Values([] {
                           return std::unique_ptr<ProcessHarness>(
                               new SelfStartingHarness<PosixProcessLauncher>(SelfPath()));
                         }));

// No OLE on Linux.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(AutomationCases);

TEST(PosixProcessLauncher, FindsProgramsOnThePathAndPassesQuotedArguments) {
  PosixProcessLauncher launcher;
  auto process = launcher.Start("sh -c \"exit 5\"", ShowState::Normal, nullptr);
  ASSERT_TRUE(process);
  EXPECT_EQ(process->Wait(std::chrono::seconds(20)), 5u);
  // The child sees the quoted words unchanged.
  auto echo = launcher.Start(
      "sh -c \"test \\\"$1\\\" = 'a \\\"b\\\" Ωmega' && test \\\"$2\\\" = '' && exit 9\" sh " +
          QuoteArgument("a \"b\" Ωmega") + " " + QuoteArgument(""),
      ShowState::Normal, nullptr);
  ASSERT_TRUE(echo);
  EXPECT_EQ(echo->Wait(std::chrono::seconds(20)), 9u);
}

}  // namespace
}  // namespace platform::posix

int main(int argc, char** argv) {
  // Started by the process cases as their child.
  if (auto code = platform::conformance::ChildMain(argc, argv)) return *code;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
