// The standard controls behind the widget interfaces.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <commctrl.h>

#include <algorithm>

#include "ui/win32/win32_form.h"

namespace ui::win32 {
namespace {

const char kPanelClass[] = "DlvPanel";

// Containers pass their children's notifications on to the form.
LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      // A group box draws its own etched frame and caption: a frame control
      // among the children would paint over them.
      if (GetPropA(hwnd, "DlvFrame")) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT r;
        GetClientRect(hwnd, &r);
        char text[256] = {};
        GetWindowTextA(hwnd, text, sizeof text);
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
        HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
        TEXTMETRICA tm;
        GetTextMetricsA(dc, &tm);
        RECT frame = r;
        frame.top += text[0] ? tm.tmHeight / 2 : 0;
        DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
        if (text[0]) {
          SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
          SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
          TextOutA(dc, Scale(8), 0, text, lstrlenA(text));
        }
        if (old) SelectObject(dc, old);
        EndPaint(hwnd, &ps);
        return 0;
      }
      break;
    case WM_SETFONT:
      SetPropA(hwnd, "DlvFont", reinterpret_cast<HANDLE>(wParam));
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(GetPropA(hwnd, "DlvFont"));
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CONTEXTMENU:
      if (HWND root = GetAncestor(hwnd, GA_ROOT); root && root != hwnd) {
        return SendMessageA(root, msg, wParam, lParam);
      }
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void RegisterPanelClass(HINSTANCE instance) {
  static bool done = false;
  if (done) return;
  WNDCLASSA wc{};
  wc.lpfnWndProc = PanelProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kPanelClass;
  RegisterClassA(&wc);
  done = true;
}

std::string WindowText(HWND hwnd) {
  int length = GetWindowTextLengthA(hwnd);
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  int got = GetWindowTextA(hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return text;
}

HWND CreateChild(Win32Form* form, HWND parent, const char* cls, DWORD style, DWORD exStyle,
                 const Rect& b, const std::string& text = "") {
  HWND hwnd = CreateWindowExA(
      exStyle, cls, text.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, Scale(b.Left),
      Scale(b.Top), Scale(b.Width), Scale(b.Height), parent, nullptr, form->Instance(), nullptr);
  if (hwnd && form->FontHandle()) {
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(form->FontHandle()), FALSE);
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
  void SetText(const std::string& text) override { SetWindowTextA(hwnd_, text.c_str()); }
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
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  }
  void SetFocus() override { ::SetFocus(hwnd_); }
  void SetControlId(int id) override { SetWindowLongPtrA(hwnd_, GWLP_ID, id); }
  int ControlId() const override { return GetDlgCtrlID(hwnd_); }

 protected:
  void Create(HWND parent, const char* cls, DWORD style, DWORD exStyle,
              const std::string& text = "") {
    hwnd_ = CreateChild(form_, parent, cls, style, exStyle, bounds_, text);
    Attach(hwnd_, this);
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
    Create(parent, "STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, text);
  }
  void SetAlignment(Alignment a) override {
    LONG_PTR style = GetWindowLongPtrA(hwnd_, GWL_STYLE) & ~SS_TYPEMASK;
    style |= a == Alignment::Center  ? SS_CENTER
             : a == Alignment::Right ? SS_RIGHT
                                     : SS_LEFTNOWORDWRAP;
    SetWindowLongPtrA(hwnd_, GWL_STYLE, style);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
};

class WEdit : public WControl<Edit> {
 public:
  WEdit(Win32Form* f, HWND parent, const std::string& name, const Rect& b)
      : WControl(f, ControlKind::Edit, name, b) {
    Create(parent, "EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE);
  }
  bool ReadOnly() const override {
    return (GetWindowLongPtrA(hwnd_, GWL_STYLE) & ES_READONLY) != 0;
  }
  void SetReadOnly(bool on) override { SendMessageA(hwnd_, EM_SETREADONLY, on, 0); }
  void SetBorder(bool border) override {
    LONG_PTR ex = GetWindowLongPtrA(hwnd_, GWL_EXSTYLE);
    ex = border ? ex | WS_EX_CLIENTEDGE : ex & ~WS_EX_CLIENTEDGE;
    SetWindowLongPtrA(hwnd_, GWL_EXSTYLE, ex);
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  }
  void SetMaxLength(int n) override { SendMessageA(hwnd_, EM_SETLIMITTEXT, n > 0 ? n : 0, 0); }
  void OnCommand(int code) override {
    if (code == EN_CHANGE && OnChange) OnChange();
  }
};

class WButton : public WControl<Button> {
 public:
  WButton(Win32Form* f, HWND parent, const std::string& name, const Rect& b,
          const std::string& caption)
      : WControl(f, ControlKind::Button, name, b) {
    Create(parent, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, caption);
  }
  void SetModalResult(ModalResult r) override { result_ = r; }
  ModalResult GetModalResult() const override { return result_; }
  void SetDefault(bool on) override {
    SendMessageA(hwnd_, BM_SETSTYLE, on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
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
    Create(parent, "BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0, caption);
  }
  bool Checked() const override { return SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void SetChecked(bool on) override {
    SendMessageA(hwnd_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  void OnCommand(int code) override {
    if (code == BN_CLICKED && OnClick) OnClick();
  }
};

class WListBox : public WControl<ListBox> {
 public:
  WListBox(Win32Form* f, HWND parent, const std::string& name, const Rect& b)
      : WControl(f, ControlKind::ListBox, name, b), parent_(parent) {
    Make();
  }
  int Count() const override { return static_cast<int>(SendMessageA(hwnd_, LB_GETCOUNT, 0, 0)); }
  std::string Item(int i) const override {
    LRESULT length = SendMessageA(hwnd_, LB_GETTEXTLEN, i, 0);
    if (length == LB_ERR || length < 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    LRESULT got = SendMessageA(hwnd_, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
    return text;
  }
  int AddItem(const std::string& text) override {
    return static_cast<int>(
        SendMessageA(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
  }
  void DeleteItem(int i) override { SendMessageA(hwnd_, LB_DELETESTRING, i, 0); }
  void Clear() override { SendMessageA(hwnd_, LB_RESETCONTENT, 0, 0); }
  int ItemIndex() const override {
    LRESULT i = SendMessageA(hwnd_, LB_GETCURSEL, 0, 0);
    return i == LB_ERR ? -1 : static_cast<int>(i);
  }
  void SetItemIndex(int i) override { SendMessageA(hwnd_, LB_SETCURSEL, i, 0); }
  bool Sorted() const override { return sorted_; }
  // The platform's sorted list box is a creation style: the window is made
  // again with or without it, keeping lines, selection, id and font.
  void SetSorted(bool sorted) override {
    if (sorted == sorted_) return;
    std::vector<std::string> items = Items();
    int id = ControlId();
    bool enabled = Enabled();
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
    HWND old = hwnd_;
    sorted_ = sorted;
    Make();
    SetWindowPos(hwnd_, old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    DestroyWindow(old);
    SetControlId(id);
    EnableWindow(hwnd_, enabled);
    if (font) SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (!visible_) ShowWindow(hwnd_, SW_HIDE);
    for (const auto& item : items) AddItem(item);
  }
  void SetItemHeight(int h) override { SendMessageA(hwnd_, LB_SETITEMHEIGHT, 0, Scale(h)); }
  void OnCommand(int code) override {
    if (code == LBN_SELCHANGE && OnClick) OnClick();
    if (code == LBN_DBLCLK && OnDblClick) OnDblClick();
  }

 private:
  void Make() {
    Create(parent_, "LISTBOX",
           LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP |
               (sorted_ ? LBS_SORT : 0),
           WS_EX_CLIENTEDGE);
  }
  HWND parent_;
  bool sorted_ = false;
};

// A string grid as a report-style list view: row 0 is the header, the
// form's colours come through custom draw.
class WStringGrid : public WControl<StringGrid> {
 public:
  WStringGrid(Win32Form* f, HWND parent, const std::string& name, const Rect& b)
      : WControl(f, ControlKind::StringGrid, name, b) {
    Create(parent, WC_LISTVIEWA, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP,
           WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    SetColCount(5);
    SetRowCount(5);
  }
  int ColCount() const override { return cols_; }
  void SetColCount(int count) override {
    count = std::max(count, 1);
    while (cols_ < count) {
      LVCOLUMNA column{};
      column.mask = LVCF_WIDTH | LVCF_TEXT;
      column.cx = Scale(64);
      column.pszText = const_cast<char*>("");
      SendMessageA(hwnd_, LVM_INSERTCOLUMNA, cols_, reinterpret_cast<LPARAM>(&column));
      ++cols_;
    }
    while (cols_ > count) SendMessageA(hwnd_, LVM_DELETECOLUMN, --cols_, 0);
    header_.resize(cols_);
  }
  int RowCount() const override { return fixedRows_ + Items(); }
  void SetRowCount(int count) override {
    int items = std::max(count - fixedRows_, 0);
    SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
    while (Items() < items) {
      LVITEMA item{};
      item.mask = LVIF_TEXT;
      item.iItem = Items();
      item.pszText = const_cast<char*>("");
      SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    while (Items() > items) SendMessageA(hwnd_, LVM_DELETEITEM, Items() - 1, 0);
    SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
  }
  int FixedRows() const override { return fixedRows_; }
  void SetFixedRows(int count) override {
    fixedRows_ = std::clamp(count, 0, 1);
    // Without a fixed row the list shows no header line.
    LONG_PTR style = GetWindowLongPtrA(hwnd_, GWL_STYLE);
    style = fixedRows_ ? (style & ~LONG_PTR{LVS_NOCOLUMNHEADER}) : (style | LVS_NOCOLUMNHEADER);
    SetWindowLongPtrA(hwnd_, GWL_STYLE, style);
  }
  int FixedCols() const override { return fixedCols_; }
  void SetFixedCols(int count) override { fixedCols_ = count; }
  std::string Cell(int col, int row) const override {
    if (col < 0 || col >= cols_) return {};
    if (row < fixedRows_) return header_[col];
    char buffer[1024] = {};
    LVITEMA item{};
    item.iSubItem = col;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessageA(hwnd_, LVM_GETITEMTEXTA, row - fixedRows_, reinterpret_cast<LPARAM>(&item));
    return buffer;
  }
  void SetCell(int col, int row, const std::string& text) override {
    if (col < 0 || col >= cols_ || row < 0 || row >= RowCount()) return;
    if (row < fixedRows_) {
      header_[col] = text;
      LVCOLUMNA column{};
      column.mask = LVCF_TEXT;
      column.pszText = const_cast<char*>(text.c_str());
      SendMessageA(hwnd_, LVM_SETCOLUMNA, col, reinterpret_cast<LPARAM>(&column));
      return;
    }
    LVITEMA item{};
    item.iSubItem = col;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(hwnd_, LVM_SETITEMTEXTA, row - fixedRows_, reinterpret_cast<LPARAM>(&item));
  }
  int ColWidth(int col) const override {
    return MulDiv(static_cast<int>(SendMessageA(hwnd_, LVM_GETCOLUMNWIDTH, col, 0)), 96,
                  std::max(Scale(96), 1));
  }
  void SetColWidth(int col, int width) override {
    SendMessageA(hwnd_, LVM_SETCOLUMNWIDTH, col, Scale(width));
  }
  int DefaultRowHeight() const override { return rowHeight_; }
  void SetDefaultRowHeight(int h) override { rowHeight_ = h; }
  int Row() const override {
    LRESULT i = SendMessageA(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
    return i < 0 ? fixedRows_ : static_cast<int>(i) + fixedRows_;
  }
  void SetRow(int row) override {
    int item = row - fixedRows_;
    if (item < 0 || item >= Items()) return;
    ListView_SetItemState(hwnd_, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageA(hwnd_, LVM_ENSUREVISIBLE, item, FALSE);
  }
  int Col() const override { return col_; }
  void SetCol(int col) override { col_ = col; }
  int TopRow() const override {
    return static_cast<int>(SendMessageA(hwnd_, LVM_GETTOPINDEX, 0, 0)) + fixedRows_;
  }
  void SetTopRow(int row) override {
    SendMessageA(hwnd_, LVM_ENSUREVISIBLE, std::max(row - fixedRows_, 0), FALSE);
  }
  void Invalidate() override { InvalidateRect(hwnd_, nullptr, TRUE); }

  bool OnNotify(NMHDR* h, LRESULT* result) override {
    switch (h->code) {
      case NM_CUSTOMDRAW: {
        auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(h);
        if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
          *result = CDRF_NOTIFYITEMDRAW;
        } else if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
          *result = CDRF_NOTIFYSUBITEMDRAW;
        } else if (draw->nmcd.dwDrawStage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
          int row = static_cast<int>(draw->nmcd.dwItemSpec) + fixedRows_;
          CellState state;
          state.Selected = ListView_GetItemState(hwnd_, draw->nmcd.dwItemSpec, LVIS_SELECTED) != 0;
          state.Fixed = draw->iSubItem < fixedCols_;
          CellStyle style = StyleOf(draw->iSubItem, row, state);
          draw->clrText = style.TextColor == kDefaultColor ? GetSysColor(COLOR_WINDOWTEXT)
                                                           : ToColorRef(style.TextColor);
          draw->clrTextBk = style.BackColor == kDefaultColor ? GetSysColor(COLOR_WINDOW)
                                                             : ToColorRef(style.BackColor);
          *result = CDRF_NEWFONT;
        } else {
          *result = CDRF_DODEFAULT;
        }
        return true;
      }
      case LVN_ITEMCHANGED: {
        auto* change = reinterpret_cast<NMLISTVIEW*>(h);
        if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED) &&
            OnSelectCell) {
          OnSelectCell(col_, change->iItem + fixedRows_);
        }
        return false;
      }
      case LVN_COLUMNCLICK:
        if (OnFixedCellClick) {
          OnFixedCellClick(reinterpret_cast<NMLISTVIEW*>(h)->iSubItem, 0);
        }
        return false;
      case NM_CLICK:
        if (OnClick) OnClick();
        return false;
      case NM_DBLCLK:
        if (OnDblClick) OnDblClick();
        return false;
      default:
        return false;
    }
  }

 private:
  int Items() const { return static_cast<int>(SendMessageA(hwnd_, LVM_GETITEMCOUNT, 0, 0)); }
  int cols_ = 0, fixedRows_ = 1, fixedCols_ = 0, col_ = 0, rowHeight_ = 24;
  std::vector<std::string> header_;
};

class WTreeView : public WControl<TreeView> {
 public:
  WTreeView(Win32Form* f, HWND parent, const std::string& name, const Rect& b)
      : WControl(f, ControlKind::TreeView, name, b) {
    Create(parent, WC_TREEVIEWA,
           TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_TABSTOP,
           WS_EX_CLIENTEDGE);
  }
  ~WTreeView() override {
    if (images_) ImageList_Destroy(images_);
  }
  TreeNode AddNode(TreeNode parent, const std::string& text, intptr_t data, int image,
                   int selectedImage) override {
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent ? reinterpret_cast<HTREEITEM>(parent) : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<char*>(text.c_str());
    insert.item.lParam = data;
    insert.item.iImage = image;
    insert.item.iSelectedImage = selectedImage;
    return static_cast<TreeNode>(
        SendMessageA(hwnd_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
  }
  void Clear() override {
    SendMessageA(hwnd_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  }
  int NodeCount() const override {
    return static_cast<int>(SendMessageA(hwnd_, TVM_GETCOUNT, 0, 0));
  }
  TreeNode Selected() const override { return Next(TVGN_CARET, kNoNode); }
  void SetSelected(TreeNode node) override {
    SendMessageA(hwnd_, TVM_SELECTITEM, TVGN_CARET, node);
  }
  std::string NodeText(TreeNode node) const override {
    if (!node) return {};
    char buffer[1024] = {};
    TVITEMA item = Query(node, TVIF_TEXT, buffer, sizeof buffer);
    return item.pszText ? item.pszText : "";
  }
  void SetNodeText(TreeNode node, const std::string& text) override {
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(node);
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(hwnd_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
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
    SendMessageA(hwnd_, TVM_EXPAND, expand ? TVE_EXPAND : TVE_COLLAPSE, node);
  }
  bool Expanded(TreeNode node) const override {
    return node &&
           (SendMessageA(hwnd_, TVM_GETITEMSTATE, node, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
  }
  void SetImageList(const std::vector<int>& ids) override {
    ids_ = ids;
    if (images_) ImageList_Destroy(images_);
    int size = Scale(16);
    images_ = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, static_cast<int>(ids.size()), 0);
    for (int id : ids) {
      HICON icon = static_cast<HICON>(
          LoadImageA(form_->Instance(), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
      // A missing icon keeps the positions of the others.
      if (!icon) icon = LoadIcon(nullptr, IDI_APPLICATION);
      ImageList_AddIcon(images_, icon);
    }
    SendMessageA(hwnd_, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images_));
  }
  std::vector<int> ImageList() const override { return ids_; }

  bool OnNotify(NMHDR* h, LRESULT* result) override {
    switch (h->code) {
      case TVN_SELCHANGEDA:
      case TVN_SELCHANGEDW:
        if (OnChange) OnChange();
        return false;
      case NM_CLICK: {
        // The click lands before the selection moves: select the node under
        // the cursor first, so the handler sees it.
        TVHITTESTINFO hit{};
        GetCursorPos(&hit.pt);
        ScreenToClient(hwnd_, &hit.pt);
        auto item = reinterpret_cast<HTREEITEM>(
            SendMessageA(hwnd_, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (item && (hit.flags & TVHT_ONITEM)) {
          SendMessageA(hwnd_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
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
    return static_cast<TreeNode>(SendMessageA(hwnd_, TVM_GETNEXTITEM, how, node));
  }
  TVITEMA Query(TreeNode node, UINT mask, char* buffer = nullptr, int size = 0) const {
    TVITEMA item{};
    item.mask = mask;
    item.hItem = reinterpret_cast<HTREEITEM>(node);
    item.pszText = buffer;
    item.cchTextMax = size;
    SendMessageA(hwnd_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item;
  }
  HIMAGELIST images_ = nullptr;
  std::vector<int> ids_;
};

class WStatusBar : public WControl<StatusBar> {
 public:
  WStatusBar(Win32Form* f, HWND parent, const std::string& name)
      : WControl(f, ControlKind::StatusBar, name, Rect{}) {
    Create(parent, STATUSCLASSNAMEA, SBARS_SIZEGRIP, 0);
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
    Send(i);
  }
  void SetPanelOwnerDraw(int i, bool on) override {
    if (!Valid(i)) return;
    panels_[i].OwnerDraw = on;
    Send(i);
  }
  bool PanelOwnerDraw(int i) const override { return Valid(i) && panels_[i].OwnerDraw; }
  void SetSimpleText(const std::string& text) override {
    SendMessageA(hwnd_, SB_SIMPLE, !text.empty(), 0);
    SendMessageA(hwnd_, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.c_str()));
  }
  void SetSizeGrip(bool on) override {
    // The control reads the style when it paints.
    LONG_PTR style = GetWindowLongPtrA(hwnd_, GWL_STYLE);
    style = on ? (style | SBARS_SIZEGRIP) : (style & ~LONG_PTR{SBARS_SIZEGRIP});
    SetWindowLongPtrA(hwnd_, GWL_STYLE, style);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  bool SizeGrip() const override {
    return (GetWindowLongPtrA(hwnd_, GWL_STYLE) & SBARS_SIZEGRIP) != 0;
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
    RECT r = item->rcItem;
    r.left += Scale(2);
    DrawTextA(item->hDC, panels_[i].Text.c_str(), -1, &r,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
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
    SendMessageA(hwnd_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    for (int i = 0; i < PanelCount(); ++i) Send(i);
  }
  void Send(int i) {
    WPARAM how = static_cast<WPARAM>(i) | (panels_[i].OwnerDraw ? SBT_OWNERDRAW : 0);
    LPARAM text = panels_[i].OwnerDraw ? 0 : reinterpret_cast<LPARAM>(panels_[i].Text.c_str());
    SendMessageA(hwnd_, SB_SETTEXTA, how, text);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  std::vector<StatusPanel> panels_;
};

class WImage : public WControl<Image> {
 public:
  WImage(Win32Form* f, HWND parent, const std::string& name, const Rect& b)
      : WControl(f, ControlKind::Image, name, b) {
    Create(parent, "STATIC", SS_ICON, 0);
  }
  void SetIconResource(int id) override {
    id_ = id;
    HICON icon = static_cast<HICON>(
        LoadImageA(form_->Instance(), MAKEINTRESOURCEA(id), IMAGE_ICON, Scale(32), Scale(32), 0));
    if (icon) SendMessageA(hwnd_, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  }
  int IconResource() const override { return id_; }

 private:
  int id_ = 0;
};

// Containers: a plain window that holds children and passes their
// notifications on.
template <typename Base>
class WContainer : public ChildHost<WControl<Base>> {
 public:
  WContainer(Win32Form* f, HWND parent, ControlKind kind, const std::string& name, const Rect& b,
             DWORD exStyle = 0)
      : ChildHost<WControl<Base>>(f, kind, name, b), children_(f, nullptr) {
    RegisterPanelClass(f->Instance());
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
    SetPropA(hwnd_, "DlvFrame", reinterpret_cast<HANDLE>(1));
    SetWindowTextA(hwnd_, caption.c_str());
  }
  void SetText(const std::string& text) override {
    SetWindowTextA(hwnd_, text.c_str());
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
};

class WPanel : public WContainer<Panel> {
 public:
  WPanel(Win32Form* f, HWND parent, const std::string& name, const Rect& b)
      : WContainer(f, parent, ControlKind::Panel, name, b, WS_EX_STATICEDGE) {}
  void SetBevel(bool raised) override {
    LONG_PTR ex = GetWindowLongPtrA(hwnd_, GWL_EXSTYLE) & ~(WS_EX_STATICEDGE | WS_EX_WINDOWEDGE);
    ex |= raised ? WS_EX_WINDOWEDGE | WS_EX_DLGMODALFRAME : WS_EX_STATICEDGE;
    SetWindowLongPtrA(hwnd_, GWL_EXSTYLE, ex);
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
    Create(parent, WC_TABCONTROLA, WS_CLIPCHILDREN | WS_TABSTOP, WS_EX_CONTROLPARENT);
  }
  TabSheet* AddPage(const std::string& name, const std::string& caption) override {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(caption.c_str());
    int index = PageCount();
    SendMessageA(hwnd_, TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&item));
    pages_.push_back(std::make_unique<WTabSheet>(form_, hwnd_, name, caption, index));
    Layout();
    ShowActive();
    return pages_.back().get();
  }
  int PageCount() const override { return static_cast<int>(pages_.size()); }
  TabSheet* Page(int i) const override {
    return i >= 0 && i < PageCount() ? pages_[i].get() : nullptr;
  }
  int ActivePageIndex() const override {
    return static_cast<int>(SendMessageA(hwnd_, TCM_GETCURSEL, 0, 0));
  }
  void SetActivePageIndex(int i) override {
    if (i < 0 || i >= PageCount()) return;
    SendMessageA(hwnd_, TCM_SETCURSEL, i, 0);
    ShowActive();
  }
  void SetMultiLine(bool on) override {
    LONG_PTR style = GetWindowLongPtrA(hwnd_, GWL_STYLE);
    SetWindowLongPtrA(hwnd_, GWL_STYLE, on ? style | TCS_MULTILINE : style & ~TCS_MULTILINE);
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
    SendMessageA(hwnd_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
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

std::vector<Control*> ChildFactory::Children() const {
  std::vector<Control*> children;
  for (const auto& c : children_) children.push_back(c.get());
  return children;
}

}  // namespace ui::win32
