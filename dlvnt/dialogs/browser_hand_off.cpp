#include "dlvnt/dialogs/browser_hand_off.h"

#include <stdexcept>
#include <thread>

#include "platform/command_line.h"

namespace dlvnt {

platform::AutomationStatus BrowserObject::Attempt(const std::string& path) {
  platform::AutomationStatus status;
  std::unique_ptr<platform::AutomationObject> created =
      services_.Automation.Create(kBrowserProgId, &status);
  if (!created) {
    if (status.Ok()) status.Code = platform::kAutomationNotConnected;  // no reason given
    return status;
  }
  object_ = std::move(created);  // releases the one held before
  return object_->Call("Load", {path});
}

std::string BrowserObject::StartCommand() {
  size_t slash = services_.ProgramPath.find_last_of("\\/");
  if (slash != std::string::npos) {
    std::string beside = services_.ProgramPath.substr(0, slash + 1) + kBrowserProgram;
    if (services_.Files.FileExists(beside)) return platform::QuoteArgument(beside);
  }
  return kBrowserProgram;  // found by the system's search rules
}

void BrowserObject::Open(const std::string& path) {
  if (Attempt(path).Ok()) return;
  // Whether it starts or not, the second attempt is made: a browser may
  // have been started otherwise meanwhile.
  services_.Launcher.Start(StartCommand(), platform::ShowState::Normal);
  auto now = [&] { return services_.Now ? services_.Now() : std::chrono::steady_clock::now(); };
  const auto deadline = now() + kBrowserStartLimit;
  for (;;) {
    platform::AutomationStatus status;
    std::unique_ptr<platform::AutomationObject> created =
        services_.Automation.Create(kBrowserProgId, &status);
    if (created) {
      object_ = std::move(created);
      status = object_->Call("Load", {path});
      if (!status.Ok()) throw std::runtime_error(status.Message);
      return;
    }
    // A freshly started browser registers its class a moment later.
    if (now() >= deadline) {
      throw std::runtime_error(status.Message.empty() ? "The browser could not be reached."
                                                      : status.Message);
    }
    if (services_.Pause) {
      services_.Pause(kBrowserRetryPause);
    } else {
      std::this_thread::sleep_for(kBrowserRetryPause);
    }
  }
}

void BrowserObject::Close() {
  if (!object_) return;
  object_->Call("ShutDown");
  object_.reset();
}

}  // namespace dlvnt
