#include "dlvnt/main_window/helper_waiter.h"

#include <algorithm>

namespace dlvnt {

HelperWaiter::HelperWaiter(ui::Application& app, Clock now)
    : app_(app),
      now_(now ? std::move(now) : Clock([] { return std::chrono::steady_clock::now(); })) {}

bool HelperWaiter::Wait(int answers) {
  waiting_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{waiting_};
  const auto deadline = now_() + bound_;
  while (answers_ < answers) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now_());
    if (left.count() <= 0) return false;
    app_.WaitForMessages(std::min(left, std::chrono::milliseconds(250)));
    app_.ProcessMessages();
  }
  return true;
}

}  // namespace dlvnt
