// Where the program and the system live.
#ifndef PLATFORM_ENVIRONMENT_H
#define PLATFORM_ENVIRONMENT_H

#include <optional>
#include <string>

namespace platform {

class Environment {
 public:
  virtual ~Environment() = default;
  // Full path of the running program file.
  virtual std::string ProgramPath() = 0;
  virtual std::string WindowsDirectory() = 0;
  virtual std::string SystemDirectory() = 0;
  virtual std::optional<std::string> Variable(const std::string& name) = 0;
};

}  // namespace platform

#endif  // PLATFORM_ENVIRONMENT_H
