#include "contracts/dlv16/stand_in.h"

#include <gtest/gtest.h>

#include "common/version_info_test_util.h"
#include "contracts/dlv16/ne_module.h"
#include "platform/fake/fake_machine.h"
#include "tests/fixtures/pe_writer.h"

#ifdef DLV16_CORKAMI_DIR
#include <filesystem>

#include "platform/posix/posix_files.h"
#endif

namespace dlv16 {
namespace {

namespace vt = versioninfo::testing;

std::vector<uint8_t> VersionBlock() {
  vt::Fixed fixed;
  fixed.FileMS = 0x00030000;
  fixed.FileLS = 0x0000000A;
  return vt::Serialize(vt::Block(fixed,
                                 {{"040904E4",
                                   {{"CompanyName", u"Tessaloom Sixteen"},
                                    {"FileDescription", u"Card file"},
                                    {"ProductName", u"Sixteen"}}}},
                                 {{0x0409, 1252}}),
                       true);
}


class StandIn : public ::testing::Test {
 protected:
  void SetUp() override {
    files.files["C:\\APPS\\CARDS.EXE"] = Bytes(fixtures::NeFile(
        {"CARDS", {"KERNEL", "USER", "CARDLIB"}, VersionBlock(), false}));
    files.files["C:\\APPS\\CARDLIB.DLL"] =
        Bytes(fixtures::NeFile({"CARDLIB", {"KERNEL"}, {}, true}));
    files.files["C:\\APPS\\NOTES.EXE"] = Bytes(fixtures::NeFile({"NOTES", {"USER"}, {}, false}));
    std::string error;
    std::optional<WowSimulation> parsed = ParseWowSimulation(
        "process 77\n"
        "task C:\\APPS\\CARDS.EXE\n"
        "task C:\\APPS\\NOTES.EXE\n"
        "module C:\\APPS\\CARDLIB.DLL\n"
        "module C:\\APPS\\GONE.DLL\n",
        &error);
    ASSERT_TRUE(parsed) << error;
    simulation = *parsed;
    run.OutputDirectory = "C:\\DELVANE\\";
    run.Simulation = &simulation;
  }
  static std::string Bytes(const std::vector<uint8_t>& v) { return {v.begin(), v.end()}; }
  std::optional<std::string> Run(const std::string& arguments) {
    std::optional<HelperArguments> parsed = ParseHelperArguments(arguments);
    if (!parsed) return "unparsed";
    run.Process = parsed->Process;
    return RunHelperCommand(parsed->Command, run, files);
  }
  std::string Output(const std::string& name) { return files.files["C:\\DELVANE\\" + name]; }

  platform::fake::FakeFileSystem files;
  WowSimulation simulation;
  HelperRun run;
};

TEST_F(StandIn, WowWritesOneRecordPerModuleAndAnEndRecord) {
  ASSERT_EQ(Run("--wow-process 77 w 0000004d"), std::nullopt);
  std::string file = Output("0000004d.dlv");
  std::optional<WowFile> taken =
      TakeWowFile({reinterpret_cast<const uint8_t*>(file.data()), file.size()});
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->NodeText, "0000004d");
  ASSERT_EQ(taken->Modules.size(), 4u);
  // Names are the files' own module names; a missing file is named by its path.
  EXPECT_EQ(taken->Modules[0].ModuleName, "CARDS");
  EXPECT_EQ(taken->Modules[0].Flag, 0);
  EXPECT_EQ(taken->Modules[1].ModuleName, "NOTES");
  EXPECT_EQ(taken->Modules[2].ModuleName, "CARDLIB");
  EXPECT_EQ(taken->Modules[2].Flag, 1);
  EXPECT_EQ(taken->Modules[2].Directories, "C:\\APPS");
  EXPECT_EQ(taken->Modules[3].ModuleName, "GONE");
  EXPECT_EQ(taken->Modules[3].ModulePath, "C:\\APPS\\GONE.DLL");

  EXPECT_NE(Run("w 0000004e"), std::nullopt);  // no such WOW process
  EXPECT_EQ(files.files.count("C:\\DELVANE\\0000004e.dlv"), 0u);
}

TEST_F(StandIn, LinksComeFromTheModuleReferenceTables) {
  ASSERT_EQ(Run("--wow-process 77 l C:\\APPS\\CARDLIB.DLL"), std::nullopt);
  // CARDLIB uses KERNEL (not loaded here: its bare name); CARDS uses it and
  // is a task of the process; NOTES does not.
  EXPECT_EQ(Output("linkinfo.dlv"), "0KERNEL\r\n1C:\\APPS\\CARDS.EXE\r\n2C:\\APPS\\CARDS.EXE\r\n");

  ASSERT_EQ(Run("--wow-process 77 l C:\\APPS\\CARDS.EXE"), std::nullopt);
  EXPECT_EQ(Output("linkinfo.dlv"),
            "0KERNEL\r\n0USER\r\n0C:\\APPS\\CARDLIB.DLL\r\n2C:\\APPS\\CARDS.EXE\r\n");

  // Outside any known process only the module's own references are known.
  ASSERT_EQ(Run("l C:\\APPS\\CARDLIB.DLL"), std::nullopt);
  EXPECT_EQ(Output("linkinfo.dlv"), "0KERNEL\r\n");
}

TEST_F(StandIn, VersionReadsTheSixteenBitBlock) {
  ASSERT_EQ(Run("v C:\\APPS\\CARDS.EXE"), std::nullopt);
  VersionLines lines = ReadVersionInfo(Output("verinfo.dlv"));
  EXPECT_EQ(lines[0], "File Version 3.0.0.10");
  EXPECT_EQ(lines[6], "Language " + versioninfo::PortableLanguageName(0x0409));
  EXPECT_EQ(lines[7], "Tessaloom Sixteen");
  EXPECT_EQ(lines[8], "Card file");
  EXPECT_EQ(lines[13], "Sixteen");
  EXPECT_EQ(lines[9], "");

  // A file without a version resource, or none at all: fifteen empty lines.
  ASSERT_EQ(Run("v C:\\APPS\\NOTES.EXE"), std::nullopt);
  EXPECT_EQ(Output("verinfo.dlv"), WriteVersionInfo({}));
  ASSERT_EQ(Run("v C:\\NOWHERE.EXE"), std::nullopt);
  EXPECT_EQ(Output("verinfo.dlv"), WriteVersionInfo({}));
}

TEST(NeModuleTest, EveryCutOfAFileReadsWithoutLeavingIt) {
  std::vector<uint8_t> file =
      fixtures::NeFile({"CARDS", {"KERNEL", "USER"}, VersionBlock(), false});
  std::optional<NeModule> whole = ReadNeModule(file);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->ModuleName, "CARDS");
  EXPECT_EQ(whole->ImportedModules, (std::vector<std::string>{"KERNEL", "USER"}));
  ASSERT_TRUE(whole->VersionResource);
  EXPECT_EQ(whole->VersionResource->size() % 16, 0u);
  for (size_t size = 0; size < file.size(); ++size) {
    std::vector<uint8_t> cut(file.begin(), file.begin() + static_cast<long>(size));
    std::optional<NeModule> part = ReadNeModule(cut);
    if (part && part->VersionResource) {
      EXPECT_LE(part->VersionResource->size(), size);
    }
  }
  EXPECT_FALSE(ReadNeModule(fixtures::FileWithSignature("PE")));
  EXPECT_FALSE(ReadNeModule(fixtures::DosFile()));
}

#ifdef DLV16_CORKAMI_DIR
// Hostile files given to every command as the module: nothing read beyond
// them, nothing written but the command's file.
TEST(StandInCorpus, HostileFilesGoThroughEveryCommand) {
  platform::posix::PosixFileSystem disk;
  platform::fake::FakeFileSystem out;
  struct Split : platform::FileSystem {
    platform::FileSystem& in;
    platform::FileSystem& out;
    Split(platform::FileSystem& i, platform::FileSystem& o) : in(i), out(o) {}
    std::unique_ptr<platform::MappedFile> MapReadOnly(const std::string& p,
                                                      platform::MapError* e) override {
      return in.MapReadOnly(p, e);
    }
    bool FileExists(const std::string& p) override { return in.FileExists(p); }
    std::optional<std::string> WriteWholeFile(const std::string& p,
                                              std::span<const uint8_t> b) override {
      return out.WriteWholeFile(p, b);
    }
  } files(disk, out);
  size_t ne = 0;
  for (const auto& entry : std::filesystem::directory_iterator(DLV16_CORKAMI_DIR)) {
    std::string path = entry.path().string();
    std::string description = "process 5\ntask " + path + "\nmodule " + path + "\n";
    std::optional<WowSimulation> simulation = ParseWowSimulation(description, nullptr);
    ASSERT_TRUE(simulation);
    HelperRun run{"/out/", &*simulation, 5u};
    for (const std::string& arguments : {std::string("w 00000005"), "l " + path, "v " + path}) {
      std::optional<HelperArguments> parsed = ParseHelperArguments(arguments);
      ASSERT_TRUE(parsed);
      EXPECT_EQ(RunHelperCommand(parsed->Command, run, files), std::nullopt) << path;
    }
    if (auto file = disk.MapReadOnly(path, nullptr); file && ReadNeModule(file->Bytes())) ++ne;
  }
  EXPECT_GE(ne, 1u);  // the corpus holds an NE file
  EXPECT_EQ(out.files.size(), 3u);
}
#endif

}  // namespace
}  // namespace dlv16
