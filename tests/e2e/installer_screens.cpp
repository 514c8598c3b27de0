// Pictures of the release's installer (not a test): installer_screens OUTDIR
// SETUP.exe walks the installer's pages as a user does, pressing the default
// button on each, and writes OUTDIR\installer_<n>.bmp for every page, then
// the installed Start-menu folder in Wine's file browser
// (installer_start_menu.bmp) and the "Add or remove programs" list
// (installer_programs.bmp).
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <knownfolders.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "common/win32/utf16.h"
#include "tests/e2e/driver.h"

namespace {

constexpr const char* kCaption = "Delvane for Windows NT and Vistrel Setup";

std::string KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::string out;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) out = common::Utf8(path);
  CoTaskMemFree(path);
  return out;
}

// The text of the page's default button (Next, I Agree, Install, Finish).
std::string NextText(HWND setup) {
  HWND next = GetDlgItem(setup, IDOK);
  return next ? e2e::WindowText(next) : "";
}

// The page's own texts, which tell one page from the next.
std::string PageTexts(HWND setup) {
  std::string texts;
  for (HWND child = GetWindow(setup, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (IsWindowVisible(child)) texts += e2e::WindowText(child) + "|";
    for (HWND inner = GetWindow(child, GW_CHILD); inner; inner = GetWindow(inner, GW_HWNDNEXT)) {
      if (IsWindowVisible(inner)) texts += e2e::WindowText(inner) + "|";
    }
  }
  return texts;
}

int ShowAndSave(const std::string& exe, const std::string& args, const std::string& caption,
                const std::string& path) {
  e2e::Process p;
  if (!p.Start(exe, args)) return 1;
  HWND window = e2e::WaitForTopWindow(p.Id(), caption);
  if (!window) {
    std::fprintf(stderr, "installer_screens: no window from %s\n", exe.c_str());
    return 1;
  }
  SetWindowPos(window, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE);
  int failures = e2e::SaveSettledWindow(window, path) ? 0 : 1;
  PostMessageW(window, WM_CLOSE, 0, 0);
  p.Wait();
  return failures;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: installer_screens OUTDIR SETUP.exe\n");
    return 2;
  }
  std::string out = argv[1];
  e2e::ComScope com;
  SetCursorPos(0, 0);
  e2e::Process setup;
  if (!setup.Start(argv[2])) return 1;
  int failures = 0, page = 0;
  std::string last;
  while (HWND window = e2e::WaitForTopWindow(setup.Id(), kCaption, "#32770")) {
    // A new page: its texts differ from the last one's and its default button
    // is enabled (the files page enables it when it is done).
    std::string texts;
    if (!e2e::WaitFor([&] {
          texts = PageTexts(window);
          HWND next = GetDlgItem(window, IDOK);
          return texts != last && next && IsWindowEnabled(next);
        })) {
      if (!IsWindow(window)) break;
      std::fprintf(stderr, "installer_screens: page %d never became ready\n", page + 1);
      ++failures;
      break;
    }
    last = texts;
    ++page;
    if (!e2e::SaveSettledWindow(window, out + "\\installer_" + std::to_string(page) + ".bmp"))
      ++failures;
    std::string button = NextText(window);
    std::printf("page %d: %s\n", page, button.c_str());
    // Posted: a page made with nsDialogs runs its own message loop inside the
    // click that leads to it, so a sent click would not return.
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDOK)));
    if (button == "&Finish" || button == "Finish") break;
  }
  if (!setup.Wait(std::chrono::seconds(60))) ++failures;

  std::string menu = KnownFolder(FOLDERID_CommonPrograms) + "\\Delvane";
  failures += ShowAndSave("C:\\windows\\explorer.exe", "\"" + menu + "\"", "",
                          out + "\\installer_start_menu.bmp");
  failures += ShowAndSave("C:\\windows\\system32\\uninstaller.exe", "", "",
                          out + "\\installer_programs.bmp");
  return failures ? 1 : 0;
}
