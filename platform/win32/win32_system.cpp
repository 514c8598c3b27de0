// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include "platform/win32/win32_system.h"

#include "common/win32/utf16.h"
#include "platform/inventory.h"
#include "platform/win32/error_text.h"

namespace platform::win32 {
namespace {

class Win32Process final : public StartedProcess {
 public:
  explicit Win32Process(const PROCESS_INFORMATION& info) : info_(info) {}
  ~Win32Process() override {
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  uint32_t Id() const override { return info_.dwProcessId; }
  std::optional<uint32_t> Wait(std::optional<std::chrono::milliseconds> timeout) override {
    DWORD ms = INFINITE;
    if (timeout) {
      auto count = timeout->count() < 0 ? 0 : timeout->count();
      ms = count >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(count);
    }
    if (WaitForSingleObject(info_.hProcess, ms) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(info_.hProcess, &code)) return std::nullopt;
    return code;
  }
  bool Terminate(uint32_t exitCode) override {
    if (!TerminateProcess(info_.hProcess, exitCode)) return false;
    WaitForSingleObject(info_.hProcess, 5000);
    return true;
  }

 private:
  PROCESS_INFORMATION info_;
};

void SetError(std::string* error, DWORD code) {
  if (error) *error = ErrorText(code);
}

DirectoryEntry EntryOf(const WIN32_FIND_DATAW& data) {
  DirectoryEntry entry;
  entry.Name = common::Utf8(std::wstring_view(data.cFileName));
  entry.Attributes = data.dwFileAttributes;
  entry.IsDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  entry.IsReparsePoint = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  entry.Size =
      entry.IsDirectory ? 0 : (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  FILETIME local;
  SYSTEMTIME st;
  if (FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) && FileTimeToSystemTime(&local, &st)) {
    entry.LastWrite =
        DayCount(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
  }
  return entry;
}

}  // namespace

std::unique_ptr<StartedProcess> Win32ProcessLauncher::Start(const std::string& commandLine,
                                                            ShowState show, std::string* error) {
  std::wstring line = common::Wide(commandLine);  // CreateProcessW may write into it
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = show == ShowState::Hidden ? SW_HIDE : SW_SHOWNORMAL;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    SetError(error, GetLastError());
    return nullptr;
  }
  return std::make_unique<Win32Process>(info);
}

std::optional<std::vector<DirectoryEntry>> Win32Directories::List(const std::string& directory,
                                                                  std::string* error) {
  std::wstring pattern = common::Wide(directory);
  if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW data;
  HANDLE find =
      FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    // An empty directory still has "." and ".."; only the root of a drive
    // can be empty with no entry at all.
    DWORD attributes = GetFileAttributesW(common::Wide(directory).c_str());
    if (code == ERROR_FILE_NOT_FOUND && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return std::vector<DirectoryEntry>{};
    }
    SetError(error, code);
    return std::nullopt;
  }
  std::vector<DirectoryEntry> entries;
  do {
    std::wstring_view name(data.cFileName);
    if (name == L"." || name == L"..") continue;
    entries.push_back(EntryOf(data));
  } while (FindNextFileW(find, &data));
  DWORD code = GetLastError();
  FindClose(find);
  if (code != ERROR_NO_MORE_FILES) {
    SetError(error, code);
    return std::nullopt;
  }
  return entries;
}

std::optional<DirectoryEntry> Win32Directories::FindFirst(const std::string& pattern) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(common::Wide(pattern).c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return std::nullopt;
  FindClose(find);
  return EntryOf(data);
}

bool Win32Directories::RemoveFile(const std::string& path, std::string* error) {
  if (DeleteFileW(common::Wide(path).c_str())) return true;
  SetError(error, GetLastError());
  return false;
}

}  // namespace platform::win32
