// The conformance suite's backend for the real controls.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <commctrl.h>

#include "ui/conformance/backend.h"
#include "ui/win32/win32_application.h"

namespace ui::conformance {
namespace {

HWND Window(uintptr_t handle) {
  return reinterpret_cast<HWND>(handle);
}

class Win32Backend : public Backend {
 public:
  Application& App() override { return app_; }
  void UserRightPress(Control& control) override {
    HWND window = Window(control.NativeHandle());
    SendMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(4, 4));
    SendMessageW(window, WM_RBUTTONUP, 0, MAKELPARAM(4, 4));
  }

  // Data cells: the selection change a click makes, through the control.
  // Heading cells: a click on the header line (row 0) or a plain click on
  // the cell.
  void UserClickCell(StringGrid& grid, int col, int row) override {
    HWND list = Window(grid.NativeHandle());
    int headerRows = grid.FixedRows() > 0 ? 1 : 0;
    if (row < headerRows) {
      HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
      RECT r{};
      SendMessageW(header, HDM_GETITEMRECT, col, reinterpret_cast<LPARAM>(&r));
      LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
      SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
      SendMessageW(header, WM_LBUTTONUP, 0, at);
      return;
    }
    if (row < grid.FixedRows() || col < grid.FixedCols()) {
      // The mouse itself on the cell, as the list view takes it.
      RECT r{};
      r.top = col;
      r.left = LVIR_BOUNDS;
      SendMessageW(list, LVM_GETSUBITEMRECT, row - headerRows, reinterpret_cast<LPARAM>(&r));
      LPARAM at = MAKELPARAM(r.left + 2, (r.top + r.bottom) / 2);
      SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
      SendMessageW(list, WM_LBUTTONUP, 0, at);
      return;
    }
    LVITEMW state{};
    state.state = state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, row - headerRows, reinterpret_cast<LPARAM>(&state));
  }
  // The item's button, found as a driver in another process finds it.
  void UserChoose(RadioGroup& group, int index) override {
    HWND button = GetDlgItem(Window(group.NativeHandle()), group.ControlId() * 10 + index);
    if (button) SendMessageW(button, BM_CLICK, 0, 0);
  }
  bool PostToWindow(uintptr_t window, uint32_t message, uintptr_t wParam,
                    intptr_t lParam) override {
    return PostMessageW(Window(window), message, wParam, lParam) != 0;
  }
  Picture MakePicture() override {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 8, 8);
    ReleaseDC(nullptr, screen);
    return Picture{Picture::Type::Bitmap, reinterpret_cast<uintptr_t>(bitmap)};
  }
  void FreePicture(const Picture& picture) override {
    DeleteObject(reinterpret_cast<HBITMAP>(picture.Handle));
  }
  uintptr_t MakeChildWindow(uintptr_t parent) override {
    HWND window = CreateWindowExW(0, L"STATIC", L"child", WS_POPUP | WS_CAPTION, 40, 40, 120, 80,
                                  Window(parent), nullptr, GetModuleHandleW(nullptr), nullptr);
    return reinterpret_cast<uintptr_t>(window);
  }
  uintptr_t ParentOf(uintptr_t child) override {
    return reinterpret_cast<uintptr_t>(GetAncestor(Window(child), GA_PARENT));
  }
  void DestroyChildWindow(uintptr_t child) override { DestroyWindow(Window(child)); }

 private:
  win32::Win32Application app_{GetModuleHandleW(nullptr)};
};

}  // namespace

std::unique_ptr<Backend> MakeBackend() {
  return std::make_unique<Win32Backend>();
}

}  // namespace ui::conformance
