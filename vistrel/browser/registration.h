// The automation class's registration and the command-line switches.
#ifndef VISTREL_BROWSER_REGISTRATION_H
#define VISTREL_BROWSER_REGISTRATION_H

#include <string>
#include <vector>

#include "platform/registry.h"

namespace vistrel {

inline constexpr const char* kProgId = "Vistrel.Vistrel";
inline constexpr const char* kClassId = "{5B0E7C1A-3D42-4E8F-9A61-2C7D8B4F1E93}";
inline constexpr const char* kClassDescription = "Vistrel PE file browser automation server";

struct Switches {
  bool Automation = false;  // "AUTOMATION" or "EMBEDDING": started by OLE
  bool RegServer = false;
  bool UnregServer = false;
};

// Arguments after the program name; "-" or "/" then a name, any case.
Switches ParseSwitches(const std::vector<std::string>& args);

void WriteRegistration(platform::Registry& registry, const std::string& programPath);
void RemoveRegistration(platform::Registry& registry);

}  // namespace vistrel

#endif  // VISTREL_BROWSER_REGISTRATION_H
