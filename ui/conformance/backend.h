// What the widget conformance suite needs from a widget set beyond the
// widget interfaces: the application, and the few things a user or another
// program does that the interfaces do not offer. One implementation per
// widget set; the suite itself is the same source for both.
#ifndef UI_CONFORMANCE_BACKEND_H
#define UI_CONFORMANCE_BACKEND_H

#include <memory>

#include "ui/widgets.h"

namespace ui::conformance {

class Backend {
 public:
  virtual ~Backend() = default;
  virtual Application& App() = 0;
  // A user's click on a cell (a fixed one too).
  virtual void UserClickCell(StringGrid& grid, int col, int row) = 0;
  // A user's click on an item of a radio group.
  virtual void UserChoose(RadioGroup& group, int index) = 0;
  // What another program does with PostMessage; false when there is no
  // such window.
  virtual bool PostToWindow(uintptr_t window, uint32_t message, uintptr_t wParam,
                            intptr_t lParam) = 0;
  // A bitmap as the platform would make one, freed by FreePicture.
  virtual Picture MakePicture() = 0;
  virtual void FreePicture(const Picture& picture) = 0;
  // A window made by the platform with parent as its parent (a dialog from
  // a template, say), and the window it currently has as its parent.
  virtual uintptr_t MakeChildWindow(uintptr_t parent) = 0;
  virtual uintptr_t ParentOf(uintptr_t child) = 0;
  virtual void DestroyChildWindow(uintptr_t child) = 0;
  // A user's press and release of the right mouse button over a control.
  virtual void UserRightPress(Control& control) = 0;
};

std::unique_ptr<Backend> MakeBackend();

}  // namespace ui::conformance

#endif  // UI_CONFORMANCE_BACKEND_H
