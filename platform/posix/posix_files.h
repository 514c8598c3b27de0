// File access and environment on Linux, for the command-line programs.
#ifndef PLATFORM_POSIX_POSIX_FILES_H
#define PLATFORM_POSIX_POSIX_FILES_H

#include "platform/environment.h"
#include "platform/files.h"

namespace platform::posix {

class PosixFileSystem : public FileSystem {
 public:
  std::unique_ptr<MappedFile> MapReadOnly(const std::string& path, MapError* error) override;
  bool FileExists(const std::string& path) override;
  std::optional<std::string> WriteWholeFile(const std::string& path,
                                            std::span<const uint8_t> bytes) override;
};

class PosixEnvironment : public Environment {
 public:
  std::string ProgramPath() override;
  // No Windows here: the directories a Windows machine would use.
  std::string WindowsDirectory() override { return "C:\\WINDOWS"; }
  std::string SystemDirectory() override { return "C:\\WINDOWS\\system32"; }
  std::optional<std::string> Variable(const std::string& name) override;
};

}  // namespace platform::posix

#endif  // PLATFORM_POSIX_POSIX_FILES_H
