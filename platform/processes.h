// Starting programs: a whole command line as WinExec takes it, an optional
// bounded wait for the end and the exit code.
#ifndef PLATFORM_PROCESSES_H
#define PLATFORM_PROCESSES_H

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

enum class ShowState { Normal, Hidden };

// A started program. Destroying the object lets the program run on.
class StartedProcess {
 public:
  virtual ~StartedProcess() = default;
  virtual uint32_t Id() const = 0;
  // Waits until the program ends, at most `timeout` (nullopt: no limit).
  // The exit code, or nullopt while it still runs.
  virtual std::optional<uint32_t> Wait(std::optional<std::chrono::milliseconds> timeout) = 0;
  // Ends the program at once; a later Wait gives `exitCode`.
  virtual bool Terminate(uint32_t exitCode) = 0;
};

class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;
  // Starts a command line: its first word (in quotes when it holds spaces)
  // names the program, found by the system's search rules when it has no
  // directory; the rest are its arguments (platform/command_line.h).
  // nullptr and the system's text in `error` when it cannot start.
  virtual std::unique_ptr<StartedProcess> Start(const std::string& commandLine,
                                                ShowState show = ShowState::Normal,
                                                std::string* error = nullptr) = 0;
};

}  // namespace platform

#endif  // PLATFORM_PROCESSES_H
