// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include "platform/win32/win32_printer.h"

#include <cderr.h>
#include <commdlg.h>

#include <cwchar>
#include <vector>

#include "common/win32/utf16.h"
#include "platform/win32/error_text.h"

namespace platform::win32 {

struct Win32Printer::State {
  // The dialog's last choice (movable global blocks the dialog owns).
  HGLOBAL devMode = nullptr;
  HGLOBAL devNames = nullptr;
  bool printToFileTicked = false;
  bool landscape = false;
  // The open document.
  HDC dc = nullptr;
  HFONT regular = nullptr;
  HFONT bold = nullptr;
  HGDIOBJ originalFont = nullptr;

  void Forget() {
    if (devMode) GlobalFree(devMode);
    if (devNames) GlobalFree(devNames);
    devMode = devNames = nullptr;
  }
  void DropFonts() {
    if (dc && originalFont) SelectObject(dc, originalFont);
    originalFont = nullptr;
    if (regular) DeleteObject(regular);
    if (bold) DeleteObject(bold);
    regular = bold = nullptr;
  }
  void Close() {
    DropFonts();
    if (dc) DeleteDC(dc);
    dc = nullptr;
  }
  HDC Dc() const {
    if (!dc) throw PrinterError("No document is open on the printer.");
    return dc;
  }
  // The device's driver, name and port as the dialog chose them.
  std::wstring Names(int which) const {
    std::wstring text;
    if (!devNames) return text;
    auto* names = static_cast<DEVNAMES*>(GlobalLock(devNames));
    if (!names) return text;
    WORD offsets[3] = {names->wDriverOffset, names->wDeviceOffset, names->wOutputOffset};
    text = reinterpret_cast<const wchar_t*>(names) + offsets[which];
    GlobalUnlock(devNames);
    return text;
  }
};

namespace {

[[noreturn]] void Fail(const char* what) {
  DWORD code = GetLastError();
  std::string text = what;
  if (code != 0) text += ": " + ErrorText(code);
  throw PrinterError(text);
}

}  // namespace

Win32Printer::Win32Printer() : state_(std::make_unique<State>()) {}

Win32Printer::~Win32Printer() {
  AbortDoc();
  state_->Forget();
}

bool Win32Printer::ShowDialog() {
  PRINTDLGW pd{};
  pd.lStructSize = sizeof pd;
  pd.hwndOwner = GetActiveWindow();
  pd.hDevMode = state_->devMode;
  pd.hDevNames = state_->devNames;
  pd.Flags = PD_NOSELECTION | PD_NOPAGENUMS | PD_USEDEVMODECOPIESANDCOLLATE;
  BOOL ok = PrintDlgW(&pd);
  // The dialog may have replaced the blocks, even when cancelled.
  state_->devMode = pd.hDevMode;
  state_->devNames = pd.hDevNames;
  if (!ok) {
    DWORD error = CommDlgExtendedError();
    // No printer at all: the dialog has told the user already.
    if (error == 0 || error == PDERR_NODEFAULTPRN || error == PDERR_NODEVICES) return false;
    char text[64];
    snprintf(text, sizeof text, "The print dialog failed (error 0x%04lX).",
             static_cast<unsigned long>(error));
    throw PrinterError(text);
  }
  state_->printToFileTicked = (pd.Flags & PD_PRINTTOFILE) != 0;
  return true;
}

bool Win32Printer::ChooseDefault() {
  state_->Forget();
  PRINTDLGW pd{};
  pd.lStructSize = sizeof pd;
  pd.Flags = PD_RETURNDEFAULT;
  if (!PrintDlgW(&pd)) return false;
  state_->devMode = pd.hDevMode;
  state_->devNames = pd.hDevNames;
  state_->printToFileTicked = false;
  return state_->devNames != nullptr;
}

bool Win32Printer::PrintsToFile() const {
  return state_->printToFileTicked || _wcsicmp(state_->Names(2).c_str(), L"FILE:") == 0;
}

bool Win32Printer::Printing() const {
  return state_->dc != nullptr;
}

void Win32Printer::SetLandscape(bool landscape) {
  state_->landscape = landscape;
}

void Win32Printer::BeginDoc(const std::string& title, const std::string& outputFile) {
  State& s = *state_;
  if (s.dc) throw PrinterError("The printer is already printing.");
  if (!s.devNames) throw PrinterError("No printer has been chosen.");
  std::wstring driver = s.Names(0), device = s.Names(1);
  // A copy of the chosen settings with the orientation of this document.
  std::vector<unsigned char> mode;
  if (s.devMode) {
    if (auto* locked = static_cast<DEVMODEW*>(GlobalLock(s.devMode))) {
      auto* bytes = reinterpret_cast<unsigned char*>(locked);
      mode.assign(bytes, bytes + locked->dmSize + locked->dmDriverExtra);
      GlobalUnlock(s.devMode);
    }
  }
  DEVMODEW* devMode = mode.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(mode.data());
  if (devMode) {
    devMode->dmFields |= DM_ORIENTATION;
    devMode->dmOrientation = s.landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
  }
  SetLastError(0);
  s.dc = CreateDCW(driver.c_str(), device.c_str(), nullptr, devMode);
  if (!s.dc) Fail("The printer could not be opened");
  std::wstring docName = common::Wide(title), output = common::Wide(outputFile);
  DOCINFOW info{};
  info.cbSize = sizeof info;
  info.lpszDocName = docName.c_str();
  // Given the file, the spooler asks for none itself.
  info.lpszOutput = output.empty() ? nullptr : output.c_str();
  SetLastError(0);
  if (StartDocW(s.dc, &info) <= 0) {
    s.Close();
    Fail("The printer refused the document");
  }
  SetLastError(0);
  if (StartPage(s.dc) <= 0) Fail("The printer refused the first page");
}

void Win32Printer::SetFont(const std::string& name, int points) {
  State& s = *state_;
  HDC dc = s.Dc();
  int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
  std::wstring face = common::Wide(name);
  auto make = [&](int weight) {
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       FIXED_PITCH | FF_MODERN, face.c_str());
  };
  HFONT regular = make(FW_NORMAL), bold = make(FW_BOLD);
  if (!regular || !bold) {
    if (regular) DeleteObject(regular);
    if (bold) DeleteObject(bold);
    Fail("The printer font could not be made");
  }
  HGDIOBJ previous = SelectObject(dc, regular);
  if (!s.originalFont) s.originalFont = previous;
  if (s.regular) DeleteObject(s.regular);
  if (s.bold) DeleteObject(s.bold);
  s.regular = regular;
  s.bold = bold;
}

TextSize Win32Printer::TextExtent(const std::string& text) {
  HDC dc = state_->Dc();
  std::wstring wide = common::Wide(text);
  SIZE size{};
  SetLastError(0);
  if (!GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size))
    Fail("The printer could not measure text");
  return {static_cast<int>(size.cx), static_cast<int>(size.cy)};
}

int Win32Printer::PageWidth() {
  return GetDeviceCaps(state_->Dc(), HORZRES);
}

int Win32Printer::PageHeight() {
  return GetDeviceCaps(state_->Dc(), VERTRES);
}

void Win32Printer::NewPage() {
  HDC dc = state_->Dc();
  SetLastError(0);
  if (EndPage(dc) <= 0) Fail("The printer refused the page");
  SetLastError(0);
  if (StartPage(dc) <= 0) Fail("The printer refused the next page");
  // A new page may come with the device's default font.
  if (state_->regular) SelectObject(dc, state_->regular);
}

void Win32Printer::TextOut(int x, int y, const std::string& text, bool bold) {
  State& s = *state_;
  HDC dc = s.Dc();
  HFONT font = bold ? s.bold : s.regular;
  if (font) SelectObject(dc, font);
  std::wstring wide = common::Wide(text);
  SetLastError(0);
  BOOL ok = TextOutW(dc, x, y, wide.c_str(), static_cast<int>(wide.size()));
  if (bold && s.regular) SelectObject(dc, s.regular);
  if (!ok) Fail("The printer could not draw text");
}

void Win32Printer::EndDoc() {
  State& s = *state_;
  HDC dc = s.Dc();
  SetLastError(0);
  if (EndPage(dc) <= 0) Fail("The printer refused the last page");
  SetLastError(0);
  if (::EndDoc(dc) <= 0) Fail("The printer could not end the document");
  s.Close();
}

void Win32Printer::AbortDoc() noexcept {
  State& s = *state_;
  if (!s.dc) return;
  ::AbortDoc(s.dc);
  s.Close();
}

}  // namespace platform::win32
