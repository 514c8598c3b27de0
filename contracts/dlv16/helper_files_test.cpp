#include "contracts/dlv16/helper_files.h"

#include <gtest/gtest.h>

#include "contracts/dlv16/stand_in.h"
#include "contracts/dlv16/wow_simulation.h"
#include "platform/fake/fake_system.h"

namespace dlv16 {
namespace {

TEST(HelperFiles, RecordsRoundTripAndCutTextsToTheirFields) {
  WowRecord record{"0000012a", "USER", "C:\\WINDOWS\\SYSTEM\\USER.EXE", "C:\\WINDOWS;C:\\APP", 1};
  std::array<uint8_t, kRecordSize> bytes = EncodeRecord(record);
  EXPECT_EQ(bytes[1300], 1);
  EXPECT_EQ(bytes[1301], 0);
  WowRecord back = DecodeRecord(bytes);
  EXPECT_EQ(back.First, record.First);
  EXPECT_EQ(back.ModuleName, record.ModuleName);
  EXPECT_EQ(back.ModulePath, record.ModulePath);
  EXPECT_EQ(back.Directories, record.Directories);
  EXPECT_EQ(back.Flag, 1);

  // A field filled to its end has no NUL and still reads back whole; a
  // longer text is cut to the field and never runs into the next one.
  WowRecord full{"0123456789ABC", "MODULENAME", std::string(300, 'p'), std::string(2000, 'd'),
                 0x1234};
  WowRecord cut = DecodeRecord(EncodeRecord(full));
  EXPECT_EQ(cut.First, "0123456789");
  EXPECT_EQ(cut.ModuleName, "MODULENAME");
  EXPECT_EQ(cut.ModulePath, std::string(256, 'p'));
  EXPECT_EQ(cut.Directories, std::string(1024, 'd'));
  EXPECT_EQ(cut.Flag, 0x1234);
}

TEST(HelperFiles, TheFirstRecordNamesTheNodeAndTheLastOnlyEndsTheFile) {
  std::vector<uint8_t> one = WriteRecords({{"node", "A", "A.EXE", "", 0}});
  std::optional<WowFile> alone = TakeWowFile(one);
  ASSERT_TRUE(alone);
  EXPECT_EQ(alone->NodeText, "node");
  EXPECT_TRUE(alone->Modules.empty());

  std::vector<uint8_t> file = MakeWowFile({{"00000010", "APP", "C:\\APP.EXE", "C:\\", 0},
                                           {"00000010", "LIB", "C:\\LIB.DLL", "C:\\", 1}});
  EXPECT_EQ(file.size(), 3 * kRecordSize);
  // Bytes after the last whole record are no record.
  file.resize(file.size() + 100, 'x');
  std::optional<WowFile> taken = TakeWowFile(file);
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->NodeText, "00000010");
  ASSERT_EQ(taken->Modules.size(), 2u);
  EXPECT_EQ(taken->Modules[0].ModulePath, "C:\\APP.EXE");
  EXPECT_EQ(taken->Modules[1].Flag, 1);

  EXPECT_FALSE(TakeWowFile(std::vector<uint8_t>(kRecordSize - 1, 0)));
}

TEST(HelperFiles, ProcessIdsAreEightHexDigitsOfEitherCase) {
  EXPECT_EQ(ProcessIdText(0x12a), "0000012a");
  EXPECT_EQ(ParseProcessId("0000012a"), 0x12au);
  EXPECT_EQ(ParseProcessId("0000012A"), 0x12au);
  EXPECT_EQ(ParseProcessId("ffffffff"), 0xffffffffu);
  EXPECT_EQ(ParseProcessId("123456789"), 0x12345678u);  // eight digits at most
  EXPECT_EQ(ParseProcessId("12 (WOW)"), 0x12u);         // up to the first non-digit
  EXPECT_EQ(ParseProcessId("WOW"), 0u);
  EXPECT_EQ(ParseProcessId(""), 0u);
}

TEST(HelperFiles, LinkAndVersionFilesAreLinesEndedByCrLf) {
  std::string links = WriteLinkInfo({{'0', "C:\\WINDOWS\\SYSTEM\\USER.EXE"}, {'2', "C:\\A B\\APP.EXE"}});
  EXPECT_EQ(links, "0C:\\WINDOWS\\SYSTEM\\USER.EXE\r\n2C:\\A B\\APP.EXE\r\n");
  std::vector<LinkLine> read = ReadLinkInfo(links + "\r\n9\nX");
  ASSERT_EQ(read.size(), 4u);
  EXPECT_EQ(read[1].Type, '2');
  EXPECT_EQ(read[1].Path, "C:\\A B\\APP.EXE");
  EXPECT_EQ(read[2].Type, '9');
  EXPECT_EQ(read[2].Path, "");
  EXPECT_EQ(read[3].Type, 'X');

  VersionLines lines;
  lines[0] = "File Version 1.2.3.4";
  lines[7] = "Two\r\nlines";
  lines[14] = "last";
  std::string text = WriteVersionInfo(lines);
  VersionLines back = ReadVersionInfo(text);
  EXPECT_EQ(back[0], lines[0]);
  EXPECT_EQ(back[7], "Two  lines");  // a break inside a text would shift the boxes
  EXPECT_EQ(back[14], "last");
  VersionLines shortFile = ReadVersionInfo("one\r\ntwo\r\n");
  EXPECT_EQ(shortFile[1], "two");
  EXPECT_EQ(shortFile[2], "");
  EXPECT_EQ(shortFile[14], "");
}

TEST(HelperFiles, CommandLinesCarryTheWholePathAsArgument) {
  EXPECT_EQ(HelperCommandLine("C:\\Delvane\\", Command::Links, "C:\\A B\\X.DLL"),
            "C:\\Delvane\\DLV16.EXE l C:\\A B\\X.DLL");
  std::optional<HelperArguments> plain = ParseHelperArguments("v C:\\A B\\X.DLL");
  ASSERT_TRUE(plain);
  EXPECT_FALSE(plain->Process);
  EXPECT_EQ(plain->Command.Letter, Command::Version);
  EXPECT_EQ(plain->Command.Argument, "C:\\A B\\X.DLL");
  std::optional<HelperArguments> simulated = ParseHelperArguments("--wow-process 77 w 0000004d");
  ASSERT_TRUE(simulated);
  EXPECT_EQ(simulated->Process, 77u);
  EXPECT_EQ(simulated->Command.Letter, Command::Wow);
  for (const char* bad : {"", "w", "w ", "x C:\\A", "wC:\\A", "--wow-process w 1", "--wow-process"}) {
    EXPECT_FALSE(ParseHelperArguments(bad)) << bad;
  }
}

TEST(WowSimulationTest, ReadsProcessesAndTellsWhichLineIsWrong) {
  std::string error;
  std::optional<WowSimulation> simulation = ParseWowSimulation(
      "# two processes\n"
      "wait 3\n"
      "process 77\n"
      "task C:\\APPS\\ONE.EXE\n"
      "module C:\\WIN\\LIB.DLL\n"
      "process 78\r\n"
      "directories C:\\X;C:\\Y\r\n"
      "task C:\\APPS\\TWO.EXE\r\n",
      &error);
  ASSERT_TRUE(simulation) << error;
  EXPECT_EQ(simulation->WaitSeconds, 3);
  EXPECT_FALSE(simulation->Silent);
  ASSERT_EQ(simulation->Processes.size(), 2u);
  const SimulatedProcess& first = simulation->Processes[0];
  ASSERT_EQ(first.Modules.size(), 2u);
  EXPECT_TRUE(first.Modules[0].Task);
  EXPECT_FALSE(first.Modules[1].Task);
  // By default a module is looked for in its process's task folder.
  EXPECT_EQ(first.Modules[1].Directories, "C:\\APPS");
  EXPECT_EQ(simulation->Processes[1].Modules[0].Directories, "C:\\X;C:\\Y");
  EXPECT_EQ(simulation->Find(78), &simulation->Processes[1]);
  EXPECT_EQ(simulation->Find(79), nullptr);

  for (const char* bad : {"task C:\\A.EXE", "process 0", "process x", "process 1\nprocess 1",
                          "process 1\ntask", "wait 0", "colour blue"}) {
    EXPECT_FALSE(ParseWowSimulation(bad, &error)) << bad;
    EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
  }
}

TEST(WowSimulationTest, AStartRunsTheNamedHelperWithItsProcess) {
  std::optional<WowSimulation> simulation =
      ParseWowSimulation("process 77\ntask C:\\A.EXE\n", nullptr);
  ASSERT_TRUE(simulation);
  platform::fake::FakeProcessLauncher launcher;
  launcher.AddProgram("C:\\Program Files\\Delvane\\DLV16.EXE", {});
  SimulatedWowHost host(*simulation, launcher);
  EXPECT_EQ(host.CandidateProcesses(), std::vector<uint32_t>{77});
  EXPECT_FALSE(host.StartTask(78, "C:\\Program Files\\Delvane\\DLV16.EXE w 0000004e"));
  EXPECT_TRUE(host.StartTask(77, "C:\\Program Files\\Delvane\\DLV16.EXE l C:\\A B\\X.DLL"));
  ASSERT_EQ(launcher.started.size(), 1u);
  EXPECT_EQ(launcher.started[0].first,
            "\"C:\\Program Files\\Delvane\\DLV16.EXE\" --wow-process 77 l C:\\A B\\X.DLL");
}

}  // namespace
}  // namespace dlv16
