// Internal to ui/win32: the form window and its menus.
#ifndef UI_WIN32_WIN32_FORM_H
#define UI_WIN32_WIN32_FORM_H

#include <map>
#include <memory>
#include <vector>

#include "ui/win32/win32_controls.h"

namespace ui::win32 {

class WMenuItem;
class WMenuBar;
class WPopupMenu;

// A window timer of the form; WM_TIMER carries its id.
class WTimer : public Timer {
 public:
  WTimer(HWND window, UINT_PTR id, std::string name)
      : window_(window), id_(id), name_(std::move(name)) {}
  ~WTimer() override;
  const std::string& Name() const override { return name_; }
  void SetInterval(int milliseconds) override;
  int Interval() const override { return interval_; }
  void SetEnabled(bool enabled) override;
  bool Enabled() const override { return enabled_; }
  UINT_PTR Id() const { return id_; }

 private:
  void Apply();
  HWND window_;
  UINT_PTR id_;
  std::string name_;
  int interval_ = 1000;
  bool enabled_ = false;
};

// Creates the children of any container window.
class ChildFactory {
 public:
  ChildFactory(Win32Form* form, HWND parent) : form_(form), parent_(parent) {}
  Label* AddLabel(const std::string& name, const Rect& b, const std::string& text);
  Edit* AddEdit(const std::string& name, const Rect& b);
  Button* AddButton(const std::string& name, const Rect& b, const std::string& caption);
  CheckBox* AddCheckBox(const std::string& name, const Rect& b, const std::string& caption);
  ListBox* AddListBox(const std::string& name, const Rect& b);
  StringGrid* AddStringGrid(const std::string& name, const Rect& b);
  TreeView* AddTreeView(const std::string& name, const Rect& b);
  PageControl* AddPageControl(const std::string& name, const Rect& b);
  StatusBar* AddStatusBar(const std::string& name);
  GroupBox* AddGroupBox(const std::string& name, const Rect& b, const std::string& caption);
  Panel* AddPanel(const std::string& name, const Rect& b);
  Image* AddImage(const std::string& name, const Rect& b);
  WindowHost* AddWindowHost(const std::string& name, const Rect& b);
  RadioGroup* AddRadioGroup(const std::string& name, const Rect& b, const std::string& caption,
                            const std::vector<std::string>& items, int columns);
  std::vector<Control*> Children() const;

 private:
  template <typename T, typename... Args>
  T* Own(Args&&... args);
  Win32Form* form_;
  HWND parent_;
  std::vector<std::unique_ptr<Control>> children_;
};

// The Container calls of a window that holds children, each passed to the
// window's ChildFactory.
template <typename Base>
class ChildHost : public Base {
 public:
  using Base::Base;
  Label* AddLabel(const std::string& n, const Rect& b, const std::string& t) override {
    return Factory().AddLabel(n, b, t);
  }
  Edit* AddEdit(const std::string& n, const Rect& b) override { return Factory().AddEdit(n, b); }
  Button* AddButton(const std::string& n, const Rect& b, const std::string& c) override {
    return Factory().AddButton(n, b, c);
  }
  CheckBox* AddCheckBox(const std::string& n, const Rect& b, const std::string& c) override {
    return Factory().AddCheckBox(n, b, c);
  }
  ListBox* AddListBox(const std::string& n, const Rect& b) override {
    return Factory().AddListBox(n, b);
  }
  StringGrid* AddStringGrid(const std::string& n, const Rect& b) override {
    return Factory().AddStringGrid(n, b);
  }
  TreeView* AddTreeView(const std::string& n, const Rect& b) override {
    return Factory().AddTreeView(n, b);
  }
  PageControl* AddPageControl(const std::string& n, const Rect& b) override {
    return Factory().AddPageControl(n, b);
  }
  StatusBar* AddStatusBar(const std::string& n) override { return Factory().AddStatusBar(n); }
  GroupBox* AddGroupBox(const std::string& n, const Rect& b, const std::string& c) override {
    return Factory().AddGroupBox(n, b, c);
  }
  Panel* AddPanel(const std::string& n, const Rect& b) override { return Factory().AddPanel(n, b); }
  Image* AddImage(const std::string& n, const Rect& b) override { return Factory().AddImage(n, b); }
  WindowHost* AddWindowHost(const std::string& n, const Rect& b) override {
    return Factory().AddWindowHost(n, b);
  }
  RadioGroup* AddRadioGroup(const std::string& n, const Rect& b, const std::string& c,
                            const std::vector<std::string>& items, int columns) override {
    return Factory().AddRadioGroup(n, b, c, items, columns);
  }
  std::vector<Control*> Children() const override { return Factory().Children(); }

 protected:
  virtual ChildFactory& Factory() = 0;
  virtual const ChildFactory& Factory() const = 0;
};

class Win32Form : public ChildHost<Form>, public NativeControl {
 public:
  Win32Form(Win32Application* app, const std::string& name);
  ~Win32Form() override;

  // Control
  ControlKind Kind() const override { return ControlKind::Form; }
  const std::string& Name() const override { return name_; }
  std::string Text() const override { return Caption(); }
  void SetText(const std::string& text) override { SetCaption(text); }
  bool Enabled() const override { return IsWindowEnabled(hwnd_) != 0; }
  void SetEnabled(bool enabled) override { EnableWindow(hwnd_, enabled); }
  bool Visible() const override { return Showing(); }
  void SetVisible(bool visible) override;
  Rect Bounds() const override;
  void SetBounds(const Rect& bounds) override;
  void SetFont(const Font& font) override { SetFormFont(font); }
  void SetFocus() override { ::SetFocus(hwnd_); }
  void SetControlId(int) override {}
  int ControlId() const override { return 0; }
  uintptr_t NativeHandle() const override { return reinterpret_cast<uintptr_t>(hwnd_); }

  // Form
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override;
  void SetClientSize(int width, int height) override;
  int ClientWidth() const override { return clientWidth_; }
  int ClientHeight() const override { return clientHeight_; }
  void SetBorderStyle(BorderStyle style) override;
  void SetMaximizeBox(bool on) override;
  void SetPosition(FormPosition position) override { position_ = position; }
  void SetFormFont(const Font& font) override;
  void SetIconResource(int id) override;
  MainMenu* CreateMainMenu() override;
  MainMenu* GetMainMenu() const override;
  PopupMenu* CreatePopupMenu(const std::string& name) override;
  void Show() override;
  ModalResult ShowModal() override;
  bool Showing() const override { return IsWindowVisible(hwnd_) != 0; }
  void Close() override;
  void SetModalResult(ModalResult result) override;
  void SetAcceptFiles(bool accept) override;
  bool AcceptsFiles() const override { return acceptFiles_; }
  Timer* CreateTimer(const std::string& name) override;
  std::unique_ptr<TemplateDialog> CreateTemplateDialog(std::span<const uint8_t> tmpl,
                                                       const std::string& resourceFile) override;
  bool ShowTemplateMenu(std::span<const uint8_t> tmpl) override;
  void ShowOwnMenu() override;
  bool TemplateMenuShown() const override { return templateMenu_ != nullptr; }

  // For the controls and the message loop.
  HFONT FontHandle() const { return font_; }
  // The form's tooltip window for its controls' hints (made when first asked).
  HWND Tooltips();
  HINSTANCE Instance() const;
  // Ids for items given none, above the programs' own (which stay below
  // kFirstChosenCommandId) and past any id already taken, so that a chosen id
  // never takes over a fixed one.
  int NextCommandId() {
    while (commands_.count(nextCommandId_)) ++nextCommandId_;
    return nextCommandId_++;
  }
  void RegisterCommand(int id, WMenuItem* item) { commands_[id] = item; }
  void RegisterSubmenu(HMENU menu, WMenuItem* item) { submenus_[menu] = item; }
  void AcceleratorsChanged() { acceleratorsDirty_ = true; }
  HACCEL Accelerators();
  bool IsModal() const { return modal_; }
  void SetDefaultButton(Button* button) { defaultButton_ = button; }
  void SetCancelButton(Button* button) { cancelButton_ = button; }
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 protected:
  ChildFactory& Factory() override { return children_; }
  const ChildFactory& Factory() const override { return children_; }

 private:
  void ApplyFrame();
  void Place();
  void DispatchCommand(int id);

  Win32Application* app_;
  std::string name_;
  ChildFactory children_;
  HFONT font_ = nullptr;
  int clientWidth_ = 0, clientHeight_ = 0;
  BorderStyle border_ = BorderStyle::Sizeable;
  bool maximizeBox_ = true;
  FormPosition position_ = FormPosition::Default;
  bool placed_ = false;
  bool shown_ = false;
  bool modal_ = false;
  bool acceptFiles_ = false;
  ModalResult result_ = ModalResult::None;
  std::unique_ptr<WMenuBar> menu_;
  std::vector<std::unique_ptr<WPopupMenu>> popups_;
  std::map<int, WMenuItem*> commands_;
  std::map<HMENU, WMenuItem*> submenus_;
  int nextCommandId_ = kFirstChosenCommandId;
  HACCEL accelerators_ = nullptr;
  bool acceleratorsDirty_ = true;
  Button* defaultButton_ = nullptr;
  Button* cancelButton_ = nullptr;
  HICON icon_ = nullptr;
  // A menu built from a template, in place of the form's own bar (ownBar_).
  HMENU templateMenu_ = nullptr;
  HMENU ownBar_ = nullptr;
  HWND tooltips_ = nullptr;
  std::vector<std::unique_ptr<WTimer>> timers_;
  UINT_PTR nextTimerId_ = 1;
};

}  // namespace ui::win32

#endif  // UI_WIN32_WIN32_FORM_H
