// Starting a program inside a WOW process: the 16-bit subsystem of an NT
// virtual DOS machine, where the modules of 16-bit tasks live.
#ifndef PLATFORM_WOW_HOST_H
#define PLATFORM_WOW_HOST_H

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class WowHost {
 public:
  virtual ~WowHost() = default;
  // The processes a start may be tried in: those the system lists that can
  // be opened for query and read (access 0x410), in the system's order.
  virtual std::vector<uint32_t> CandidateProcesses() = 0;
  // Starts the command line as a task inside the WOW process. False when it
  // does not start: not a WOW process, or no 16-bit subsystem at all.
  virtual bool StartTask(uint32_t processId, const std::string& commandLine) = 0;
};

}  // namespace platform

#endif  // PLATFORM_WOW_HOST_H
