// Forms, their menus and their part in the message loop.
#include "ui/win32/win32_form.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cctype>

#include "common/text_case.h"
#include "ui/win32/win32_templates.h"

namespace ui::win32 {

// ---- Menus ----

class WMenuBar;

class WMenuItem : public MenuItem {
 public:
  WMenuItem(Win32Form* form, WMenuItem* parent, WMenuBar* bar, std::string name,
            std::string caption, int id)
      : form_(form),
        parent_(parent),
        bar_(bar),
        name_(std::move(name)),
        caption_(std::move(caption)),
        id_(id) {
    if (id_ == 0 && caption_ != "-") id_ = form_->NextCommandId();
    form_->RegisterCommand(id_, this);
  }
  ~WMenuItem() override {
    if (sub_) DestroyMenu(sub_);
  }
  const std::string& Name() const override { return name_; }
  MenuItem* Add(const std::string& name, const std::string& caption, int commandId) override {
    EnsureSubmenu();
    items_.push_back(std::make_unique<WMenuItem>(form_, this, nullptr, name, caption,
                                                 caption == "-" ? 0 : commandId));
    Rebuild();
    return items_.back().get();
  }
  MenuItem* AddSeparator(const std::string& name) override { return Add(name, "-", 0); }
  int Count() const override { return static_cast<int>(items_.size()); }
  MenuItem* Item(int i) const override { return i >= 0 && i < Count() ? items_[i].get() : nullptr; }
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& c) override {
    if (c == caption_) return;
    caption_ = c;
    Changed();
  }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool on) override {
    if (on == enabled_) return;
    enabled_ = on;
    Changed();
  }
  bool Visible() const override { return visible_; }
  void SetVisible(bool on) override {
    if (on == visible_) return;
    visible_ = on;
    Changed();
  }
  bool Checked() const override { return checked_; }
  void SetChecked(bool on) override {
    if (on == checked_) return;
    checked_ = on;
    Changed();
  }
  std::string Shortcut() const override { return shortcut_; }
  void SetShortcut(const std::string& s) override {
    shortcut_ = s;
    form_->AcceleratorsChanged();
    Changed();
  }
  int CommandId() const override { return id_; }
  bool IsSeparator() const override { return caption_ == "-"; }

  // Enabled and visible along the whole path from the bar.
  bool Reachable() const {
    for (const WMenuItem* item = this; item; item = item->parent_) {
      if (!item->enabled_ || !item->visible_) return false;
    }
    return true;
  }
  HMENU Submenu() const { return sub_; }
  void EnsureSubmenu() {
    if (!sub_) {
      sub_ = CreatePopupMenu();
      form_->RegisterSubmenu(sub_, this);
    }
  }
  // Builds the drop-down from the items' state.
  void Rebuild() {
    if (!sub_) return;
    while (GetMenuItemCount(sub_) > 0) RemoveMenu(sub_, 0, MF_BYPOSITION);
    for (const auto& item : items_) {
      if (!item->visible_) continue;
      if (item->IsSeparator()) {
        AppendMenuW(sub_, MF_SEPARATOR, 0, nullptr);
        continue;
      }
      std::wstring text = common::Wide(item->caption_);
      if (!item->shortcut_.empty()) text += L"\t" + common::Wide(item->shortcut_);
      UINT flags = MF_STRING | (item->enabled_ ? MF_ENABLED : MF_GRAYED) |
                   (item->checked_ ? MF_CHECKED : MF_UNCHECKED);
      if (item->sub_) {
        AppendMenuW(sub_, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(item->sub_), text.c_str());
      } else {
        AppendMenuW(sub_, flags, item->id_, text.c_str());
      }
    }
  }
  void CollectShortcuts(std::vector<std::pair<std::string, int>>& out) const {
    if (!shortcut_.empty() && !items_.size()) out.emplace_back(shortcut_, id_);
    for (const auto& item : items_) item->CollectShortcuts(out);
  }

 private:
  void Changed();

  Win32Form* form_;
  WMenuItem* parent_;
  WMenuBar* bar_;
  std::string name_, caption_, shortcut_;
  int id_;
  bool enabled_ = true, visible_ = true, checked_ = false;
  HMENU sub_ = nullptr;
  std::vector<std::unique_ptr<WMenuItem>> items_;
};

class WMenuBar : public MainMenu {
 public:
  explicit WMenuBar(Win32Form* form) : form_(form), bar_(CreateMenu()) {
    SetMenu(form_->Handle(), bar_);
  }
  MenuItem* Add(const std::string& name, const std::string& caption, int commandId) override {
    items_.push_back(std::make_unique<WMenuItem>(form_, nullptr, this, name, caption, commandId));
    items_.back()->EnsureSubmenu();
    Rebuild();
    return items_.back().get();
  }
  int Count() const override { return static_cast<int>(items_.size()); }
  MenuItem* Item(int i) const override { return i >= 0 && i < Count() ? items_[i].get() : nullptr; }
  void Rebuild() {
    while (GetMenuItemCount(bar_) > 0) RemoveMenu(bar_, 0, MF_BYPOSITION);
    for (const auto& item : items_) {
      if (!item->Visible()) continue;
      UINT flags = MF_STRING | MF_POPUP | (item->Enabled() ? MF_ENABLED : MF_GRAYED);
      AppendMenuW(bar_, flags, reinterpret_cast<UINT_PTR>(item->Submenu()),
                  common::Wide(item->Caption()).c_str());
    }
    DrawMenuBar(form_->Handle());
  }
  void CollectShortcuts(std::vector<std::pair<std::string, int>>& out) const {
    for (const auto& item : items_) item->CollectShortcuts(out);
  }

 private:
  Win32Form* form_;
  HMENU bar_;
  std::vector<std::unique_ptr<WMenuItem>> items_;
};

void WMenuItem::Changed() {
  if (parent_) parent_->Rebuild();
  if (bar_) bar_->Rebuild();
}

class WPopupMenu : public PopupMenu {
 public:
  WPopupMenu(Win32Form* form, std::string name)
      : form_(form), name_(std::move(name)), root_(form, nullptr, nullptr, name_, "", 0) {
    root_.EnsureSubmenu();
  }
  const std::string& Name() const override { return name_; }
  MenuItem* Items() override { return &root_; }
  void Popup(int x, int y) override {
    if (OnPopup) OnPopup();
    root_.Rebuild();
    TrackPopupMenu(root_.Submenu(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, form_->Handle(),
                   nullptr);
  }

 private:
  Win32Form* form_;
  std::string name_;
  WMenuItem root_;
};

// ---- Timers ----

WTimer::~WTimer() {
  KillTimer(window_, id_);
}

void WTimer::SetInterval(int milliseconds) {
  interval_ = std::max(milliseconds, 0);
  Apply();
}

void WTimer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Apply();
}

// SetTimer on a running id starts its interval again, as the interface says.
void WTimer::Apply() {
  if (enabled_ && interval_ > 0) {
    SetTimer(window_, id_, static_cast<UINT>(interval_), nullptr);
  } else {
    KillTimer(window_, id_);
  }
}

// ---- The form window ----

namespace {

const wchar_t kFormClass[] = L"DlvForm";
std::vector<Win32Form*>& Forms() {
  static std::vector<Win32Form*> forms;
  return forms;
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    Attach(hwnd, static_cast<Win32Form*>(create->lpCreateParams));
  }
  auto* form = static_cast<Win32Form*>(ControlOf(hwnd));
  if (form && form->Handle() == hwnd) return form->HandleMessage(msg, wParam, lParam);
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

DWORD StyleOf(BorderStyle border, bool maximizeBox) {
  switch (border) {
    case BorderStyle::Single:
      return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
             (maximizeBox ? WS_MAXIMIZEBOX : 0);
    case BorderStyle::Dialog:
      return WS_POPUP | WS_CAPTION | WS_SYSMENU;
    case BorderStyle::None:
      return WS_POPUP;
    default:
      return WS_OVERLAPPEDWINDOW & ~(maximizeBox ? 0 : WS_MAXIMIZEBOX);
  }
}

// "Ctrl+L", "Shift+F5", "Del" as an accelerator entry.
bool ParseShortcut(const std::string& text, ACCEL& accel) {
  accel.fVirt = FVIRTKEY;
  std::string rest = text;
  for (;;) {
    if (rest.rfind("Ctrl+", 0) == 0) {
      accel.fVirt |= FCONTROL;
      rest = rest.substr(5);
    } else if (rest.rfind("Shift+", 0) == 0) {
      accel.fVirt |= FSHIFT;
      rest = rest.substr(6);
    } else if (rest.rfind("Alt+", 0) == 0) {
      accel.fVirt |= FALT;
      rest = rest.substr(4);
    } else {
      break;
    }
  }
  if (rest.size() == 1) {
    accel.key = static_cast<WORD>(static_cast<unsigned char>(common::AsciiUpper(rest[0])));
    return true;
  }
  if (rest.size() >= 2 && rest[0] == 'F' && std::isdigit(static_cast<unsigned char>(rest[1]))) {
    accel.key = static_cast<WORD>(VK_F1 + std::stoi(rest.substr(1)) - 1);
    return true;
  }
  if (rest == "Del")
    accel.key = VK_DELETE;
  else if (rest == "Ins")
    accel.key = VK_INSERT;
  else if (rest == "Enter")
    accel.key = VK_RETURN;
  else
    return false;
  return true;
}

}  // namespace

void RegisterForm(Win32Form* form) {
  Forms().push_back(form);
}
void UnregisterForm(Win32Form* form) {
  auto& forms = Forms();
  forms.erase(std::remove(forms.begin(), forms.end(), form), forms.end());
}
Win32Form* FormOf(HWND hwnd) {
  HWND root = hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr;
  for (Win32Form* form : Forms()) {
    if (form->Handle() == root) return form;
  }
  return nullptr;
}
HWND ActiveFormWindow() {
  HWND active = GetActiveWindow();
  if (FormOf(active)) return active;
  for (Win32Form* form : Forms()) {
    if (form->Showing()) return form->Handle();
  }
  return nullptr;
}

bool TranslateFormMessage(MSG* msg) {
  Win32Form* form = FormOf(msg->hwnd);
  if (!form) return false;
  if (HACCEL accel = form->Accelerators()) {
    if (TranslateAcceleratorW(form->Handle(), accel, msg)) return true;
  }
  return IsDialogMessageW(form->Handle(), msg) != 0;
}

Win32Form::Win32Form(Win32Application* app, const std::string& name)
    : app_(app), name_(name), children_(this, nullptr) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = FormProc;
    wc.hInstance = Instance();
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
    wc.hIcon = LoadIconW(Instance(), MAKEINTRESOURCEW(1));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    RegisterClassW(&wc);
    registered = true;
  }
  form_ = this;
  font_ = MakeFont(Font{});
  hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, common::Wide(name).c_str(),
                          StyleOf(border_, true), CW_USEDEFAULT, CW_USEDEFAULT, 400, 300, nullptr,
                          nullptr, Instance(), this);
  children_ = ChildFactory(this, hwnd_);
  RegisterForm(this);
}

Win32Form::~Win32Form() {
  ShowOwnMenu();
  UnregisterForm(this);
  timers_.clear();
  popups_.clear();
  menu_.reset();
  if (hwnd_) {
    SetMenu(hwnd_, nullptr);
    DestroyWindow(hwnd_);
  }
  if (font_) DeleteObject(font_);
  if (accelerators_) DestroyAcceleratorTable(accelerators_);
}

HWND Win32Form::Tooltips() {
  if (!tooltips_) {
    tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_,
                                nullptr, Instance(), nullptr);
    // Long values (a copyright, say) wrap instead of running off the screen.
    SendMessageW(tooltips_, TTM_SETMAXTIPWIDTH, 0, Scale(400));
  }
  return tooltips_;
}

HINSTANCE Win32Form::Instance() const {
  return GetModuleHandleW(nullptr);
}

void Win32Form::SetVisible(bool visible) {
  if (visible)
    Show();
  else
    ShowWindow(hwnd_, SW_HIDE);
}

Rect Win32Form::Bounds() const {
  RECT r;
  GetWindowRect(hwnd_, &r);
  return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void Win32Form::SetBounds(const Rect& b) {
  MoveWindow(hwnd_, b.Left, b.Top, b.Width, b.Height, TRUE);
}

void Win32Form::SetCaption(const std::string& caption) {
  SetWindowTextW(hwnd_, common::Wide(caption).c_str());
}

std::string Win32Form::Caption() const {
  return WindowText(hwnd_);
}

void Win32Form::SetClientSize(int width, int height) {
  clientWidth_ = width;
  clientHeight_ = height;
  Place();
}

void Win32Form::SetBorderStyle(BorderStyle style) {
  border_ = style;
  ApplyFrame();
}

void Win32Form::SetMaximizeBox(bool on) {
  maximizeBox_ = on;
  ApplyFrame();
}

void Win32Form::ApplyFrame() {
  SetWindowLongPtrW(
      hwnd_, GWL_STYLE,
      StyleOf(border_, maximizeBox_) | (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE));
  LONG_PTR ex = GetWindowLongPtrW(hwnd_, GWL_EXSTYLE);
  ex = border_ == BorderStyle::Dialog ? ex | WS_EX_DLGMODALFRAME : ex & ~WS_EX_DLGMODALFRAME;
  SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, ex);
  SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOACTIVATE);
  Place();
}

// Outer size from the client size (with the menu bar), centred when asked.
void Win32Form::Place() {
  if (clientWidth_ <= 0 || clientHeight_ <= 0) return;
  RECT r{0, 0, Scale(clientWidth_), Scale(clientHeight_)};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)),
                     GetMenu(hwnd_) != nullptr,
                     static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
  int width = r.right - r.left, height = r.bottom - r.top;
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  int x = 0, y = 0;
  if (position_ == FormPosition::ScreenCenter) {
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    x = work.left + std::max(0L, (work.right - work.left - width) / 2);
    y = work.top + std::max(0L, (work.bottom - work.top - height) / 2);
  } else {
    flags |= SWP_NOMOVE;
  }
  SetWindowPos(hwnd_, nullptr, x, y, width, height, flags);
}

void Win32Form::SetFormFont(const Font& font) {
  if (font_) DeleteObject(font_);
  font_ = MakeFont(font);
}

void Win32Form::SetIconResource(int id) {
  icon_ = LoadIconW(Instance(), MAKEINTRESOURCEW(id));
  if (icon_) {
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  }
}

MainMenu* Win32Form::CreateMainMenu() {
  if (!menu_) menu_ = std::make_unique<WMenuBar>(this);
  Place();
  return menu_.get();
}

MainMenu* Win32Form::GetMainMenu() const {
  return menu_.get();
}

PopupMenu* Win32Form::CreatePopupMenu(const std::string& name) {
  popups_.push_back(std::make_unique<WPopupMenu>(this, name));
  return popups_.back().get();
}

HACCEL Win32Form::Accelerators() {
  if (!acceleratorsDirty_) return accelerators_;
  acceleratorsDirty_ = false;
  if (accelerators_) DestroyAcceleratorTable(accelerators_);
  accelerators_ = nullptr;
  std::vector<std::pair<std::string, int>> shortcuts;
  if (menu_) menu_->CollectShortcuts(shortcuts);
  std::vector<ACCEL> table;
  for (const auto& [text, id] : shortcuts) {
    ACCEL accel{};
    if (ParseShortcut(text, accel)) {
      accel.cmd = static_cast<WORD>(id);
      table.push_back(accel);
    }
  }
  if (!table.empty()) {
    accelerators_ = CreateAcceleratorTableW(table.data(), static_cast<int>(table.size()));
  }
  return accelerators_;
}

void Win32Form::Show() {
  if (!placed_) {
    placed_ = true;
    Place();
  }
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
  if (!shown_) {
    shown_ = true;
    if (OnShow) OnShow();
  }
}

ModalResult Win32Form::ShowModal() {
  HWND owner = ActiveFormWindow();
  if (owner == hwnd_) owner = nullptr;
  modal_ = true;
  result_ = ModalResult::None;
  if (owner) {
    SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    EnableWindow(owner, FALSE);
  }
  Place();
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  if (OnShow) OnShow();
  while (result_ == ModalResult::None) {
    if (!app_->PumpOne(true)) {
      PostQuitMessage(0);  // let the outer loop end too
      if (result_ == ModalResult::None) result_ = ModalResult::Cancel;
    }
  }
  if (owner) EnableWindow(owner, TRUE);
  ShowWindow(hwnd_, SW_HIDE);
  if (owner) SetActiveWindow(owner);
  modal_ = false;
  if (OnClose) OnClose();
  return result_;
}

void Win32Form::Close() {
  bool allow = true;
  if (OnCloseQuery) OnCloseQuery(allow);
  if (!allow) return;
  if (modal_) {
    if (result_ == ModalResult::None) result_ = ModalResult::Cancel;
    return;  // the modal loop ends and runs OnClose
  }
  if (OnClose) OnClose();
  ShowWindow(hwnd_, SW_HIDE);
  if (app_->MainForm() == static_cast<Form*>(this)) PostQuitMessage(0);
}

void Win32Form::SetModalResult(ModalResult result) {
  if (modal_) {
    result_ = result;
  } else if (result != ModalResult::None) {
    Close();
  }
}

void Win32Form::SetAcceptFiles(bool accept) {
  acceptFiles_ = accept;
  DragAcceptFiles(hwnd_, accept);
}

void Win32Form::DispatchCommand(int id) {
  if (id == IDOK && defaultButton_ && defaultButton_->Enabled()) {
    auto* native = dynamic_cast<NativeControl*>(defaultButton_);
    if (native) native->OnCommand(BN_CLICKED);
    return;
  }
  if (id == IDCANCEL) {
    if (cancelButton_) {
      if (auto* native = dynamic_cast<NativeControl*>(cancelButton_)) native->OnCommand(BN_CLICKED);
    } else if (modal_) {
      Close();
    }
    return;
  }
  auto it = commands_.find(id);
  // A disabled or hidden item does nothing, however its command arrives.
  if (it != commands_.end() && it->second->Reachable()) it->second->Click();
}

std::unique_ptr<TemplateDialog> Win32Form::CreateTemplateDialog(std::span<const uint8_t> tmpl,
                                                                const std::string& resourceFile) {
  return MakeTemplateDialog(hwnd_, tmpl, resourceFile);
}

bool Win32Form::ShowTemplateMenu(std::span<const uint8_t> tmpl) {
  HMENU menu = MakeTemplateMenu(tmpl);
  if (!menu) return false;
  if (templateMenu_) {
    DestroyMenu(templateMenu_);
  } else {
    ownBar_ = GetMenu(hwnd_);
  }
  templateMenu_ = menu;
  SetMenu(hwnd_, menu);
  DrawMenuBar(hwnd_);
  return true;
}

void Win32Form::ShowOwnMenu() {
  if (!templateMenu_) return;
  SetMenu(hwnd_, ownBar_);
  DestroyMenu(templateMenu_);
  templateMenu_ = ownBar_ = nullptr;
  DrawMenuBar(hwnd_);
}

Timer* Win32Form::CreateTimer(const std::string& name) {
  timers_.push_back(std::make_unique<WTimer>(hwnd_, nextTimerId_++, name));
  return timers_.back().get();
}

LRESULT Win32Form::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      if (lParam) {
        if (NativeControl* control = ControlOf(reinterpret_cast<HWND>(lParam))) {
          control->OnCommand(HIWORD(wParam));
        }
      } else if (templateMenu_ && HIWORD(wParam) == 0) {
        // An item of a template's menu: its ids are not ours.
      } else {
        DispatchCommand(LOWORD(wParam));
      }
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && OnActivate) app_->Guard(OnActivate);
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      LRESULT result = 0;
      if (NativeControl* control = ControlOf(header->hwndFrom)) {
        if (control->OnNotify(header, &result)) return result;
      }
      break;
    }
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (NativeControl* control = ControlOf(item->hwndItem)) {
        if (control->OnDrawItem(item)) return TRUE;
      }
      break;
    }
    case WM_INITMENUPOPUP: {
      auto it = submenus_.find(reinterpret_cast<HMENU>(wParam));
      if (it != submenus_.end()) {
        it->second->Popup();
        it->second->Rebuild();
      }
      return 0;
    }
    case WM_CONTEXTMENU:
      if (!popups_.empty()) {
        int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
        if (x == -1 && y == -1) {
          POINT p{0, 0};
          ClientToScreen(hwnd_, &p);
          x = p.x;
          y = p.y;
        }
        popups_.front()->Popup(x, y);
        return 0;
      }
      break;
    case WM_DROPFILES: {
      auto drop = reinterpret_cast<HDROP>(wParam);
      UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      std::vector<std::string> paths;
      for (UINT i = 0; i < count; ++i) {
        UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        UINT got = DragQueryFileW(drop, i, path.data(), length + 1);
        path.resize(std::min(got, length));
        paths.push_back(common::Utf8(path));
      }
      DragFinish(drop);
      if (OnDropFiles) OnDropFiles(paths);
      return 0;
    }
    case WM_SIZE:
      for (Control* child : Children()) {
        if (child->Kind() == ControlKind::StatusBar) {
          SendMessageW(dynamic_cast<NativeControl*>(child)->Handle(), WM_SIZE, 0, 0);
        }
      }
      break;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_TIMER: {
      auto it = std::find_if(timers_.begin(), timers_.end(),
                             [&](const auto& timer) { return timer->Id() == wParam; });
      if (it == timers_.end()) break;
      WTimer* timer = it->get();
      if (timer->OnTimer) app_->Guard(timer->OnTimer);
      return 0;
    }
    case WM_NOTIFYFORMAT:
      return NFR_UNICODE;
    case WM_SETCURSOR:
      if (app_->BusyCursor()) {
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // the hourglass
        return TRUE;
      }
      break;
    default:
      if (msg >= kFirstPrivateMessage && msg <= kLastPrivateMessage && OnMessage) {
        bool handled = false;
        app_->Guard([&] { handled = OnMessage(msg, wParam, lParam); });
        if (handled) return 0;
      }
      break;
  }
  return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

}  // namespace ui::win32
