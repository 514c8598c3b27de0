// vistrel-cli's report of one file: running out of memory at any point is
// that file's error, never an abort, and leaves no half-written block.
#include "cli/vistrel_cli_report.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "dlv_fixtures.h"
#include "platform/fake/fake_machine.h"
#include "platform/posix/posix_files.h"
#include "tests/fixtures/pe_writer.h"
#include "vistrel/browser/amplifying_file.h"

namespace {

// -1: allocations succeed; n >= 0: the allocation after n more fails once.
std::atomic<long> failAfter{-1};

}  // namespace

void* operator new(size_t size) {
  long left = failAfter.load();
  if (left >= 0) {
    failAfter = left - 1;
    if (left == 0) throw std::bad_alloc();
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size) {
  return operator new(size);
}
// The nothrow forms too, so that every form pairs with the deletes below.
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
  std::free(p);
}

namespace vistrel {
namespace {

std::string SampleFile() {
  fixtures::PeWriter w;
  w.AddImports({{"kernel32.dll", {"Sleep", "ExitProcess"}}, {"user32.dll", {"MessageBoxA"}}});
  w.AddExports("x.dll", 1, {0x1100, 0x1200}, {{"Bar", 1}, {"Foo", 0}});
  w.AddResources({{uint32_t{16}, uint32_t{1}, 0x409, {1, 2}}});
  w.AddDebugEntry(2);
  std::vector<uint8_t> bytes = w.Build();
  return std::string(bytes.begin(), bytes.end());
}

struct Cli {
  Cli() { files.files["X.DLL"] = SampleFile(); }
  // 0 text, 1 the window's texts as JSON, 2 data.
  FileReport Run(int mode) {
    FileReport r = mode == 2 ? ReportFileData(form, app, "X.DLL", true)
                             : ReportFile(form, app, "X.DLL", mode == 1, true);
    form.FileCloseMenuItemClick();
    return r;
  }
  ui::headless::HeadlessApplication app;
  platform::fake::FakeFileSystem files;
  platform::fake::FakeRegistry registry;
  platform::fake::FakeClipboard clipboard;
  platform::fake::FakeEnvironment env;
  TVistrelMainForm form{app, {files, registry, clipboard, env}};
};

TEST(VistrelCliReport, OutOfMemoryAnywhereIsThatFilesError) {
  for (int mode : {0, 1, 2}) {
    SCOPED_TRACE(mode);
    Cli cli;
    const FileReport clean = cli.Run(mode);
    ASSERT_TRUE(clean.Errors.empty());
    ASSERT_NE(clean.Output.find("Foo"), std::string::npos);
    int failures = 0;
    for (long n = 0;; ++n) {
      failAfter = n;
      FileReport r = cli.Run(mode);
      bool consumed = failAfter.load() < 0;
      failAfter = -1;
      if (!consumed) {
        // Past the last allocation of a report: nothing failed.
        EXPECT_TRUE(r.Errors.empty());
        EXPECT_EQ(r.Output, clean.Output);
        break;
      }
      ASSERT_LT(n, 200000) << "the report never ends";
      if (r.Errors.empty() || r.Errors == std::vector<std::string>{kNotAnExecutable}) {
        // The failure fell inside the library, whose C interface answers
        // "nothing" instead of throwing (the window then shows a file of
        // no type, and the report says so): a whole block all the same.
        const char* start = mode == 2   ? "\n{\"file\":\"X.DLL\","
                            : mode == 1 ? "\n\"X.DLL\":{"
                                        : "#### X.DLL\n";
        EXPECT_EQ(r.Output.rfind(start, 0), 0u) << n;
        continue;
      }
      ++failures;
      EXPECT_EQ(r.Errors.back(), std::bad_alloc().what()) << n;
      // Either the whole block or none of it; as data, the file's element
      // may also stand whole with the failure as its error.
      const bool asError =
          mode == 2 && r.Output.find("\"error\":\"std::bad_alloc\"") != std::string::npos;
      EXPECT_TRUE(r.Output.empty() || r.Output == clean.Output || asError) << n;
    }
    EXPECT_GT(failures, 100);
  }
}

// 25 KB that would make 168 MB of text: at most 64 bytes a byte and 1 MB,
// then the line that says the rest is left out.
TEST(VistrelCliReport, OutputIsBoundedByTheFile) {
  Cli cli;
  std::vector<uint8_t> file = testfiles::AmplifyingFile();
  cli.files.files["AMP.DLL"] = std::string(file.begin(), file.end());
  const size_t limit = TextLimit(file.size());
  FileReport text = ReportFile(cli.form, cli.app, "AMP.DLL", false, true);
  EXPECT_TRUE(text.Errors.empty());
  EXPECT_GT(text.Output.size(), limit / 2);
  EXPECT_LE(text.Output.size(), limit + 200);
  EXPECT_NE(text.Output.find(std::string("\n") + kRestLeftOut + "\n"), std::string::npos);
  // With the facts after the pages: their lists share the bound.
  FileReport facts = ReportFile(cli.form, cli.app, "AMP.DLL", false, true, {true});
  EXPECT_TRUE(facts.Errors.empty());
  EXPECT_NE(facts.Output.find("\n== Facts ==\n"), std::string::npos);
  EXPECT_NE(facts.Output.find("\nImports:\n  " + std::string(kRestLeftOut) + "\n"),
            std::string::npos);
  EXPECT_LE(facts.Output.size(), limit + 2000);
  FileReport json = ReportFile(cli.form, cli.app, "AMP.DLL", true, true);
  EXPECT_LE(json.Output.size(), limit + 200);
  EXPECT_NE(json.Output.find("\"Left Out\":"), std::string::npos);
  // As data: the lists stop, and say so. One function's object may pass
  // the bound, no more.
  FileReport data = ReportFileData(cli.form, cli.app, "AMP.DLL", true);
  EXPECT_EQ(data.Errors, std::vector<std::string>{});
  EXPECT_GT(data.Output.size(), limit / 2);
  EXPECT_LE(data.Output.size(), limit + 16384);
  EXPECT_NE(data.Output.find("\"truncated\":true}"), std::string::npos);
}

TEST(VistrelCliReport, MissingFileIsNamedAndMakesNoBlock) {
  Cli cli;
  FileReport r = ReportFile(cli.form, cli.app, "GONE.DLL", true, true);
  EXPECT_EQ(r.Errors, (std::vector<std::string>{"The system cannot find the file specified."}));
  EXPECT_TRUE(r.Output.empty());
  FileReport ok = ReportFile(cli.form, cli.app, "X.DLL", true, false);
  EXPECT_TRUE(ok.Errors.empty());
  EXPECT_EQ(ok.Output.rfind(",\n\"X.DLL\":{\"File Header\":", 0), 0u);
}

// Every hostile file of the corpus as data: a whole element each, never past
// its bound.
TEST(VistrelCliReport, HostileFilesAsData) {
  std::filesystem::path dir = DLV_CORKAMI_DIR;
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;
  ui::headless::HeadlessApplication app;
  platform::posix::PosixFileSystem files;
  platform::fake::FakeRegistry registry;
  platform::fake::FakeClipboard clipboard;
  platform::fake::FakeEnvironment env;
  TVistrelMainForm form{app, {files, registry, clipboard, env}};
  size_t done = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    FileReport r = ReportFileData(form, app, entry.path().string(), true);
    form.FileCloseMenuItemClick();
    ASSERT_EQ(r.Output.rfind("\n{\"file\":", 0), 0u) << entry.path();
    EXPECT_EQ(r.Output.back(), '}') << entry.path();
    EXPECT_LE(r.Output.size(), TextLimit(entry.file_size()) + 16384) << entry.path();
    ++done;
  }
  EXPECT_GT(done, 200u);
}

}  // namespace
}  // namespace vistrel
