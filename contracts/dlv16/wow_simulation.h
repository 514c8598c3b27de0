// A simulated WOW host, for machines without a 16-bit subsystem (every
// 64-bit Windows, Wine): a description names WOW processes and the 16-bit
// files they hold, and starting a task in one of them starts our own
// DLV16.EXE, which reads those real files and writes what the 16-bit helper
// writes. Only the list of WOW processes is made up.
//
// The description is a text file named by the environment variable
// DLVNT_WOW_SIMULATION; nothing simulates anything unless it is set. Lines:
//   process ID        a WOW process (decimal id); the lines below belong to it
//   task PATH         a task of that process (its own module)
//   module PATH       another module loaded in that process
//   directories LIST  the directories searched for the modules that follow
//                     (";" between them); by default the first task's folder
//   silent            the helper never answers (a hung helper, for tests)
//   wait SECONDS      dlvnt's bound on each wait for the helper (default 30)
// Blank lines and lines starting with '#' are skipped.
#ifndef CONTRACTS_DLV16_WOW_SIMULATION_H
#define CONTRACTS_DLV16_WOW_SIMULATION_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/processes.h"
#include "platform/wow_host.h"

namespace dlv16 {

inline constexpr const char* kSimulationVariable = "DLVNT_WOW_SIMULATION";
// The option a simulated start puts before the command, so that the helper
// knows which process it was started in.
inline constexpr const char* kProcessOption = "--wow-process";

struct SimulatedModule {
  std::string Path;
  bool Task = false;
  std::string Directories;
};

struct SimulatedProcess {
  uint32_t Id = 0;
  std::vector<SimulatedModule> Modules;
};

struct WowSimulation {
  std::vector<SimulatedProcess> Processes;
  bool Silent = false;
  std::optional<int> WaitSeconds;
  const SimulatedProcess* Find(uint32_t id) const;
};

// Nothing, and the reason with its line number in `error`, for a
// description that cannot be read.
std::optional<WowSimulation> ParseWowSimulation(std::string_view text, std::string* error);

// The host over a description: its processes are the candidates, and a start
// in one of them runs the helper program the command line names, with the
// process option added.
class SimulatedWowHost : public platform::WowHost {
 public:
  SimulatedWowHost(WowSimulation simulation, platform::ProcessLauncher& launcher)
      : simulation_(std::move(simulation)), launcher_(launcher) {}
  std::vector<uint32_t> CandidateProcesses() override;
  bool StartTask(uint32_t processId, const std::string& commandLine) override;
  const WowSimulation& Simulation() const { return simulation_; }

 private:
  WowSimulation simulation_;
  platform::ProcessLauncher& launcher_;
};

}  // namespace dlv16

#endif  // CONTRACTS_DLV16_WOW_SIMULATION_H
