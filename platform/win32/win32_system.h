// The real machine's processes and directories.
#ifndef PLATFORM_WIN32_WIN32_SYSTEM_H
#define PLATFORM_WIN32_WIN32_SYSTEM_H

#include "platform/directories.h"
#include "platform/processes.h"

namespace platform::win32 {

// CreateProcessW with the command line as given (no application name, so
// the system's search rules find a program named without a directory).
class Win32ProcessLauncher : public ProcessLauncher {
 public:
  std::unique_ptr<StartedProcess> Start(const std::string& commandLine,
                                        ShowState show = ShowState::Normal,
                                        std::string* error = nullptr) override;
};

// FindFirstFileExW / FindNextFileW, FindFirstFileW, DeleteFileW.
class Win32Directories : public Directories {
 public:
  std::optional<std::vector<DirectoryEntry>> List(const std::string& directory,
                                                  std::string* error = nullptr) override;
  std::optional<DirectoryEntry> FindFirst(const std::string& pattern) override;
  bool RemoveFile(const std::string& path, std::string* error = nullptr) override;
};

}  // namespace platform::win32

#endif  // PLATFORM_WIN32_WIN32_SYSTEM_H
