// The real machine behind the platform services.
#ifndef PLATFORM_WIN32_WIN32_SERVICES_H
#define PLATFORM_WIN32_WIN32_SERVICES_H

#include "platform/automation.h"
#include "platform/clipboard.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace platform::win32 {

// Read-only, copy-on-write views (PAGE_WRITECOPY, FILE_MAP_COPY).
class Win32FileSystem : public FileSystem {
 public:
  std::unique_ptr<MappedFile> MapReadOnly(const std::string& path, MapError* error) override;
  bool FileExists(const std::string& path) override;
  std::optional<std::string> WriteWholeFile(const std::string& path,
                                            std::span<const uint8_t> bytes) override;
};

class Win32Registry : public Registry {
 public:
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
};

// Opening the clipboard is retried for a while: another program may hold it.
class Win32Clipboard : public Clipboard {
 public:
  bool SetText(const std::string& text) override;
  std::optional<std::string> GetText() override;
  bool Clear() override;
};

class Win32Environment : public Environment {
 public:
  std::string ProgramPath() override;
  std::string WindowsDirectory() override;
  std::string SystemDirectory() override;
  std::optional<std::string> Variable(const std::string& name) override;
};

// A local server with a hand-written IDispatch (no type library).
class Win32AutomationServer : public AutomationServer {
 public:
  Win32AutomationServer();
  ~Win32AutomationServer() override;
  bool Start(const AutomationClass& cls) override;
  void Stop() override;

  struct State;

 private:
  State* state_;
};

// CLSIDFromProgID and CoCreateInstance (in-process or local server), calls
// through IDispatch; an object's exception text is the failed call's message.
class Win32AutomationClient : public AutomationClient {
 public:
  std::unique_ptr<AutomationObject> Create(const std::string& progId,
                                           AutomationStatus* status = nullptr) override;
};

}  // namespace platform::win32

#endif  // PLATFORM_WIN32_WIN32_SERVICES_H
