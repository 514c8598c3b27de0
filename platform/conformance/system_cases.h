// The same cases for every implementation of the process, automation and
// directory services: each test program instantiates them with harnesses of
// its own (fake and posix on Linux, Win32 under Wine).
#ifndef PLATFORM_CONFORMANCE_SYSTEM_CASES_H
#define PLATFORM_CONFORMANCE_SYSTEM_CASES_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/automation.h"
#include "platform/command_line.h"
#include "platform/directories.h"
#include "platform/inventory.h"
#include "platform/processes.h"

namespace platform::conformance {

// The calendar time of a day count (whole seconds), for harnesses that set
// file times.
struct CivilTime {
  int Year, Month, Day, Hour, Minute, Second;
};

inline CivilTime FromDayCount(double dayCount) {
  long long seconds = std::llround(dayCount * 86400.0);
  long long days = seconds / 86400 - 25569;  // since 1970-01-01
  long long rest = seconds % 86400;
  // Civil from days (proleptic Gregorian).
  long long z = days + 719468;
  long long era = (z >= 0 ? z : z - 146096) / 146097;
  long long doe = z - era * 146097;
  long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long long mp = (5 * doy + 2) / 153;
  int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
  return {year,
          month,
          day,
          static_cast<int>(rest / 3600),
          static_cast<int>(rest / 60 % 60),
          static_cast<int>(rest % 60)};
}

// ---- Directories ----

class DirectoryHarness {
 public:
  virtual ~DirectoryHarness() = default;
  virtual Directories& Service() = 0;
  // A fresh, empty directory of the test's own.
  virtual std::string Root() = 0;
  virtual std::string Join(const std::string& dir, const std::string& name) = 0;
  // lastWrite: local time as a day count (platform/inventory.h).
  virtual void MakeFile(const std::string& path, const std::string& bytes, double lastWrite) = 0;
  virtual void MakeDirectory(const std::string& path) = 0;
  // A link to a directory; false where links cannot be made.
  virtual bool MakeDirectoryLink(const std::string& link, const std::string& target) = 0;
};

using DirectoryHarnessFactory = std::function<std::unique_ptr<DirectoryHarness>()>;

class DirectoryCases : public ::testing::TestWithParam<DirectoryHarnessFactory> {
 protected:
  void SetUp() override {
    h = GetParam()();
    root = h->Root();
  }
  const DirectoryEntry* Find(const std::vector<DirectoryEntry>& entries, const std::string& name) {
    for (const auto& e : entries) {
      if (e.Name == name) return &e;
    }
    return nullptr;
  }
  std::unique_ptr<DirectoryHarness> h;
  std::string root;
};

inline const double kSomeTime = DayCount(2001, 2, 3, 4, 5, 6, 0);

TEST_P(DirectoryCases, ListsNamesSizesDatesAndKinds) {
  h->MakeFile(h->Join(root, "Ωmega-日本.dll"), std::string(1234, 'x'), kSomeTime);
  h->MakeFile(h->Join(root, "empty.txt"), "", kSomeTime + 1);
  h->MakeDirectory(h->Join(root, "sub"));
  h->MakeFile(h->Join(h->Join(root, "sub"), "inner.bin"), "abc", kSomeTime);
  std::string error;
  auto entries = h->Service().List(root, &error);
  ASSERT_TRUE(entries) << error;
  std::vector<std::string> names;
  for (const auto& e : *entries) names.push_back(e.Name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"empty.txt", "sub", "Ωmega-日本.dll"}));
  const DirectoryEntry* dll = Find(*entries, "Ωmega-日本.dll");
  ASSERT_TRUE(dll);
  EXPECT_EQ(dll->Size, 1234u);
  EXPECT_FALSE(dll->IsDirectory);
  EXPECT_FALSE(dll->IsReparsePoint);
  ASSERT_TRUE(dll->LastWrite);
  EXPECT_NEAR(*dll->LastWrite, kSomeTime, 1.0 / 86400000);  // to the millisecond
  const DirectoryEntry* empty = Find(*entries, "empty.txt");
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->Size, 0u);
  ASSERT_TRUE(empty->LastWrite);
  EXPECT_NEAR(*empty->LastWrite, kSomeTime + 1, 1.0 / 86400000);
  const DirectoryEntry* sub = Find(*entries, "sub");
  ASSERT_TRUE(sub);
  EXPECT_TRUE(sub->IsDirectory);
  EXPECT_EQ(sub->Size, 0u);
  // With a closing separator too; only the directory's own entries.
  auto inner = h->Service().List(h->Join(root, "sub") + "/", &error);
  ASSERT_TRUE(inner) << error;
  ASSERT_EQ(inner->size(), 1u);
  EXPECT_EQ((*inner)[0].Name, "inner.bin");
  EXPECT_EQ((*inner)[0].Size, 3u);
}

TEST_P(DirectoryCases, EmptyMissingAndFileAreTold) {
  h->MakeDirectory(h->Join(root, "none"));
  auto empty = h->Service().List(h->Join(root, "none"));
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->empty());
  std::string error;
  EXPECT_FALSE(h->Service().List(h->Join(root, "missing"), &error));
  EXPECT_FALSE(error.empty());
  h->MakeFile(h->Join(root, "file.txt"), "x", kSomeTime);
  error.clear();
  EXPECT_FALSE(h->Service().List(h->Join(root, "file.txt"), &error));
  EXPECT_FALSE(error.empty());
}

TEST_P(DirectoryCases, FindFirstMatchesAsTheSystemDoes) {
  h->MakeFile(h->Join(root, "Omega-Data.TXT"), "abcd", kSomeTime);
  h->MakeDirectory(h->Join(root, "Plain"));
  for (const char* pattern : {"omega-DATA.txt", "*.txt", "o?EGA-data.*"}) {
    auto found = h->Service().FindFirst(h->Join(root, pattern));
    ASSERT_TRUE(found) << pattern;
    EXPECT_EQ(found->Name, "Omega-Data.TXT");
    EXPECT_EQ(found->Size, 4u);
    EXPECT_FALSE(found->IsDirectory);
    EXPECT_EQ(found->Attributes & kAttributeDirectory, 0u);
    ASSERT_TRUE(found->LastWrite);
    EXPECT_NEAR(*found->LastWrite, kSomeTime, 1.0 / 86400000);
  }
  // A plain directory carries the directory bit and nothing else, in a
  // search and in a listing alike.
  auto plain = h->Service().FindFirst(h->Join(root, "PLAIN"));
  ASSERT_TRUE(plain);
  EXPECT_TRUE(plain->IsDirectory);
  EXPECT_EQ(plain->Attributes, kAttributeDirectory);
  auto entries = h->Service().List(root);
  ASSERT_TRUE(entries);
  const DirectoryEntry* listed = Find(*entries, "Plain");
  ASSERT_TRUE(listed);
  EXPECT_EQ(listed->Attributes, kAttributeDirectory);
  EXPECT_FALSE(h->Service().FindFirst(h->Join(root, "missing.txt")));
  EXPECT_FALSE(h->Service().FindFirst(h->Join(h->Join(root, "nowhere"), "*")));
}

TEST_P(DirectoryCases, RemovesFilesButNeverDirectories) {
  std::string file = h->Join(root, "Ωmega.tmp");
  h->MakeFile(file, "data", kSomeTime);
  h->MakeDirectory(h->Join(root, "keep"));
  std::string error;
  EXPECT_TRUE(h->Service().RemoveFile(file, &error)) << error;
  EXPECT_FALSE(h->Service().RemoveFile(file, &error));
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_FALSE(h->Service().RemoveFile(h->Join(root, "keep"), &error));
  EXPECT_FALSE(error.empty());
  auto entries = h->Service().List(root);
  ASSERT_TRUE(entries);
  ASSERT_EQ(entries->size(), 1u);
  EXPECT_EQ((*entries)[0].Name, "keep");
}

TEST_P(DirectoryCases, LinksAreReparsePoints) {
  h->MakeDirectory(h->Join(root, "target"));
  if (!h->MakeDirectoryLink(h->Join(root, "loop"), root)) GTEST_SKIP() << "no links here";
  auto entries = h->Service().List(root);
  ASSERT_TRUE(entries);
  const DirectoryEntry* loop = Find(*entries, "loop");
  ASSERT_TRUE(loop);
  EXPECT_TRUE(loop->IsReparsePoint);
  EXPECT_TRUE(loop->IsDirectory);
  EXPECT_NE(loop->Attributes & kAttributeReparsePoint, 0u);
  const DirectoryEntry* target = Find(*entries, "target");
  ASSERT_TRUE(target);
  EXPECT_FALSE(target->IsReparsePoint);
}

// ---- Processes ----

class ProcessHarness {
 public:
  virtual ~ProcessHarness() = default;
  virtual ProcessLauncher& Launcher() = 0;
  // A command line that runs a program ending with `code`, or one that runs
  // for at least a minute (code nullopt).
  virtual std::string Program(std::optional<uint32_t> code) = 0;
};

using ProcessHarnessFactory = std::function<std::unique_ptr<ProcessHarness>()>;

// The test program itself is the child: started with these switches it ends
// at once with a code or waits a minute (see ChildMain).
template <class LauncherType>
class SelfStartingHarness : public ProcessHarness {
 public:
  explicit SelfStartingHarness(std::string self) : self_(std::move(self)) {}
  ProcessLauncher& Launcher() override { return launcher_; }
  std::string Program(std::optional<uint32_t> code) override {
    return QuoteArgument(self_) +
           (code ? " --child-exit " + std::to_string(*code) : std::string(" --child-sleep"));
  }

 private:
  std::string self_;
  LauncherType launcher_;
};

// The child's part of a test program's main: its exit code, or nullopt when
// this run is not a child.
inline std::optional<int> ChildMain(int argc, char** argv) {
  if (argc >= 3 && std::string(argv[1]) == "--child-exit") return std::atoi(argv[2]);
  if (argc >= 2 && std::string(argv[1]) == "--child-sleep") {
    std::this_thread::sleep_for(std::chrono::seconds(60));
    return 0;
  }
  return std::nullopt;
}

class ProcessCases : public ::testing::TestWithParam<ProcessHarnessFactory> {
 protected:
  void SetUp() override { h = GetParam()(); }
  std::unique_ptr<ProcessHarness> h;
};

TEST_P(ProcessCases, GivesTheExitCode) {
  for (uint32_t code : {0u, 7u, 200u}) {
    std::string error;
    auto process = h->Launcher().Start(h->Program(code), ShowState::Hidden, &error);
    ASSERT_TRUE(process) << error;
    EXPECT_NE(process->Id(), 0u);
    EXPECT_EQ(process->Wait(std::chrono::seconds(60)), code);
    EXPECT_EQ(process->Wait(std::chrono::milliseconds(0)), code);  // asked again
  }
  auto unbounded = h->Launcher().Start(h->Program(3), ShowState::Normal);
  ASSERT_TRUE(unbounded);
  EXPECT_EQ(unbounded->Wait(std::nullopt), 3u);
}

TEST_P(ProcessCases, WaitEndsAtItsTimeoutAndTerminateEnds) {
  auto process = h->Launcher().Start(h->Program(std::nullopt), ShowState::Hidden);
  ASSERT_TRUE(process);
  auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(process->Wait(std::chrono::milliseconds(300)), std::nullopt);
  auto waited = std::chrono::steady_clock::now() - begin;
  EXPECT_LT(waited, std::chrono::seconds(20));
  EXPECT_EQ(process->Wait(std::chrono::milliseconds(0)), std::nullopt);
  EXPECT_TRUE(process->Terminate(42));
  EXPECT_EQ(process->Wait(std::chrono::seconds(20)), 42u);
}

TEST_P(ProcessCases, AMissingProgramIsAnError) {
  std::string error;
  EXPECT_EQ(h->Launcher().Start("\"no-such-program-Ωmega.exe\" x", ShowState::Hidden, &error),
            nullptr);
  EXPECT_FALSE(error.empty());
}

// ---- Automation ----

class AutomationHarness {
 public:
  virtual ~AutomationHarness() = default;
  virtual AutomationServer& Server() = 0;
  virtual AutomationClient& Client() = 0;
  // Makes the class reachable by its ProgID once the server has started it.
  virtual void Register(const AutomationClass& cls) = 0;
};

using AutomationHarnessFactory = std::function<std::unique_ptr<AutomationHarness>()>;

class AutomationCases : public ::testing::TestWithParam<AutomationHarnessFactory> {
 protected:
  void SetUp() override {
    h = GetParam()();
    cls.ProgId = "Delvane.ConformanceTest";
    cls.ClassId = "{7D2B4C61-0E3A-4F55-9B8E-3C1A2F6D8E70}";
    cls.Description = "Conformance test";
    cls.Methods.push_back({"Load", 1,
                           [this](const std::vector<std::string>& a) {
                             if (a.at(0) == "fail") throw std::runtime_error("Cannot open Ωmega");
                             loaded.push_back(a.at(0));
                           },
                           1});
    cls.Methods.push_back(
        {"ShutDown", 2, [this](const std::vector<std::string>&) { ++shutDowns; }, 0});
    h->Server().OnLastRelease = [this] { ++lastReleases; };
    ASSERT_TRUE(h->Server().Start(cls));
    h->Register(cls);
  }
  void TearDown() override { h->Server().Stop(); }
  std::unique_ptr<AutomationHarness> h;
  AutomationClass cls;
  std::vector<std::string> loaded;
  int shutDowns = 0;
  int lastReleases = 0;
};

TEST_P(AutomationCases, CallsMethodsByNameWithUtf8Arguments) {
  AutomationStatus status;
  auto object = h->Client().Create(cls.ProgId, &status);
  ASSERT_TRUE(object) << status.Message;
  EXPECT_TRUE(status.Ok());
  EXPECT_TRUE(object->Call("Load", {"C:\\Ωmega-日本\\a.dll"}).Ok());
  EXPECT_TRUE(object->Call("lOAD", {"b"}).Ok());
  EXPECT_TRUE(object->Call("SHUTDOWN").Ok());
  EXPECT_EQ(loaded, (std::vector<std::string>{"C:\\Ωmega-日本\\a.dll", "b"}));
  EXPECT_EQ(shutDowns, 1);
}

TEST_P(AutomationCases, NamesInOtherLettersAreUnknown) {
  auto object = h->Client().Create(cls.ProgId);
  ASSERT_TRUE(object);
  for (const char* name : {"Ｌｏａｄ", "Lоad" /* Cyrillic o */, "Loa", "Loadd", ""}) {
    AutomationStatus status = object->Call(name, {"x"});
    EXPECT_EQ(status.Code, kAutomationUnknownName) << name;
    EXPECT_FALSE(status.Message.empty());
  }
  EXPECT_EQ(object->Call("Load", {}).Code, kAutomationBadArgCount);
  EXPECT_TRUE(loaded.empty());
}

TEST_P(AutomationCases, AMethodsExceptionIsTheCallersError) {
  auto object = h->Client().Create(cls.ProgId);
  ASSERT_TRUE(object);
  AutomationStatus status = object->Call("Load", {"fail"});
  EXPECT_EQ(status.Code, kAutomationException);
  EXPECT_EQ(status.Message, "Cannot open Ωmega");
  EXPECT_TRUE(object->Call("Load", {"next"}).Ok());  // the object lives on
}

TEST_P(AutomationCases, LastReleaseIsTold) {
  auto object = h->Client().Create(cls.ProgId);
  ASSERT_TRUE(object);
  EXPECT_TRUE(object->Call("Load", {"a"}).Ok());
  EXPECT_EQ(lastReleases, 0);
  object.reset();
  EXPECT_EQ(lastReleases, 1);
}

TEST_P(AutomationCases, AnUnknownProgIdIsAnError) {
  AutomationStatus status;
  EXPECT_EQ(h->Client().Create("Delvane.NoSuchClass.Ωmega", &status), nullptr);
  EXPECT_FALSE(status.Ok());
  EXPECT_FALSE(status.Message.empty());
}

// ---- Command lines (pure functions, the same everywhere) ----

struct CommandLineCase {
  const char* Line;
  std::vector<std::string> Words;
};

inline const std::vector<CommandLineCase>& CommandLineCases() {
  static const std::vector<CommandLineCase> cases = {
      {"prog", {"prog"}},
      {"\"C:\\Program Files\\p.exe\" a b", {"C:\\Program Files\\p.exe", "a", "b"}},
      {"C:\\p\\\"x\" a", {"C:\\p\\\"x\"", "a"}},  // the program ends at white space only
      {"p \"a b\" c", {"p", "a b", "c"}},
      {"p a\\\\b \"c\\\\\" d", {"p", "a\\\\b", "c\\", "d"}},
      {"p \\\"a\\\" \"\\\\\\\"\"", {"p", "\"a\"", "\\\""}},
      {"p \"\" x", {"p", "", "x"}},
      {"p \"a\"\"\"b\"", {"p", "a\"b"}},
      {"p   a\t\tb  ", {"p", "a", "b"}},
      {"p Ωmega-日本.dll", {"p", "Ωmega-日本.dll"}},
      {"\"p q\"r s", {"p q", "r", "s"}},
  };
  return cases;
}

}  // namespace platform::conformance

#endif  // PLATFORM_CONFORMANCE_SYSTEM_CASES_H
