// The conformance suite's backend for the in-memory widgets.
#include <map>

#include "ui/conformance/backend.h"
#include "ui/headless/headless.h"

namespace ui::conformance {
namespace {

class HeadlessBackend : public Backend {
 public:
  Application& App() override { return app_; }
  void UserClickCell(StringGrid& grid, int col, int row) override {
    headless::ClickCell(grid, col, row);
  }
  void UserChoose(RadioGroup& group, int index) override { headless::ChooseItem(group, index); }
  void UserRightPress(Control& control) override {
    if (control.OnRightMouseDown) control.OnRightMouseDown();
  }
  bool PostToWindow(uintptr_t window, uint32_t message, uintptr_t wParam,
                    intptr_t lParam) override {
    return app_.PostWindowMessage(window, message, wParam, lParam);
  }
  Picture MakePicture() override { return Picture{Picture::Type::Bitmap, nextHandle_++}; }
  void FreePicture(const Picture&) override {}
  uintptr_t MakeChildWindow(uintptr_t parent) override {
    uintptr_t child = nextHandle_++;
    parents_[child] = parent;
    return child;
  }
  uintptr_t ParentOf(uintptr_t child) override {
    auto it = parents_.find(child);
    return it == parents_.end() ? 0 : it->second;
  }
  void DestroyChildWindow(uintptr_t child) override { parents_.erase(child); }

 private:
  headless::HeadlessApplication app_;
  uintptr_t nextHandle_ = 0x7000000;
  std::map<uintptr_t, uintptr_t> parents_;
};

}  // namespace

std::unique_ptr<Backend> MakeBackend() {
  return std::make_unique<HeadlessBackend>();
}

}  // namespace ui::conformance
