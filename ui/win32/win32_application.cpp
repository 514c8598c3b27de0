
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include "ui/win32/win32_application.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "ui/win32/win32_form.h"
#include "ui/win32/win32_templates.h"

// <commdlg.h> renames ChooseFont; the interface keeps the plain name.
#undef ChooseFont

namespace ui::win32 {

std::string DialogFilter(const std::string& filter) {
  std::string list = filter;
  for (char& c : list) {
    if (c == '|') c = '\0';
  }
  list.push_back('\0');
  list.push_back('\0');
  return list;
}

namespace {

constexpr UINT kRunPostedMessage = WM_APP + 0x3A1;
constexpr wchar_t kPostWindowClass[] = L"DelvanePostWindow";

LRESULT CALLBACK PostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunPostedMessage) {
    auto* app = reinterpret_cast<Win32Application*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (app) app->RunPosted();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

Win32Application::Win32Application(void* instance) {
  INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES |
                                             ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&init);
  // A message-only window, not a thread message: modal loops (message boxes,
  // dialogs) dispatch window messages but drop thread messages.
  HINSTANCE module = instance ? static_cast<HINSTANCE>(instance) : GetModuleHandleW(nullptr);
  WNDCLASSW cls{};
  cls.lpfnWndProc = PostWindowProc;
  cls.hInstance = module;
  cls.lpszClassName = kPostWindowClass;
  RegisterClassW(&cls);  // fails harmlessly when a second application registers it again
  HWND window = CreateWindowExW(0, kPostWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                module, nullptr);
  if (window) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  postWindow_ = window;
}

Win32Application::~Win32Application() {
  if (postWindow_) DestroyWindow(static_cast<HWND>(postWindow_));
}

void Win32Application::Post(std::function<void()> work) {
  {
    std::lock_guard<std::mutex> hold(postedLock_);
    posted_.push_back(std::move(work));
  }
  if (postWindow_) PostMessageW(static_cast<HWND>(postWindow_), kRunPostedMessage, 0, 0);
}

void Win32Application::RunPosted() {
  std::deque<std::function<void()>> due;
  {
    std::lock_guard<std::mutex> hold(postedLock_);
    due.swap(posted_);
  }
  for (auto& work : due) Guard(work);
}

std::unique_ptr<Form> Win32Application::CreateForm(const std::string& name) {
  return std::make_unique<Win32Form>(this, name);
}

bool Win32Application::PumpOne(bool wait) {
  MSG msg;
  if (wait) {
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
      terminated_ = true;
      return false;
    }
  } else if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    return true;
  } else if (msg.message == WM_QUIT) {
    terminated_ = true;
    PostQuitMessage(static_cast<int>(msg.wParam));
    return false;
  }
  if (!TranslateFormMessage(&msg)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

int Win32Application::Run(Form& mainForm) {
  mainForm_ = &mainForm;
  mainForm.Show();
  while (!terminated_ && PumpOne(true)) {
  }
  return 0;
}

void Win32Application::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

void Win32Application::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    if (msg.message == WM_QUIT || !PumpOne(false)) break;
  }
}

void Win32Application::WaitForMessages(std::chrono::milliseconds timeout) {
  DWORD ms = timeout.count() <= 0 ? 0
             : timeout.count() >= 0x7FFFFFFF ? 0x7FFFFFFF
                                             : static_cast<DWORD>(timeout.count());
  // Input already in the queue counts too, not only what arrives later.
  MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

ModalResult Win32Application::MessageBox(const std::string& text, const std::string& caption,
                                         MessageButtons buttons, MessageIcon icon) {
  UINT flags = buttons == MessageButtons::OkCancel      ? MB_OKCANCEL
               : buttons == MessageButtons::YesNo       ? MB_YESNO
               : buttons == MessageButtons::YesNoCancel ? MB_YESNOCANCEL
                                                        : MB_OK;
  flags |= icon == MessageIcon::Information ? MB_ICONINFORMATION
           : icon == MessageIcon::Warning   ? MB_ICONWARNING
           : icon == MessageIcon::Error     ? MB_ICONERROR
           : icon == MessageIcon::Question  ? MB_ICONQUESTION
                                            : 0;
  switch (MessageBoxW(ActiveFormWindow(), common::Wide(text).c_str(), common::Wide(caption).c_str(),
                      flags)) {
    case IDOK:
      return ModalResult::Ok;
    case IDCANCEL:
      return ModalResult::Cancel;
    case IDYES:
      return ModalResult::Yes;
    case IDNO:
      return ModalResult::No;
    default:
      return ModalResult::None;
  }
}

std::optional<std::string> Win32Application::OpenFile(const OpenFileOptions& options) {
  std::wstring filter = common::Wide(DialogFilter(options.Filter));
  std::wstring title = common::Wide(options.Title);
  std::wstring initialDir = common::Wide(options.InitialDir);
  // Long paths are fine: the buffer is far above MAX_PATH.
  std::vector<wchar_t> path(32768, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = ActiveFormWindow();
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = path.data();
  ofn.nMaxFile = static_cast<DWORD>(path.size());
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_EXPLORER |
              (options.HideReadOnly ? OFN_HIDEREADONLY : 0);
  if (!GetOpenFileNameW(&ofn)) return std::nullopt;
  return common::Utf8(path.data());
}

std::optional<std::string> Win32Application::SaveFile(const SaveFileOptions& options) {
  std::wstring filter = common::Wide(DialogFilter(options.Filter));
  std::wstring title = common::Wide(options.Title);
  std::wstring extension = common::Wide(options.DefaultExtension);
  std::vector<wchar_t> path(32768, L'\0');
  std::wstring proposed = common::Wide(options.FileName);
  std::copy_n(proposed.begin(), std::min(proposed.size(), path.size() - 1), path.begin());
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = ActiveFormWindow();
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = path.data();
  ofn.nMaxFile = static_cast<DWORD>(path.size());
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_HIDEREADONLY;
  if (!GetSaveFileNameW(&ofn)) return std::nullopt;
  return common::Utf8(path.data());
}

std::unique_ptr<OwnedPicture> Win32Application::MakePicture(const PictureData& data) {
  return win32::MakePicture(data);
}

bool Win32Application::ChooseFont(Font& font) {
  LOGFONTW lf{};
  HDC screen = GetDC(nullptr);
  lf.lfHeight = -MulDiv(font.Size, GetDeviceCaps(screen, LOGPIXELSY), 72);
  lf.lfWeight = font.Bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = font.Italic;
  lstrcpynW(lf.lfFaceName, common::Wide(font.Name).c_str(), LF_FACESIZE);
  CHOOSEFONTW cf{};
  cf.lStructSize = sizeof cf;
  cf.hwndOwner = ActiveFormWindow();
  cf.lpLogFont = &lf;
  cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
  cf.rgbColors = ToColorRef(font.TextColor);
  bool ok = ChooseFontW(&cf) != 0;
  if (ok) {
    font.Name = common::Utf8(lf.lfFaceName);
    font.Size =
        MulDiv(lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight, 72, GetDeviceCaps(screen, LOGPIXELSY));
    font.Bold = lf.lfWeight >= FW_BOLD;
    font.Italic = lf.lfItalic != 0;
    font.TextColor =
        (GetRValue(cf.rgbColors) << 16) | (GetGValue(cf.rgbColors) << 8) | GetBValue(cf.rgbColors);
  }
  ReleaseDC(nullptr, screen);
  return ok;
}

void Win32Application::ShowError(const std::string& text) {
  MessageBoxW(ActiveFormWindow(), common::Wide(text).c_str(), common::Wide(title_).c_str(),
              MB_OK | MB_ICONERROR);
}

void Win32Application::SetBusyCursor(bool busy) {
  Application::SetBusyCursor(busy);
  // The forms keep it up on every pointer move (WM_SETCURSOR).
  SetCursor(LoadCursorW(nullptr, busy ? MAKEINTRESOURCEW(32514) : MAKEINTRESOURCEW(32512)));
}

}  // namespace ui::win32
