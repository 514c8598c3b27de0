// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include "platform/win32/win32_services.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/win32/utf16.h"
#include "platform/win32/error_text.h"

namespace platform::win32 {
namespace {

std::string SystemMessage(DWORD code) {
  return ErrorText(code);
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
  return RegOpenKeyExW(RootKey(root), common::Wide(path).c_str(), 0, access, &key.Handle) ==
         ERROR_SUCCESS;
}

bool Create(RegistryRoot root, const std::string& path, Key& key) {
  return RegCreateKeyExW(RootKey(root), common::Wide(path).c_str(), 0, nullptr, 0, KEY_WRITE,
                         nullptr, &key.Handle, nullptr) == ERROR_SUCCESS;
}

// nullptr names the key's default value.
const wchar_t* ValueName(const std::wstring& name) {
  return name.empty() ? nullptr : name.c_str();
}

// Registry texts are UTF-16; the raw bytes of a text value are given to the
// programs as UTF-8, so a reader of bytes and a reader of texts agree.
bool IsText(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

std::vector<uint8_t> TextBytes(const std::vector<uint8_t>& utf16) {
  std::wstring wide(utf16.size() / sizeof(wchar_t), L'\0');
  if (!wide.empty()) std::memcpy(wide.data(), utf16.data(), wide.size() * sizeof(wchar_t));
  std::string text = common::Utf8(wide);
  return std::vector<uint8_t>(text.begin(), text.end());
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
  DWORD attributes = GetFileAttributesW(common::Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> Win32FileSystem::WriteWholeFile(const std::string& path,
                                                           std::span<const uint8_t> bytes) {
  std::wstring name = common::Wide(path);
  HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return path + ": " + SystemMessage(GetLastError());
  DWORD code = ERROR_SUCCESS;
  size_t done = 0;
  while (done < bytes.size() && code == ERROR_SUCCESS) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
    DWORD wrote = 0;
    if (!::WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
      code = GetLastError();
      if (code == ERROR_SUCCESS) code = ERROR_WRITE_FAULT;
    }
    done += wrote;
  }
  if (!CloseHandle(file) && code == ERROR_SUCCESS) code = GetLastError();
  if (code == ERROR_SUCCESS) return std::nullopt;
  DeleteFileW(name.c_str());
  return path + ": " + SystemMessage(code);
}

bool Win32Registry::KeyExists(RegistryRoot root, const std::string& path) {
  Key key;
  return Open(root, path, KEY_READ, key);
}

bool Win32Registry::CreateKey(RegistryRoot root, const std::string& path) {
  Key key;
  return Create(root, path, key);
}

bool Win32Registry::DeleteKey(RegistryRoot root, const std::string& path) {
  return RegDeleteKeyW(RootKey(root), common::Wide(path).c_str()) == ERROR_SUCCESS;
}

std::optional<std::vector<uint8_t>> Win32Registry::ReadValue(RegistryRoot root,
                                                             const std::string& path,
                                                             const std::string& name,
                                                             size_t maxBytes) {
  Key key;
  if (!Open(root, path, KEY_READ, key)) return std::nullopt;
  std::wstring wideName = common::Wide(name);
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key.Handle, ValueName(wideName), nullptr, &type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  // A text takes at most two UTF-16 bytes per UTF-8 byte: anything larger
  // cannot fit once converted.
  size_t limit = IsText(type) ? 2 * maxBytes + sizeof(wchar_t) : maxBytes;
  if (size > limit) return std::nullopt;
  std::vector<uint8_t> bytes(size);
  if (RegQueryValueExW(key.Handle, ValueName(wideName), nullptr, &type, bytes.data(), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  bytes.resize(size);
  if (IsText(type)) bytes = TextBytes(bytes);
  if (bytes.size() > maxBytes) return std::nullopt;
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
  if (!Create(root, path, key)) return false;
  std::wstring wideName = common::Wide(name);
  std::wstring text = common::Wide(value);
  return RegSetValueExW(key.Handle, ValueName(wideName), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool Win32Registry::WriteDword(RegistryRoot root, const std::string& path, const std::string& name,
                               uint32_t value) {
  Key key;
  if (!Create(root, path, key)) return false;
  std::wstring wideName = common::Wide(name);
  DWORD v = value;
  return RegSetValueExW(key.Handle, ValueName(wideName), 0, REG_DWORD,
                        reinterpret_cast<const BYTE*>(&v), sizeof v) == ERROR_SUCCESS;
}

std::vector<std::string> Win32Registry::SubKeys(RegistryRoot root, const std::string& path) {
  std::vector<std::string> names;
  Key key;
  if (!Open(root, path, KEY_READ, key)) return names;
  wchar_t name[256];  // the longest key name and its NUL
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name / sizeof name[0];
    if (RegEnumKeyExW(key.Handle, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.push_back(common::Utf8(std::wstring_view(name, size)));
  }
  return names;
}

bool Win32Clipboard::SetText(const std::string& text) {
  std::wstring wide = common::Wide(text);
  size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
  if (!OpenClipboardWithRetry()) return false;
  EmptyClipboard();
  bool ok = false;
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    if (void* p = GlobalLock(memory)) {
      std::memcpy(p, wide.c_str(), bytes);
      GlobalUnlock(memory);
      // The system offers the 8-bit forms made from this one to programs
      // that ask for them.
      ok = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    }
    if (!ok) GlobalFree(memory);
  }
  CloseClipboard();
  return ok;
}

std::optional<std::string> Win32Clipboard::GetText() {
  if (!OpenClipboardWithRetry()) return std::nullopt;
  std::optional<std::string> text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const wchar_t* p = static_cast<const wchar_t*>(GlobalLock(data))) {
      size_t limit = GlobalSize(data) / sizeof(wchar_t);
      size_t n = 0;
      while (n < limit && p[n]) ++n;
      text = common::Utf8(std::wstring_view(p, n));
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
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n < buffer.size()) return common::Utf8(std::wstring_view(buffer.data(), n));
    buffer.resize(buffer.size() * 2);
  }
}

std::string Win32Environment::WindowsDirectory() {
  wchar_t buffer[MAX_PATH + 1];
  UINT n = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  return n && n <= MAX_PATH ? common::Utf8(std::wstring_view(buffer, n))
                            : std::string("C:\\WINDOWS");
}

std::string Win32Environment::SystemDirectory() {
  wchar_t buffer[MAX_PATH + 1];
  UINT n = GetSystemDirectoryW(buffer, MAX_PATH + 1);
  return n && n <= MAX_PATH ? common::Utf8(std::wstring_view(buffer, n)) : std::string();
}

std::optional<std::string> Win32Environment::Variable(const std::string& name) {
  std::wstring wideName = common::Wide(name);
  DWORD n = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (n == 0) return std::nullopt;
  std::wstring value(n, L'\0');
  n = GetEnvironmentVariableW(wideName.c_str(), value.data(), n);
  value.resize(n < value.size() ? n : value.size());
  return common::Utf8(value);
}

}  // namespace platform::win32
