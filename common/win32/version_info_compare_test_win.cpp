// The system's version functions and the portable reader side by side: the
// same block and the same fifteen texts for every PE file of Wine's own
// installation, for the fixtures, and no fault on the hostile corpus.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "common/version_info.h"
#include "common/win32/utf16.h"

namespace versioninfo {
namespace {

std::vector<std::string> FilesIn(const std::string& directory) {
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
    if (entry.is_regular_file(error)) files.push_back(entry.path().string());
  }
  return files;
}

std::string Bytes(ByteView view) {
  std::string out;
  for (size_t i = 0; i < view.Size(); ++i) out.push_back(static_cast<char>(*view.U8(i)));
  return out;
}

// Differences between the two systems for one file, one line each.
std::vector<std::string> Compare(const std::string& file) {
  std::vector<std::string> differences;
  const VersionSystem& windows = WindowsVersionSystem();
  const VersionSystem& portable = PortableVersionSystem();
  auto systemBlock = windows.ReadVersionBlock(file);
  auto portableBlock = portable.ReadVersionBlock(file);
  if (!systemBlock != !portableBlock) {
    differences.push_back(file + ": block " +
                          (systemBlock ? "only from the system" : "only portable"));
  } else if (systemBlock && Bytes(systemBlock->Bytes()) != Bytes(portableBlock->Bytes())) {
    differences.push_back(file + ": blocks differ");
  }
  for (const NamedOperation& op : kVersionTextOperations) {
    VersionText a = op.Operation(windows, file, kDetailsMaxLength);
    VersionText b = op.Operation(portable, file, kDetailsMaxLength);
    if (a.Text != b.Text || a.Length != b.Length) {
      differences.push_back(file + ": " + op.Name + " system \"" + a.Text + "\" (" +
                            std::to_string(a.Length) + "), portable \"" + b.Text + "\" (" +
                            std::to_string(b.Length) + ")");
    }
  }
  return differences;
}

int CompareAll(const std::vector<std::string>& files, int* withVersion) {
  int differing = 0;
  *withVersion = 0;
  for (const std::string& file : files) {
    std::vector<std::string> differences = Compare(file);
    for (const std::string& line : differences) ADD_FAILURE() << line;
    differing += !differences.empty();
    *withVersion += GetFileVersionText(PortableVersionSystem(), file, 255).Length > 0;
  }
  return differing;
}

TEST(VersionCompareTest, SystemPlatformIsTheNTFamily) {
  EXPECT_TRUE(IsWindowsNTPlatform(WindowsVersionSystem()));
  EXPECT_TRUE(IsWindowsNTPlatform());
}

TEST(VersionCompareTest, LanguageNamesAgreeForEveryId) {
  int named = 0;
  for (uint32_t id = 0; id <= 0xFFFF; ++id) {
    std::string system = WindowsVersionSystem().LanguageName(id);
    ASSERT_EQ(system, PortableLanguageName(id)) << std::hex << id;
    named += !system.empty();
  }
  EXPECT_GT(named, 100);
}

TEST(VersionCompareTest, WinePeFilesGiveTheSameTextsBothWays) {
  std::vector<std::string> files = FilesIn(VERSION_WINE_PE_DIR);
  ASSERT_GT(files.size(), 100u) << "Wine's PE files not found at " << VERSION_WINE_PE_DIR;
  int withVersion = 0;
  int differing = CompareAll(files, &withVersion);
  std::printf("%zu Wine files, %d with version texts, %d differing\n", files.size(), withVersion,
              differing);
  EXPECT_EQ(differing, 0);
  EXPECT_GT(withVersion, 100);
}

TEST(VersionCompareTest, FixturesGiveTheSameTextsBothWays) {
  if (!VERSION_FIXTURES_BUILT) GTEST_SKIP() << "no fixtures";
  int withVersion = 0;
  EXPECT_EQ(CompareAll(FilesIn(VERSION_FIXTURE_DIR), &withVersion), 0);
  EXPECT_GT(withVersion, 3);
}

// The hostile corpus through the system's functions too: no fault either way,
// and the same answers.
TEST(VersionCompareTest, HostileCorpusThroughBothSystems) {
  std::vector<std::string> files = FilesIn(VERSION_CORKAMI_DIR);
  if (files.empty()) GTEST_SKIP() << "corpus not found at " << VERSION_CORKAMI_DIR;
  int differing = 0;
  for (const std::string& file : files) {
    std::vector<std::string> differences = Compare(file);
    for (const std::string& line : differences) ADD_FAILURE() << line;
    differing += !differences.empty();
  }
  std::printf("%zu corpus files, %d differing\n", files.size(), differing);
  EXPECT_EQ(differing, 0);
}

// The system's functions get the file's name in UTF-16: a name outside the
// code page reads the same block as the same file under a plain name.
TEST(VersionCompareTest, UnicodeFileNameGivesTheSameBlock) {
  if (!VERSION_FIXTURES_BUILT) GTEST_SKIP() << "no fixtures";
  std::string source;
  for (const std::string& file : FilesIn(VERSION_FIXTURE_DIR)) {
    if (WindowsVersionSystem().ReadVersionBlock(file)) source = file;
  }
  ASSERT_FALSE(source.empty());
  wchar_t dir[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, dir);
  std::string copy = common::Utf8(std::wstring_view(dir, n)) + "Ωmega-日本-version.dll";
  ASSERT_TRUE(CopyFileW(common::Wide(source).c_str(), common::Wide(copy).c_str(), FALSE));
  auto original = WindowsVersionSystem().ReadVersionBlock(source);
  auto renamed = WindowsVersionSystem().ReadVersionBlock(copy);
  ASSERT_TRUE(renamed);
  EXPECT_EQ(Bytes(renamed->Bytes()), Bytes(original->Bytes()));
  for (const NamedOperation& op : kVersionTextOperations) {
    EXPECT_EQ(op.Operation(WindowsVersionSystem(), copy, kDetailsMaxLength).Text,
              op.Operation(WindowsVersionSystem(), source, kDetailsMaxLength).Text)
        << op.Name;
  }
  DeleteFileW(common::Wide(copy).c_str());
}

}  // namespace
}  // namespace versioninfo
