// The real WOW host: VDMDBG.DLL's VDMStartTaskInWOW, where a 16-bit
// subsystem exists (32-bit Windows with NTVDM).
#ifndef PLATFORM_WIN32_WIN32_WOW_HOST_H
#define PLATFORM_WIN32_WIN32_WOW_HOST_H

#include "platform/wow_host.h"

namespace platform::win32 {

class Win32WowHost : public WowHost {
 public:
  // Every process the system lists (the list grows with the machine) that
  // opens with PROCESS_QUERY_INFORMATION | PROCESS_VM_READ.
  std::vector<uint32_t> CandidateProcesses() override;
  // Never calls into VDMDBG.DLL under Wine, where the function is a stub
  // that brings its caller down; false there and wherever the library or
  // the function is missing.
  bool StartTask(uint32_t processId, const std::string& commandLine) override;
};

// True when the program runs under Wine (ntdll.dll exports wine_get_version).
bool RunningUnderWine();

}  // namespace platform::win32

#endif  // PLATFORM_WIN32_WIN32_WOW_HOST_H
