// The browser's stored settings under the current user.
#ifndef VISTREL_BROWSER_SETTINGS_H
#define VISTREL_BROWSER_SETTINGS_H

#include <string>

#include "platform/registry.h"

namespace vistrel {

inline constexpr const char* kSettingsKey = "Software\\Tessaloom\\Vistrel";
inline constexpr const char* kOlderSettingsKey = "Software\\Vistrel";
// The calculator path fits a 260-byte buffer with its NUL.
inline constexpr size_t kMaxCalculatorPath = 259;

struct BrowserSettings {
  bool HexMode = true;
  bool Sorted = false;
  int TabSheet = 0;
  std::string Calculator;
};

// Changes only what the stored values give; a missing key or value leaves
// the setting as it was.
void ReadSettings(platform::Registry& registry, BrowserSettings& settings);
// saveFlags clear: only "Calculator" is written. Errors are not reported.
void SaveSettings(platform::Registry& registry, const BrowserSettings& settings, bool saveFlags);

}  // namespace vistrel

#endif  // VISTREL_BROWSER_SETTINGS_H
