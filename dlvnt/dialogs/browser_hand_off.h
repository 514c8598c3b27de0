// Opening a file in vistrel through its automation object, starting vistrel
// when the object cannot be had, and shutting it down again.
#ifndef DLVNT_DIALOGS_BROWSER_HAND_OFF_H
#define DLVNT_DIALOGS_BROWSER_HAND_OFF_H

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/automation.h"
#include "platform/files.h"
#include "platform/processes.h"

namespace dlvnt {

inline constexpr const char* kBrowserProgId = "Vistrel.Vistrel";
inline constexpr const char* kBrowserProgram = "VISTREL.EXE";
// How long a started vistrel may take to offer its object.
constexpr std::chrono::milliseconds kBrowserStartLimit{10000};
constexpr std::chrono::milliseconds kBrowserRetryPause{200};

struct HandOffServices {
  platform::AutomationClient& Automation;
  platform::ProcessLauncher& Launcher;
  platform::FileSystem& Files;
  // dlvnt's own file: vistrel is looked for beside it first.
  std::string ProgramPath;
  // The clock and the pause between attempts (unset: the real ones).
  std::function<std::chrono::steady_clock::time_point()> Now;
  std::function<void(std::chrono::milliseconds)> Pause;
};

// One dialog's browser object.
class BrowserObject {
 public:
  explicit BrowserObject(HandOffServices services) : services_(std::move(services)) {}

  // Loads the path in the browser. When the object cannot be had or refuses
  // the file, vistrel is started and asked again, for a bounded while; a
  // failure then throws std::runtime_error with the automation error's text.
  void Open(const std::string& path);
  // Tells the browser to shut down and drops the object; nothing without one.
  void Close();
  bool Held() const { return object_ != nullptr; }
  // The command line that starts vistrel.
  std::string StartCommand();

 private:
  platform::AutomationStatus Attempt(const std::string& path);

  HandOffServices services_;
  std::unique_ptr<platform::AutomationObject> object_;
};

}  // namespace dlvnt

#endif  // DLVNT_DIALOGS_BROWSER_HAND_OFF_H
