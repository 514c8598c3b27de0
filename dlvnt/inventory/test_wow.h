// A WOW host for tests: its processes come from a simulation description,
// and a start runs the stand-in helper's own code on the test machine's
// files, as dlv16.exe would on a real one. The helper's completion is
// whatever the test makes of `answer`.
#ifndef DLVNT_INVENTORY_TEST_WOW_H
#define DLVNT_INVENTORY_TEST_WOW_H

#include <functional>
#include <string>
#include <vector>

#include "contracts/dlv16/stand_in.h"
#include "dlvnt/inventory/test_machine.h"
#include "platform/command_line.h"
#include "platform/fake/fake_system.h"

namespace dlvnt::testing {

class TestWow : public platform::WowHost, public platform::ProcessLauncher {
 public:
  explicit TestWow(TestMachine& machine) : m_(machine), files_(*this) {}

  // The description of the simulated processes; the files it names are the
  // test's to add.
  void Describe(const std::string& description) {
    std::string error;
    std::optional<dlv16::WowSimulation> parsed = dlv16::ParseWowSimulation(description, &error);
    if (!parsed) throw std::runtime_error(error);
    simulation = *parsed;
  }
  // A file in dlvnt's folder, as an earlier run or a helper left it.
  void Leave(const std::string& name, const std::string& bytes) {
    std::string path = directory + name;
    m_.files.files[path] = bytes;
    folders.AddFile(path, bytes.size());
  }
  bool Present(const std::string& name) { return folders.Exists(directory + name); }
  // The machine's files as dlvnt reads them.
  platform::FileSystem& Files() { return files_; }

  std::vector<uint32_t> CandidateProcesses() override {
    std::vector<uint32_t> ids = extraCandidates;
    for (const dlv16::SimulatedProcess& p : simulation.Processes) ids.push_back(p.Id);
    return ids;
  }
  bool StartTask(uint32_t processId, const std::string& commandLine) override {
    starts.push_back({processId, commandLine});
    if (!simulation.Find(processId)) return false;
    std::string program = std::string(dlv16::kHelperProgram) + " ";
    size_t at = commandLine.find(program);
    if (at == std::string::npos) return false;
    Run(commandLine.substr(at + program.size()), processId);
    return true;
  }
  std::unique_ptr<platform::StartedProcess> Start(const std::string& commandLine,
                                                  platform::ShowState show,
                                                  std::string* error) override {
    launched.push_back({commandLine, show});
    if (refuseLaunch) {
      if (error) *error = "The system cannot find the file specified.";
      return nullptr;
    }
    Run(platform::ArgumentsAfterProgram(commandLine), std::nullopt);
    return std::make_unique<Started>();
  }

  std::string directory = "C:\\DELVANE\\";
  dlv16::WowSimulation simulation;
  platform::fake::FakeDirectories folders;
  std::function<void()> answer;        // the helper's completion message
  std::function<void()> instead;       // runs in place of the helper when set
  std::vector<uint32_t> extraCandidates;  // processes that are no WOW process
  bool refuseLaunch = false;
  std::vector<std::pair<uint32_t, std::string>> starts;
  std::vector<std::pair<std::string, platform::ShowState>> launched;

 private:
  struct Started : platform::StartedProcess {
    uint32_t Id() const override { return 4242; }
    std::optional<uint32_t> Wait(std::optional<std::chrono::milliseconds>) override { return 0; }
    bool Terminate(uint32_t) override { return true; }
  };
  // What the helper writes lands in the test machine's files and in the
  // folder listing both.
  struct MachineFiles : platform::FileSystem {
    explicit MachineFiles(TestWow& wow) : wow(wow) {}
    std::unique_ptr<platform::MappedFile> MapReadOnly(const std::string& path,
                                                      platform::MapError* error) override {
      // A file deleted from dlvnt's folder is gone, whatever the machine kept.
      if (path.rfind(wow.directory, 0) == 0 && !wow.folders.Exists(path)) {
        if (error) error->Message = "The system cannot find the file specified.";
        return nullptr;
      }
      return wow.m_.files.MapReadOnly(path, error);
    }
    bool FileExists(const std::string& path) override { return wow.m_.files.FileExists(path); }
    std::optional<std::string> WriteWholeFile(const std::string& path,
                                              std::span<const uint8_t> bytes) override {
      wow.Leave(path.substr(wow.directory.size()), std::string(bytes.begin(), bytes.end()));
      return std::nullopt;
    }
    TestWow& wow;
  };
  void Run(const std::string& arguments, std::optional<uint32_t> process) {
    if (instead) {
      instead();
    } else if (std::optional<dlv16::ParsedCommand> command =
                   dlv16::ParseCommandArguments(arguments)) {
      dlv16::HelperRun run{directory, &simulation, process};
      dlv16::RunHelperCommand(*command, run, files_);
    }
    if (answer) answer();
  }

  TestMachine& m_;
  MachineFiles files_;
};

}  // namespace dlvnt::testing

#endif  // DLVNT_INVENTORY_TEST_WOW_H
