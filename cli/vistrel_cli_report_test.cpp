// vistrel-cli's report of one file: running out of memory at any point is
// that file's error, never an abort, and leaves no half-written block.
#include "cli/vistrel_cli_report.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "platform/fake/fake_machine.h"
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
  FileReport Run(bool json) {
    FileReport r = ReportFile(form, app, "X.DLL", json, true);
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
  for (bool json : {false, true}) {
    SCOPED_TRACE(json);
    Cli cli;
    const FileReport clean = cli.Run(json);
    ASSERT_TRUE(clean.Errors.empty());
    ASSERT_NE(clean.Output.find("Foo"), std::string::npos);
    int failures = 0;
    for (long n = 0;; ++n) {
      failAfter = n;
      FileReport r = cli.Run(json);
      bool consumed = failAfter.load() < 0;
      failAfter = -1;
      if (!consumed) {
        // Past the last allocation of a report: nothing failed.
        EXPECT_TRUE(r.Errors.empty());
        EXPECT_EQ(r.Output, clean.Output);
        break;
      }
      ASSERT_LT(n, 200000) << "the report never ends";
      if (r.Errors.empty()) {
        // The failure fell inside the library, whose C interface answers
        // "nothing" instead of throwing: a whole block all the same.
        EXPECT_EQ(r.Output.rfind(json ? "\n\"X.DLL\":{" : "#### X.DLL\n", 0), 0u) << n;
        continue;
      }
      ++failures;
      EXPECT_EQ(r.Errors.back(), std::bad_alloc().what()) << n;
      // Either the whole block or none of it.
      EXPECT_TRUE(r.Output.empty() || r.Output == clean.Output) << n;
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
  FileReport json = ReportFile(cli.form, cli.app, "AMP.DLL", true, true);
  EXPECT_LE(json.Output.size(), limit + 200);
  EXPECT_NE(json.Output.find("\"Left Out\":"), std::string::npos);
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

}  // namespace
}  // namespace vistrel
