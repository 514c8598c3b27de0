// A local automation server: one class with methods called by name.
#ifndef PLATFORM_AUTOMATION_H
#define PLATFORM_AUTOMATION_H

#include <functional>
#include <string>
#include <vector>

namespace platform {

struct AutomationMethod {
  std::string Name;  // matched without regard to case
  int DispatchId = 0;
  // Called on the user-interface thread with the string arguments.
  std::function<void(const std::vector<std::string>& args)> Invoke;
  int ArgumentCount = 0;
};

struct AutomationClass {
  std::string ProgId;
  std::string ClassId;  // registry form, with braces
  std::string Description;
  std::vector<AutomationMethod> Methods;
};

class AutomationServer {
 public:
  virtual ~AutomationServer() = default;
  // Registers the class factory (local server, one object per running copy).
  virtual bool Start(const AutomationClass& cls) = 0;
  // Revokes the class factory.
  virtual void Stop() = 0;
  // Set when the last object was released by its clients.
  std::function<void()> OnLastRelease;
};

}  // namespace platform

#endif  // PLATFORM_AUTOMATION_H
