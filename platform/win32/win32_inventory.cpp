// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include "platform/win32/win32_inventory.h"

#include <psapi.h>

#include "common/win32/utf16.h"

namespace platform::win32 {
namespace {

constexpr DWORD kNameChars = 256;  // 255 characters and the NUL

class ProcessHandle {
 public:
  explicit ProcessHandle(HANDLE handle) : handle_(handle) {}
  ~ProcessHandle() {
    if (handle_) CloseHandle(handle_);
  }
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

using EnumModulesEx = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, LPDWORD, DWORD);

// EnumProcessModulesEx exists from Vista on; older systems list the modules
// of processes of their own width only.
EnumModulesEx FindEnumModulesEx() {
  static EnumModulesEx fn = [] {
    for (const wchar_t* dll : {L"kernel32.dll", L"psapi.dll"}) {
      if (HMODULE module = GetModuleHandleW(dll)) {
        if (FARPROC p = GetProcAddress(module, "K32EnumProcessModulesEx")) {
          return reinterpret_cast<EnumModulesEx>(reinterpret_cast<void*>(p));
        }
        if (FARPROC p = GetProcAddress(module, "EnumProcessModulesEx")) {
          return reinterpret_cast<EnumModulesEx>(reinterpret_cast<void*>(p));
        }
      }
    }
    return EnumModulesEx{nullptr};
  }();
  return fn;
}

// The system's names hold at most 255 UTF-16 units here, as the lists were
// sized for.
std::string Text(const wchar_t* buffer, DWORD length) {
  return common::Utf8(std::wstring_view(buffer, length < kNameChars ? length : kNameChars - 1));
}

}  // namespace

std::optional<std::vector<uint32_t>> Win32SystemInventory::ProcessIds() {
  std::vector<DWORD> ids(kMaxEnumerated);
  DWORD bytes = 0;
  if (!EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes)) {
    return std::nullopt;
  }
  ids.resize(bytes / sizeof(DWORD));
  return std::vector<uint32_t>(ids.begin(), ids.end());
}

ProcessModules Win32SystemInventory::Modules(uint32_t processId) {
  ProcessModules result;
  ProcessHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  if (!process.Get()) return result;
  result.Opened = true;
  std::vector<HMODULE> modules(kMaxEnumerated);
  DWORD bytes = 0;
  DWORD size = static_cast<DWORD>(modules.size() * sizeof(HMODULE));
  BOOL ok = FALSE;
  if (EnumModulesEx ex = FindEnumModulesEx()) {
    ok = ex(process.Get(), modules.data(), size, &bytes, 0x03 /* LIST_MODULES_ALL */);
  } else {
    ok = EnumProcessModules(process.Get(), modules.data(), size, &bytes);
  }
  if (!ok) return result;
  result.Enumerated = true;
  size_t count = bytes / sizeof(HMODULE);
  if (count > modules.size()) count = modules.size();
  wchar_t base[kNameChars];
  wchar_t file[kNameChars];
  for (size_t j = 0; j < count; ++j) {
    DWORD baseLength = GetModuleBaseNameW(process.Get(), modules[j], base, kNameChars - 1);
    DWORD fileLength = GetModuleFileNameExW(process.Get(), modules[j], file, kNameChars - 1);
    result.Modules.push_back({Text(base, baseLength), Text(file, fileLength)});
  }
  return result;
}

std::optional<std::vector<DriverEntry>> Win32SystemInventory::DeviceDrivers() {
  std::vector<LPVOID> addresses(kMaxEnumerated);
  DWORD bytes = 0;
  if (!EnumDeviceDrivers(addresses.data(), static_cast<DWORD>(addresses.size() * sizeof(LPVOID)),
                         &bytes)) {
    return std::nullopt;
  }
  size_t count = bytes / sizeof(LPVOID);
  if (count > addresses.size()) count = addresses.size();
  std::vector<DriverEntry> drivers;
  wchar_t base[kNameChars];
  wchar_t file[kNameChars];
  for (size_t i = 0; i < count; ++i) {
    DWORD baseLength = GetDeviceDriverBaseNameW(addresses[i], base, kNameChars - 1);
    if (baseLength == 0) {
      drivers.push_back({});
      continue;
    }
    DWORD fileLength = GetDeviceDriverFileNameW(addresses[i], file, kNameChars - 1);
    drivers.push_back({Text(base, baseLength), Text(file, fileLength)});
  }
  return drivers;
}

std::optional<FileFacts> Win32FileCatalog::FindFirst(const std::string& path) {
  // A module path never holds wildcards: one that does names no file.
  if (path.empty() || path.find_first_of("*?") != std::string::npos) return std::nullopt;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(common::Wide(path).c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return std::nullopt;
  FindClose(find);
  FileFacts facts;
  facts.Size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  facts.IsDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  FILETIME local;
  SYSTEMTIME st;
  if (FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) && FileTimeToSystemTime(&local, &st)) {
    facts.LastWrite =
        DayCount(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
  }
  return facts;
}

DriveType Win32FileCatalog::RootDriveType(const std::string& root) {
  switch (::GetDriveTypeW(common::Wide(root).c_str())) {
    case DRIVE_NO_ROOT_DIR:
      return DriveType::NoRootDir;
    case DRIVE_REMOVABLE:
      return DriveType::Removable;
    case DRIVE_FIXED:
      return DriveType::Fixed;
    case DRIVE_REMOTE:
      return DriveType::Remote;
    case DRIVE_CDROM:
      return DriveType::CdRom;
    case DRIVE_RAMDISK:
      return DriveType::RamDisk;
    default:
      return DriveType::Unknown;
  }
}

std::string Win32FileCatalog::DriveCurrentDirectory(char drive) {
  std::string relative = std::string(1, drive) + ":";
  std::wstring wide = common::Wide(relative);
  DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return relative + "\\";
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
  full.resize(n < full.size() ? n : full.size());
  return common::Utf8(full);
}

std::string Win32FileCatalog::ExpandEnvironment(const std::string& text) {
  std::wstring wide = common::Wide(text);
  DWORD n = ExpandEnvironmentStringsW(wide.c_str(), nullptr, 0);
  if (n == 0) return text;
  std::wstring out(n, L'\0');
  n = ExpandEnvironmentStringsW(wide.c_str(), out.data(), n);
  if (n == 0 || n > out.size()) return text;
  out.resize(n - 1);
  return common::Utf8(out);
}

}  // namespace platform::win32
