// In-memory widgets: every control keeps its state in fields, nothing is
// drawn. Tests and the command-line programs build the real forms on them.
// The application records message boxes and errors and answers the standard
// dialogs from scripts that a test sets.
#ifndef UI_HEADLESS_HEADLESS_H
#define UI_HEADLESS_HEADLESS_H

#include <deque>
#include <map>
#include <mutex>

#include "ui/widgets.h"

namespace ui::headless {

struct RecordedMessage {
  std::string Text;
  std::string Caption;
  MessageButtons Buttons = MessageButtons::Ok;
  MessageIcon Icon = MessageIcon::None;
};

class HeadlessApplication : public Application {
 public:
  std::unique_ptr<Form> CreateForm(const std::string& name) override;
  void SetTitle(const std::string& title) override { title_ = title; }
  std::string Title() const override { return title_; }
  int Run(Form& mainForm) override;
  void Terminate() override { terminated_ = true; }
  bool Terminated() const override { return terminated_; }
  // Runs the posted work, as a message loop would.
  void ProcessMessages() override;
  void Post(std::function<void()> work) override;
  ModalResult MessageBox(const std::string& text, const std::string& caption,
                         MessageButtons buttons, MessageIcon icon = MessageIcon::None) override;
  std::optional<std::string> OpenFile(const OpenFileOptions& options) override;
  bool ChooseFont(Font& font) override;
  void ShowError(const std::string& text) override { errors.push_back(text); }

  // Scripts and records for tests.
  std::vector<RecordedMessage> messages;
  std::deque<ModalResult> messageAnswers;  // default Ok
  std::vector<OpenFileOptions> openFileRequests;
  std::deque<std::optional<std::string>> openFileAnswers;  // default: cancelled
  std::deque<std::optional<Font>> fontAnswers;
  std::vector<std::string> errors;
  int processMessagesCalls = 0;
  size_t PostedCount() const;

 private:
  mutable std::mutex postedLock_;
  std::deque<std::function<void()>> posted_;
  std::string title_;
  bool terminated_ = false;
};

// What a headless modal showing does after OnShow: a test script that may
// press buttons and returns the result; unset, the form ends with Cancel.
using ModalScript = std::function<ModalResult(Form& form)>;
void SetModalScript(Form& form, ModalScript script);

}  // namespace ui::headless

#endif  // UI_HEADLESS_HEADLESS_H
