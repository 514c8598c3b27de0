#include "platform/posix/posix_system.h"

#include <dirent.h>
#include <fnmatch.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <thread>

#include "platform/command_line.h"
#include "platform/inventory.h"

extern char** environ;

namespace platform::posix {
namespace {

using Clock = std::chrono::steady_clock;

class PosixProcess final : public StartedProcess {
 public:
  explicit PosixProcess(pid_t pid) : pid_(pid) {}
  uint32_t Id() const override { return static_cast<uint32_t>(pid_); }
  std::optional<uint32_t> Wait(std::optional<std::chrono::milliseconds> timeout) override {
    if (exitCode_) return exitCode_;
    auto deadline = timeout ? Clock::now() + *timeout : Clock::time_point::max();
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
      int status = 0;
      pid_t got = waitpid(pid_, &status, timeout ? WNOHANG : 0);
      if (got == pid_) {
        exitCode_ = WIFEXITED(status)     ? static_cast<uint32_t>(WEXITSTATUS(status))
                    : WIFSIGNALED(status) ? 128u + static_cast<uint32_t>(WTERMSIG(status))
                                          : 0u;
        if (terminatedWith_) exitCode_ = terminatedWith_;
        return exitCode_;
      }
      if (got < 0 && errno != EINTR) return std::nullopt;
      if (got == 0) {
        if (Clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(pause);
        if (pause < std::chrono::milliseconds(10)) pause *= 2;
      }
    }
  }
  bool Terminate(uint32_t exitCode) override {
    if (exitCode_) return false;
    if (kill(pid_, SIGKILL) != 0) return false;
    terminatedWith_ = exitCode;
    Wait(std::chrono::milliseconds(5000));
    return true;
  }

 private:
  pid_t pid_;
  std::optional<uint32_t> exitCode_;
  std::optional<uint32_t> terminatedWith_;
};

void SetError(std::string* error, int code) {
  if (error) *error = std::strerror(code);
}

}  // namespace

std::unique_ptr<StartedProcess> PosixProcessLauncher::Start(const std::string& commandLine,
                                                            ShowState, std::string* error) {
  std::vector<std::string> words = SplitCommandLine(commandLine);
  if (words.empty() || words[0].empty()) {
    SetError(error, ENOENT);
    return nullptr;
  }
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int code = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  if (code != 0) {
    SetError(error, code);
    return nullptr;
  }
  return std::make_unique<PosixProcess>(pid);
}

std::optional<std::vector<DirectoryEntry>> PosixDirectories::List(const std::string& directory,
                                                                  std::string* error) {
  DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
  if (!dir) {
    SetError(error, errno);
    return std::nullopt;
  }
  std::string prefix = directory;
  if (!prefix.empty() && prefix.back() != '/') prefix += '/';
  std::vector<DirectoryEntry> entries;
  while (dirent* d = readdir(dir)) {
    std::string name = d->d_name;
    if (name == "." || name == "..") continue;
    std::string path = prefix + name;
    struct stat link {};
    if (lstat(path.c_str(), &link) != 0) continue;  // gone meanwhile
    struct stat target = link;
    DirectoryEntry entry;
    entry.Name = name;
    entry.IsReparsePoint = S_ISLNK(link.st_mode);
    if (entry.IsReparsePoint && stat(path.c_str(), &target) != 0) target = link;
    entry.IsDirectory = S_ISDIR(target.st_mode);
    entry.Attributes = (entry.IsDirectory ? kAttributeDirectory : 0) |
                       (entry.IsReparsePoint ? kAttributeReparsePoint : 0) |
                       ((link.st_mode & S_IWUSR) || entry.IsReparsePoint ? 0 : kAttributeReadOnly);
    // Windows gives a link's own size, none for a directory.
    entry.Size =
        entry.IsDirectory || entry.IsReparsePoint ? 0 : static_cast<uint64_t>(link.st_size);
    std::tm local{};
    time_t when = link.st_mtim.tv_sec;
    if (localtime_r(&when, &local)) {
      entry.LastWrite =
          DayCount(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                   local.tm_min, local.tm_sec, static_cast<int>(link.st_mtim.tv_nsec / 1000000));
    }
    entries.push_back(std::move(entry));
  }
  closedir(dir);
  return entries;
}

std::optional<DirectoryEntry> PosixDirectories::FindFirst(const std::string& pattern) {
  size_t slash = pattern.find_last_of('/');
  std::string directory = slash == std::string::npos ? "." : pattern.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  if (name.empty()) return std::nullopt;
  auto entries = List(directory);
  if (!entries) return std::nullopt;
  for (DirectoryEntry& entry : *entries) {
    if (fnmatch(name.c_str(), entry.Name.c_str(), FNM_CASEFOLD | FNM_NOESCAPE) == 0)
      return std::move(entry);
  }
  return std::nullopt;
}

bool PosixDirectories::RemoveFile(const std::string& path, std::string* error) {
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    SetError(error, EISDIR);
    return false;
  }
  if (unlink(path.c_str()) == 0) return true;
  SetError(error, errno);
  return false;
}

}  // namespace platform::posix
