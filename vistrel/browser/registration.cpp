#include "vistrel/browser/registration.h"

#include "common/text_case.h"

namespace vistrel {
namespace {

using platform::RegistryRoot;

std::string ClassKey() {
  return std::string("CLSID\\") + kClassId;
}

// The keys in the order of removal: deepest first, so each is empty when its
// turn comes.
std::vector<std::string> KeysInRemovalOrder() {
  std::string progId = kProgId;
  return {ClassKey() + "\\LocalServer32", ClassKey() + "\\ProgID", ClassKey(), progId + "\\Clsid",
          progId};
}

bool WriteUnder(platform::Registry& registry, RegistrationScope scope,
                const std::string& programPath) {
  RegistryRoot root = RegistrationRoot(scope);
  auto key = [&](const std::string& k) { return RegistrationKey(k); };
  std::string progId = kProgId;
  return registry.WriteString(root, key(progId), "", kClassDescription) &&
         registry.WriteString(root, key(progId + "\\Clsid"), "", kClassId) &&
         registry.WriteString(root, key(ClassKey()), "", kClassDescription) &&
         registry.WriteString(root, key(ClassKey() + "\\ProgID"), "", progId) &&
         registry.WriteString(root, key(ClassKey() + "\\LocalServer32"), "", programPath);
}

// Deletes the keys that exist under one scope; false when one stays.
bool RemoveUnder(platform::Registry& registry, RegistrationScope scope) {
  RegistryRoot root = RegistrationRoot(scope);
  bool removed = true;
  for (const std::string& k : KeysInRemovalOrder()) {
    std::string key = RegistrationKey(k);
    if (!registry.KeyExists(root, key)) continue;
    if (!registry.DeleteKey(root, key)) removed = false;
  }
  return removed;
}

bool ExistsUnder(platform::Registry& registry, RegistrationScope scope) {
  RegistryRoot root = RegistrationRoot(scope);
  for (const std::string& k : KeysInRemovalOrder()) {
    if (registry.KeyExists(root, RegistrationKey(k))) return true;
  }
  return false;
}

}  // namespace

Switches ParseSwitches(const std::vector<std::string>& args) {
  Switches switches;
  for (const auto& arg : args) {
    if (arg.empty()) continue;
    if (arg[0] != '-' && arg[0] != '/') {
      if (!switches.File) switches.File = arg;
      continue;
    }
    std::string name = arg.substr(1);
    if (common::EqualNoCase(name, "AUTOMATION") || common::EqualNoCase(name, "EMBEDDING"))
      switches.Automation = true;
    if (common::EqualNoCase(name, "REGSERVER")) switches.RegServer = true;
    if (common::EqualNoCase(name, "UNREGSERVER")) switches.UnregServer = true;
  }
  return switches;
}

platform::RegistryRoot RegistrationRoot(RegistrationScope scope) {
  return scope == RegistrationScope::User ? RegistryRoot::CurrentUser : RegistryRoot::LocalMachine;
}

std::string RegistrationKey(const std::string& key) {
  return "Software\\Classes\\" + key;
}

RegistrationScope WriteRegistration(platform::Registry& registry, const std::string& programPath) {
  if (WriteUnder(registry, RegistrationScope::Machine, programPath)) {
    // The user's own classes come first in the merged view: an older
    // registration there would hide the one just written.
    RemoveUnder(registry, RegistrationScope::User);
    return RegistrationScope::Machine;
  }
  // No half registration left behind machine-wide (when any of it went in).
  RemoveUnder(registry, RegistrationScope::Machine);
  if (WriteUnder(registry, RegistrationScope::User, programPath)) return RegistrationScope::User;
  RemoveUnder(registry, RegistrationScope::User);
  return RegistrationScope::None;
}

bool RemoveRegistration(platform::Registry& registry) {
  bool machine = RemoveUnder(registry, RegistrationScope::Machine);
  bool user = RemoveUnder(registry, RegistrationScope::User);
  return machine && user && !ExistsUnder(registry, RegistrationScope::Machine) &&
         !ExistsUnder(registry, RegistrationScope::User);
}

RegistrationOutcome ApplyRegistrationSwitches(const Switches& switches,
                                              platform::Registry& registry,
                                              const std::string& programPath) {
  RegistrationOutcome outcome;
  outcome.EndNow = switches.RegServer || switches.UnregServer;
  if (switches.UnregServer) {
    if (!RemoveRegistration(registry)) {
      outcome.ExitCode = 1;
      outcome.Message =
          "Vistrel could not remove its automation server registration (\"" + std::string(kProgId) +
          "\"). A registration for all users can only be removed by an administrator.";
    }
    return outcome;
  }
  // Every start refreshes the registration; only the switch reports a failure.
  if (WriteRegistration(registry, programPath) == RegistrationScope::None && switches.RegServer) {
    outcome.ExitCode = 1;
    outcome.Message = "Vistrel could not register its automation server (\"" +
                      std::string(kProgId) +
                      "\"): the registry refused the keys both for all users and for the "
                      "current user.";
  }
  return outcome;
}

}  // namespace vistrel
