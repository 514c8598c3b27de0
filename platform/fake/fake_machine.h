// A scripted machine for tests: registry, clipboard, files and environment
// held in memory, with the operations they received recorded.
#ifndef PLATFORM_FAKE_FAKE_MACHINE_H
#define PLATFORM_FAKE_FAKE_MACHINE_H

#include <map>
#include <set>
#include <variant>

#include "platform/automation.h"
#include "platform/clipboard.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace platform::fake {

class FakeRegistry : public Registry {
 public:
  using Value = std::variant<uint32_t, std::string, std::vector<uint8_t>>;

  bool KeyExists(RegistryRoot root, const std::string& key) override;
  bool CreateKey(RegistryRoot root, const std::string& key) override;
  bool DeleteKey(RegistryRoot root, const std::string& key) override;
  std::optional<std::vector<uint8_t>> ReadValue(RegistryRoot root, const std::string& key,
                                                const std::string& name, size_t maxBytes) override;
  std::optional<std::string> ReadString(RegistryRoot root, const std::string& key,
                                        const std::string& name) override;
  std::optional<uint32_t> ReadDword(RegistryRoot root, const std::string& key,
                                    const std::string& name) override;
  bool WriteString(RegistryRoot root, const std::string& key, const std::string& name,
                   const std::string& value) override;
  bool WriteDword(RegistryRoot root, const std::string& key, const std::string& name,
                  uint32_t value) override;
  std::vector<std::string> SubKeys(RegistryRoot root, const std::string& key) override;

  // Raw access for tests.
  void Set(RegistryRoot root, const std::string& key, const std::string& name, Value value);
  const Value* Get(RegistryRoot root, const std::string& key, const std::string& name) const;
  std::vector<std::string> ValueNames(RegistryRoot root, const std::string& key) const;
  // Keys in the order they were deleted.
  std::vector<std::string> deletedKeys;
  bool failWrites = false;
  // As for a standard user: HKEY_LOCAL_MACHINE and the machine-wide classes
  // behind HKEY_CLASSES_ROOT refuse every change.
  bool refuseMachineWrites = false;

 private:
  struct Key {
    std::string Path;                                             // as first written
    std::map<std::string, std::pair<std::string, Value>> Values;  // lower name -> (name, value)
  };
  static std::string Id(RegistryRoot root, const std::string& key);
  bool Refused(RegistryRoot root) const;
  void Make(RegistryRoot root, const std::string& key);
  Key* Find(RegistryRoot root, const std::string& key);
  const Key* Find(RegistryRoot root, const std::string& key) const;
  std::map<std::string, Key> keys_;
};

class FakeClipboard : public Clipboard {
 public:
  bool SetText(const std::string& text) override {
    if (locked) return false;
    contents = text;
    ++setCount;
    return true;
  }
  std::optional<std::string> GetText() override { return contents; }
  bool Clear() override {
    if (locked) return false;
    contents.reset();
    ++clearCount;
    return true;
  }
  std::optional<std::string> contents;
  int setCount = 0;
  int clearCount = 0;
  bool locked = false;  // another program holds it open
};

class FakeEnvironment : public Environment {
 public:
  std::string ProgramPath() override { return programPath; }
  std::string WindowsDirectory() override { return windowsDirectory; }
  std::string SystemDirectory() override { return systemDirectory; }
  std::optional<std::string> Variable(const std::string& name) override {
    auto it = variables.find(name);
    if (it == variables.end()) return std::nullopt;
    return it->second;
  }
  std::string programPath = "C:\\TOOLS\\PROGRAM.EXE";
  std::string windowsDirectory = "C:\\WINNT";
  std::string systemDirectory = "C:\\WINNT\\system32";
  std::map<std::string, std::string> variables;
};

// Files by path: bytes given by the test; other paths fail to open.
class FakeFileSystem : public FileSystem {
 public:
  std::unique_ptr<MappedFile> MapReadOnly(const std::string& path, MapError* error) override;
  bool FileExists(const std::string& path) override { return files.count(path) != 0; }
  std::optional<std::string> WriteWholeFile(const std::string& path,
                                            std::span<const uint8_t> bytes) override {
    if (writeError) return path + ": " + *writeError;
    files[path] = std::string(bytes.begin(), bytes.end());
    return std::nullopt;
  }
  std::map<std::string, std::string> files;
  std::optional<std::string> writeError;  // every write fails with this text
  std::vector<std::string> opened;
  int liveMappings = 0;  // views not yet released
};

class FakeAutomationServer : public AutomationServer {
 public:
  bool Start(const AutomationClass& cls) override {
    started = cls;
    running = true;
    return true;
  }
  void Stop() override { running = false; }
  // Calls a method as a client would; false when there is no such method
  // (ASCII letters match in either case, other characters exactly).
  bool Call(const std::string& name, const std::vector<std::string>& args);
  AutomationClass started;
  bool running = false;
  int objects = 0;  // objects that clients hold (FakeAutomationClient)
};

}  // namespace platform::fake

#endif  // PLATFORM_FAKE_FAKE_MACHINE_H
