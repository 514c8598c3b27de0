#include "ui/win32/win32_controls.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "ui/win32/win32_form.h"

namespace ui::win32 {
namespace {

const wchar_t kPropName[] = L"DlvControl";

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

int Unscale(int value) {
  return MulDiv(value, 96, Dpi());
}

std::string WindowText(HWND hwnd) {
  int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int got = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return common::Utf8(text);
}

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FaceInstalled(const std::string& face) {
  HDC screen = GetDC(nullptr);
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(query.lfFaceName, common::Wide(face).c_str(), LF_FACESIZE);
  bool found = false;
  EnumFontFamiliesExW(screen, &query, reinterpret_cast<FONTENUMPROCW>(FaceFound),
                      reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

// A face the system lacks (the bitmap "MS Sans Serif" under Wine, say) is
// replaced by the first narrow dialog face that is installed, rather than by
// whatever wide face the font mapper picks: the forms' layouts assume the
// width of the classic dialog font.
std::string AvailableFace(const std::string& face) {
  static std::map<std::string, std::string> chosen;
  auto it = chosen.find(face);
  if (it != chosen.end()) return it->second;
  std::string result = face;
  if (!FaceInstalled(face)) {
    bool fixedPitch = face.find("Courier") != std::string::npos;
    std::vector<const char*> candidates =
        fixedPitch ? std::vector<const char*>{"Courier New", "Lucida Console", "Liberation Mono",
                                              "DejaVu Sans Mono"}
                   : std::vector<const char*>{"Tahoma", "Microsoft Sans Serif",
                                              "Liberation Sans Narrow", "DejaVu Sans Condensed"};
    for (const char* candidate : candidates) {
      if (FaceInstalled(candidate)) {
        result = candidate;
        break;
      }
    }
  }
  chosen[face] = result;
  return result;
}

HFONT MakeFont(const Font& font) {
  std::string face = AvailableFace(font.Name);
  return CreateFontW(-MulDiv(font.Size, Dpi(), 72), 0, 0, 0, font.Bold ? FW_BOLD : FW_NORMAL,
                     font.Italic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                     common::Wide(face).c_str());
}

COLORREF ToColorRef(Color color) {
  return RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
}

NativeControl* ControlOf(HWND hwnd) {
  return hwnd ? static_cast<NativeControl*>(GetPropW(hwnd, kPropName)) : nullptr;
}

void Attach(HWND hwnd, NativeControl* control) {
  if (hwnd) SetPropW(hwnd, kPropName, control);
}

}  // namespace ui::win32
