// Pictures of dlvnt's dialogs: dlvnt_screens OUTDIR DLL loads the DLL here,
// copies it into two folders of C:, and writes OUTDIR\dlvnt_details.bmp (the
// details of the loaded DLL), dlvnt_search.bmp (a search of C: for it) and
// dlvnt_search_walking.bmp (a walk of Z: under way); with a simulated WOW
// machine, dlvnt_win16.bmp (the Win16 page) and dlvnt_win16_details.bmp
// (the details of the library both simulated processes hold). Not a test.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "common/text_case.h"
#include "common/win32/utf16.h"
#include "dlvnt/dialogs/dialog_ids.h"
#include "dlvnt/main_window/command_ids.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/remote.h"
#include "tests/e2e/win16_machine.h"

namespace {

namespace ids = dlvnt::ids;
using common::Wide;

bool SaveWindow(HWND window, const std::string& path) {
  RECT r;
  GetWindowRect(window, &r);
  return e2e::SaveScreenRect(r, path);
}

// Painting of another process's windows cannot be waited for: give it a
// moment (a picture tool, not a test).
void LetItPaint(HWND window) {
  SetCursorPos(0, 0);  // no hint over the picture
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  DWORD_PTR ignored;
  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
  Sleep(400);
}

std::vector<std::string> Column(HWND list, int column) {
  std::vector<std::string> cells;
  for (auto& row : e2e::ListViewRows(list, column + 1)) cells.push_back(std::move(row[column]));
  return cells;
}

// Selected and scrolled into the picture.
void SelectRow(HWND list, int index) {
  e2e::SelectGridRow(list, index);
  SendMessageW(list, LVM_ENSUREVISIBLE, index, FALSE);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: dlvnt_screens OUTDIR DLL\n");
    return 2;
  }
  std::string out = argv[1], dll = argv[2];
  std::string name = dll.substr(dll.find_last_of("\\/") + 1);
  for (const char* dir : {"C:\\dlvshots", "C:\\dlvshots\\one", "C:\\dlvshots\\two"})
    CreateDirectoryW(Wide(dir).c_str(), nullptr);
  std::string first = std::string("C:\\dlvshots\\one\\") + name;
  CopyFileW(Wide(dll).c_str(), Wide(first).c_str(), FALSE);
  CopyFileW(Wide(dll).c_str(), Wide(std::string("C:\\dlvshots\\two\\") + name).c_str(), FALSE);
  HMODULE held = LoadLibraryW(Wide(first).c_str());
  if (!held) return 1;
  e2e::Win16Machine win16;  // dlvnt inherits the simulation
  if (!win16.ok) return 1;

  e2e::Process dlvnt;
  if (!dlvnt.Start(e2e::DriverDirectory() + "\\dlvnt.exe")) return 1;
  HWND window = e2e::WaitForTopWindow(dlvnt.Id(), "Delvane for Windows NT");
  if (!window) return 1;
  HWND grid = nullptr;
  int row = -1;
  std::string upper = common::Upper(name);
  e2e::WaitFor([&] {
    grid = e2e::FindChild(window, dlvnt::kGridControlIds[0]);
    if (!grid) return false;
    auto names = Column(grid, 1);
    for (size_t r = 0; r < names.size(); ++r) {
      if (names[r] == upper) row = static_cast<int>(r);
    }
    return row >= 0;
  });
  if (row < 0) return 1;
  int failures = 0;
  SelectRow(grid, row);
  e2e::PostCommand(window, dlvnt::kCmdModulesDetails);
  HWND details = e2e::WaitForTopWindow(dlvnt.Id(), "Delvane Details for");
  if (!details) return 1;
  LetItPaint(details);
  if (!SaveWindow(details, out + "\\dlvnt_details.bmp")) ++failures;
  e2e::Click(e2e::FindChild(details, ids::kDetailsOKButton));
  e2e::WaitFor([&] { return !IsWindowVisible(details); });

  e2e::PostCommand(window, dlvnt::kCmdModulesSearch);
  HWND search = e2e::WaitForTopWindow(dlvnt.Id(), "Delvane Search for");
  if (!search) return 1;
  HWND status = e2e::FindChild(search, ids::kSearchStatusBar);
  HWND button = e2e::FindChild(search, ids::kSearchButton);
  HWND results = e2e::FindChild(search, ids::kSearchStringGrid);
  e2e::Click(e2e::FindChild(search, ids::kFirstDriveCheckBox + 2));  // C:
  PostMessageW(button, BM_CLICK, 0, 0);
  e2e::WaitFor([&] { return !Column(results, 2).empty() && !Column(results, 2)[0].empty(); },
               std::chrono::seconds(120));
  SelectRow(results, 0);
  LetItPaint(search);
  if (!SaveWindow(search, out + "\\dlvnt_search.bmp")) ++failures;
  // A walk under way: the status text tells where it is.
  e2e::Click(e2e::FindChild(search, ids::kFirstDriveCheckBox + 2));
  e2e::Click(e2e::FindChild(search, ids::kFirstDriveCheckBox + 25));  // Z:
  PostMessageW(button, BM_CLICK, 0, 0);
  e2e::WaitFor([&] { return e2e::StatusText(status).rfind("Searching Z:\\", 0) == 0; });
  Sleep(1500);
  SetCursorPos(0, 0);
  if (!SaveWindow(search, out + "\\dlvnt_search_walking.bmp")) ++failures;
  PostMessageW(e2e::FindChild(search, ids::kStopButton), BM_CLICK, 0, 0);
  e2e::WaitFor([&] { return IsWindowEnabled(button) != 0; });
  e2e::Click(e2e::FindChild(search, ids::kSearchOKButton));
  e2e::WaitFor([&] { return !IsWindowVisible(search); });

  // The Win16 page, filled by the helper, and a shared library's details.
  e2e::SelectTab(e2e::FindChild(window, dlvnt::kPageControlId), 3);
  HWND grid16 = e2e::FindChild(window, dlvnt::kGridControlIds[3]);
  if (!e2e::WaitFor([&] { return Column(grid16, 1).size() == 3; })) return 1;
  SelectRow(grid16, 1);
  LetItPaint(window);
  if (!SaveWindow(window, out + "\\dlvnt_win16.bmp")) ++failures;
  e2e::PostCommand(window, dlvnt::kCmdModulesDetails);
  HWND details16 = e2e::WaitForTopWindow(dlvnt.Id(), "Delvane Details for CARDLIB");
  if (!details16) return 1;
  e2e::WaitFor(
      [&] { return e2e::WindowText(e2e::FindChild(details16, ids::kFirstVersionEdit + 7)) != ""; });
  LetItPaint(details16);
  if (!SaveWindow(details16, out + "\\dlvnt_win16_details.bmp")) ++failures;
  e2e::Click(e2e::FindChild(details16, ids::kDetailsOKButton));
  e2e::WaitFor([&] { return !IsWindowVisible(details16); });
  PostMessageW(window, WM_CLOSE, 0, 0);
  dlvnt.Wait();
  FreeLibrary(held);
  return failures;
}
