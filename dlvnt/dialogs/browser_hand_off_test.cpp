#include "dlvnt/dialogs/browser_hand_off.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/fake/fake_system.h"

namespace dlvnt {
namespace {

using namespace std::chrono_literals;

struct HandOffFixture : ::testing::Test {
  platform::fake::FakeAutomationClient automation;
  platform::fake::FakeProcessLauncher launcher;
  platform::fake::FakeFileSystem files;
  platform::fake::FakeAutomationServer server;
  std::vector<std::string> loaded;
  int shutDowns = 0;
  std::chrono::steady_clock::time_point clock{};
  int pauses = 0;
  int registerAfterPauses = -1;  // -1: never
  bool refuse = false;

  void SetUp() override {
    platform::AutomationClass cls;
    cls.ProgId = kBrowserProgId;
    cls.Methods.push_back({"Load", 1,
                           [this](const std::vector<std::string>& args) {
                             if (refuse) throw std::runtime_error("Cannot open " + args.at(0));
                             loaded.push_back(args.at(0));
                           },
                           1});
    cls.Methods.push_back(
        {"ShutDown", 2, [this](const std::vector<std::string>&) { ++shutDowns; }, 0});
    server.started = cls;  // known, but running only once started
    automation.Connect(server);
    launcher.AddProgram("C:\\DLVNT\\VISTREL.EXE", {});
    launcher.AddProgram("VISTREL.EXE", {});
  }
  BrowserObject Make() {
    return BrowserObject(HandOffServices{automation, launcher, files, "C:\\DLVNT\\DLVNT.EXE",
                                         [this] { return clock; },
                                         [this](std::chrono::milliseconds pause) {
                                           clock += pause;
                                           if (++pauses == registerAfterPauses)
                                             server.Start(server.started);
                                         }});
  }
};

TEST_F(HandOffFixture, ARunningBrowserLoadsAtOnce) {
  server.Start(server.started);
  BrowserObject browser = Make();
  browser.Open("C:\\APP\\SHARED.DLL");
  EXPECT_EQ(loaded, std::vector<std::string>{"C:\\APP\\SHARED.DLL"});
  EXPECT_TRUE(launcher.started.empty());
  EXPECT_TRUE(browser.Held());
  // Twice in one showing: a fresh object, the first one released; Close
  // shuts down the one held.
  browser.Open("C:\\APP\\OTHER.DLL");
  EXPECT_EQ(loaded.size(), 2u);
  EXPECT_EQ(server.objects, 1);
  browser.Close();
  EXPECT_EQ(shutDowns, 1);
  EXPECT_EQ(server.objects, 0);
  browser.Close();  // nothing held: nothing sent
  EXPECT_EQ(shutDowns, 1);
}

TEST_F(HandOffFixture, StartsTheBrowserBesideItselfAndWaitsForItsClass) {
  files.files["C:\\DLVNT\\VISTREL.EXE"] = "MZ";
  registerAfterPauses = 3;
  BrowserObject browser = Make();
  browser.Open("C:\\APP\\SHARED.DLL");
  ASSERT_EQ(launcher.started.size(), 1u);
  EXPECT_EQ(launcher.started[0].first, "C:\\DLVNT\\VISTREL.EXE");
  EXPECT_EQ(launcher.started[0].second, platform::ShowState::Normal);
  EXPECT_EQ(pauses, 3);
  EXPECT_EQ(loaded, std::vector<std::string>{"C:\\APP\\SHARED.DLL"});
}

TEST_F(HandOffFixture, WithoutOneBesideItTheSearchRulesFindIt) {
  registerAfterPauses = 1;
  BrowserObject browser = Make();
  browser.Open("X.DLL");
  ASSERT_EQ(launcher.started.size(), 1u);
  EXPECT_EQ(launcher.started[0].first, "VISTREL.EXE");
  EXPECT_EQ(browser.StartCommand(), "VISTREL.EXE");
  files.files["C:\\DLVNT\\VISTREL.EXE"] = "MZ";
  EXPECT_EQ(browser.StartCommand(), "C:\\DLVNT\\VISTREL.EXE");
}

TEST_F(HandOffFixture, ANeverRegisteredClassFailsAfterTheBoundWithItsText) {
  BrowserObject browser = Make();
  try {
    browser.Open("X.DLL");
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "Class not registered");
  }
  EXPECT_EQ(clock - std::chrono::steady_clock::time_point{}, kBrowserStartLimit);
  EXPECT_EQ(launcher.started.size(), 1u);
  EXPECT_FALSE(browser.Held());
}

TEST_F(HandOffFixture, ARefusedLoadIsTriedOnceMoreThenReported) {
  server.Start(server.started);
  refuse = true;
  BrowserObject browser = Make();
  try {
    browser.Open("C:\\BAD.DLL");
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open C:\\BAD.DLL");
  }
  EXPECT_EQ(launcher.started.size(), 1u);
  EXPECT_EQ(pauses, 0);  // the object was there: no waiting
  // The second attempt's object stays the dialog's, for OK to shut down.
  EXPECT_TRUE(browser.Held());
  EXPECT_EQ(automation.created.size(), 2u);
}

}  // namespace
}  // namespace dlvnt
