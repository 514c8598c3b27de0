// The main window's helper-done flag and its bounded wait: the helper's
// completion message sets the flag, and the wait lets the window's messages
// run until then (so the window repaints and the message can arrive) or
// until the bound passes.
#ifndef DLVNT_MAIN_WINDOW_HELPER_WAITER_H
#define DLVNT_MAIN_WINDOW_HELPER_WAITER_H

#include <chrono>
#include <functional>

#include "dlvnt/inventory/win16.h"
#include "ui/widgets.h"

namespace dlvnt {

class HelperWaiter : public HelperWait {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  static constexpr std::chrono::milliseconds kDefaultBound{30000};

  explicit HelperWaiter(ui::Application& app, Clock now = {});
  void Arm() override { answers_ = 0; }
  bool Wait(int answers = 1) override;
  // The completion message.
  void Signal() { ++answers_; }
  // True while a wait runs: commands that would free or refill the lists
  // must not run from inside it.
  bool Waiting() const { return waiting_; }
  void SetBound(std::chrono::milliseconds bound) { bound_ = bound; }
  std::chrono::milliseconds Bound() const { return bound_; }
  // Tests hand in a clock that they move.
  void SetClock(Clock now) { now_ = std::move(now); }

 private:
  ui::Application& app_;
  Clock now_;
  std::chrono::milliseconds bound_ = kDefaultBound;
  int answers_ = 0;
  bool waiting_ = false;
};

}  // namespace dlvnt

#endif  // DLVNT_MAIN_WINDOW_HELPER_WAITER_H
