#include "dlvnt/inventory/win16.h"

#include <gtest/gtest.h>

#include "dlvnt/inventory/test_wow.h"

namespace dlvnt {
namespace {

using testing::TestMachine;
using testing::TestWow;

struct TestWait : HelperWait {
  void Arm() override { answers = 0; }
  bool Wait(int wanted) override {
    ++waits;
    return answers >= wanted;
  }
  int answers = 0;
  int waits = 0;
};

std::string Ne(const std::string& name, const std::vector<std::string>& imports) {
  std::vector<uint8_t> bytes = fixtures::NeFile({name, imports, {}, false});
  return {bytes.begin(), bytes.end()};
}

struct Win16Fixture : ::testing::Test {
  TestMachine m;
  TestWow wow{m};
  TestWait wait;
  Win16Services services{wow, wow.folders, wow.Files(), wow, wait, "C:\\DELVANE\\"};
  ItemList items;
  ProcessTree tree;

  void SetUp() override {
    m.AddFile("C:\\WIN16\\CARDS.EXE", Ne("CARDS", {"KERNEL", "CARDLIB"}));
    m.AddFile("C:\\WIN16\\NOTES.EXE", Ne("NOTES", {"CARDLIB"}));
    m.AddFile("C:\\WIN16\\CARDLIB.DLL", Ne("CARDLIB", {"KERNEL"}));
    m.AddFile("C:\\OTHER\\CARDLIB.DLL", Ne("CARDLIB", {"KERNEL"}));
    wow.answer = [this] { ++wait.answers; };
  }
  Module16Collection Collect() {
    InventoryServices inventory = m.Services();
    return CollectModule16(inventory, services, items, tree);
  }
  const TInventoryItem* Item(const std::string& path) {
    for (size_t i = 0; i < items.Count(); ++i) {
      if (items[i].ModulePath == path) return &items[i];
    }
    return nullptr;
  }
};

TEST_F(Win16Fixture, AModuleInTwoProcessesIsOneItemUnderBothNodes) {
  wow.Describe(
      "process 77\ntask C:\\WIN16\\CARDS.EXE\nmodule C:\\WIN16\\CardLib.dll\n"
      "process 78\ntask C:\\WIN16\\NOTES.EXE\nmodule C:\\WIN16\\CARDLIB.DLL\n"
      "directories c:\\win16;c:\\other\nmodule C:\\OTHER\\CARDLIB.DLL\n");
  Module16Collection result = Collect();
  EXPECT_TRUE(result.Answered);
  EXPECT_TRUE(result.Errors.empty());
  EXPECT_EQ(result.ProcessCount, 2);
  EXPECT_EQ(wait.waits, 1);  // one wait for all the starts
  ASSERT_EQ(tree.size(), 2u);
  EXPECT_EQ(tree[0].Text, "0000004d");
  // The tree keeps the paths as the helper wrote them.
  EXPECT_EQ(tree[0].Modules,
            (std::vector<std::string>{"C:\\WIN16\\CARDS.EXE", "C:\\WIN16\\CardLib.dll"}));
  EXPECT_EQ(tree[1].Modules.size(), 3u);

  ASSERT_EQ(items.Count(), 4u);
  const TInventoryItem* shared = Item("C:\\WIN16\\CARDLIB.DLL");
  ASSERT_TRUE(shared);
  EXPECT_EQ(shared->ProcessId, 0);
  EXPECT_EQ(shared->Kind, kOtherModule);
  EXPECT_EQ(shared->ModuleName, "CARDLIB");
  EXPECT_EQ(shared->ExtraText, "C:\\WIN16");
  EXPECT_EQ(shared->FileSize, static_cast<int32_t>(Ne("CARDLIB", {"KERNEL"}).size()));
  EXPECT_FALSE(shared->ImportNames);
  // Same name, another path: an item of its own, still in its process.
  const TInventoryItem* other = Item("C:\\OTHER\\CARDLIB.DLL");
  ASSERT_TRUE(other);
  EXPECT_EQ(other->ProcessId, 78);
  EXPECT_EQ(other->ExtraText, "C:\\WIN16;C:\\OTHER");
  const TInventoryItem* task = Item("C:\\WIN16\\CARDS.EXE");
  ASSERT_TRUE(task);
  EXPECT_EQ(task->Kind, kMainModule);
  EXPECT_EQ(task->ProcessId, 77);
  // Nothing is left behind in dlvnt's folder.
  EXPECT_FALSE(wow.Present("0000004d.dlv"));
  EXPECT_FALSE(wow.Present("0000004e.dlv"));
}

TEST_F(Win16Fixture, LeftOversAreDeletedUnreadAndAFileOfOneRecordIsANodeOnly) {
  wow.Describe("process 77\ntask C:\\WIN16\\CARDS.EXE\n");
  std::vector<uint8_t> old = dlv16::MakeWowFile({{"00000009", "OLD", "C:\\OLD.EXE", "", 0}});
  wow.Leave("earlier.DLV", std::string(old.begin(), old.end()));
  wow.Leave("keep.txt", "not the helper's");
  // This helper writes the process's first record alone.
  wow.instead = [this] {
    std::vector<uint8_t> one =
        dlv16::WriteRecords({{"alone", "CARDS", "C:\\WIN16\\CARDS.EXE", "", 0}});
    wow.Leave("0000004d.dlv", std::string(one.begin(), one.end()));
  };
  Module16Collection result = Collect();
  EXPECT_EQ(result.ProcessCount, 1);
  ASSERT_EQ(tree.size(), 1u);
  EXPECT_EQ(tree[0].Text, "alone");
  EXPECT_TRUE(tree[0].Modules.empty());
  EXPECT_EQ(items.Count(), 0u);
  EXPECT_FALSE(wow.Present("earlier.DLV"));
  EXPECT_TRUE(wow.Present("keep.txt"));
}

TEST_F(Win16Fixture, NoWowProcessMeansNoWaitAndAnEmptyList) {
  wow.extraCandidates = {4, 8};  // processes that open, but hold no WOW
  Module16Collection result = Collect();
  EXPECT_EQ(wow.starts.size(), 2u);
  EXPECT_EQ(wow.starts[0].second, "C:\\DELVANE\\DLV16.EXE w 00000004");
  EXPECT_EQ(wait.waits, 0);
  EXPECT_EQ(result.ProcessCount, 0);
  EXPECT_TRUE(tree.empty());
  EXPECT_EQ(items.Count(), 0u);
}

TEST_F(Win16Fixture, AHelperThatNeverAnswersIsToldAndWhatItWroteIsRead) {
  wow.Describe("process 77\ntask C:\\WIN16\\CARDS.EXE\n");
  wow.answer = nullptr;
  Module16Collection result = Collect();
  EXPECT_FALSE(result.Answered);
  EXPECT_EQ(result.ProcessCount, 1);
  EXPECT_FALSE(wow.Present("0000004d.dlv"));

  // Two processes: the wait lasts until both have answered, one is not enough.
  wow.Describe("process 77\ntask C:\\WIN16\\CARDS.EXE\nprocess 78\ntask C:\\WIN16\\NOTES.EXE\n");
  wow.answer = [this] {
    if (wow.starts.back().first == 77) ++wait.answers;
  };
  items.Clear();
  tree.clear();
  EXPECT_FALSE(Collect().Answered);
  wow.answer = [this] { ++wait.answers; };
  items.Clear();
  tree.clear();
  EXPECT_TRUE(Collect().Answered);
  EXPECT_EQ(tree.size(), 2u);

  // A file that cannot be read is named; the others are still taken.
  wow.instead = [this] {
    wow.folders.AddFile(wow.directory + "ghost.dlv", 10);  // listed, not readable
  };
  items.Clear();
  tree.clear();
  result = Collect();
  ASSERT_EQ(result.Errors.size(), 1u);
  EXPECT_NE(result.Errors[0].find("C:\\DELVANE\\ghost.dlv"), std::string::npos);
}

TEST_F(Win16Fixture, LinksComeFromEveryRunAndTheHelperIsNotListed) {
  wow.Describe(
      "process 77\ntask C:\\WIN16\\CARDS.EXE\nmodule C:\\WIN16\\CARDLIB.DLL\n"
      "process 78\ntask C:\\WIN16\\NOTES.EXE\nmodule C:\\WIN16\\CARDLIB.DLL\n");
  wow.extraCandidates = {5};
  Win16Links links;
  ReadWin16Links(services, 0, "C:\\WIN16\\CARDLIB.DLL", links);
  EXPECT_EQ(wow.starts.size(), 3u);  // every candidate, each with its own wait
  EXPECT_EQ(wait.waits, 2);
  EXPECT_EQ(links.Uses, (std::vector<std::string>{"KERNEL", "KERNEL"}));
  EXPECT_EQ(links.UsedBy, (std::vector<std::string>{"CARDS.EXE", "NOTES.EXE"}));
  EXPECT_EQ(links.Tasks, (std::vector<std::string>{"CARDS.EXE (77)", "NOTES.EXE (78)"}));
  EXPECT_FALSE(wow.Present("linkinfo.dlv"));

  // One process when the item names one; lines naming the helper are passed over.
  wow.starts.clear();
  wow.instead = [this] {
    wow.Leave("linkinfo.dlv",
              "0C:\\WIN\\SYSTEM\\USER.EXE\r\n2C:\\DELVANE\\DLV16.EXE\r\n1C:\\A\\B.EXE\r\n7X\r\n");
  };
  Win16Links one;
  ReadWin16Links(services, 78, "C:\\WIN16\\CARDLIB.DLL", one);
  ASSERT_EQ(wow.starts.size(), 1u);
  EXPECT_EQ(wow.starts[0], std::make_pair(78u, std::string("C:\\DELVANE\\DLV16.EXE l "
                                                           "C:\\WIN16\\CARDLIB.DLL")));
  EXPECT_EQ(one.Uses, std::vector<std::string>{"USER.EXE"});
  EXPECT_EQ(one.UsedBy, std::vector<std::string>{"B.EXE"});
  EXPECT_TRUE(one.Tasks.empty());
}

TEST_F(Win16Fixture, LinkRunsThatFailLeaveWhatWasReadAndSayWhy) {
  wow.Describe("process 77\ntask C:\\WIN16\\CARDS.EXE\nprocess 78\ntask C:\\WIN16\\NOTES.EXE\n");
  Win16Links links;
  // The second process's helper answers without writing its file.
  wow.instead = [this] {
    if (wow.starts.back().first == 77) wow.Leave("linkinfo.dlv", "0C:\\X\\USER.EXE\r\n");
  };
  EXPECT_THROW(ReadWin16Links(services, 0, "C:\\WIN16\\CARDS.EXE", links), std::runtime_error);
  EXPECT_EQ(links.Uses, std::vector<std::string>{"USER.EXE"});

  wow.instead = nullptr;
  wow.answer = nullptr;
  Win16Links none;
  try {
    ReadWin16Links(services, 77, "C:\\WIN16\\CARDS.EXE", none);
    ADD_FAILURE() << "no answer, no error";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), kHelperNoAnswer);
  }
}

TEST_F(Win16Fixture, VersionTextsComeFromAHiddenRunOfTheHelper) {
  services.ProgramDirectory = wow.directory = "C:\\Program Files\\Delvane\\";
  wow.instead = [this] {
    dlv16::VersionLines lines;
    lines[0] = "File Version 3.1.0.0";
    lines[7] = "Tessaloom";
    wow.Leave("verinfo.dlv", dlv16::WriteVersionInfo(lines));
  };
  std::optional<dlv16::VersionLines> texts = ReadWin16Version(services, "C:\\WIN16\\CARDS.EXE");
  ASSERT_TRUE(texts);
  EXPECT_EQ((*texts)[0], "File Version 3.1.0.0");
  EXPECT_EQ((*texts)[7], "Tessaloom");
  ASSERT_EQ(wow.launched.size(), 1u);
  EXPECT_EQ(wow.launched[0].first,
            "\"C:\\Program Files\\Delvane\\DLV16.EXE\" v C:\\WIN16\\CARDS.EXE");
  EXPECT_EQ(wow.launched[0].second, platform::ShowState::Hidden);
  EXPECT_FALSE(wow.Present("verinfo.dlv"));

  wow.refuseLaunch = true;
  EXPECT_FALSE(ReadWin16Version(services, "C:\\WIN16\\CARDS.EXE"));
  wow.refuseLaunch = false;
  wow.instead = [] {};  // answers, writes nothing
  EXPECT_THROW(ReadWin16Version(services, "C:\\WIN16\\CARDS.EXE"), std::runtime_error);
}

}  // namespace
}  // namespace dlvnt
