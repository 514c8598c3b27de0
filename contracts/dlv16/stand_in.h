// The work of our DLV16.EXE, apart from the window message that reports it
// done: each command reads real 16-bit files and writes the output file the
// contract names into the helper's (dlvnt's) directory.
//   "w" the modules of one simulated WOW process, one record each;
//   "l" what a module uses (its module-reference table), and which modules
//       and tasks of the process use it (theirs);
//   "v" the fifteen version texts of the file's own version resource.
#ifndef CONTRACTS_DLV16_STAND_IN_H
#define CONTRACTS_DLV16_STAND_IN_H

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "contracts/dlv16/helper_files.h"
#include "contracts/dlv16/wow_simulation.h"
#include "platform/files.h"

namespace dlv16 {

// The helper's arguments after its program name: the process option a
// simulated start adds, then the command.
struct HelperArguments {
  std::optional<uint32_t> Process;
  ParsedCommand Command;
};
std::optional<HelperArguments> ParseHelperArguments(std::string_view arguments);

struct HelperRun {
  std::string OutputDirectory;                // with its final separator
  const WowSimulation* Simulation = nullptr;  // none: no WOW process is known
  std::optional<uint32_t> Process;            // the process the task was started in
};

// Does the command and writes its file; nothing when done, else the reason.
std::optional<std::string> RunHelperCommand(const ParsedCommand& command, const HelperRun& run,
                                            platform::FileSystem& files);

// The fifteen texts of an NE file's version resource (empty lines when it
// has none or is no NE file).
VersionLines VersionLinesOf(std::span<const uint8_t> file);

}  // namespace dlv16

#endif  // CONTRACTS_DLV16_STAND_IN_H
