// The automation class's registration and the command-line switches.
#ifndef VISTREL_BROWSER_REGISTRATION_H
#define VISTREL_BROWSER_REGISTRATION_H

#include <optional>
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
  // The first argument that is no switch: the file to show ("Open with", a
  // drop on the program's icon, a shortcut with a file).
  std::optional<std::string> File;
};

// Arguments after the program name; "-" or "/" then a name, any case.
Switches ParseSwitches(const std::vector<std::string>& args);

// Where the registration lives. HKEY_CLASSES_ROOT merges both places, the
// user's own classes first, so COM finds either.
enum class RegistrationScope {
  None,     // neither could be written
  Machine,  // HKEY_LOCAL_MACHINE\Software\Classes (administrators)
  User,     // HKEY_CURRENT_USER\Software\Classes (anyone)
};

// Writes the five keys machine-wide, or under the user's own classes where the
// machine-wide classes cannot be written (a standard user).
RegistrationScope WriteRegistration(platform::Registry& registry, const std::string& programPath);
// Removes the keys from both places. False when a key is still there.
bool RemoveRegistration(platform::Registry& registry);
// Where a scope's keys are: its root, and "Software\\Classes\\" before each key.
platform::RegistryRoot RegistrationRoot(RegistrationScope scope);
std::string RegistrationKey(const std::string& key);

// What a start does with the registration: the switches' exit status and the
// message a failed /REGSERVER or /UNREGSERVER shows (empty when all went well
// or when a plain start's refresh failed, which the window does not need).
struct RegistrationOutcome {
  bool EndNow = false;  // /REGSERVER or /UNREGSERVER
  int ExitCode = 0;
  std::string Message;
};
RegistrationOutcome ApplyRegistrationSwitches(const Switches& switches,
                                              platform::Registry& registry,
                                              const std::string& programPath);

}  // namespace vistrel

#endif  // VISTREL_BROWSER_REGISTRATION_H
