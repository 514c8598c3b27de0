// The Win16 inventory: dlvnt asks its 16-bit helper to run inside every WOW
// process, then reads the files the helper wrote into dlvnt's directory. The
// same helper tells what a Win16 module uses, who uses it, and its version
// texts, for the details dialog.
#ifndef DLVNT_INVENTORY_WIN16_H
#define DLVNT_INVENTORY_WIN16_H

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "contracts/dlv16/helper_files.h"
#include "dlvnt/inventory/inventory.h"
#include "platform/directories.h"
#include "platform/processes.h"
#include "platform/wow_host.h"

namespace dlvnt {

inline constexpr const char* kHelperNoAnswer =
    "The 16-bit helper DLV16.EXE did not answer in time; the Win16 information may be "
    "incomplete.";

// The helper-done flag and the wait for it. Wait lets the window's messages
// run (the completion message arrives that way) and gives up at its bound.
// Each helper started sends its own completion: a wait for several counts
// them, so that no WOW process's file is read before it is written.
class HelperWait {
 public:
  virtual ~HelperWait() = default;
  // Clears the flag (the count of answers) before a start.
  virtual void Arm() = 0;
  // True when `answers` helpers reported done, false when the bound passed
  // first.
  virtual bool Wait(int answers = 1) = 0;
};

// What the program hands the window for its Win16 page.
struct Win16Machine {
  platform::WowHost& Wow;
  platform::Directories& Folders;
  platform::ProcessLauncher& Launcher;
  std::string ProgramDirectory;  // dlvnt's own folder, with its final separator
  // How long a wait for the helper may last.
  std::chrono::milliseconds Bound{30000};
};

struct Win16Services {
  platform::WowHost& Wow;
  platform::Directories& Folders;
  platform::FileSystem& Files;
  platform::ProcessLauncher& Launcher;
  HelperWait& Waiter;
  std::string ProgramDirectory;  // dlvnt's own folder, with its final separator
};

// Deletes every "*.dlv" file in dlvnt's directory.
void DeleteHelperFiles(Win16Services& services);

struct Module16Collection {
  int ProcessCount = 0;
  bool Answered = true;             // false: the wait ran out before every helper answered
  std::vector<std::string> Errors;  // files that could not be read
};

// One item per module name and path (process id 0 when several processes
// hold it), one tree node per WOW process with its modules' paths.
Module16Collection CollectModule16(InventoryServices& inventory, Win16Services& services,
                                   ItemList& items, ProcessTree& tree);

// What the helper's "l" run tells about a module, gathered over the runs.
struct Win16Links {
  std::vector<std::string> Uses, UsedBy, Tasks;
};
// Starts "l" in the item's WOW process (or in every candidate when the
// process id is 0) and reads linkinfo.dlv after each answer. Throws
// std::runtime_error when a file cannot be read or the helper does not
// answer, with what was read so far left in `links`.
void ReadWin16Links(Win16Services& services, int32_t processId, const std::string& modulePath,
                    Win16Links& links);
// Runs "v" and reads verinfo.dlv; nothing when the helper cannot start.
// Throws as ReadWin16Links does.
std::optional<dlv16::VersionLines> ReadWin16Version(Win16Services& services,
                                                    const std::string& modulePath);

}  // namespace dlvnt

#endif  // DLVNT_INVENTORY_WIN16_H
