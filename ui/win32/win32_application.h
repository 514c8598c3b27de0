// The Win32 widget layer: real windows and controls behind the widget
// interfaces. Thin on purpose: it creates controls where the form says
// (scaled for the screen's DPI), forwards their notifications to the form's
// handlers and draws owner-drawn cells with the colours the form supplies.
#ifndef UI_WIN32_WIN32_APPLICATION_H
#define UI_WIN32_WIN32_APPLICATION_H

#include <deque>
#include <mutex>

#include "ui/widgets.h"

namespace ui::win32 {

class Win32Application : public Application {
 public:
  // instance: the program's module (icons and the like come from it).
  explicit Win32Application(void* instance);
  ~Win32Application() override;

  std::unique_ptr<Form> CreateForm(const std::string& name) override;
  void SetTitle(const std::string& title) override { title_ = title; }
  std::string Title() const override { return title_; }
  int Run(Form& mainForm) override;
  void Terminate() override;
  bool Terminated() const override { return terminated_; }
  void ProcessMessages() override;
  void WaitForMessages(std::chrono::milliseconds timeout) override;
  void Post(std::function<void()> work) override;
  ModalResult MessageBox(const std::string& text, const std::string& caption,
                         MessageButtons buttons, MessageIcon icon = MessageIcon::None) override;
  std::optional<std::string> OpenFile(const OpenFileOptions& options) override;
  std::optional<std::string> SaveFile(const SaveFileOptions& options) override;
  std::unique_ptr<OwnedPicture> MakePicture(const PictureData& data) override;
  bool ChooseFont(Font& font) override;
  void ShowError(const std::string& text) override;
  void SetBusyCursor(bool busy) override;

  // Runs one message through accelerators and dialog keys; false on WM_QUIT.
  bool PumpOne(bool wait);
  Form* MainForm() const { return mainForm_; }
  // Runs the work queued by Post (the message window's handler).
  void RunPosted();

 private:
  void* postWindow_ = nullptr;  // message-only window that carries Post's wake-ups
  std::mutex postedLock_;
  std::deque<std::function<void()>> posted_;
  Form* mainForm_ = nullptr;
  std::string title_;
  bool terminated_ = false;
};

// Converts "Text|pattern|Text|pattern" into the NUL-separated list the
// open-file dialog takes (with its closing double NUL).
std::string DialogFilter(const std::string& filter);

}  // namespace ui::win32

#endif  // UI_WIN32_WIN32_APPLICATION_H
