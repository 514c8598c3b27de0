// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include "platform/win32/win32_services.h"

#include "common/win32/utf16.h"

#include <vector>

namespace platform::win32 {
namespace {

std::string SystemMessage(DWORD code) {
  char* text = nullptr;
  DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = n && text ? std::string(text, n) : "Error " + std::to_string(code);
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return message;
}

class Win32View : public MappedFile {
 public:
  Win32View(HANDLE mapping, const void* base, size_t size)
      : mapping_(mapping), base_(base), size_(size) {}
  ~Win32View() override {
    if (base_) UnmapViewOfFile(base_);
    if (mapping_) CloseHandle(mapping_);
  }
  std::span<const uint8_t> Bytes() const override {
    return {static_cast<const uint8_t*>(base_), size_};
  }

 private:
  HANDLE mapping_;
  const void* base_;
  size_t size_;
};

HKEY RootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::ClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegistryRoot::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    default:
      return HKEY_CURRENT_USER;
  }
}

// An open key, closed on scope exit.
struct Key {
  HKEY Handle = nullptr;
  ~Key() {
    if (Handle) RegCloseKey(Handle);
  }
};

bool Open(RegistryRoot root, const std::string& path, REGSAM access, Key& key) {
  return RegOpenKeyExA(RootKey(root), path.c_str(), 0, access, &key.Handle) == ERROR_SUCCESS;
}

bool OpenClipboardWithRetry() {
  for (int i = 0; i < 100; ++i) {
    if (OpenClipboard(nullptr)) return true;
    Sleep(20);
  }
  return false;
}

}  // namespace

std::unique_ptr<MappedFile> Win32FileSystem::MapReadOnly(const std::string& path, MapError* error) {
  // Others may keep writing or deleting the file: the copy-on-write view
  // stays what it was when mapped.
  HANDLE file = CreateFileW(common::Wide(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_READONLY, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    if (error) error->Message = SystemMessage(GetLastError());
    return nullptr;
  }
  // A pipe or a device is no file to map (and reading one could wait).
  if (GetFileType(file) != FILE_TYPE_DISK) {
    if (error) error->Message = SystemMessage(ERROR_INVALID_FUNCTION);
    CloseHandle(file);
    return nullptr;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || static_cast<uint64_t>(size.QuadPart) > SIZE_MAX) {
    if (error) error->Message = SystemMessage(GetLastError());
    CloseHandle(file);
    return nullptr;
  }
  if (size.QuadPart == 0) {
    CloseHandle(file);
    return std::make_unique<Win32View>(nullptr, nullptr, 0);
  }
  HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_WRITECOPY, 0, 0, nullptr);
  DWORD code = GetLastError();
  CloseHandle(file);
  if (!mapping) {
    if (error) error->Message = SystemMessage(code);
    return nullptr;
  }
  const void* base = MapViewOfFile(mapping, FILE_MAP_COPY, 0, 0, 0);
  if (!base) {
    if (error) error->Message = SystemMessage(GetLastError());
    CloseHandle(mapping);
    return nullptr;
  }
  return std::make_unique<Win32View>(mapping, base, static_cast<size_t>(size.QuadPart));
}

bool Win32FileSystem::FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32Registry::KeyExists(RegistryRoot root, const std::string& path) {
  Key key;
  return Open(root, path, KEY_READ, key);
}

bool Win32Registry::CreateKey(RegistryRoot root, const std::string& path) {
  Key key;
  return RegCreateKeyExA(RootKey(root), path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                         &key.Handle, nullptr) == ERROR_SUCCESS;
}

bool Win32Registry::DeleteKey(RegistryRoot root, const std::string& path) {
  return RegDeleteKeyA(RootKey(root), path.c_str()) == ERROR_SUCCESS;
}

std::optional<std::vector<uint8_t>> Win32Registry::ReadValue(RegistryRoot root,
                                                             const std::string& path,
                                                             const std::string& name,
                                                             size_t maxBytes) {
  Key key;
  if (!Open(root, path, KEY_READ, key)) return std::nullopt;
  DWORD size = 0;
  if (RegQueryValueExA(key.Handle, name.c_str(), nullptr, nullptr, nullptr, &size) !=
          ERROR_SUCCESS ||
      size > maxBytes) {
    return std::nullopt;
  }
  std::vector<uint8_t> bytes(size);
  if (RegQueryValueExA(key.Handle, name.c_str(), nullptr, nullptr, bytes.data(), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  bytes.resize(size);
  return bytes;
}

std::optional<std::string> Win32Registry::ReadString(RegistryRoot root, const std::string& path,
                                                     const std::string& name) {
  auto bytes = ReadValue(root, path, name, 1u << 20);
  if (!bytes) return std::nullopt;
  std::string text(bytes->begin(), bytes->end());
  return text.substr(0, text.find('\0'));
}

std::optional<uint32_t> Win32Registry::ReadDword(RegistryRoot root, const std::string& path,
                                                 const std::string& name) {
  auto bytes = ReadValue(root, path, name, 4);
  if (!bytes || bytes->size() != 4) return std::nullopt;
  return (*bytes)[0] | (*bytes)[1] << 8 | (*bytes)[2] << 16 |
         static_cast<uint32_t>((*bytes)[3]) << 24;
}

bool Win32Registry::WriteString(RegistryRoot root, const std::string& path, const std::string& name,
                                const std::string& value) {
  Key key;
  if (RegCreateKeyExA(RootKey(root), path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key.Handle,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return RegSetValueExA(key.Handle, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool Win32Registry::WriteDword(RegistryRoot root, const std::string& path, const std::string& name,
                               uint32_t value) {
  Key key;
  if (RegCreateKeyExA(RootKey(root), path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key.Handle,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  DWORD v = value;
  return RegSetValueExA(key.Handle, name.empty() ? nullptr : name.c_str(), 0, REG_DWORD,
                        reinterpret_cast<const BYTE*>(&v), sizeof v) == ERROR_SUCCESS;
}

std::vector<std::string> Win32Registry::SubKeys(RegistryRoot root, const std::string& path) {
  std::vector<std::string> names;
  Key key;
  if (!Open(root, path, KEY_READ, key)) return names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key.Handle, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.emplace_back(name, size);
  }
  return names;
}

bool Win32Clipboard::SetText(const std::string& text) {
  if (!OpenClipboardWithRetry()) return false;
  EmptyClipboard();
  bool ok = false;
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
    if (void* p = GlobalLock(memory)) {
      memcpy(p, text.c_str(), text.size() + 1);
      GlobalUnlock(memory);
      ok = SetClipboardData(CF_TEXT, memory) != nullptr;
    }
    if (!ok) GlobalFree(memory);
  }
  CloseClipboard();
  return ok;
}

std::optional<std::string> Win32Clipboard::GetText() {
  if (!OpenClipboardWithRetry()) return std::nullopt;
  std::optional<std::string> text;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* p = static_cast<const char*>(GlobalLock(data))) {
      size_t limit = GlobalSize(data);
      size_t n = 0;
      while (n < limit && p[n]) ++n;
      text = std::string(p, n);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

bool Win32Clipboard::Clear() {
  if (!OpenClipboardWithRetry()) return false;
  bool ok = EmptyClipboard() != 0;
  CloseClipboard();
  return ok;
}

std::string Win32Environment::ProgramPath() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

std::string Win32Environment::WindowsDirectory() {
  char buffer[MAX_PATH + 1];
  UINT n = GetWindowsDirectoryA(buffer, sizeof buffer);
  return n && n < sizeof buffer ? std::string(buffer, n) : std::string("C:\\WINDOWS");
}

std::string Win32Environment::SystemDirectory() {
  char buffer[MAX_PATH + 1];
  UINT n = GetSystemDirectoryA(buffer, sizeof buffer);
  return n && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

std::optional<std::string> Win32Environment::Variable(const std::string& name) {
  DWORD n = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  if (n == 0) return std::nullopt;
  std::string value(n, '\0');
  n = GetEnvironmentVariableA(name.c_str(), value.data(), n);
  value.resize(n);
  return value;
}

}  // namespace platform::win32
