#include "vistrel/browser/registration.h"

#include "common/text_case.h"

namespace vistrel {
namespace {

using platform::RegistryRoot;
constexpr auto kRoot = RegistryRoot::ClassesRoot;

std::string ClassKey() {
  return std::string("CLSID\\") + kClassId;
}

}  // namespace

Switches ParseSwitches(const std::vector<std::string>& args) {
  Switches switches;
  for (const auto& arg : args) {
    if (arg.empty() || (arg[0] != '-' && arg[0] != '/')) continue;
    std::string name = arg.substr(1);
    if (common::EqualNoCase(name, "AUTOMATION") || common::EqualNoCase(name, "EMBEDDING"))
      switches.Automation = true;
    if (common::EqualNoCase(name, "REGSERVER")) switches.RegServer = true;
    if (common::EqualNoCase(name, "UNREGSERVER")) switches.UnregServer = true;
  }
  return switches;
}

void WriteRegistration(platform::Registry& registry, const std::string& programPath) {
  std::string progId = kProgId;
  registry.WriteString(kRoot, progId, "", kClassDescription);
  registry.WriteString(kRoot, progId + "\\Clsid", "", kClassId);
  registry.WriteString(kRoot, ClassKey(), "", kClassDescription);
  registry.WriteString(kRoot, ClassKey() + "\\ProgID", "", progId);
  registry.WriteString(kRoot, ClassKey() + "\\LocalServer32", "", programPath);
}

void RemoveRegistration(platform::Registry& registry) {
  std::string progId = kProgId;
  registry.DeleteKey(kRoot, ClassKey() + "\\LocalServer32");
  registry.DeleteKey(kRoot, ClassKey() + "\\ProgID");
  registry.DeleteKey(kRoot, ClassKey());
  registry.DeleteKey(kRoot, progId + "\\Clsid");
  registry.DeleteKey(kRoot, progId);
}

}  // namespace vistrel
