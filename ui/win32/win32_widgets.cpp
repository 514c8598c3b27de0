// The standard controls behind the widget interfaces.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "ui/grid_model.h"
#include "ui/win32/win32_form.h"

namespace ui::win32 {
namespace {

const wchar_t kPanelClass[] = L"DlvPanel";
const wchar_t kPictureClass[] = L"DlvPicture";
const wchar_t kFrameProp[] = L"DlvFrame";
const wchar_t kFontProp[] = L"DlvFont";

// Containers pass their children's notifications on to the form.
LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      // A group box draws its own etched frame and caption: a frame control
      // among the children would paint over them.
      if (GetPropW(hwnd, kFrameProp)) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT r;
        GetClientRect(hwnd, &r);
        std::wstring text = common::Wide(WindowText(hwnd));
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
        HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
        TEXTMETRICW tm;
        GetTextMetricsW(dc, &tm);
        RECT frame = r;
        frame.top += text.empty() ? 0 : tm.tmHeight / 2;
        DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
        if (!text.empty()) {
          SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
          SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
          TextOutW(dc, Scale(8), 0, text.c_str(), static_cast<int>(text.size()));
        }
        if (old) SelectObject(dc, old);
        EndPaint(hwnd, &ps);
        return 0;
      }
      break;
    case WM_SETFONT:
      SetPropW(hwnd, kFontProp, reinterpret_cast<HANDLE>(wParam));
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(GetPropW(hwnd, kFontProp));
    case WM_NOTIFYFORMAT:
      return NFR_UNICODE;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CONTEXTMENU:
      if (HWND root = GetAncestor(hwnd, GA_ROOT); root && root != hwnd) {
        return SendMessageW(root, msg, wParam, lParam);
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK PictureProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

void RegisterClasses(HINSTANCE instance) {
  static bool done = false;
  if (done) return;
  WNDCLASSW wc{};
  wc.lpfnWndProc = PanelProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kPanelClass;
  RegisterClassW(&wc);
  wc.lpfnWndProc = PictureProc;
  wc.lpszClassName = kPictureClass;
  RegisterClassW(&wc);
  done = true;
}

HWND CreateChild(Win32Form* form, HWND parent, const wchar_t* cls, DWORD style, DWORD exStyle,
                 const Rect& b, const std::string& text = "") {
  RegisterClasses(form->Instance());
  HWND hwnd =
      CreateWindowExW(exStyle, cls, common::Wide(text).c_str(),
                      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, Scale(b.Left), Scale(b.Top),
                      Scale(b.Width), Scale(b.Height), parent, nullptr, form->Instance(), nullptr);
  if (hwnd && form->FontHandle()) {
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(form->FontHandle()), FALSE);
  }
  return hwnd;
}

// State and window operations every control shares.
template <typename Base>
class WControl : public Base, public NativeControl {
 public:
  WControl(Win32Form* form, ControlKind kind, std::string name, const Rect& b)
      : kind_(kind), name_(std::move(name)), bounds_(b) {
    form_ = form;
  }
  ~WControl() override {
    if (font_) DeleteObject(font_);
  }
  ControlKind Kind() const override { return kind_; }
  const std::string& Name() const override { return name_; }
  std::string Text() const override { return WindowText(hwnd_); }
  void SetText(const std::string& text) override {
    SetWindowTextW(hwnd_, common::Wide(text).c_str());
  }
  bool Enabled() const override { return IsWindowEnabled(hwnd_) != 0; }
  void SetEnabled(bool enabled) override { EnableWindow(hwnd_, enabled); }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override {
    visible_ = visible;
    ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE);
  }
  Rect Bounds() const override { return bounds_; }
  void SetBounds(const Rect& b) override {
    bounds_ = b;
    MoveWindow(hwnd_, Scale(b.Left), Scale(b.Top), Scale(b.Width), Scale(b.Height), TRUE);
  }
  void SetFont(const Font& font) override {
    if (font_) DeleteObject(font_);
    font_ = MakeFont(font);
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  }
  void SetFocus() override { ::SetFocus(hwnd_); }
  void SetControlId(int id) override { SetWindowLongPtrW(hwnd_, GWLP_ID, id); }
  int ControlId() const override { return GetDlgCtrlID(hwnd_); }
  uintptr_t NativeHandle() const override { return reinterpret_cast<uintptr_t>(hwnd_); }

 protected:
  // One tool per control, keyed by its window; an empty hint removes it.
  void HintChanged() override {
    HWND tips = form_->Tooltips();
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(hwnd_);
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    SendMessageW(tips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    if (this->Hint().empty()) return;
    std::wstring text = common::Wide(this->Hint());
    tool.lpszText = text.data();
    SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  void Create(HWND parent, const wchar_t* cls, DWORD style, DWORD exStyle,
              const std::string& text = "") {
    hwnd_ = CreateChild(form_, parent, cls, style, exStyle, bounds_, text);
    Attach(hwnd_, this);
  }
  LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return SendMessageW(hwnd_, msg, wParam, lParam);
  }
  void SetStyleBits(LONG_PTR bits, bool on, int which = GWL_STYLE) {
    LONG_PTR style = GetWindowLongPtrW(hwnd_, which);
    SetWindowLongPtrW(hwnd_, which, on ? style | bits : style & ~bits);
  }
  ControlKind kind_;
  std::string name_;
  Rect bounds_;
  bool visible_ = true;
  HFONT font_ = nullptr;
};

class WLabel : public WControl<Label> {
 public:
  WLabel(Win32Form* f, HWND parent, const std::string& name, const Rect& b, const std::string& text)
      : WControl(f, ControlKind::Label, name, b) {
    Create(parent, L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, text);
  }
  void SetAlignment(Alignment a) override {
    LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE) & ~SS_TYPEMASK;
    style |= a == Alignment::Center  ? SS_CENTER
             : a == Alignment::Right ? SS_RIGHT
                                     : SS_LEFTNOWORDWRAP;
    SetWindowLongPtrW(hwnd_, GWL_STYLE, style);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
};

class WEdit : public WControl<Edit> {
 public:
  WEdit(Win32Form* f, HWND parent, const std::string& name, const Rect& b)
      : WControl(f, ControlKind::Edit, name, b) {
    Create(parent, L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE);
  }
  bool ReadOnly() const override {
    return (GetWindowLongPtrW(hwnd_, GWL_STYLE) & ES_READONLY) != 0;
  }
  void SetReadOnly(bool on) override { Send(EM_SETREADONLY, on); }
  void SetBorder(bool border) override {
    SetStyleBits(WS_EX_CLIENTEDGE, border, GWL_EXSTYLE);
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  }
  // The control reports a change for any text it is given; the same text
  // again is no change.
  void SetText(const std::string& text) override {
    if (text != Text()) WControl::SetText(text);
  }
  void SetMaxLength(int n) override { Send(EM_SETLIMITTEXT, n > 0 ? n : 0); }
  void OnCommand(int code) override {
    if (code == EN_CHANGE && OnChange) OnChange();
  }
};

class WButton : public WControl<Button> {
 public:
  WButton(Win32Form* f, HWND parent, const std::string& name, const Rect& b,
          const std::string& caption)
      : WControl(f, ControlKind::Button, name, b) {
    Create(parent, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, caption);
  }
  void SetModalResult(ModalResult r) override { result_ = r; }
  ModalResult GetModalResult() const override { return result_; }
  void SetDefault(bool on) override {
    Send(BM_SETSTYLE, on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    if (on) form_->SetDefaultButton(this);
  }
  void SetCancel(bool on) override {
    if (on) form_->SetCancelButton(this);
  }
  void OnCommand(int code) override {
    if (code != BN_CLICKED) return;
    if (OnClick) OnClick();
    if (result_ != ModalResult::None) form_->SetModalResult(result_);
  }

 private:
  ModalResult result_ = ModalResult::None;
};

class WCheckBox : public WControl<CheckBox> {
 public:
  WCheckBox(Win32Form* f, HWND parent, const std::string& name, const Rect& b,
            const std::string& caption)
      : WControl(f, ControlKind::CheckBox, name, b) {
    Create(parent, L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0, caption);
  }
  bool Checked() const override { return Send(BM_GETCHECK) == BST_CHECKED; }
  void SetChecked(bool on) override { Send(BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED); }
  void OnCommand(int code) override {
    if (code == BN_CLICKED && OnClick) OnClick();
  }
};

// Lines on demand are an owner-drawn list without data: the list box keeps
// only the count and the selection, each line is asked for when drawn. The
// sorted and tab-stop styles are creation styles, so those changes make the
// window again.
class WListBox : public WControl<ListBox> {
 public:
  WListBox(Win32Form* f, HWND parent, const std::string& name, const Rect& b)
      : WControl(f, ControlKind::ListBox, name, b), parent_(parent) {
    Make();
  }
  ~WListBox() override {
    if (IsWindow(hwnd_)) RemoveWindowSubclass(hwnd_, Lines, 0);
  }
  int Count() const override { return static_cast<int>(Send(LB_GETCOUNT)); }
  std::string Item(int i) const override {
    if (virtual_) return i >= 0 && i < Count() ? Line(i) : std::string();
    LRESULT length = Send(LB_GETTEXTLEN, i);
    if (length == LB_ERR || length < 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT got = Send(LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
    return common::Utf8(text);
  }
  int AddItem(const std::string& text) override {
    if (virtual_) return -1;
    std::wstring wide = common::Wide(text);
    return static_cast<int>(Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str())));
  }
  void DeleteItem(int i) override {
    if (!virtual_) Send(LB_DELETESTRING, i);
  }
  void Clear() override {
    if (virtual_) {
      virtual_ = false;
      source_ = nullptr;
      Remake({}, -1);
    } else {
      Send(LB_RESETCONTENT);
    }
  }
  int ItemIndex() const override {
    LRESULT i = Send(LB_GETCURSEL);
    return i == LB_ERR ? -1 : static_cast<int>(i);
  }
  // A list without data keeps its selection for a line it does not have.
  void SetItemIndex(int i) override {
    Send(LB_SETCURSEL, i >= 0 && i < Count() ? static_cast<WPARAM>(i) : static_cast<WPARAM>(-1));
  }
  bool Sorted() const override { return sorted_; }
  // Lines on demand stay in their source's order: the sorted style takes
  // effect when the list holds its own lines again.
  void SetSorted(bool sorted) override {
    if (sorted == sorted_) return;
    sorted_ = sorted;
    if (virtual_) return;
    std::vector<std::string> items = Items();
    int selected = ItemIndex();
    Remake(items, selected);
  }
  void SetItemHeight(int h) override {
    itemHeight_ = std::max(h, 0);
    LineHeight();
  }
  int TopIndex() const override {
    LRESULT top = Send(LB_GETTOPINDEX);
    return top == LB_ERR ? 0 : static_cast<int>(top);
  }
  void SetTopIndex(int i) override {
    if (i >= 0 && i < Count()) Send(LB_SETTOPINDEX, i);
  }
  void SetTabStops(int dialogUnits) override {
    dialogUnits = std::max(dialogUnits, 0);
    if (dialogUnits == tabStops_) return;
    tabStops_ = dialogUnits;
    if (virtual_) {
      InvalidateRect(hwnd_, nullptr, TRUE);  // drawn here with the new stops
      return;
    }
    std::vector<std::string> items = Items();
    Remake(items, ItemIndex());
  }
  void SetVirtualLines(int count, LineSource source) override {
    source_ = std::move(source);
    if (!virtual_) {
      virtual_ = true;
      Remake({}, -1);
    }
    Send(LB_SETCOUNT, std::max(count, 0));
    Send(LB_SETCURSEL, static_cast<WPARAM>(-1));
    Send(LB_SETTOPINDEX, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  bool Virtual() const override { return virtual_; }
  void SetFont(const Font& font) override {
    WControl::SetFont(font);
    LineHeight();
  }
  void OnCommand(int code) override {
    if (code == LBN_SELCHANGE && OnClick) OnClick();
    if (code == LBN_DBLCLK && OnDblClick) OnDblClick();
  }
  bool OnDrawItem(DRAWITEMSTRUCT* item) override {
    if (!virtual_ || item->hwndItem != hwnd_) return false;
    RECT r = item->rcItem;
    if (item->itemAction == ODA_FOCUS) {
      // Only the focus moved: the rectangle is drawn in XOR, so drawing it
      // again takes it away.
      DrawFocusRect(item->hDC, &r);
      return true;
    }
    if (item->itemID == static_cast<UINT>(-1)) return true;
    bool selected = (item->itemState & ODS_SELECTED) != 0;
    FillRect(item->hDC, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetBkMode(item->hDC, TRANSPARENT);
    SetTextColor(item->hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    std::wstring text = common::Wide(Line(static_cast<int>(item->itemID)));
    // Every character takes a pixel at least, so what lies past the right
    // edge is never laid out, however long the line.
    size_t shown = std::min(text.size(), static_cast<size_t>(std::max(r.right, 0L)) + 16);
    if (shown > 0 && shown < text.size() && IS_HIGH_SURROGATE(text[shown - 1])) --shown;
    if (tabStops_ > 0) {
      int stop = std::max(MulDiv(tabStops_, AverageCharWidth(item->hDC), 4), 1);
      TabbedTextOutW(item->hDC, r.left + 1, r.top, text.c_str(), static_cast<int>(shown), 1, &stop,
                     r.left + 1);
    } else {
      ExtTextOutW(item->hDC, r.left + 1, r.top, ETO_CLIPPED, &r, text.c_str(),
                  static_cast<UINT>(shown), nullptr);
    }
    if (item->itemState & ODS_FOCUS) DrawFocusRect(item->hDC, &r);
    return true;
  }

 private:
  // A test driver in another process reads the lines as those of an
  // ordinary list box. The system sizes the buffer of a message from
  // another thread by the length it asked for just before, so the text is
  // cut to that length: the source may have grown meanwhile.
  static LRESULT CALLBACK Lines(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR self) {
    auto* list = reinterpret_cast<WListBox*>(self);
    if (msg == WM_RBUTTONDOWN && list->OnRightMouseDown) list->OnRightMouseDown();
    if (list->virtual_ && (msg == LB_GETTEXTLEN || msg == LB_GETTEXT)) {
      int i = static_cast<int>(wParam);
      if (i < 0 || i >= list->Count()) return LB_ERR;
      std::wstring text = common::Wide(list->Line(i));
      bool foreign = InSendMessage() != FALSE;
      if (msg == LB_GETTEXTLEN) {
        if (foreign) list->measured_ = {i, text.size()};
        return static_cast<LRESULT>(text.size());
      }
      if (!lParam) return LB_ERR;
      if (foreign) {
        if (list->measured_.first != i) return LB_ERR;
        text.resize(std::min(text.size(), list->measured_.second));
      }
      auto* buffer = reinterpret_cast<wchar_t*>(lParam);
      std::copy(text.begin(), text.end(), buffer);
      buffer[text.size()] = L'\0';
      return static_cast<LRESULT>(text.size());
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
  }

  std::string Line(int i) const { return source_ ? source_(i) : std::string(); }

  void Make() {
    DWORD style = LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP;
    if (virtual_) {
      style |= LBS_OWNERDRAWFIXED | LBS_NODATA;
    } else {
      style |= (sorted_ ? LBS_SORT : 0) | (tabStops_ > 0 ? LBS_USETABSTOPS : 0);
    }
    Create(parent_, L"LISTBOX", style, WS_EX_CLIENTEDGE);
    // Made without strings (the list keeps none), but marked as having them
    // once made: the system then carries the text of LB_GETTEXT back to a
    // caller in another process, as for an ordinary list, rather than the
    // item data's few bytes.
    if (virtual_) SetStyleBits(LBS_HASSTRINGS, true);
    SetWindowSubclass(hwnd_, Lines, 0, reinterpret_cast<DWORD_PTR>(this));
  }

  // The window made again with the current styles, in the old one's place
  // and with its id, font, state and visibility, holding items.
  void Remake(const std::vector<std::string>& items, int selected) {
    int id = ControlId();
    bool enabled = Enabled();
    HFONT font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    HWND old = hwnd_;
    RemoveWindowSubclass(old, Lines, 0);
    Make();
    SetWindowPos(hwnd_, old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    bool focused = GetFocus() == old;
    DestroyWindow(old);
    SetControlId(id);
    EnableWindow(hwnd_, enabled);
    if (font) Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (!visible_) ShowWindow(hwnd_, SW_HIDE);
    if (focused) ::SetFocus(hwnd_);
    if (!virtual_ && tabStops_ > 0) {
      int stop = tabStops_;
      Send(LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&stop));
    }
    LineHeight();
    if (virtual_) return;
    std::string chosen = selected >= 0 && selected < static_cast<int>(items.size())
                             ? items[static_cast<size_t>(selected)]
                             : std::string();
    for (const auto& item : items) AddItem(item);
    if (selected >= 0) {
      std::wstring wide = common::Wide(chosen);
      Send(LB_SETCURSEL, Send(LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(wide.c_str())));
    }
  }

  // An owner-drawn list keeps the line height it had when it was made, font
  // or no font: it gets the height of its font's lines, as an ordinary list
  // does, unless the form set one.
  void LineHeight() {
    if (itemHeight_ > 0) {
      Send(LB_SETITEMHEIGHT, 0, Scale(itemHeight_));
    } else if (virtual_) {
      HDC dc = GetDC(hwnd_);
      HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(Send(WM_GETFONT)));
      TEXTMETRICW tm{};
      GetTextMetricsW(dc, &tm);
      SelectObject(dc, old);
      ReleaseDC(hwnd_, dc);
      if (tm.tmHeight > 0) Send(LB_SETITEMHEIGHT, 0, tm.tmHeight);
    }
  }

  // The unit of tab stops: a quarter of the font's average character width,
  // as the list box measures it.
  static int AverageCharWidth(HDC dc) {
    static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size{};
    GetTextExtentPoint32W(dc, kLetters, 52, &size);
    return (size.cx / 26 + 1) / 2;
  }

  HWND parent_;
  bool sorted_ = false;
  bool virtual_ = false;
  int tabStops_ = 0;    // dialog units between stops; 0: tabs not expanded
  int itemHeight_ = 0;  // 0: the font's
  LineSource source_;
  std::pair<int, size_t> measured_{-1, 0};  // the last line another thread measured
};

// A string grid on a report-style list view with owner data: the texts live
// in the grid's model (or its source), the list view only scrolls, selects
// and asks for what it shows. Every row is drawn here, each text at its
// cell's top-left corner (no margin, no ellipsis), so columns sized for a
// text show all of it. Row 0 is the header line when there is a fixed row;
// further fixed rows are list lines drawn as headings.
class WStringGrid : public WControl<StringGrid> {
 public:
  WStringGrid(Win32Form* f, HWND parent, const std::string& name, const Rect& b)
      : WControl(f, ControlKind::StringGrid, name, b) {
    Create(parent, WC_LISTVIEWW,
           LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS |
               WS_TABSTOP,
           WS_EX_CLIENTEDGE);
    Send(LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    SetWindowSubclass(hwnd_, Frame, 0, reinterpret_cast<DWORD_PTR>(this));
    Columns();
    Header();
    Items();
    RowHeight();
  }
  ~WStringGrid() override {
    if (IsWindow(hwnd_)) RemoveWindowSubclass(hwnd_, Frame, 0);
    if (rowImages_) ImageList_Destroy(rowImages_);
    if (bold_) DeleteObject(bold_);
  }

  int ColCount() const override { return model_.Cols(); }
  void SetColCount(int count) override {
    model_.SetCols(count);
    Columns();
    Header();
    Selection();
  }
  int RowCount() const override { return model_.Rows(); }
  void SetRowCount(int count) override {
    model_.SetRows(count);
    Items();
  }
  int FixedRows() const override { return model_.FixedRows(); }
  void SetFixedRows(int count) override {
    model_.SetFixedRows(count);
    SetStyleBits(LVS_NOCOLUMNHEADER, HeaderRows() == 0);
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    Header();
    Items();
  }
  int FixedCols() const override { return model_.FixedCols(); }
  void SetFixedCols(int count) override {
    model_.SetFixedCols(count);
    Selection();
    Invalidate();
  }
  std::string Cell(int col, int row) const override { return model_.Cell(col, row); }
  void SetCell(int col, int row, const std::string& text) override {
    if (!model_.SetCell(col, row, text)) return;
    if (row < HeaderRows()) {
      HeaderText(col);
    } else {
      Send(LVM_REDRAWITEMS, row - HeaderRows(), row - HeaderRows());
    }
  }
  void SetCellSource(CellSource source) override {
    model_.SetSource(std::move(source));
    Items();
    Header();
  }
  bool Virtual() const override { return model_.Virtual(); }
  int ColWidth(int col) const override { return model_.ColWidth(col); }
  void SetColWidth(int col, int width) override {
    if (model_.SetColWidth(col, width)) Send(LVM_SETCOLUMNWIDTH, col, ColumnPixels(col));
  }
  int DefaultRowHeight() const override { return model_.RowHeight(); }
  void SetDefaultRowHeight(int height) override {
    model_.SetRowHeight(height);
    RowHeight();
  }
  void SetGridLines(bool vertical, bool horizontal) override {
    model_.SetGridLines(vertical, horizontal);
    for (int c = 0; c < model_.Cols(); ++c) Send(LVM_SETCOLUMNWIDTH, c, ColumnPixels(c));
    RowHeight();
  }
  void SetScrollBars(ScrollBars bars) override {
    model_.SetBars(bars);
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  }
  ScrollBars GetScrollBars() const override { return model_.Bars(); }
  int Row() const override { return model_.Row(); }
  void SetRow(int row) override {
    if (model_.Select(*this, model_.Col(), row)) Selection();
  }
  int Col() const override { return model_.Col(); }
  void SetCol(int col) override {
    if (model_.Select(*this, col, model_.Row())) Invalidate();
  }
  int TopRow() const override {
    return std::max(static_cast<int>(Send(LVM_GETTOPINDEX)) + HeaderRows(), model_.FixedRows());
  }
  void SetTopRow(int row) override {
    int item = row - HeaderRows();
    if (row < model_.FixedRows() || item >= ItemCount()) return;
    int pitch = ItemPitch();
    if (pitch <= 0) return;
    int top = static_cast<int>(Send(LVM_GETTOPINDEX));
    Send(LVM_SCROLL, 0, static_cast<LPARAM>(item - top) * pitch);
  }
  void Invalidate() override {
    Header();
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  void SetFont(const Font& font) override {
    WControl::SetFont(font);
    if (bold_) DeleteObject(bold_);
    bold_ = nullptr;
    RowHeight();
  }

  bool OnNotify(NMHDR* h, LRESULT* result) override {
    switch (h->code) {
      case LVN_GETDISPINFOW: {
        // Others who read the list (accessibility, test drivers) get the
        // text cut to their buffer; the grid itself never reads it back.
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(h);
        if ((info->item.mask & LVIF_TEXT) && info->item.pszText && info->item.cchTextMax > 0) {
          std::wstring text =
              common::Wide(model_.Cell(info->item.iSubItem, info->item.iItem + HeaderRows()));
          lstrcpynW(info->item.pszText, text.c_str(), info->item.cchTextMax);
        }
        return true;
      }
      case LVN_ODFINDITEMW:
        *result = -1;  // no search by typing
        return true;
      case NM_CUSTOMDRAW: {
        auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(h);
        if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
          *result = CDRF_NOTIFYITEMDRAW;
        } else if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
          DrawRow(draw->nmcd.hdc, static_cast<int>(draw->nmcd.dwItemSpec));
          *result = CDRF_SKIPDEFAULT;
        } else {
          *result = CDRF_DODEFAULT;
        }
        return true;
      }
      case LVN_ITEMCHANGED: {
        auto* change = reinterpret_cast<NMLISTVIEW*>(h);
        if (syncing_ || !(change->uChanged & LVIF_STATE) || !(change->uNewState & LVIS_SELECTED) ||
            (change->uOldState & LVIS_SELECTED)) {
          return false;
        }
        int item =
            change->iItem >= 0
                ? change->iItem
                : static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        selectedItem_ = item;  // the control moved it
        // A click picks the cell under the cursor, the keyboard keeps the
        // column: one question per pick.
        int row = item + HeaderRows();
        auto [col, hitRow] = CellUnderCursor();
        if (hitRow != row || col < model_.FixedCols()) col = model_.Col();
        Pick(col, row);
        return false;
      }
      case LVN_COLUMNCLICK:
        if (OnFixedCellClick) OnFixedCellClick(reinterpret_cast<NMLISTVIEW*>(h)->iSubItem, 0);
        return false;
      case NM_CLICK: {
        // The list view says where the click landed.
        auto* click = reinterpret_cast<NMITEMACTIVATE*>(h);
        int col = click->iSubItem, row = click->iItem < 0 ? -1 : click->iItem + HeaderRows();
        if (row >= 0 && col >= 0 && col < model_.Cols()) {
          if (row < model_.FixedRows() || col < model_.FixedCols()) {
            if (OnFixedCellClick) OnFixedCellClick(col, row);
          } else {
            Pick(col, row);
          }
        }
        if (OnClick) OnClick();
        return false;
      }
      case NM_DBLCLK:
        if (OnDblClick) OnDblClick();
        return false;
      default:
        return false;
    }
  }

 private:
  // The list view shows a scroll bar whenever its lines or columns do not
  // fit; one the grid must not show is taken out of the style before the
  // frame is measured, so it takes no room and is never drawn.
  static LRESULT CALLBACK Frame(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR self) {
    if (msg == WM_RBUTTONDOWN) {
      auto* grid = reinterpret_cast<WStringGrid*>(self);
      if (grid->OnRightMouseDown) grid->OnRightMouseDown();
      return 0;  // the list view would pick the row under the pointer
    }
    if (msg == WM_NCCALCSIZE) {
      ScrollBars bars = reinterpret_cast<WStringGrid*>(self)->model_.Bars();
      LONG_PTR hidden =
          (bars == ScrollBars::Both || bars == ScrollBars::Horizontal ? 0 : WS_HSCROLL) |
          (bars == ScrollBars::Both || bars == ScrollBars::Vertical ? 0 : WS_VSCROLL);
      LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
      if (style & hidden) SetWindowLongPtrW(hwnd, GWL_STYLE, style & ~hidden);
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
  }

  int HeaderRows() const { return model_.FixedRows() > 0 ? 1 : 0; }
  int ItemCount() const { return std::max(model_.Rows() - HeaderRows(), 0); }
  int LineV() const { return model_.VerticalLines() ? 1 : 0; }
  int LineH() const { return model_.HorizontalLines() ? 1 : 0; }
  // A column's list-view width: the cell, then its grid line.
  int ColumnPixels(int col) const { return Scale(model_.ColWidth(col)) + LineV(); }
  int ItemPitch() const {
    if (ItemCount() == 0) return 0;
    RECT r{};
    r.left = LVIR_BOUNDS;
    Send(LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r.bottom - r.top;
  }

  void Columns() {
    for (; columns_ < model_.Cols(); ++columns_) {
      LVCOLUMNW column{};
      column.mask = LVCF_WIDTH | LVCF_TEXT;
      column.cx = ColumnPixels(columns_);
      column.pszText = const_cast<wchar_t*>(L"");
      Send(LVM_INSERTCOLUMNW, columns_, reinterpret_cast<LPARAM>(&column));
    }
    for (; columns_ > model_.Cols(); --columns_) Send(LVM_DELETECOLUMN, columns_ - 1);
  }
  void HeaderText(int col) {
    std::wstring text = HeaderRows() ? common::Wide(model_.Cell(col, 0)) : std::wstring();
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = text.data();
    Send(LVM_SETCOLUMNW, col, reinterpret_cast<LPARAM>(&column));
  }
  void Header() {
    for (int c = 0; c < model_.Cols(); ++c) HeaderText(c);
  }
  void Items() {
    Send(LVM_SETITEMCOUNT, ItemCount(), LVSICF_NOSCROLL);
    if (!calibrated_) RowHeight();
    Selection();
    InvalidateRect(hwnd_, nullptr, TRUE);
  }

  // The list view takes its line height from the taller of its font and its
  // small images: an empty image list of the wanted height sets it. How much
  // the list view adds differs between versions, so the first line measured
  // corrects the guess.
  void RowHeight() {
    int want = Scale(model_.RowHeight()) + LineH();
    int images = want - 1;
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (rowImages_) ImageList_Destroy(rowImages_);
      rowImages_ = ImageList_Create(1, std::max(images, 1), ILC_COLOR, 0, 1);
      Send(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rowImages_));
      int pitch = ItemPitch();
      calibrated_ = pitch > 0;
      if (pitch <= 0 || pitch == want) break;
      images += want - pitch;
    }
  }

  // Shows the model's current row as the list view's selection. Only the
  // one line that holds it is cleared: a state change for all lines walks
  // every line of a virtual list.
  void Selection() {
    syncing_ = true;
    int item = model_.Row() - HeaderRows();
    bool shown = model_.Row() >= model_.FixedRows() && item >= 0 && item < ItemCount();
    if (selectedItem_ >= 0 && selectedItem_ != item && selectedItem_ < ItemCount()) {
      LVITEMW none{};
      none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      Send(LVM_SETITEMSTATE, selectedItem_, reinterpret_cast<LPARAM>(&none));
    }
    selectedItem_ = -1;
    if (shown) {
      LVITEMW state{};
      state.state = state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      Send(LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&state));
      Send(LVM_ENSUREVISIBLE, item, FALSE);
      selectedItem_ = item;
    }
    syncing_ = false;
    InvalidateRect(hwnd_, nullptr, TRUE);
  }

  // The user's pick: the model decides, the list view follows.
  void Pick(int col, int row) {
    model_.Select(*this, col, row);
    Selection();
  }

  std::pair<int, int> CellUnderCursor() const {
    LVHITTESTINFO hit{};
    DWORD pos = GetMessagePos();
    hit.pt = POINT{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
    ScreenToClient(hwnd_, &hit.pt);
    Send(LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.iItem < 0) return {-1, -1};
    return {hit.iSubItem, hit.iItem + HeaderRows()};
  }

  HFONT BoldFont(HFONT font) {
    if (!bold_) {
      LOGFONTW lf{};
      GetObjectW(font, sizeof lf, &lf);
      lf.lfWeight = FW_BOLD;
      bold_ = CreateFontIndirectW(&lf);
    }
    return bold_;
  }

  void DrawRow(HDC dc, int item) {
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    if (!Send(LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&bounds))) return;
    int row = item + HeaderRows();
    HFONT font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    HBRUSH lines = CreateSolidBrush(RGB(192, 192, 192));
    bool current = row == model_.Row();
    bool focused = GetFocus() == hwnd_;
    int x = bounds.left;
    for (int c = 0; c < model_.Cols(); ++c) {
      int width = Scale(model_.ColWidth(c));
      RECT cell{x, bounds.top, x + width, bounds.bottom - LineH()};
      CellState state;
      state.Fixed = c < model_.FixedCols() || row < model_.FixedRows();
      state.Selected = current && !state.Fixed;
      state.Focused = state.Selected && focused && c == model_.Col();
      CellStyle style = StyleOf(c, row, state);
      int backIndex = state.Fixed ? COLOR_BTNFACE : state.Selected ? COLOR_HIGHLIGHT : COLOR_WINDOW;
      int textIndex = state.Fixed      ? COLOR_BTNTEXT
                      : state.Selected ? COLOR_HIGHLIGHTTEXT
                                       : COLOR_WINDOWTEXT;
      HBRUSH back = CreateSolidBrush(
          style.BackColor == kDefaultColor ? GetSysColor(backIndex) : ToColorRef(style.BackColor));
      FillRect(dc, &cell, back);
      DeleteObject(back);
      SetTextColor(dc, style.TextColor == kDefaultColor ? GetSysColor(textIndex)
                                                        : ToColorRef(style.TextColor));
      SelectObject(dc, style.Bold ? BoldFont(font) : font);
      std::wstring text = common::Wide(model_.Cell(c, row));
      // What lies past the cell's right edge is clipped anyway: no need to
      // lay out the whole of a very long text.
      size_t shown = std::min(text.size(), static_cast<size_t>(width) + 16);
      if (shown > 0 && shown < text.size() && IS_HIGH_SURROGATE(text[shown - 1])) --shown;
      ExtTextOutW(dc, cell.left, cell.top, ETO_CLIPPED, &cell, text.c_str(),
                  static_cast<UINT>(shown), nullptr);
      if (LineV()) {
        RECT line{cell.right, bounds.top, cell.right + 1, bounds.bottom};
        FillRect(dc, &line, lines);
      }
      if (LineH()) {
        RECT line{cell.left, cell.bottom, cell.right + LineV(), bounds.bottom};
        FillRect(dc, &line, lines);
      }
      x += width + LineV();
    }
    DeleteObject(lines);
    SelectObject(dc, oldFont);
  }

  GridModel model_;
  HIMAGELIST rowImages_ = nullptr;
  HFONT bold_ = nullptr;
  bool calibrated_ = false;
  bool syncing_ = false;
  int selectedItem_ = -1;  // the line the list view shows selected
  int columns_ = 0;        // the list view's columns
};

class WTreeView : public WControl<TreeView> {
 public:
  WTreeView(Win32Form* f, HWND parent, const std::string& name, const Rect& b)
      : WControl(f, ControlKind::TreeView, name, b) {
    Create(parent, WC_TREEVIEWW,
           TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_TABSTOP,
           WS_EX_CLIENTEDGE);
  }
  ~WTreeView() override {
    if (images_) ImageList_Destroy(images_);
  }
  TreeNode AddNode(TreeNode parent, const std::string& text, intptr_t data, int image,
                   int selectedImage) override {
    std::wstring wide = common::Wide(text);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent ? reinterpret_cast<HTREEITEM>(parent) : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = wide.data();
    insert.item.lParam = data;
    insert.item.iImage = image;
    insert.item.iSelectedImage = selectedImage;
    return static_cast<TreeNode>(Send(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
  }
  void Clear() override { Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)); }
  int NodeCount() const override { return static_cast<int>(Send(TVM_GETCOUNT)); }
  TreeNode Selected() const override { return Next(TVGN_CARET, kNoNode); }
  void SetSelected(TreeNode node) override { Send(TVM_SELECTITEM, TVGN_CARET, node); }
  std::string NodeText(TreeNode node) const override {
    if (!node) return {};
    // The control cannot say how long a text is: grow the buffer until the
    // text ends before the buffer does.
    for (size_t size = 1024;; size *= 4) {
      std::wstring buffer(size, L'\0');
      TVITEMW item = Query(node, TVIF_TEXT, buffer.data(), static_cast<int>(size));
      if (!item.pszText) return {};
      if (item.pszText != buffer.data()) return common::Utf8(item.pszText);
      size_t length = wcsnlen(buffer.data(), size);
      if (length + 1 < size || size >= (size_t{1} << 24)) {
        buffer.resize(length);
        return common::Utf8(buffer);
      }
    }
  }
  void SetNodeText(TreeNode node, const std::string& text) override {
    std::wstring wide = common::Wide(text);
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(node);
    item.pszText = wide.data();
    Send(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  intptr_t NodeData(TreeNode node) const override {
    return node ? Query(node, TVIF_PARAM).lParam : 0;
  }
  int NodeImageIndex(TreeNode node) const override {
    return node ? Query(node, TVIF_IMAGE).iImage : -1;
  }
  int NodeSelectedIndex(TreeNode node) const override {
    return node ? Query(node, TVIF_SELECTEDIMAGE).iSelectedImage : -1;
  }
  TreeNode Parent(TreeNode node) const override { return node ? Next(TVGN_PARENT, node) : kNoNode; }
  std::vector<TreeNode> Children(TreeNode node) const override {
    std::vector<TreeNode> children;
    TreeNode child = node ? Next(TVGN_CHILD, node) : Next(TVGN_ROOT, kNoNode);
    for (; child; child = Next(TVGN_NEXT, child)) children.push_back(child);
    return children;
  }
  void Expand(TreeNode node, bool expand) override {
    Send(TVM_EXPAND, expand ? TVE_EXPAND : TVE_COLLAPSE, node);
  }
  bool Expanded(TreeNode node) const override {
    return node && (Send(TVM_GETITEMSTATE, node, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
  }
  void SetImageList(const std::vector<int>& ids) override {
    ids_ = ids;
    if (images_) ImageList_Destroy(images_);
    int size = Scale(16);
    images_ = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, static_cast<int>(ids.size()), 0);
    for (int id : ids) {
      HICON icon = static_cast<HICON>(
          LoadImageW(form_->Instance(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
      // A missing icon keeps the positions of the others.
      if (icon) {
        ImageList_AddIcon(images_, icon);
        DestroyIcon(icon);  // the list keeps its own copy
      } else {
        ImageList_AddIcon(images_, LoadIconW(nullptr, MAKEINTRESOURCEW(32512)));
      }
    }
    Send(TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images_));
  }
  std::vector<int> ImageList() const override { return ids_; }

  bool OnNotify(NMHDR* h, LRESULT* result) override {
    switch (h->code) {
      case TVN_SELCHANGEDW:
        if (OnChange) OnChange();
        return false;
      case NM_CLICK: {
        // The click lands before the selection moves: select the node under
        // the cursor first, so the handler sees it.
        TVHITTESTINFO hit{};
        GetCursorPos(&hit.pt);
        ScreenToClient(hwnd_, &hit.pt);
        auto item =
            reinterpret_cast<HTREEITEM>(Send(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (item && (hit.flags & TVHT_ONITEM)) {
          Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
        }
        if (OnClick) OnClick();
        return false;
      }
      case NM_DBLCLK:
        if (OnDblClick) OnDblClick();
        return false;
      default:
        return false;
    }
  }

 private:
  TreeNode Next(UINT how, TreeNode node) const {
    return static_cast<TreeNode>(Send(TVM_GETNEXTITEM, how, node));
  }
  TVITEMW Query(TreeNode node, UINT mask, wchar_t* buffer = nullptr, int size = 0) const {
    TVITEMW item{};
    item.mask = mask;
    item.hItem = reinterpret_cast<HTREEITEM>(node);
    item.pszText = buffer;
    item.cchTextMax = size;
    Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item;
  }
  HIMAGELIST images_ = nullptr;
  std::vector<int> ids_;
};

class WStatusBar : public WControl<StatusBar> {
 public:
  WStatusBar(Win32Form* f, HWND parent, const std::string& name)
      : WControl(f, ControlKind::StatusBar, name, Rect{}) {
    Create(parent, STATUSCLASSNAMEW, SBARS_SIZEGRIP, 0);
  }
  int AddPanel(int width) override {
    panels_.push_back(StatusPanel{width, "", false});
    Parts();
    return static_cast<int>(panels_.size()) - 1;
  }
  int PanelCount() const override { return static_cast<int>(panels_.size()); }
  std::string PanelText(int i) const override { return Valid(i) ? panels_[i].Text : ""; }
  void SetPanelText(int i, const std::string& text) override {
    if (!Valid(i)) return;
    panels_[i].Text = text;
    Publish(i);
  }
  void SetPanelOwnerDraw(int i, bool on) override {
    if (!Valid(i)) return;
    panels_[i].OwnerDraw = on;
    Publish(i);
  }
  bool PanelOwnerDraw(int i) const override { return Valid(i) && panels_[i].OwnerDraw; }
  void SetSimpleText(const std::string& text) override {
    std::wstring wide = common::Wide(text);
    Send(SB_SIMPLE, !text.empty());
    Send(SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(wide.c_str()));
  }
  void SetSizeGrip(bool on) override {
    // The control reads the style when it paints.
    SetStyleBits(SBARS_SIZEGRIP, on);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  bool SizeGrip() const override {
    return (GetWindowLongPtrW(hwnd_, GWL_STYLE) & SBARS_SIZEGRIP) != 0;
  }
  void Invalidate() override { InvalidateRect(hwnd_, nullptr, TRUE); }
  bool OnDrawItem(DRAWITEMSTRUCT* item) override {
    int i = static_cast<int>(item->itemID);
    if (!Valid(i)) return false;
    CellStyle style = StyleOfPanel(i);
    if (style.BackColor != kDefaultColor) {
      HBRUSH brush = CreateSolidBrush(ToColorRef(style.BackColor));
      FillRect(item->hDC, &item->rcItem, brush);
      DeleteObject(brush);
    }
    SetBkMode(item->hDC, TRANSPARENT);
    SetTextColor(item->hDC, style.TextColor == kDefaultColor ? GetSysColor(COLOR_BTNTEXT)
                                                             : ToColorRef(style.TextColor));
    // At the panel's top-left corner, cut at its edge rather than ended
    // with an ellipsis.
    std::wstring text = common::Wide(panels_[i].Text);
    RECT r = item->rcItem;
    ExtTextOutW(item->hDC, r.left, r.top, ETO_CLIPPED, &r, text.c_str(),
                static_cast<UINT>(text.size()), nullptr);
    return true;
  }

 private:
  bool Valid(int i) const { return i >= 0 && i < PanelCount(); }
  void Parts() {
    std::vector<int> edges;
    int x = 0;
    for (size_t i = 0; i < panels_.size(); ++i) {
      x += Scale(panels_[i].Width);
      edges.push_back(i + 1 == panels_.size() ? -1 : x);
    }
    Send(SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    for (int i = 0; i < PanelCount(); ++i) Publish(i);
  }
  void Publish(int i) {
    WPARAM how = static_cast<WPARAM>(i) | (panels_[i].OwnerDraw ? SBT_OWNERDRAW : 0);
    std::wstring wide = common::Wide(panels_[i].Text);
    LPARAM text = panels_[i].OwnerDraw ? 0 : reinterpret_cast<LPARAM>(wide.c_str());
    Send(SB_SETTEXTW, how, text);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  std::vector<StatusPanel> panels_;
};

// Paints its icon or picture itself: at the top-left corner or centred, at
// the picture's own size (cut by the control's edges), or stretched over
// the whole control.
class WImage : public WControl<Image> {
 public:
  WImage(Win32Form* f, HWND parent, const std::string& name, const Rect& b)
      : WControl(f, ControlKind::Image, name, b) {
    Create(parent, kPictureClass, 0, 0);
  }
  ~WImage() override { DropIcon(); }
  void SetIconResource(int id) override {
    DropIcon();
    id_ = id;
    picture_ = {};
    ownIcon_ = static_cast<HICON>(
        LoadImageW(form_->Instance(), MAKEINTRESOURCEW(id), IMAGE_ICON, Scale(32), Scale(32), 0));
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  int IconResource() const override { return id_; }
  void SetPicture(const Picture& picture) override {
    DropIcon();
    id_ = 0;
    picture_ = picture;
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  Picture GetPicture() const override { return picture_; }
  void SetCenter(bool center) override {
    center_ = center;
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  bool Center() const override { return center_; }
  void SetStretch(bool stretch) override {
    stretch_ = stretch;
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  bool Stretch() const override { return stretch_; }

  void Paint(HDC dc) const {
    RECT client;
    GetClientRect(hwnd_, &client);
    HICON icon = ownIcon_                               ? ownIcon_
                 : picture_.Kind == Picture::Type::Icon ? reinterpret_cast<HICON>(picture_.Handle)
                                                        : nullptr;
    if (icon) {
      if (ownIcon_) {
        DrawIconEx(dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
        return;
      }
      SIZE size = IconSize(icon);
      RECT at = Place(client, size);
      DrawIconEx(dc, at.left, at.top, icon, at.right - at.left, at.bottom - at.top, 0, nullptr,
                 DI_NORMAL);
    } else if (picture_.Kind == Picture::Type::Bitmap) {
      auto bitmap = reinterpret_cast<HBITMAP>(picture_.Handle);
      BITMAP info{};
      if (!GetObjectW(bitmap, sizeof info, &info)) return;
      RECT at = Place(client, SIZE{info.bmWidth, info.bmHeight});
      HDC source = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(source, bitmap);
      // Each pixel of the picture becomes a block of pixels, no blending.
      int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
      StretchBlt(dc, at.left, at.top, at.right - at.left, at.bottom - at.top, source, 0, 0,
                 info.bmWidth, info.bmHeight, SRCCOPY);
      SetStretchBltMode(dc, oldMode);
      SelectObject(source, old);
      DeleteDC(source);
    }
  }

 private:
  static SIZE IconSize(HICON icon) {
    SIZE size{0, 0};
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return size;
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    size.cx = mask.bmWidth;
    size.cy = info.hbmColor ? mask.bmHeight : mask.bmHeight / 2;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return size;
  }
  RECT Place(const RECT& client, SIZE size) const {
    if (stretch_) return client;
    RECT at{0, 0, size.cx, size.cy};
    if (center_) OffsetRect(&at, (client.right - size.cx) / 2, (client.bottom - size.cy) / 2);
    return at;
  }
  void DropIcon() {
    if (ownIcon_) DestroyIcon(ownIcon_);
    ownIcon_ = nullptr;
  }
  int id_ = 0;
  HICON ownIcon_ = nullptr;  // loaded here from the program's resources
  Picture picture_;
  bool center_ = false, stretch_ = false;
};

LRESULT CALLBACK PictureProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (auto* image = dynamic_cast<WImage*>(ControlOf(hwnd))) image->Paint(dc);
    EndPaint(hwnd, &ps);
    return 0;
  }
  // Drawn into a device context of the caller's (a capture of the control).
  if (msg == WM_PRINTCLIENT) {
    auto dc = reinterpret_cast<HDC>(wParam);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (auto* image = dynamic_cast<WImage*>(ControlOf(hwnd))) image->Paint(dc);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// A plain window that lends itself as the parent of a child window the
// platform made, and shows it at its top-left corner.
class WWindowHost : public WControl<WindowHost> {
 public:
  WWindowHost(Win32Form* f, HWND parent, const std::string& name, const Rect& b)
      : WControl(f, ControlKind::WindowHost, name, b) {
    Create(parent, kPanelClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
  }
  void Adopt(uintptr_t child) override {
    HWND window = reinterpret_cast<HWND>(child);
    if (child_ && child_ != window && IsWindow(child_)) ShowWindow(child_, SW_HIDE);
    child_ = window && IsWindow(window) ? window : nullptr;
    if (!child_) return;
    // A dialog made as a pop-up becomes a child, so it moves and hides with
    // the host.
    LONG_PTR style = GetWindowLongPtrW(child_, GWL_STYLE);
    SetWindowLongPtrW(child_, GWL_STYLE, (style & ~static_cast<LONG_PTR>(WS_POPUP)) | WS_CHILD);
    if (GetParent(child_) != hwnd_) SetParent(child_, hwnd_);
    SetWindowPos(child_, HWND_TOP, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
  }
  // The maker may have destroyed it meanwhile.
  uintptr_t Child() const override {
    return child_ && IsWindow(child_) ? reinterpret_cast<uintptr_t>(child_) : 0;
  }

 private:
  HWND child_ = nullptr;
};

// A frame drawn as a group box's, holding one auto radio button per item.
// Item i's button is a child of the frame with id ControlId() * 10 + i and
// the item's caption, for drivers in another process.
class WRadioGroup : public WControl<RadioGroup> {
 public:
  WRadioGroup(Win32Form* f, HWND parent, const std::string& name, const Rect& b,
              const std::string& caption, const std::vector<std::string>& items, int columns)
      : WControl(f, ControlKind::RadioGroup, name, b),
        items_(items),
        columns_(std::max(columns, 1)) {
    Create(parent, kPanelClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, caption);
    SetPropW(hwnd_, kFrameProp, reinterpret_cast<HANDLE>(1));
    for (size_t i = 0; i < items_.size(); ++i) {
      DWORD style = BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0);
      HWND button = CreateChild(form_, hwnd_, L"BUTTON", style, 0, Rect{}, items_[i]);
      buttons_.push_back(std::make_unique<ItemButton>(this, button, static_cast<int>(i)));
    }
    Ids();
    Layout();
  }
  void SetText(const std::string& text) override {
    WControl::SetText(text);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  void SetEnabled(bool enabled) override {
    WControl::SetEnabled(enabled);
    for (auto& button : buttons_) EnableWindow(button->Handle(), enabled);
  }
  void SetBounds(const Rect& b) override {
    WControl::SetBounds(b);
    Layout();
  }
  void SetFont(const Font& font) override {
    WControl::SetFont(font);
    for (auto& button : buttons_) {
      SendMessageW(button->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    }
    Layout();
  }
  void SetControlId(int id) override {
    WControl::SetControlId(id);
    Ids();
  }
  int Count() const override { return static_cast<int>(items_.size()); }
  std::string Item(int i) const override {
    return i >= 0 && i < Count() ? items_[static_cast<size_t>(i)] : std::string();
  }
  int ItemIndex() const override { return chosen_; }
  void SetItemIndex(int i) override {
    chosen_ = i >= 0 && i < Count() ? i : -1;
    Checks();
  }

 private:
  // A button tells the group which item it stands for.
  class ItemButton : public NativeControl {
   public:
    ItemButton(WRadioGroup* group, HWND button, int index) : group_(group), index_(index) {
      hwnd_ = button;
      form_ = group->form_;
      Attach(hwnd_, this);
    }
    void OnCommand(int code) override {
      if (code == BN_CLICKED) group_->Clicked(index_);
    }

   private:
    WRadioGroup* group_;
    int index_;
  };

  // Only a change of the choice is the user's: a click on the button already
  // chosen changes nothing.
  void Clicked(int i) {
    if (i == chosen_) return;
    chosen_ = i;
    Checks();
    if (OnClick) OnClick();
  }
  void Checks() {
    for (size_t i = 0; i < buttons_.size(); ++i) {
      bool on = static_cast<int>(i) == chosen_;
      SendMessageW(buttons_[i]->Handle(), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  }
  void Ids() {
    int id = ControlId();
    for (size_t i = 0; i < buttons_.size(); ++i) {
      SetWindowLongPtrW(buttons_[i]->Handle(), GWLP_ID, id * 10 + static_cast<int>(i));
    }
  }
  // Equal columns, filled top to bottom and then left to right; the rows
  // share the height below the caption.
  void Layout() {
    if (buttons_.empty()) return;
    RECT r;
    GetClientRect(hwnd_, &r);
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(Send(WM_GETFONT)));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    int count = Count();
    int perColumn = (count + columns_ - 1) / columns_;
    int width = std::max((static_cast<int>(r.right) - Scale(10)) / columns_, 0);
    int height = std::max(static_cast<int>(r.bottom - tm.tmHeight) - Scale(5), 0);
    int rowHeight = height / perColumn;
    int top = tm.tmHeight + 1 + (height % perColumn) / 2;
    for (int i = 0; i < count; ++i) {
      MoveWindow(buttons_[static_cast<size_t>(i)]->Handle(), (i / perColumn) * width + Scale(8),
                 (i % perColumn) * rowHeight + top, width, rowHeight, TRUE);
    }
  }

  std::vector<std::string> items_;
  int columns_;
  int chosen_ = -1;
  std::vector<std::unique_ptr<ItemButton>> buttons_;
};

// Containers: a plain window that holds children and passes their
// notifications on.
template <typename Base>
class WContainer : public ChildHost<WControl<Base>> {
 public:
  WContainer(Win32Form* f, HWND parent, ControlKind kind, const std::string& name, const Rect& b,
             DWORD exStyle = 0)
      : ChildHost<WControl<Base>>(f, kind, name, b), children_(f, nullptr) {
    this->Create(parent, kPanelClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT | exStyle);
    children_ = ChildFactory(f, this->hwnd_);
  }

 protected:
  ChildFactory& Factory() override { return children_; }
  const ChildFactory& Factory() const override { return children_; }
  ChildFactory children_;
};

class WGroupBox : public WContainer<GroupBox> {
 public:
  WGroupBox(Win32Form* f, HWND parent, const std::string& name, const Rect& b,
            const std::string& caption)
      : WContainer(f, parent, ControlKind::GroupBox, name, b) {
    SetPropW(hwnd_, kFrameProp, reinterpret_cast<HANDLE>(1));
    SetWindowTextW(hwnd_, common::Wide(caption).c_str());
  }
  void SetText(const std::string& text) override {
    SetWindowTextW(hwnd_, common::Wide(text).c_str());
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
};

class WPanel : public WContainer<Panel> {
 public:
  WPanel(Win32Form* f, HWND parent, const std::string& name, const Rect& b)
      : WContainer(f, parent, ControlKind::Panel, name, b, WS_EX_STATICEDGE) {}
  void SetBevel(bool raised) override {
    LONG_PTR ex = GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) & ~(WS_EX_STATICEDGE | WS_EX_WINDOWEDGE);
    ex |= raised ? WS_EX_WINDOWEDGE | WS_EX_DLGMODALFRAME : WS_EX_STATICEDGE;
    SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, ex);
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  }
};

class WTabSheet : public WContainer<TabSheet> {
 public:
  WTabSheet(Win32Form* f, HWND tab, const std::string& name, const std::string& caption, int index)
      : WContainer(f, tab, ControlKind::TabSheet, name, Rect{}), caption_(caption), index_(index) {}
  std::string Text() const override { return caption_; }
  void SetText(const std::string& text) override { caption_ = text; }
  int PageIndex() const override { return index_; }

 private:
  std::string caption_;
  int index_;
};

class WPageControl : public WControl<PageControl> {
 public:
  WPageControl(Win32Form* f, HWND parent, const std::string& name, const Rect& b)
      : WControl(f, ControlKind::PageControl, name, b) {
    Create(parent, WC_TABCONTROLW, WS_CLIPCHILDREN | WS_TABSTOP, WS_EX_CONTROLPARENT);
  }
  TabSheet* AddPage(const std::string& name, const std::string& caption) override {
    std::wstring wide = common::Wide(caption);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = wide.data();
    int index = PageCount();
    Send(TCM_INSERTITEMW, index, reinterpret_cast<LPARAM>(&item));
    pages_.push_back(std::make_unique<WTabSheet>(form_, hwnd_, name, caption, index));
    Layout();
    ShowActive();
    return pages_.back().get();
  }
  int PageCount() const override { return static_cast<int>(pages_.size()); }
  TabSheet* Page(int i) const override {
    return i >= 0 && i < PageCount() ? pages_[i].get() : nullptr;
  }
  int ActivePageIndex() const override { return static_cast<int>(Send(TCM_GETCURSEL)); }
  void SetActivePageIndex(int i) override {
    if (i < 0 || i >= PageCount()) return;
    Send(TCM_SETCURSEL, i);
    ShowActive();
  }
  void SetMultiLine(bool on) override {
    SetStyleBits(TCS_MULTILINE, on);
    Layout();
  }
  bool OnNotify(NMHDR* h, LRESULT*) override {
    if (h->code == TCN_SELCHANGE) {
      ShowActive();
      if (OnChange) OnChange();
    }
    return false;
  }

 private:
  void Layout() {
    RECT r;
    GetClientRect(hwnd_, &r);
    Send(TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    for (auto& page : pages_) {
      MoveWindow(page->Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
  }
  void ShowActive() {
    int active = ActivePageIndex();
    for (int i = 0; i < PageCount(); ++i) {
      ShowWindow(pages_[i]->Handle(), i == active ? SW_SHOW : SW_HIDE);
    }
  }
  std::vector<std::unique_ptr<WTabSheet>> pages_;
};

}  // namespace

template <typename T, typename... Args>
T* ChildFactory::Own(Args&&... args) {
  auto control = std::make_unique<T>(form_, parent_, std::forward<Args>(args)...);
  T* raw = control.get();
  children_.push_back(std::move(control));
  return raw;
}

Label* ChildFactory::AddLabel(const std::string& n, const Rect& b, const std::string& t) {
  return Own<WLabel>(n, b, t);
}
Edit* ChildFactory::AddEdit(const std::string& n, const Rect& b) {
  return Own<WEdit>(n, b);
}
Button* ChildFactory::AddButton(const std::string& n, const Rect& b, const std::string& c) {
  return Own<WButton>(n, b, c);
}
CheckBox* ChildFactory::AddCheckBox(const std::string& n, const Rect& b, const std::string& c) {
  return Own<WCheckBox>(n, b, c);
}
ListBox* ChildFactory::AddListBox(const std::string& n, const Rect& b) {
  return Own<WListBox>(n, b);
}
StringGrid* ChildFactory::AddStringGrid(const std::string& n, const Rect& b) {
  return Own<WStringGrid>(n, b);
}
TreeView* ChildFactory::AddTreeView(const std::string& n, const Rect& b) {
  return Own<WTreeView>(n, b);
}
PageControl* ChildFactory::AddPageControl(const std::string& n, const Rect& b) {
  return Own<WPageControl>(n, b);
}
StatusBar* ChildFactory::AddStatusBar(const std::string& n) {
  return Own<WStatusBar>(n);
}
// Frames go under the controls drawn on them.
GroupBox* ChildFactory::AddGroupBox(const std::string& n, const Rect& b, const std::string& c) {
  auto* box = Own<WGroupBox>(n, b, c);
  SetWindowPos(box->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return box;
}
Panel* ChildFactory::AddPanel(const std::string& n, const Rect& b) {
  auto* panel = Own<WPanel>(n, b);
  SetWindowPos(panel->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return panel;
}
Image* ChildFactory::AddImage(const std::string& n, const Rect& b) {
  return Own<WImage>(n, b);
}
WindowHost* ChildFactory::AddWindowHost(const std::string& n, const Rect& b) {
  return Own<WWindowHost>(n, b);
}
RadioGroup* ChildFactory::AddRadioGroup(const std::string& n, const Rect& b, const std::string& c,
                                        const std::vector<std::string>& items, int columns) {
  return Own<WRadioGroup>(n, b, c, items, columns);
}

std::vector<Control*> ChildFactory::Children() const {
  std::vector<Control*> children;
  for (const auto& c : children_) children.push_back(c.get());
  return children;
}

}  // namespace ui::win32
