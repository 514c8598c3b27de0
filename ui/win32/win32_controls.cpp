#include "ui/win32/win32_controls.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "ui/win32/win32_form.h"

namespace ui::win32 {
namespace {

const char kPropName[] = "DlvControl";

int Dpi() {
  static int dpi = [] {
    HDC screen = GetDC(nullptr);
    int value = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return value > 0 ? value : 96;
  }();
  return dpi;
}

}  // namespace

int Scale(int value) {
  return MulDiv(value, Dpi(), 96);
}

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string narrow(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n,
                      nullptr, nullptr);
  return narrow;
}

HFONT MakeFont(const Font& font) {
  return CreateFontA(-MulDiv(font.Size, Dpi(), 72), 0, 0, 0, font.Bold ? FW_BOLD : FW_NORMAL,
                     font.Italic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                     font.Name.c_str());
}

COLORREF ToColorRef(Color color) {
  return RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
}

NativeControl* ControlOf(HWND hwnd) {
  return hwnd ? static_cast<NativeControl*>(GetPropA(hwnd, kPropName)) : nullptr;
}

void Attach(HWND hwnd, NativeControl* control) {
  if (hwnd) SetPropA(hwnd, kPropName, control);
}

}  // namespace ui::win32
