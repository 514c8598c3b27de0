// The shared cases on the scripted machine, and what only the fakes do.
#include "platform/fake/fake_system.h"

#include "platform/conformance/system_cases.h"

namespace platform::fake {
namespace {

using namespace platform::conformance;

class FakeDirectoryHarness : public DirectoryHarness {
 public:
  Directories& Service() override { return dirs; }
  std::string Root() override {
    dirs.AddDirectory("C:\\Test");
    return "C:\\Test";
  }
  std::string Join(const std::string& dir, const std::string& name) override {
    return dir + "\\" + name;
  }
  void MakeFile(const std::string& path, const std::string& bytes, double lastWrite) override {
    dirs.AddFile(path, bytes.size(), lastWrite);
  }
  void MakeDirectory(const std::string& path) override { dirs.AddDirectory(path); }
  bool MakeDirectoryLink(const std::string& link, const std::string&) override {
    DirectoryEntry entry;
    entry.IsDirectory = true;
    entry.IsReparsePoint = true;
    dirs.Add(link, entry);
    return true;
  }
  FakeDirectories dirs;
};

INSTANTIATE_TEST_SUITE_P(Fake, DirectoryCases, ::testing::Values([] {
                           return std::unique_ptr<DirectoryHarness>(new FakeDirectoryHarness);
                         }));

class FakeAutomationHarness : public AutomationHarness {
 public:
  AutomationServer& Server() override { return server; }
  AutomationClient& Client() override { return client; }
  void Register(const AutomationClass&) override { client.Connect(server); }
  FakeAutomationServer server;
  FakeAutomationClient client;
};

INSTANTIATE_TEST_SUITE_P(Fake, AutomationCases, ::testing::Values([] {
                           return std::unique_ptr<AutomationHarness>(new FakeAutomationHarness);
                         }));

class FakeProcessHarness : public ProcessHarness {
 public:
  FakeProcessHarness() {
    for (uint32_t code : {0u, 3u, 7u, 200u})
      launcher.AddProgram("exit" + std::to_string(code), {code, {}});
    launcher.AddProgram("forever", {});
  }
  ProcessLauncher& Launcher() override { return launcher; }
  std::string Program(std::optional<uint32_t> code) override {
    return code ? "EXIT" + std::to_string(*code) + " /x" : "forever";
  }
  FakeProcessLauncher launcher;
};

// Scripted: the fake's waits return at once, which the cases allow.
INSTANTIATE_TEST_SUITE_P(Fake, ProcessCases, ::testing::Values([] {
                           return std::unique_ptr<ProcessHarness>(new FakeProcessHarness);
                         }));

TEST(FakeProcessLauncher, RecordsCommandLinesAndRunsTheStartHook) {
  FakeProcessLauncher launcher;
  FakeAutomationServer server;
  FakeAutomationClient client;
  client.Connect(server);
  launcher.AddProgram("VISTREL.EXE", {std::nullopt, [&] {
                                        server.Start({"Vistrel.Vistrel", "{X}", "", {}});
                                      }});
  AutomationStatus status;
  EXPECT_EQ(client.Create("Vistrel.Vistrel", &status), nullptr);
  EXPECT_EQ(status.Code, kAutomationClassString);  // nothing registered it yet
  ASSERT_TRUE(launcher.Start("vistrel.exe", ShowState::Normal));
  EXPECT_NE(client.Create("Vistrel.Vistrel"), nullptr);
  ASSERT_EQ(launcher.started.size(), 1u);
  EXPECT_EQ(launcher.started[0].first, "vistrel.exe");
  server.Stop();
  EXPECT_EQ(client.Create("vistrel.vistrel", &status), nullptr);
  EXPECT_EQ(status.Code, static_cast<int32_t>(0x80040154));
  EXPECT_EQ(client.liveObjects, 0);
}

TEST(FakeDirectories, ReadOnlyFilesStay) {
  FakeDirectories dirs;
  dirs.AddFile("C:\\A\\b.txt", 1);
  dirs.readOnly.insert("C:\\A\\B.TXT");
  std::string error;
  EXPECT_FALSE(dirs.RemoveFile("c:/a/B.txt", &error));
  EXPECT_EQ(error, "Access is denied.");
  EXPECT_TRUE(dirs.Exists("C:\\A\\b.txt"));
}

TEST(CommandLine, SplitsAsTheRunTimeDoes) {
  for (const auto& c : CommandLineCases()) EXPECT_EQ(SplitCommandLine(c.Line), c.Words) << c.Line;
  // The rest of a line after its program word holds the same arguments.
  for (const auto& c : CommandLineCases()) {
    std::vector<std::string> words = SplitCommandLine("p " + ArgumentsAfterProgram(c.Line));
    words.erase(words.begin());
    EXPECT_EQ(words, std::vector<std::string>(c.Words.begin() + 1, c.Words.end())) << c.Line;
  }
}

TEST(CommandLine, QuotedArgumentsComeBackUnchanged) {
  std::vector<std::string> args = {"plain",
                                   "two words",
                                   "",
                                   "tab\there",
                                   "a\"b",
                                   "end\\",
                                   "C:\\Dir With Space\\",
                                   "\\\\server\\share",
                                   "\"\"",
                                   "Ωmega-日本.dll",
                                   "x\\\"y"};
  std::string line = "prog";
  for (const auto& a : args) line += " " + QuoteArgument(a);
  std::vector<std::string> words = SplitCommandLine(line);
  ASSERT_FALSE(words.empty());
  words.erase(words.begin());
  EXPECT_EQ(words, args) << line;
  EXPECT_EQ(QuoteArgument("plain"), "plain");
  EXPECT_EQ(QuoteArgument("a b\\"), "\"a b\\\\\"");
}

}  // namespace
}  // namespace platform::fake
