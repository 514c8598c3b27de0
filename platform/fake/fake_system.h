// Scripted processes, automation objects and directories for tests.
#ifndef PLATFORM_FAKE_FAKE_SYSTEM_H
#define PLATFORM_FAKE_FAKE_SYSTEM_H

#include <functional>
#include <map>
#include <set>

#include "platform/automation.h"
#include "platform/directories.h"
#include "platform/fake/fake_machine.h"
#include "platform/processes.h"

namespace platform::fake {

// Programs by the first word of the command line (compared without regard
// to case); any other program fails to start.
class FakeProcessLauncher : public ProcessLauncher {
 public:
  struct Program {
    std::optional<uint32_t> ExitCode;  // nullopt: runs until terminated
    std::function<void()> OnStart;     // e.g. a server registers itself
  };
  std::unique_ptr<StartedProcess> Start(const std::string& commandLine,
                                        ShowState show = ShowState::Normal,
                                        std::string* error = nullptr) override;
  void AddProgram(const std::string& name, Program program);

  std::vector<std::pair<std::string, ShowState>> started;  // every Start, in order
  uint32_t nextId = 100;

 private:
  std::map<std::string, Program> programs_;  // lower-case name -> program
};

// Connects clients to FakeAutomationServers by ProgID, with the calls and
// failures of a real client: unknown ProgID, unknown method, wrong argument
// count, a method's exception, and the server's last-release callback when
// the last object is destroyed.
class FakeAutomationClient : public AutomationClient {
 public:
  std::unique_ptr<AutomationObject> Create(const std::string& progId,
                                           AutomationStatus* status = nullptr) override;
  // A server that clients reach while it is running (Start called).
  void Connect(FakeAutomationServer& server) { servers_.push_back(&server); }

  std::vector<std::string> created;  // ProgIDs asked for
  int liveObjects = 0;

 private:
  std::vector<FakeAutomationServer*> servers_;
};

// A directory tree in memory; paths compared without regard to case, with
// "\" or "/" between the names.
class FakeDirectories : public Directories {
 public:
  std::optional<std::vector<DirectoryEntry>> List(const std::string& directory,
                                                  std::string* error = nullptr) override;
  // "*" and "?" match as the system's search does, without regard to case.
  std::optional<DirectoryEntry> FindFirst(const std::string& pattern) override;
  bool RemoveFile(const std::string& path, std::string* error = nullptr) override;

  // Adds an entry (attributes 0: those its kind implies) at `path` (its parents are created as
  // directories).
  void Add(const std::string& path, DirectoryEntry entry);
  void AddFile(const std::string& path, uint64_t size, std::optional<double> lastWrite = {});
  void AddDirectory(const std::string& path);
  bool Exists(const std::string& path) const;

  std::set<std::string> readOnly;  // upper-case paths that refuse deletion
  std::vector<std::string> removed;
  int listCalls = 0;
  int findCalls = 0;

 private:
  struct Node {
    DirectoryEntry Entry;
    std::vector<std::string> Children;  // upper-case child names, in insertion order
  };
  std::map<std::string, Node> nodes_;  // normalized upper-case path -> node
};

}  // namespace platform::fake

#endif  // PLATFORM_FAKE_FAKE_SYSTEM_H
