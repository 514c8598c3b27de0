// Processes and directories on Linux.
#ifndef PLATFORM_POSIX_POSIX_SYSTEM_H
#define PLATFORM_POSIX_POSIX_SYSTEM_H

#include "platform/directories.h"
#include "platform/processes.h"

namespace platform::posix {

// posix_spawnp with the command line split as a Windows program would split
// it; a program named without a directory is searched on PATH. The show
// state has no meaning here. Exit codes are the low 8 bits that Linux
// keeps; a program ended by a signal gives 128 + the signal's number.
class PosixProcessLauncher : public ProcessLauncher {
 public:
  std::unique_ptr<StartedProcess> Start(const std::string& commandLine,
                                        ShowState show = ShowState::Normal,
                                        std::string* error = nullptr) override;
};

// readdir and lstat: a symbolic link is the reparse point, a link to a
// directory counts as a directory, as Windows shows them.
class PosixDirectories : public Directories {
 public:
  std::optional<std::vector<DirectoryEntry>> List(const std::string& directory,
                                                  std::string* error = nullptr) override;
  // Matches names with fnmatch, without regard to case.
  std::optional<DirectoryEntry> FindFirst(const std::string& pattern) override;
  bool RemoveFile(const std::string& path, std::string* error = nullptr) override;
};

}  // namespace platform::posix

#endif  // PLATFORM_POSIX_POSIX_SYSTEM_H
