// Every call on hostile and cut files: no fault, no hang, nothing read
// outside the file (run it under ASan to see the last one).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "contracts/nubrik/nubrik_test_util.h"
#include "contracts/nubrik/pe_image.h"
#include "contracts/nubrik/pe_report.h"
#include "dlv_fixtures.h"

namespace {

namespace fs = std::filesystem;
using nubrik::test::Registered;

std::vector<fs::path> FilesIn(const char* directory) {
  std::vector<fs::path> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(directory, error)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The reader's own lists too, not only what the interface gives.
size_t ReadEverything(const std::vector<uint8_t>& bytes) {
  pe::Image image(bytes.data(), bytes.size());
  size_t sum = image.Sections().size();
  for (const auto& d : image.Imports()) sum += d.Functions.size() + d.ModuleName.size();
  for (const auto& e : image.Exports()) sum += e.Rva + (e.Forwarder ? e.Forwarder->size() : 0);
  for (const auto& r : image.Resources()) sum += r.Size + r.TypeName.size();
  sum += image.FirstDebugEntry() != nullptr;
  return sum;
}

TEST(CorkamiTest, EveryFileThroughEveryCall) {
  auto files = FilesIn(DLV_CORKAMI_DIR);
  if (files.empty()) GTEST_SKIP() << "hostile corpus not found at " DLV_CORKAMI_DIR;
  size_t pe = 0;
  for (const auto& path : files) {
    SCOPED_TRACE(path.string());
    auto bytes = nubrik::ReadWholeFile(path.string());
    ASSERT_TRUE(bytes);
    if (bytes->empty()) continue;
    Registered file(*bytes);
    nubrik::ExerciseAllCalls(file.Image());
    ReadEverything(file.Bytes());
    pe += NubrikSignature(file.Image()) == NUBRIK_SIG_PE;
  }
  // Most of the corpus is PE files: a reader that gave up early would show.
  EXPECT_GT(pe, files.size() / 2);
}

// Every length up to past the headers, then a stride through the rest: each
// cut copy is its own allocation so ASan sees any read past it.
void ReadEveryTruncation(const std::string& path) {
  auto whole = nubrik::ReadWholeFile(path);
  ASSERT_TRUE(whole) << path;
  const size_t dense = std::min<size_t>(whole->size(), 2048);
  const size_t stride = std::max<size_t>(1, whole->size() / 700);
  for (size_t length = 1; length <= whole->size(); length += length < dense ? 1 : stride) {
    Registered file(std::vector<uint8_t>(whole->begin(), whole->begin() + length));
    nubrik::ExerciseAllCalls(file.Image());
    ReadEverything(file.Bytes());
  }
}

TEST(TruncationTest, SampleFilesCutAtEveryLength) {
  if (!DLV_FIXTURES_BUILT) GTEST_SKIP() << "sample fixtures not built (no MinGW)";
  ReadEveryTruncation(DLV_SAMPLE_DLL_X64);
  ReadEveryTruncation(DLV_SAMPLE_DLL_X86);
  ReadEveryTruncation(DLV_SAMPLE_EXE_X64);
}

TEST(TruncationTest, WineFilesCutAtEveryLength) {
  const std::string dir = DLV_WINE_PE_DIR;
  if (!fs::exists(dir + "/lz32.dll")) GTEST_SKIP() << "Wine's PE files not found at " << dir;
  // Imports and exports; imports and resources of many types.
  ReadEveryTruncation(dir + "/lz32.dll");
  ReadEveryTruncation(dir + "/notepad.exe");
}

}  // namespace
