#include "platform/fake/fake_system.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "platform/command_line.h"

namespace platform::fake {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

class FakeProcess final : public StartedProcess {
 public:
  FakeProcess(uint32_t id, std::optional<uint32_t> exitCode) : id_(id), exitCode_(exitCode) {}
  uint32_t Id() const override { return id_; }
  std::optional<uint32_t> Wait(std::optional<std::chrono::milliseconds>) override {
    return exitCode_;
  }
  bool Terminate(uint32_t exitCode) override {
    if (exitCode_) return false;
    exitCode_ = exitCode;
    return true;
  }

 private:
  uint32_t id_;
  std::optional<uint32_t> exitCode_;
};

// ASCII letters in either case; any other byte must be the same, so a
// name in other letters (full-width, Greek) never matches an ASCII one.
bool SameMethodName(const std::string& ascii, const std::string& name) {
  if (ascii.size() != name.size()) return false;
  for (size_t i = 0; i < ascii.size(); ++i) {
    unsigned char a = static_cast<unsigned char>(ascii[i]);
    unsigned char b = static_cast<unsigned char>(name[i]);
    if (b >= 0x80 || std::tolower(a) != std::tolower(b)) return false;
  }
  return true;
}

AutomationStatus Failure(int32_t code, std::string message) {
  AutomationStatus status;
  status.Code = code;
  status.Message = std::move(message);
  return status;
}

class FakeAutomationObject final : public AutomationObject {
 public:
  FakeAutomationObject(FakeAutomationServer& server, int& live) : server_(server), live_(live) {
    ++live_;
    ++server_.objects;
  }
  ~FakeAutomationObject() override {
    --live_;
    if (--server_.objects == 0 && server_.OnLastRelease) server_.OnLastRelease();
  }
  AutomationStatus Call(const std::string& name, const std::vector<std::string>& args) override {
    for (const auto& method : server_.started.Methods) {
      if (!SameMethodName(method.Name, name)) continue;
      if (static_cast<int>(args.size()) != method.ArgumentCount) {
        return Failure(kAutomationBadArgCount, "Invalid number of parameters.");
      }
      try {
        method.Invoke(args);
      } catch (const std::exception& e) {
        return Failure(kAutomationException, e.what());
      }
      return {};
    }
    return Failure(kAutomationUnknownName, "Unknown name.");
  }

 private:
  FakeAutomationServer& server_;
  int& live_;
};

std::string Normalize(const std::string& path) {
  std::string out = Upper(path);
  std::replace(out.begin(), out.end(), '/', '\\');
  while (out.size() > 1 && out.back() == '\\') out.pop_back();
  return out;
}

// "*" any run of characters, "?" one; both sides upper case already.
bool Matches(const char* pattern, const char* name) {
  if (*pattern == '\0') return *name == '\0';
  if (*pattern == '*') return Matches(pattern + 1, name) || (*name && Matches(pattern, name + 1));
  if (*name == '\0') return false;
  return (*pattern == '?' || *pattern == *name) && Matches(pattern + 1, name + 1);
}

std::string Parent(const std::string& normalized) {
  size_t slash = normalized.find_last_of('\\');
  return slash == std::string::npos ? std::string() : normalized.substr(0, slash);
}

}  // namespace

void FakeProcessLauncher::AddProgram(const std::string& name, Program program) {
  programs_[Lower(name)] = std::move(program);
}

std::unique_ptr<StartedProcess> FakeProcessLauncher::Start(const std::string& commandLine,
                                                           ShowState show, std::string* error) {
  started.emplace_back(commandLine, show);
  auto it = programs_.find(Lower(SplitCommandLine(commandLine)[0]));
  if (it == programs_.end()) {
    if (error) *error = "The system cannot find the file specified.";
    return nullptr;
  }
  if (it->second.OnStart) it->second.OnStart();
  return std::make_unique<FakeProcess>(nextId++, it->second.ExitCode);
}

std::unique_ptr<AutomationObject> FakeAutomationClient::Create(const std::string& progId,
                                                               AutomationStatus* status) {
  created.push_back(progId);
  bool known = false;
  for (FakeAutomationServer* server : servers_) {
    if (Lower(server->started.ProgId) != Lower(progId)) continue;
    known = true;
    if (!server->running) continue;
    if (status) *status = {};
    return std::make_unique<FakeAutomationObject>(*server, liveObjects);
  }
  if (status) {
    *status = known ? Failure(static_cast<int32_t>(0x80040154), "Class not registered")
                    : Failure(kAutomationClassString, "Invalid class string");
  }
  return nullptr;
}

void FakeDirectories::Add(const std::string& path, DirectoryEntry entry) {
  std::string key = Normalize(path);
  std::string parent = Parent(key);
  if (!parent.empty() && !nodes_.count(parent)) AddDirectory(path.substr(0, parent.size()));
  if (entry.Attributes == 0) {
    entry.Attributes = (entry.IsDirectory ? kAttributeDirectory : 0) |
                       (entry.IsReparsePoint ? kAttributeReparsePoint : 0);
  }
  if (entry.Name.empty()) {
    size_t slash = path.find_last_of("\\/", path.size() > 1 ? path.size() - 2 : 0);
    entry.Name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  }
  auto [it, added] = nodes_.try_emplace(key);
  it->second.Entry = std::move(entry);
  if (added && !parent.empty()) {
    nodes_[parent].Children.push_back(key.substr(parent.size() + 1));
  }
}

void FakeDirectories::AddFile(const std::string& path, uint64_t size,
                              std::optional<double> lastWrite) {
  DirectoryEntry entry;
  entry.Size = size;
  entry.LastWrite = lastWrite;
  Add(path, entry);
}

void FakeDirectories::AddDirectory(const std::string& path) {
  DirectoryEntry entry;
  entry.IsDirectory = true;
  Add(path, entry);
}

bool FakeDirectories::Exists(const std::string& path) const {
  return nodes_.count(Normalize(path)) != 0;
}

std::optional<std::vector<DirectoryEntry>> FakeDirectories::List(const std::string& directory,
                                                                 std::string* error) {
  ++listCalls;
  auto it = nodes_.find(Normalize(directory));
  if (it == nodes_.end() || !it->second.Entry.IsDirectory) {
    if (error) *error = "The system cannot find the path specified.";
    return std::nullopt;
  }
  std::vector<DirectoryEntry> entries;
  for (const std::string& child : it->second.Children) {
    entries.push_back(nodes_.at(it->first + "\\" + child).Entry);
  }
  return entries;
}

std::optional<DirectoryEntry> FakeDirectories::FindFirst(const std::string& pattern) {
  ++findCalls;
  std::string key = Normalize(pattern);
  std::string parent = Parent(key);
  auto it = nodes_.find(parent);
  if (it == nodes_.end() || !it->second.Entry.IsDirectory) return std::nullopt;
  std::string name = key.substr(parent.empty() ? 0 : parent.size() + 1);
  for (const std::string& child : it->second.Children) {
    if (Matches(name.c_str(), child.c_str())) return nodes_.at(parent + "\\" + child).Entry;
  }
  return std::nullopt;
}

bool FakeDirectories::RemoveFile(const std::string& path, std::string* error) {
  std::string key = Normalize(path);
  auto it = nodes_.find(key);
  if (it == nodes_.end()) {
    if (error) *error = "The system cannot find the file specified.";
    return false;
  }
  if (it->second.Entry.IsDirectory || readOnly.count(key)) {
    if (error) *error = "Access is denied.";
    return false;
  }
  nodes_.erase(it);
  std::string parent = Parent(key);
  auto& siblings = nodes_[parent].Children;
  siblings.erase(std::find(siblings.begin(), siblings.end(), key.substr(parent.size() + 1)));
  removed.push_back(path);
  return true;
}

}  // namespace platform::fake
