// What scripts/run uses around a window it starts (not a test):
//   run_window dlvnt [OUT.bmp]          waits until the page shown is filled:
//                                       its status text, and the rows it counts
//   run_window vistrel [OUT.bmp] [FILE] loads FILE into the running vistrel
//                                       through its automation object (then lets
//                                       go of it, so the user can close the
//                                       window), waits until the pages are filled
// With OUT, the window's picture once two captures in a row agree (painting
// has settled). Status 0 when the window got there, 1 when not.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "dlvnt/main_window/command_ids.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/remote.h"
#include "vistrel/browser/command_ids.h"

namespace {

constexpr auto kLong = std::chrono::seconds(120);  // a cold Wine collects slowly

std::string StatusText(HWND status) {
  e2e::Remote remote(status);
  SendMessageW(status, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(remote.TextBuffer()));
  return remote.Text();
}

// The page shown (whichever the settings chose) is filled: the status bar
// has its text, and a grid whose status counts rows holds them.
HWND WaitForDlvnt() {
  HWND window = e2e::WaitForTopWindow(0, "Delvane for Windows NT", "", kLong);
  if (!window) return nullptr;
  bool filled = e2e::WaitFor(
      [&] {
        HWND status = e2e::FindChild(window, dlvnt::kStatusBarControlId);
        std::string text = status ? StatusText(status) : "";
        if (text.empty()) return false;
        for (int id : dlvnt::kTreeControlIds) {
          HWND tree = e2e::FindChild(window, id);
          if (tree && IsWindowVisible(tree)) return SendMessageW(tree, TVM_GETCOUNT, 0, 0) > 0;
        }
        for (int id : dlvnt::kGridControlIds) {
          HWND grid = e2e::FindChild(window, id);
          if (!grid || !IsWindowVisible(grid)) continue;
          bool rows = std::atoi(text.c_str()) > 0;  // "N Items Displayed - ..."
          return !rows || SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0) > 0;
        }
        return false;
      },
      kLong);
  return filled ? window : nullptr;
}

HWND WaitForVistrel(const std::string& file) {
  HWND window = e2e::WaitForTopWindow(0, "Vistrel", "", kLong);
  if (!window || file.empty()) return window;
  e2e::ComScope com;
  e2e::AutomationClient client;
  if (client.Create("Vistrel.Vistrel") != S_OK || client.Call("Load", {file}) != S_OK) {
    std::fprintf(stderr, "run_window: could not load %s: %s\n", file.c_str(),
                 client.LastError().c_str());
    return nullptr;
  }
  client.Release();  // the window is the user's again
  bool filled = e2e::WaitFor(
      [&] {
        HWND loaded = e2e::FindTopWindow(0, "Vistrel - ");
        if (!loaded) return false;
        window = loaded;
        return !e2e::WindowText(e2e::FindChild(window, vistrel::ids::kImageTypeEdit)).empty();
      },
      kLong);
  return filled ? window : nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: run_window dlvnt|vistrel [OUT.bmp] [FILE]\n");
    return 2;
  }
  std::string program = argv[1];
  std::string out = argc > 2 ? argv[2] : "";
  std::string file = argc > 3 ? argv[3] : "";
  HWND window = program == "dlvnt" ? WaitForDlvnt() : WaitForVistrel(file);
  if (!window) {
    std::fprintf(stderr, "run_window: the %s window did not fill\n", program.c_str());
    return 1;
  }
  SetCursorPos(0, 0);  // no hint over the picture
  if (!out.empty() && !e2e::SaveSettledWindow(window, out, kLong)) {
    std::fprintf(stderr, "run_window: the picture did not settle\n");
    return 1;
  }
  return 0;
}
