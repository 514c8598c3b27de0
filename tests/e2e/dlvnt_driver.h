// Driving dlvnt from a test program: its window, its grids and status bar,
// read across processes.
#ifndef TESTS_E2E_DLVNT_DRIVER_H
#define TESTS_E2E_DLVNT_DRIVER_H

// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <commctrl.h>

#include <string>
#include <vector>

#include "common/win32/utf16.h"
#include "dlvnt/main_window/command_ids.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/remote.h"

namespace e2e {

// A grid's cells, row by row (its list view, read across processes).
inline std::vector<std::vector<std::string>> GridRows(HWND list, int columns) {
  return ListViewRows(list, columns);
}

// Selects a grid row as a click does (the list view tells the program).
inline void SelectGridRow(HWND list, int index) {
  Remote remote(list);
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  remote.Write(&item, sizeof item);
  SendMessageW(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(remote.Base()));
}

inline std::string StatusText(HWND status) {
  return StatusBarText(status);
}

inline std::string TempDirectory() {
  wchar_t dir[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, dir);
  return common::Utf8(std::wstring_view(dir, n));
}

class Dlvnt {
 public:
  // dlvnt from `directory` (the build's own by default).
  bool Start(const std::string& directory = DriverDirectory()) {
    if (!process.Start(directory + "\\dlvnt.exe")) return false;
    window = WaitForTopWindow(process.Id(), "Delvane for Windows NT");
    if (!window) return false;
    return WaitFor([&] {
      status = FindChild(window, dlvnt::kStatusBarControlId);
      return status && !StatusText(status).empty();
    });
  }
  // Selects the Win32 row of a module and opens a dialog with a command.
  HWND OpenFor(const std::string& module, int command, const std::string& caption) {
    HWND grid = FindChild(window, dlvnt::kGridControlIds[0]);
    int index = -1;
    // The module may have been loaded after the first fill: refresh until it is listed.
    WaitFor([&] {
      auto rows = GridRows(grid, 5);
      for (size_t r = 0; r < rows.size(); ++r) {
        if (rows[r][1] == module) index = static_cast<int>(r);
      }
      if (index < 0) SendMessageW(window, WM_COMMAND, dlvnt::kCmdViewRefresh, 0);
      return index >= 0;
    });
    if (index < 0) return nullptr;
    SelectGridRow(grid, index);
    PostCommand(window, command);
    return WaitForTopWindow(process.Id(), caption);
  }
  bool Close() {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return process.Wait().has_value();
  }
  Process process;
  HWND window = nullptr;
  HWND status = nullptr;
};

}  // namespace e2e

#endif  // TESTS_E2E_DLVNT_DRIVER_H
