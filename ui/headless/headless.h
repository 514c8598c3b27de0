// In-memory widgets: every control keeps its state in fields, nothing is
// drawn. Tests and the command-line programs build the real forms on them.
// The application records message boxes and errors and answers the standard
// dialogs from scripts that a test sets.
#ifndef UI_HEADLESS_HEADLESS_H
#define UI_HEADLESS_HEADLESS_H

#include <chrono>
#include <deque>
#include <map>
#include <mutex>

#include "ui/widgets.h"

namespace ui::headless {

class HForm;

struct RecordedMessage {
  std::string Text;
  std::string Caption;
  MessageButtons Buttons = MessageButtons::Ok;
  MessageIcon Icon = MessageIcon::None;
};

class HeadlessApplication : public Application {
 public:
  using Clock = std::chrono::steady_clock;

  std::unique_ptr<Form> CreateForm(const std::string& name) override;
  void SetTitle(const std::string& title) override { title_ = title; }
  std::string Title() const override { return title_; }
  int Run(Form& mainForm) override;
  void Terminate() override { terminated_ = true; }
  bool Terminated() const override { return terminated_; }
  // Runs the posted work and posted window messages in order, then the
  // timers that are due, as a message loop would.
  void ProcessMessages() override;
  // Headless time does not pass by itself: a test drives it (a clock it
  // hands to the waiting code), so this only counts the call.
  void WaitForMessages(std::chrono::milliseconds timeout) override;
  void Post(std::function<void()> work) override;
  ModalResult MessageBox(const std::string& text, const std::string& caption,
                         MessageButtons buttons, MessageIcon icon = MessageIcon::None) override;
  std::optional<std::string> OpenFile(const OpenFileOptions& options) override;
  std::optional<std::string> SaveFile(const SaveFileOptions& options) override;
  // Reads the picture's size from the data's header; nullptr for data with
  // no header it knows, or when refusePictures is set.
  std::unique_ptr<OwnedPicture> MakePicture(const PictureData& data) override;
  bool ChooseFont(Font& font) override;
  void ShowError(const std::string& text) override { errors.push_back(text); }

  // Scripts and records for tests.
  std::vector<RecordedMessage> messages;
  std::deque<ModalResult> messageAnswers;  // default Ok
  std::vector<OpenFileOptions> openFileRequests;
  std::deque<std::optional<std::string>> openFileAnswers;  // default: cancelled
  std::deque<std::optional<Font>> fontAnswers;
  std::vector<SaveFileOptions> saveFileRequests;
  std::deque<std::optional<std::string>> saveFileAnswers;  // default: cancelled
  std::vector<PictureData> madePictures;
  bool refusePictures = false;
  // Templates the platform would reject (a dialog naming a class that does
  // not exist, say); otherwise every template of a plausible length is built.
  bool refuseTemplates = false;
  std::vector<std::string> errors;
  int processMessagesCalls = 0;
  int waitForMessagesCalls = 0;
  size_t PostedCount() const;

  // What another program does with PostMessage: queues message for the form
  // whose NativeHandle is window. False when no form has that handle.
  bool PostWindowMessage(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam);
  // The timers' clock; AdvanceClock moves it on without waiting.
  Clock::time_point Now() const;
  void AdvanceClock(int milliseconds);

  // For the forms.
  void AddForm(HForm* form);
  void RemoveForm(HForm* form);

 private:
  HForm* FormByHandle(uintptr_t handle) const;
  mutable std::mutex formsLock_;
  std::vector<HForm*> forms_;
  Clock::duration skew_{};
  mutable std::mutex postedLock_;
  std::deque<std::function<void()>> posted_;
  std::string title_;
  bool terminated_ = false;
};

// A live dialog as a test sees it.
class HTemplateDialog : public TemplateDialog {
 public:
  HTemplateDialog(std::vector<uint8_t> bytes, std::string resourceFile, bool visible)
      : Bytes(std::move(bytes)), ResourceFile(std::move(resourceFile)), visible_(visible) {}
  uintptr_t NativeHandle() const override { return reinterpret_cast<uintptr_t>(this); }
  bool Visible() const override { return visible_; }
  void Show() override { visible_ = true; }
  void BringToFront() override { ++BroughtToFront; }
  const std::vector<uint8_t> Bytes;
  const std::string ResourceFile;
  int BroughtToFront = 0;

 private:
  bool visible_;
};

// The template whose menu a form shows in place of its own; nullptr for
// none.
const std::vector<uint8_t>* TemplateMenuOf(const Form& form);

// What a headless modal showing does after OnShow: a test script that may
// press buttons and returns the result; unset, the form ends with Cancel.
using ModalScript = std::function<ModalResult(Form& form)>;
void SetModalScript(Form& form, ModalScript script);

// A user's click on a grid cell: a fixed cell reports OnFixedCellClick,
// another becomes the current cell if OnSelectCell allows, then OnClick.
void ClickCell(StringGrid& grid, int col, int row);
// A user's click on item index of a radio group: a different item becomes
// the chosen one and OnClick fires; the chosen one again, a disabled group
// or no such item: nothing happens.
void ChooseItem(RadioGroup& group, int index);

}  // namespace ui::headless

#endif  // UI_HEADLESS_HEADLESS_H
