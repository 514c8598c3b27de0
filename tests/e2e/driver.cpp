#include "tests/e2e/driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include "common/win32/utf16.h"
#include "platform/win32/win32_services.h"

namespace e2e {
namespace {

std::string gFixtures;

using common::Utf8;
using common::Wide;

std::string ClassOf(HWND hwnd) {
  wchar_t name[256] = {};
  GetClassNameW(hwnd, name, 256);
  return Utf8(name);
}

}  // namespace

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

Process::Process(Process&& other) noexcept : info_(other.info_) {
  other.info_ = {};
}
Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Kill();
    info_ = other.info_;
    other.info_ = {};
  }
  return *this;
}
Process::~Process() {
  Kill();
}

bool Process::Start(const std::string& exe, const std::string& args, HANDLE output) {
  std::wstring command = Wide("\"" + exe + "\"" + (args.empty() ? "" : " " + args));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (output) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
  }
  return CreateProcessW(Wide(exe).c_str(), command.data(), nullptr, nullptr, output != nullptr, 0,
                        nullptr, nullptr, &startup, &info_) != 0;
}

std::optional<DWORD> Process::Wait(std::chrono::milliseconds timeout) {
  if (!info_.hProcess) return std::nullopt;
  if (WaitForSingleObject(info_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

bool Process::Running() const {
  return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

void Process::Kill() {
  if (!info_.hProcess) return;
  if (Running()) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 5000);
  }
  CloseHandle(info_.hProcess);
  CloseHandle(info_.hThread);
  info_ = {};
}

std::string DriverDirectory() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::string dir = Utf8(std::wstring_view(path, n));
  return dir.substr(0, dir.find_last_of("\\/"));
}

namespace {

struct TopSearch {
  DWORD Pid;
  const std::string* Prefix;
  const std::string* Class;
  HWND Found;
};

BOOL CALLBACK MatchTop(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<TopSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if ((s->Pid && pid != s->Pid) || !IsWindowVisible(hwnd)) return TRUE;
  if (!s->Class->empty() && ClassOf(hwnd) != *s->Class) return TRUE;
  if (WindowText(hwnd).rfind(*s->Prefix, 0) != 0) return TRUE;
  s->Found = hwnd;
  return FALSE;
}

struct IdSearch {
  int Id;
  HWND Found;
};

BOOL CALLBACK MatchId(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<IdSearch*>(lp);
  if (GetDlgCtrlID(hwnd) != s->Id) return TRUE;
  s->Found = hwnd;
  return FALSE;
}

struct TextSearch {
  const std::string* Class;
  const std::string* Text;
  HWND Found;
};

BOOL CALLBACK MatchText(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<TextSearch*>(lp);
  if (ClassOf(hwnd) != *s->Class || WindowText(hwnd) != *s->Text) return TRUE;
  s->Found = hwnd;
  return FALSE;
}

}  // namespace

HWND FindTopWindow(DWORD processId, const std::string& captionPrefix,
                   const std::string& className) {
  TopSearch search{processId, &captionPrefix, &className, nullptr};
  EnumWindows(MatchTop, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

HWND WaitForTopWindow(DWORD processId, const std::string& captionPrefix,
                      const std::string& className, std::chrono::milliseconds timeout) {
  HWND found = nullptr;
  WaitFor([&] { return (found = FindTopWindow(processId, captionPrefix, className)) != nullptr; },
          timeout);
  return found;
}

HWND FindChild(HWND parent, int id) {
  IdSearch search{id, nullptr};
  EnumChildWindows(parent, MatchId, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

HWND FindChildByText(HWND parent, const std::string& className, const std::string& text) {
  TextSearch search{&className, &text, nullptr};
  EnumChildWindows(parent, MatchText, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

std::string WindowText(HWND hwnd) {
  LRESULT length = SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
  LRESULT got = SendMessageW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return Utf8(text);
}

std::string MessageBoxText(HWND box) {
  // The message box shows its text in a static control with this id.
  HWND text = GetDlgItem(box, 0xFFFF);
  return text ? WindowText(text) : std::string();
}

std::string ListBoxItem(HWND list, int index) {
  LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
  if (length == LB_ERR || length < 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  LRESULT got = SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(got > 0 ? std::min(static_cast<size_t>(got), static_cast<size_t>(length)) : 0);
  return Utf8(text);
}

std::vector<std::string> ListBoxItems(HWND list) {
  std::vector<std::string> items;
  LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) items.push_back(ListBoxItem(list, static_cast<int>(i)));
  return items;
}

int ListBoxSelection(HWND list) {
  LRESULT i = SendMessageW(list, LB_GETCURSEL, 0, 0);
  return i == LB_ERR ? -1 : static_cast<int>(i);
}

void ListBoxSelect(HWND list, int index) {
  SendMessageW(list, LB_SETCURSEL, index, 0);
  SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
}

void PostCommand(HWND window, int commandId) {
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(commandId, 0), 0);
}

namespace {

struct MenuSearch {
  DWORD Process;
  HWND Found;
};

BOOL CALLBACK FindVisibleMenu(HWND hwnd, LPARAM param) {
  auto* s = reinterpret_cast<MenuSearch*>(param);
  wchar_t cls[16] = {};
  GetClassNameW(hwnd, cls, 16);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == s->Process && std::wstring(cls) == L"#32768" && IsWindowVisible(hwnd)) {
    s->Found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// A visible menu window ("#32768") of the process, or nullptr.
HWND VisibleMenuOf(DWORD processId) {
  MenuSearch search{processId, nullptr};
  EnumWindows(FindVisibleMenu, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

}  // namespace

bool SaveScreenRect(const RECT& r, const std::string& path) {
  int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  int stride = (width * 3 + 3) & ~3;
  std::string pixels(static_cast<size_t>(stride) * height, '\0');
  GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
            DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  return static_cast<bool>(out);
}

bool SaveSettledWindow(HWND window, const std::string& path, std::chrono::milliseconds timeout) {
  std::string previous;
  return WaitFor(
      [&] {
        RECT r;
        GetWindowRect(window, &r);
        if (!SaveScreenRect(r, path)) return false;
        std::ifstream in(path, std::ios::binary);
        std::string now((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        bool same = !now.empty() && now == previous;
        previous = std::move(now);
        return same;
      },
      timeout);
}

namespace {

// Posts message until a menu of the window's process shows, then dismisses
// it. The menu windows of other showings may linger hidden: look for a
// visible one of this process, and ask again if the first request found the
// window busy.
bool OpenAndDismissMenu(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  auto start = Clock::now();
  auto asked = start - std::chrono::seconds(10);
  HWND menu = nullptr;
  if (!WaitFor([&] {
        if (Clock::now() - asked > std::chrono::seconds(3)) {
          PostMessageW(window, message, wParam, lParam);
          asked = Clock::now();
        }
        return (menu = VisibleMenuOf(pid)) != nullptr;
      })) {
    return false;
  }
  // The menu loop ends on WM_CANCELMODE to its owner.
  PostMessageW(window, WM_CANCELMODE, 0, 0);
  return WaitFor([&] {
    if (!VisibleMenuOf(pid)) return true;
    PostMessageW(window, WM_CANCELMODE, 0, 0);
    return false;
  });
}

}  // namespace

bool OpenAndDismissPopup(HWND window) {
  return OpenAndDismissMenu(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window),
                            MAKELPARAM(10, 10));
}

bool OpenAndDismissBarMenu(HWND window, wchar_t mnemonic) {
  return OpenAndDismissMenu(window, WM_SYSCOMMAND, SC_KEYMENU, mnemonic);
}

void SelectTab(HWND tab, int index) {
  // The keys are posted: a page change that shows a modal box (or waits for
  // a helper) must not hold the driver inside a sent message. The selection
  // is asked for once the window has taken the key.
  for (int tries = 0; tries < 20 && TabSelection(tab) != index; ++tries) {
    int current = TabSelection(tab);
    WPARAM key = index > current ? VK_RIGHT : VK_LEFT;
    PostMessageW(tab, WM_KEYDOWN, key, 0);
    PostMessageW(tab, WM_KEYUP, key, 0);
    WaitFor([&] { return TabSelection(tab) != current; });
  }
}

int TabSelection(HWND tab) {
  return static_cast<int>(SendMessageW(tab, TCM_GETCURSEL, 0, 0));
}

void Click(HWND button) {
  SendMessageW(button, BM_CLICK, 0, 0);
}

std::optional<std::string> ClipboardText(std::chrono::milliseconds timeout) {
  std::optional<std::string> text;
  bool opened = WaitFor([] { return OpenClipboard(nullptr) != 0; }, timeout);
  if (!opened) return std::nullopt;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = Utf8(p);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

bool SetClipboardText(const std::string& text) {
  std::wstring wide = Wide(text);
  size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
  if (!WaitFor([] { return OpenClipboard(nullptr) != 0; })) return false;
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  std::memcpy(GlobalLock(memory), wide.c_str(), bytes);
  GlobalUnlock(memory);
  bool ok = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  CloseClipboard();
  return ok;
}

AutomationClient::~AutomationClient() {
  Release();
}

void AutomationClient::Release() {
  object_.reset();
}

HRESULT AutomationClient::Create(const std::string& progId) {
  Release();
  platform::win32::Win32AutomationClient client;
  platform::AutomationStatus status;
  object_ = client.Create(progId, &status);
  error_ = status.Message;
  return static_cast<HRESULT>(status.Code);
}

HRESULT AutomationClient::Call(const std::string& method, const std::vector<std::string>& args) {
  if (!object_) return E_POINTER;
  platform::AutomationStatus status = object_->Call(method, args);
  error_ = status.Message;
  return static_cast<HRESULT>(status.Code);
}

std::string FixtureDirectory() {
  return gFixtures;
}

void ParseDriverArguments(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--fixtures=", 11) == 0) gFixtures = argv[i] + 11;
  }
}

}  // namespace e2e
