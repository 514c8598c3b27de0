// Internal to ui/win32: the window classes behind the widgets.
#ifndef UI_WIN32_WIN32_CONTROLS_H
#define UI_WIN32_WIN32_CONTROLS_H

#include <windows.h>

#include <map>

#include "common/win32/utf16.h"
#include "ui/win32/win32_application.h"

namespace ui::win32 {

class Win32Form;

// Screen DPI scaling of the 96-DPI positions forms give.
int Scale(int value);
// Back from screen pixels to 96-DPI ones.
int Unscale(int value);
HFONT MakeFont(const Font& font);
COLORREF ToColorRef(Color color);

// Every control knows its window and the form it belongs to; the form
// routes notifications to it.
class NativeControl {
 public:
  virtual ~NativeControl() = default;
  HWND Handle() const { return hwnd_; }
  Win32Form* OwnerForm() const { return form_; }
  // WM_COMMAND notification code from the control.
  virtual void OnCommand(int code) {}
  // WM_NOTIFY from the control; result in *result when handled.
  virtual bool OnNotify(NMHDR* header, LRESULT* result) { return false; }
  // WM_DRAWITEM for an owner-drawn part.
  virtual bool OnDrawItem(DRAWITEMSTRUCT* item) { return false; }

 protected:
  HWND hwnd_ = nullptr;
  Win32Form* form_ = nullptr;
};

NativeControl* ControlOf(HWND hwnd);
void Attach(HWND hwnd, NativeControl* control);
// A window's whole text, however long.
std::string WindowText(HWND hwnd);

// The message loop's view of the forms: which form is active and modal.
void RegisterForm(Win32Form* form);
void UnregisterForm(Win32Form* form);
Win32Form* FormOf(HWND hwnd);
HWND ActiveFormWindow();
// Accelerator translation for the form that owns msg's window.
bool TranslateFormMessage(MSG* msg);

}  // namespace ui::win32

#endif  // UI_WIN32_WIN32_CONTROLS_H
