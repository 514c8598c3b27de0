// dlvnt-cli --json: the four inventories as data, one record per grid row:
// the row's state as the colour key names it, the process id, the module,
// its size and date as numbers and ISO 8601 (the machine's local time, as
// the grid shows it), its file version, company and signer.
#ifndef CLI_DLVNT_CLI_DATA_H
#define CLI_DLVNT_CLI_DATA_H

#include <string>

#include "common/version_info_system.h"
#include "dlvnt/main_window/main_form.h"

namespace dlvntcli {

// The form's pages as they were filled; `tree` adds the two process trees.
std::string InventoryData(const dlvnt::TMainForm& form, platform::FileSystem& files,
                          const versioninfo::VersionSystem& versions, bool tree);

// A file date (days since 30 December 1899, the time of day as fraction)
// as YYYY-MM-DDTHH:MM:SS; empty for 0, the date of a missing file.
std::string DayCountText(double days);

}  // namespace dlvntcli

#endif  // CLI_DLVNT_CLI_DATA_H
