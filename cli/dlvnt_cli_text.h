// dlvnt-cli's plain output: each page's name, then its rows as the window
// copies them.
#ifndef CLI_DLVNT_CLI_TEXT_H
#define CLI_DLVNT_CLI_TEXT_H

#include <string>

#include "dlvnt/main_window/main_form.h"

namespace dlvntcli {

inline constexpr const char* kPageNames[] = {"Win32 Modules", "Registered OCXs", "Device Drivers",
                                             "Win16 Modules"};

// Collects the pages not yet collected, as Copy All does.
std::string PlainText(dlvnt::TMainForm& form);

}  // namespace dlvntcli

#endif  // CLI_DLVNT_CLI_TEXT_H
