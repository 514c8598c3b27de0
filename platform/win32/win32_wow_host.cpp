#include "platform/win32/win32_wow_host.h"

// clang-format off
#include <windows.h>
// clang-format on
#include <psapi.h>

#include <vector>

#include "common/win32/utf16.h"

namespace platform::win32 {
namespace {

using StartTaskInWow = BOOL(WINAPI*)(DWORD processId, LPSTR commandLine, WORD show);

struct Library {
  HMODULE handle;
  ~Library() {
    if (handle) FreeLibrary(handle);
  }
};

}  // namespace

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::vector<uint32_t> Win32WowHost::CandidateProcesses() {
  // EnumProcesses says nothing of a list cut short: a full array may have
  // been too small, so ask again with more room.
  std::vector<DWORD> ids(1024);
  DWORD bytes = 0;
  while (true) {
    DWORD room = static_cast<DWORD>(ids.size() * sizeof(DWORD));
    if (!EnumProcesses(ids.data(), room, &bytes)) return {};
    if (bytes < room || ids.size() >= (1u << 22)) break;
    ids.resize(ids.size() * 2);
  }
  ids.resize(bytes / sizeof(DWORD));
  std::vector<uint32_t> candidates;
  for (DWORD id : ids) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
    if (!process) continue;
    CloseHandle(process);
    candidates.push_back(id);
  }
  return candidates;
}

bool Win32WowHost::StartTask(uint32_t processId, const std::string& commandLine) {
  if (RunningUnderWine()) return false;
  Library vdmdbg{LoadLibraryW(L"VDMDBG.DLL")};
  if (!vdmdbg.handle) return false;
  auto start = reinterpret_cast<StartTaskInWow>(
      reinterpret_cast<void*>(GetProcAddress(vdmdbg.handle, "VDMStartTaskInWOW")));
  if (!start) return false;
  // The 16-bit world reads the line in the system's 8-bit code page.
  std::wstring wide = common::Wide(commandLine);
  int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return false;
  std::vector<char> line(static_cast<size_t>(size));
  WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, line.data(), size, nullptr, nullptr);
  return start(processId, line.data(), SW_SHOW) != FALSE;
}

}  // namespace platform::win32
