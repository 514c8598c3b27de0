// A small library for Windows test drivers: start a program, wait for its
// windows, read controls across processes, send commands, read the clipboard
// and call automation objects. Every wait polls with a deadline.
#ifndef TESTS_E2E_DRIVER_H
#define TESTS_E2E_DRIVER_H

// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <oleauto.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/automation.h"

// Texts are UTF-8 throughout; the driver talks to the system in UTF-16.
namespace e2e {

using Clock = std::chrono::steady_clock;
constexpr auto kDefaultWait = std::chrono::seconds(20);

// Polls `done` every 50 ms until it holds or the deadline passes.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = kDefaultWait);

// A started program; the destructor kills it if it is still running.
class Process {
 public:
  Process() = default;
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  ~Process();
  // Starts `exe` with the command-line tail `args`; `output` (inheritable)
  // receives its standard output and error. False when it cannot start.
  bool Start(const std::string& exe, const std::string& args = "", HANDLE output = nullptr);
  // Waits for the end; the exit code, or nullopt on time-out.
  std::optional<DWORD> Wait(std::chrono::milliseconds timeout = kDefaultWait);
  bool Running() const;
  DWORD Id() const { return info_.dwProcessId; }
  void Kill();

 private:
  PROCESS_INFORMATION info_{};
};

// The directory of the running driver (programs under test sit beside it).
std::string DriverDirectory();

// Top-level visible window of a process (0: any) whose caption starts with
// `captionPrefix` and whose class is `className` (empty: any).
HWND FindTopWindow(DWORD processId, const std::string& captionPrefix,
                   const std::string& className = "");
HWND WaitForTopWindow(DWORD processId, const std::string& captionPrefix,
                      const std::string& className = "",
                      std::chrono::milliseconds timeout = kDefaultWait);
// A descendant with this dialog item id, at any depth.
HWND FindChild(HWND parent, int id);
// A descendant of this class whose text is `text`.
HWND FindChildByText(HWND parent, const std::string& className, const std::string& text);

// Texts across processes (SendMessageW, which Wine gets right).
std::string WindowText(HWND hwnd);
// The text of a message box ("#32770" window).
std::string MessageBoxText(HWND box);
// One line, or every line, of a list box; a list of lines on demand
// answers as an ordinary one (read single lines of a long one).
std::string ListBoxItem(HWND list, int index);
std::vector<std::string> ListBoxItems(HWND list);
int ListBoxSelection(HWND list);
// Selects a line as the user would (LB_SETCURSEL + LBN_SELCHANGE to the parent).
void ListBoxSelect(HWND list, int index);

// Posts WM_COMMAND with a menu command id (the program's own ids).
void PostCommand(HWND window, int commandId);
// The screen's pixels of a rectangle (a window's, say) as a 24-bit .bmp
// file; false when it cannot be written. For the picture tools.
bool SaveScreenRect(const RECT& area, const std::string& path);
// The window's picture once two captures in a row agree (its painting has
// settled); false when they never do before the deadline.
bool SaveSettledWindow(HWND window, const std::string& path,
                       std::chrono::milliseconds timeout = kDefaultWait);

// Opens the window's pop-up menu as a right click does and dismisses it, so
// the program brings its menus up to date as it does before a user's pick.
bool OpenAndDismissPopup(HWND window);
// Opens the drop-down of the window's menu bar that a mnemonic names, as
// Alt and the letter do, and dismisses it: true when it showed.
bool OpenAndDismissBarMenu(HWND window, wchar_t mnemonic);
// Moves a tab control to a page with the keyboard, so the program hears the
// change as from a user.
void SelectTab(HWND tab, int index);
int TabSelection(HWND tab);
// Clicks a button (BM_CLICK).
void Click(HWND button);

// Clipboard text, retrying while another program holds it open.
std::optional<std::string> ClipboardText(std::chrono::milliseconds timeout = kDefaultWait);
bool SetClipboardText(const std::string& text);

// An automation object, called by method name with string arguments
// (platform's Win32AutomationClient, with HRESULTs for the checks).
class AutomationClient {
 public:
  AutomationClient() = default;
  AutomationClient(const AutomationClient&) = delete;
  AutomationClient& operator=(const AutomationClient&) = delete;
  ~AutomationClient();
  // CLSIDFromProgID + CoCreateInstance (local server). The HRESULT.
  HRESULT Create(const std::string& progId);
  HRESULT Call(const std::string& method, const std::vector<std::string>& args = {});
  void Release();
  explicit operator bool() const { return object_ != nullptr; }
  // The text of the last failure: the object's exception or the system's.
  const std::string& LastError() const { return error_; }

 private:
  std::unique_ptr<platform::AutomationObject> object_;
  std::string error_;
};

// COM for the driver's thread.
class ComScope {
 public:
  ComScope() { CoInitialize(nullptr); }
  ~ComScope() { CoUninitialize(); }
};

// Where the sample PE files are: the directory passed on the command line as
// --fixtures=DIR (the runner adds it), in Windows form.
std::string FixtureDirectory();
void ParseDriverArguments(int argc, char** argv);

}  // namespace e2e

#endif  // TESTS_E2E_DRIVER_H
