#include "ui/headless/headless.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <stdexcept>

#include "ui/grid_model.h"

namespace ui::headless {
namespace {

// Case-blind order of the platform's sorted list box.
bool LessNoCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(
      a.begin(), a.end(), b.begin(), b.end(),
      [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
}

// Stands in for a window handle: unique among the controls of the process.
uintptr_t NextHandle() {
  static std::atomic<uintptr_t> next{0x10000};
  return next += 4;
}

// The state every control shares.
template <typename Base>
class Basic : public Base {
 public:
  Basic(ControlKind kind, std::string name, Rect bounds)
      : kind_(kind), name_(std::move(name)), bounds_(bounds), handle_(NextHandle()) {}
  ControlKind Kind() const override { return kind_; }
  const std::string& Name() const override { return name_; }
  std::string Text() const override { return text_; }
  void SetText(const std::string& text) override { text_ = text; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  Rect Bounds() const override { return bounds_; }
  void SetBounds(const Rect& bounds) override { bounds_ = bounds; }
  void SetFont(const Font& font) override { font_ = font; }
  void SetFocus() override {}
  void SetControlId(int id) override { id_ = id; }
  int ControlId() const override { return id_; }
  uintptr_t NativeHandle() const override { return handle_; }

 protected:
  ControlKind kind_;
  std::string name_;
  Rect bounds_;
  uintptr_t handle_;
  std::string text_;
  bool enabled_ = true;
  bool visible_ = true;
  Font font_;
  int id_ = 0;
};

class HLabel : public Basic<Label> {
 public:
  using Basic::Basic;
  void SetAlignment(Alignment) override {}
};

class HEdit : public Basic<Edit> {
 public:
  using Basic::Basic;
  // The length limit holds the user's typing only, as on the platform.
  void SetText(const std::string& text) override {
    if (text == text_) return;
    text_ = text;
    if (OnChange) OnChange();
  }
  bool ReadOnly() const override { return readOnly_; }
  void SetReadOnly(bool readOnly) override { readOnly_ = readOnly; }
  void SetBorder(bool) override {}
  void SetMaxLength(int) override {}

 private:
  bool readOnly_ = false;
};

class HButton : public Basic<Button> {
 public:
  using Basic::Basic;
  void SetModalResult(ModalResult result) override { result_ = result; }
  ModalResult GetModalResult() const override { return result_; }
  void SetDefault(bool) override {}
  void SetCancel(bool) override {}

 private:
  ModalResult result_ = ModalResult::None;
};

class HCheckBox : public Basic<CheckBox> {
 public:
  using Basic::Basic;
  bool Checked() const override { return checked_; }
  void SetChecked(bool checked) override { checked_ = checked; }

 private:
  bool checked_ = false;
};

class HListBox : public Basic<ListBox> {
 public:
  using Basic::Basic;
  int Count() const override { return virtual_ ? virtualCount_ : static_cast<int>(items_.size()); }
  std::string Item(int index) const override {
    if (index < 0 || index >= Count()) return std::string();
    if (virtual_) return source_ ? source_(index) : std::string();
    return items_[index];
  }
  int AddItem(const std::string& text) override {
    if (virtual_) return -1;
    if (!sorted_) {
      items_.push_back(text);
      return Count() - 1;
    }
    auto at = std::upper_bound(items_.begin(), items_.end(), text, LessNoCase);
    int index = static_cast<int>(at - items_.begin());
    items_.insert(at, text);
    if (selected_ >= index) ++selected_;
    return index;
  }
  void DeleteItem(int index) override {
    if (virtual_ || index < 0 || index >= Count()) return;
    items_.erase(items_.begin() + index);
    if (selected_ == index)
      selected_ = -1;
    else if (selected_ > index)
      --selected_;
    top_ = std::min(top_, std::max(Count() - 1, 0));
  }
  void Clear() override {
    items_.clear();
    virtual_ = false;
    virtualCount_ = 0;
    source_ = nullptr;
    selected_ = -1;
    top_ = 0;
  }
  int ItemIndex() const override { return selected_; }
  void SetItemIndex(int index) override { selected_ = index >= 0 && index < Count() ? index : -1; }
  bool Sorted() const override { return sorted_; }
  // The selected line stays selected where the order puts it. Lines on
  // demand keep their source's order.
  void SetSorted(bool sorted) override {
    sorted_ = sorted;
    if (!sorted_ || virtual_) return;
    std::vector<int> order(items_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return LessNoCase(items_[a], items_[b]); });
    std::vector<std::string> sortedItems;
    int selected = -1;
    for (size_t i = 0; i < order.size(); ++i) {
      sortedItems.push_back(std::move(items_[order[i]]));
      if (order[i] == selected_) selected = static_cast<int>(i);
    }
    items_ = std::move(sortedItems);
    selected_ = selected;
  }
  void SetItemHeight(int) override {}
  int TopIndex() const override { return top_; }
  // As the platform's list: a line outside the list is refused.
  void SetTopIndex(int index) override {
    if (index >= 0 && index < Count()) top_ = index;
  }
  void SetTabStops(int) override {}
  void SetVirtualLines(int count, LineSource source) override {
    items_.clear();
    virtual_ = true;
    virtualCount_ = std::max(count, 0);
    source_ = std::move(source);
    selected_ = -1;
    top_ = 0;
  }
  bool Virtual() const override { return virtual_; }

 private:
  std::vector<std::string> items_;
  bool virtual_ = false;
  int virtualCount_ = 0;
  LineSource source_;
  int selected_ = -1;
  int top_ = 0;
  bool sorted_ = false;
};

class HStringGrid : public Basic<StringGrid> {
 public:
  using Basic::Basic;
  int ColCount() const override { return model_.Cols(); }
  void SetColCount(int count) override { model_.SetCols(count); }
  int RowCount() const override { return model_.Rows(); }
  void SetRowCount(int count) override { model_.SetRows(count); }
  int FixedRows() const override { return model_.FixedRows(); }
  void SetFixedRows(int count) override {
    model_.SetFixedRows(count);
    topRow_ = 0;
  }
  int FixedCols() const override { return model_.FixedCols(); }
  void SetFixedCols(int count) override {
    model_.SetFixedCols(count);
    topRow_ = 0;
  }
  std::string Cell(int col, int row) const override { return model_.Cell(col, row); }
  void SetCell(int col, int row, const std::string& text) override {
    model_.SetCell(col, row, text);
  }
  void SetCellSource(CellSource source) override { model_.SetSource(std::move(source)); }
  bool Virtual() const override { return model_.Virtual(); }
  int ColWidth(int col) const override { return model_.ColWidth(col); }
  void SetColWidth(int col, int width) override { model_.SetColWidth(col, width); }
  int DefaultRowHeight() const override { return model_.RowHeight(); }
  void SetDefaultRowHeight(int height) override { model_.SetRowHeight(height); }
  void SetGridLines(bool vertical, bool horizontal) override {
    model_.SetGridLines(vertical, horizontal);
  }
  void SetScrollBars(ScrollBars bars) override { model_.SetBars(bars); }
  ScrollBars GetScrollBars() const override { return model_.Bars(); }
  int Row() const override { return model_.Row(); }
  void SetRow(int row) override { model_.Select(*this, model_.Col(), row); }
  int Col() const override { return model_.Col(); }
  void SetCol(int col) override { model_.Select(*this, col, model_.Row()); }
  int TopRow() const override { return std::max(topRow_, model_.FixedRows()); }
  void SetTopRow(int row) override {
    if (row >= model_.FixedRows() && row < model_.Rows()) topRow_ = row;
  }
  void Invalidate() override {}

  // A user's click on a cell.
  void Click(int col, int row) {
    if (row < model_.FixedRows() || col < model_.FixedCols()) {
      if (model_.InGrid(col, row) && OnFixedCellClick) OnFixedCellClick(col, row);
      return;
    }
    model_.Select(*this, col, row);
    if (OnClick) OnClick();
  }

 private:
  GridModel model_;
  int topRow_ = 0;
};

class HTreeView : public Basic<TreeView> {
 public:
  using Basic::Basic;
  TreeNode AddNode(TreeNode parent, const std::string& text, intptr_t data, int imageIndex,
                   int selectedIndex) override {
    nodes_.push_back(Node{parent, text, data, imageIndex, selectedIndex, false});
    return static_cast<TreeNode>(nodes_.size());
  }
  void Clear() override {
    nodes_.clear();
    selected_ = kNoNode;
  }
  int NodeCount() const override { return static_cast<int>(nodes_.size()); }
  TreeNode Selected() const override { return selected_; }
  // As the platform's tree: only a move of the selection is reported.
  void SetSelected(TreeNode node) override {
    TreeNode selected = Valid(node) ? node : kNoNode;
    if (selected == selected_) return;
    selected_ = selected;
    if (OnChange) OnChange();
  }
  std::string NodeText(TreeNode node) const override { return Valid(node) ? At(node).Text : ""; }
  void SetNodeText(TreeNode node, const std::string& text) override {
    if (Valid(node)) nodes_[node - 1].Text = text;
  }
  intptr_t NodeData(TreeNode node) const override { return Valid(node) ? At(node).Data : 0; }
  int NodeImageIndex(TreeNode node) const override { return Valid(node) ? At(node).Image : -1; }
  int NodeSelectedIndex(TreeNode node) const override {
    return Valid(node) ? At(node).SelectedImage : -1;
  }
  TreeNode Parent(TreeNode node) const override { return Valid(node) ? At(node).Parent : kNoNode; }
  std::vector<TreeNode> Children(TreeNode node) const override {
    std::vector<TreeNode> children;
    for (size_t i = 0; i < nodes_.size(); ++i) {
      if (nodes_[i].Parent == node) children.push_back(static_cast<TreeNode>(i + 1));
    }
    return children;
  }
  void Expand(TreeNode node, bool expand) override {
    if (Valid(node)) nodes_[node - 1].Expanded = expand;
  }
  bool Expanded(TreeNode node) const override { return Valid(node) && At(node).Expanded; }
  void SetImageList(const std::vector<int>& ids) override { images_ = ids; }
  std::vector<int> ImageList() const override { return images_; }

 private:
  struct Node {
    TreeNode Parent;
    std::string Text;
    intptr_t Data;
    int Image;
    int SelectedImage;
    bool Expanded;
  };
  bool Valid(TreeNode node) const { return node > 0 && node <= NodeCount(); }
  const Node& At(TreeNode node) const { return nodes_[node - 1]; }
  std::vector<Node> nodes_;
  TreeNode selected_ = kNoNode;
  std::vector<int> images_;
};

class HStatusBar : public Basic<StatusBar> {
 public:
  using Basic::Basic;
  int AddPanel(int width) override {
    panels_.push_back(StatusPanel{width, "", false});
    return static_cast<int>(panels_.size()) - 1;
  }
  int PanelCount() const override { return static_cast<int>(panels_.size()); }
  std::string PanelText(int i) const override { return Valid(i) ? panels_[i].Text : ""; }
  void SetPanelText(int i, const std::string& text) override {
    if (Valid(i)) panels_[i].Text = text;
  }
  void SetPanelOwnerDraw(int i, bool on) override {
    if (Valid(i)) panels_[i].OwnerDraw = on;
  }
  bool PanelOwnerDraw(int i) const override { return Valid(i) && panels_[i].OwnerDraw; }
  void SetSimpleText(const std::string& text) override { text_ = text; }
  void SetSizeGrip(bool on) override { sizeGrip_ = on; }
  bool SizeGrip() const override { return sizeGrip_; }
  void Invalidate() override {}

 private:
  bool Valid(int i) const { return i >= 0 && i < PanelCount(); }
  std::vector<StatusPanel> panels_;
  bool sizeGrip_ = true;
};

class HImage : public Basic<Image> {
 public:
  using Basic::Basic;
  void SetIconResource(int id) override {
    icon_ = id;
    picture_ = {};
  }
  int IconResource() const override { return icon_; }
  void SetPicture(const Picture& picture) override {
    picture_ = picture;
    icon_ = 0;
  }
  Picture GetPicture() const override { return picture_; }
  void SetCenter(bool center) override { center_ = center; }
  bool Center() const override { return center_; }
  void SetStretch(bool stretch) override { stretch_ = stretch; }
  bool Stretch() const override { return stretch_; }

 private:
  int icon_ = 0;
  Picture picture_;
  bool center_ = false, stretch_ = false;
};

class HWindowHost : public Basic<WindowHost> {
 public:
  using Basic::Basic;
  void Adopt(uintptr_t child) override { child_ = child; }
  uintptr_t Child() const override { return child_; }

 private:
  uintptr_t child_ = 0;
};

class HRadioGroup : public Basic<RadioGroup> {
 public:
  using Basic::Basic;
  void SetItems(std::vector<std::string> items) { items_ = std::move(items); }
  int Count() const override { return static_cast<int>(items_.size()); }
  std::string Item(int index) const override {
    return index >= 0 && index < Count() ? items_[index] : std::string();
  }
  int ItemIndex() const override { return chosen_; }
  void SetItemIndex(int index) override { chosen_ = index >= 0 && index < Count() ? index : -1; }

  // A user's click on an item: only a change of the choice is reported, as
  // a click on the button already chosen changes nothing.
  void Choose(int index) {
    if (!enabled_ || index < 0 || index >= Count() || index == chosen_) return;
    chosen_ = index;
    if (OnClick) OnClick();
  }

 private:
  std::vector<std::string> items_;
  int chosen_ = -1;
};

// Holds the children of any container.
template <typename Base>
class HContainer : public Basic<Base> {
 public:
  using Basic<Base>::Basic;
  Label* AddLabel(const std::string& name, const Rect& b, const std::string& text) override {
    auto* label = Own<HLabel>(ControlKind::Label, name, b);
    label->SetText(text);
    return label;
  }
  Edit* AddEdit(const std::string& name, const Rect& b) override {
    return Own<HEdit>(ControlKind::Edit, name, b);
  }
  Button* AddButton(const std::string& name, const Rect& b, const std::string& caption) override {
    auto* button = Own<HButton>(ControlKind::Button, name, b);
    button->SetText(caption);
    return button;
  }
  CheckBox* AddCheckBox(const std::string& name, const Rect& b,
                        const std::string& caption) override {
    auto* box = Own<HCheckBox>(ControlKind::CheckBox, name, b);
    box->SetText(caption);
    return box;
  }
  ListBox* AddListBox(const std::string& name, const Rect& b) override {
    return Own<HListBox>(ControlKind::ListBox, name, b);
  }
  StringGrid* AddStringGrid(const std::string& name, const Rect& b) override {
    return Own<HStringGrid>(ControlKind::StringGrid, name, b);
  }
  TreeView* AddTreeView(const std::string& name, const Rect& b) override {
    return Own<HTreeView>(ControlKind::TreeView, name, b);
  }
  PageControl* AddPageControl(const std::string& name, const Rect& b) override;
  StatusBar* AddStatusBar(const std::string& name) override {
    return Own<HStatusBar>(ControlKind::StatusBar, name, Rect{});
  }
  GroupBox* AddGroupBox(const std::string& name, const Rect& b,
                        const std::string& caption) override;
  Panel* AddPanel(const std::string& name, const Rect& b) override;
  Image* AddImage(const std::string& name, const Rect& b) override {
    return Own<HImage>(ControlKind::Image, name, b);
  }
  WindowHost* AddWindowHost(const std::string& name, const Rect& b) override {
    return Own<HWindowHost>(ControlKind::WindowHost, name, b);
  }
  RadioGroup* AddRadioGroup(const std::string& name, const Rect& b, const std::string& caption,
                            const std::vector<std::string>& items, int) override {
    auto* group = Own<HRadioGroup>(ControlKind::RadioGroup, name, b);
    group->SetText(caption);
    group->SetItems(items);
    return group;
  }
  std::vector<Control*> Children() const override {
    std::vector<Control*> children;
    for (const auto& c : children_) children.push_back(c.get());
    return children;
  }

 protected:
  template <typename T>
  T* Own(ControlKind kind, const std::string& name, const Rect& b) {
    auto control = std::make_unique<T>(kind, name, b);
    T* raw = control.get();
    children_.push_back(std::move(control));
    return raw;
  }
  std::vector<std::unique_ptr<Control>> children_;
};

class HGroupBox : public HContainer<GroupBox> {
 public:
  using HContainer::HContainer;
};

class HPanel : public HContainer<Panel> {
 public:
  using HContainer::HContainer;
  void SetBevel(bool) override {}
};

class HTabSheet : public HContainer<TabSheet> {
 public:
  HTabSheet(std::string name, int index)
      : HContainer(ControlKind::TabSheet, std::move(name), Rect{}), index_(index) {}
  int PageIndex() const override { return index_; }

 private:
  int index_;
};

class HPageControl : public Basic<PageControl> {
 public:
  using Basic::Basic;
  TabSheet* AddPage(const std::string& name, const std::string& caption) override {
    auto page = std::make_unique<HTabSheet>(name, PageCount());
    page->SetText(caption);
    pages_.push_back(std::move(page));
    if (active_ < 0) active_ = 0;
    return pages_.back().get();
  }
  int PageCount() const override { return static_cast<int>(pages_.size()); }
  TabSheet* Page(int index) const override {
    return index >= 0 && index < PageCount() ? pages_[index].get() : nullptr;
  }
  int ActivePageIndex() const override { return active_; }
  void SetActivePageIndex(int index) override {
    if (index >= 0 && index < PageCount()) active_ = index;
  }
  void SetMultiLine(bool) override {}

 private:
  std::vector<std::unique_ptr<HTabSheet>> pages_;
  int active_ = -1;
};

template <typename Base>
PageControl* HContainer<Base>::AddPageControl(const std::string& name, const Rect& b) {
  return Own<HPageControl>(ControlKind::PageControl, name, b);
}
template <typename Base>
GroupBox* HContainer<Base>::AddGroupBox(const std::string& name, const Rect& b,
                                        const std::string& caption) {
  auto* box = Own<HGroupBox>(ControlKind::GroupBox, name, b);
  box->SetText(caption);
  return box;
}
template <typename Base>
Panel* HContainer<Base>::AddPanel(const std::string& name, const Rect& b) {
  return Own<HPanel>(ControlKind::Panel, name, b);
}

class HMenuItem : public MenuItem {
 public:
  // Command id 0: one is chosen, as on the platform (separators have none).
  HMenuItem(std::string name, std::string caption, int id)
      : name_(std::move(name)), caption_(std::move(caption)), id_(id) {
    static std::atomic<int> next{kFirstChosenCommandId};
    if (id_ == 0 && caption_ != "-") id_ = next++;
  }
  const std::string& Name() const override { return name_; }
  MenuItem* Add(const std::string& name, const std::string& caption, int commandId) override {
    items_.push_back(std::make_unique<HMenuItem>(name, caption, commandId));
    return items_.back().get();
  }
  MenuItem* AddSeparator(const std::string& name) override { return Add(name, "-", 0); }
  int Count() const override { return static_cast<int>(items_.size()); }
  MenuItem* Item(int index) const override {
    return index >= 0 && index < Count() ? items_[index].get() : nullptr;
  }
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& caption) override { caption_ = caption; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  bool Checked() const override { return checked_; }
  void SetChecked(bool checked) override { checked_ = checked; }
  std::string Shortcut() const override { return shortcut_; }
  void SetShortcut(const std::string& shortcut) override { shortcut_ = shortcut; }
  int CommandId() const override { return id_; }
  bool IsSeparator() const override { return caption_ == "-"; }

 private:
  std::string name_, caption_, shortcut_;
  int id_;
  bool enabled_ = true, visible_ = true, checked_ = false;
  std::vector<std::unique_ptr<HMenuItem>> items_;
};

class HMainMenu : public MainMenu {
 public:
  MenuItem* Add(const std::string& name, const std::string& caption, int commandId) override {
    items_.push_back(std::make_unique<HMenuItem>(name, caption, commandId));
    return items_.back().get();
  }
  int Count() const override { return static_cast<int>(items_.size()); }
  MenuItem* Item(int index) const override {
    return index >= 0 && index < Count() ? items_[index].get() : nullptr;
  }

 private:
  std::vector<std::unique_ptr<HMenuItem>> items_;
};

class HPopupMenu : public PopupMenu {
 public:
  explicit HPopupMenu(std::string name) : name_(std::move(name)), root_(name_, "", 0) {}
  const std::string& Name() const override { return name_; }
  MenuItem* Items() override { return &root_; }
  void Popup(int, int) override {
    if (OnPopup) OnPopup();
  }

 private:
  std::string name_;
  HMenuItem root_;
};

class HTimer : public Timer {
 public:
  HTimer(HeadlessApplication& app, std::string name) : app_(app), name_(std::move(name)) {}
  const std::string& Name() const override { return name_; }
  void SetInterval(int milliseconds) override {
    interval_ = std::max(milliseconds, 0);
    Restart();
  }
  int Interval() const override { return interval_; }
  void SetEnabled(bool enabled) override {
    enabled_ = enabled;
    Restart();
  }
  bool Enabled() const override { return enabled_; }

  // Fires once when due, as WM_TIMER does: a late loop does not catch up.
  void RunIfDue(HeadlessApplication::Clock::time_point now) {
    if (!enabled_ || interval_ == 0 || now < due_) return;
    due_ = now + std::chrono::milliseconds(interval_);
    if (OnTimer) app_.Guard(OnTimer);
  }

 private:
  void Restart() { due_ = app_.Now() + std::chrono::milliseconds(interval_); }
  HeadlessApplication& app_;
  std::string name_;
  int interval_ = 1000;
  bool enabled_ = false;
  HeadlessApplication::Clock::time_point due_{};
};

}  // namespace

class HForm : public HContainer<Form> {
 public:
  HForm(HeadlessApplication& app, const std::string& name)
      : HContainer(ControlKind::Form, name, Rect{}), app_(app) {
    text_ = name;  // a new form's caption is its name, as its window's is
    app_.AddForm(this);
  }
  ~HForm() override { app_.RemoveForm(this); }
  void SetCaption(const std::string& caption) override { text_ = caption; }
  std::string Caption() const override { return text_; }
  void SetClientSize(int w, int h) override {
    bounds_.Width = w;
    bounds_.Height = h;
  }
  int ClientWidth() const override { return bounds_.Width; }
  int ClientHeight() const override { return bounds_.Height; }
  void SetBorderStyle(BorderStyle) override {}
  void SetMaximizeBox(bool) override {}
  void SetPosition(FormPosition) override {}
  void SetFormFont(const Font& font) override { font_ = font; }
  void SetIconResource(int) override {}
  MainMenu* CreateMainMenu() override {
    if (!menu_) menu_ = std::make_unique<HMainMenu>();
    return menu_.get();
  }
  MainMenu* GetMainMenu() const override { return menu_.get(); }
  PopupMenu* CreatePopupMenu(const std::string& name) override {
    popups_.push_back(std::make_unique<HPopupMenu>(name));
    return popups_.back().get();
  }
  void Show() override {
    bool first = !shown_;
    showing_ = shown_ = true;
    if (first && OnShow) OnShow();
    if (OnActivate) OnActivate();
  }
  ModalResult ShowModal() override {
    showing_ = true;
    result_ = ModalResult::None;
    if (OnShow) OnShow();
    if (OnActivate) OnActivate();
    ModalResult result = ModalResult::Cancel;
    if (script_) result = script_(*this);
    if (result_ != ModalResult::None) result = result_;
    showing_ = false;
    if (OnClose) OnClose();
    return result;
  }
  bool Showing() const override { return showing_; }
  void Close() override {
    bool allow = true;
    if (OnCloseQuery) OnCloseQuery(allow);
    if (!allow) return;
    showing_ = false;
    if (OnClose) OnClose();
  }
  void SetModalResult(ModalResult result) override { result_ = result; }
  void SetAcceptFiles(bool accept) override { acceptFiles_ = accept; }
  bool AcceptsFiles() const override { return acceptFiles_; }
  Timer* CreateTimer(const std::string& name) override {
    timers_.push_back(std::make_unique<HTimer>(app_, name));
    return timers_.back().get();
  }

  std::unique_ptr<TemplateDialog> CreateTemplateDialog(std::span<const uint8_t> tmpl,
                                                       const std::string& resourceFile) override {
    // The style: first in a standard template, after the signature, help id
    // and extended style in an extended one.
    const bool extended =
        tmpl.size() >= 4 && tmpl[0] == 1 && tmpl[1] == 0 && tmpl[2] == 0xFF && tmpl[3] == 0xFF;
    const size_t at = extended ? 12 : 0;
    if (app_.refuseTemplates || tmpl.size() < (extended ? 26u : 18u)) return nullptr;
    const bool visible = (tmpl[at + 3] & 0x10) != 0;  // WS_VISIBLE
    return std::make_unique<HTemplateDialog>(std::vector<uint8_t>(tmpl.begin(), tmpl.end()),
                                             resourceFile, visible);
  }
  bool ShowTemplateMenu(std::span<const uint8_t> tmpl) override {
    if (app_.refuseTemplates || tmpl.size() < 4) return false;
    templateMenu_.emplace(tmpl.begin(), tmpl.end());
    return true;
  }
  void ShowOwnMenu() override { templateMenu_.reset(); }
  bool TemplateMenuShown() const override { return templateMenu_.has_value(); }
  const std::vector<uint8_t>* TemplateMenu() const {
    return templateMenu_ ? &*templateMenu_ : nullptr;
  }

  void RunTimers(HeadlessApplication::Clock::time_point now) {
    // A handler may add timers: walk by index.
    for (size_t i = 0; i < timers_.size(); ++i) timers_[i]->RunIfDue(now);
  }
  void Deliver(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (message < kFirstPrivateMessage || message > kLastPrivateMessage) return;
    if (OnMessage) OnMessage(message, wParam, lParam);
  }

  ModalScript script_;

 private:
  HeadlessApplication& app_;
  std::vector<std::unique_ptr<HTimer>> timers_;
  std::unique_ptr<HMainMenu> menu_;
  std::optional<std::vector<uint8_t>> templateMenu_;
  std::vector<std::unique_ptr<HPopupMenu>> popups_;
  bool showing_ = false, shown_ = false, acceptFiles_ = false;
  ModalResult result_ = ModalResult::None;
};

void SetModalScript(Form& form, ModalScript script) {
  auto* headless = dynamic_cast<HForm*>(&form);
  if (!headless) throw std::logic_error("not a headless form");
  headless->script_ = std::move(script);
}

void ClickCell(StringGrid& grid, int col, int row) {
  auto* headless = dynamic_cast<HStringGrid*>(&grid);
  if (!headless) throw std::logic_error("not a headless grid");
  headless->Click(col, row);
}

void ChooseItem(RadioGroup& group, int index) {
  auto* headless = dynamic_cast<HRadioGroup*>(&group);
  if (!headless) throw std::logic_error("not a headless radio group");
  headless->Choose(index);
}

std::unique_ptr<Form> HeadlessApplication::CreateForm(const std::string& name) {
  return std::make_unique<HForm>(*this, name);
}

void HeadlessApplication::AddForm(HForm* form) {
  std::lock_guard<std::mutex> hold(formsLock_);
  forms_.push_back(form);
}

void HeadlessApplication::RemoveForm(HForm* form) {
  std::lock_guard<std::mutex> hold(formsLock_);
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
}

HForm* HeadlessApplication::FormByHandle(uintptr_t handle) const {
  std::lock_guard<std::mutex> hold(formsLock_);
  for (HForm* form : forms_) {
    if (form->NativeHandle() == handle) return form;
  }
  return nullptr;
}

bool HeadlessApplication::PostWindowMessage(uintptr_t window, uint32_t message, uintptr_t wParam,
                                            intptr_t lParam) {
  if (!FormByHandle(window)) return false;
  // Looked up again on delivery: the form may be gone by then.
  Post([this, window, message, wParam, lParam] {
    if (HForm* form = FormByHandle(window)) form->Deliver(message, wParam, lParam);
  });
  return true;
}

HeadlessApplication::Clock::time_point HeadlessApplication::Now() const {
  return Clock::now() + skew_;
}

void HeadlessApplication::AdvanceClock(int milliseconds) {
  skew_ += std::chrono::milliseconds(milliseconds);
}

int HeadlessApplication::Run(Form& mainForm) {
  mainForm.Show();
  ProcessMessages();
  return 0;
}

void HeadlessApplication::WaitForMessages(std::chrono::milliseconds) {
  ++waitForMessagesCalls;
}

void HeadlessApplication::ProcessMessages() {
  ++processMessagesCalls;
  // Work posted while this runs waits for the next call, as on Windows.
  std::deque<std::function<void()>> due;
  {
    std::lock_guard<std::mutex> hold(postedLock_);
    due.swap(posted_);
  }
  for (auto& work : due) Guard(work);
  std::vector<HForm*> forms;
  {
    std::lock_guard<std::mutex> hold(formsLock_);
    forms = forms_;
  }
  Clock::time_point now = Now();
  for (HForm* form : forms) {
    if (FormByHandle(form->NativeHandle()) == form) form->RunTimers(now);
  }
}

void HeadlessApplication::Post(std::function<void()> work) {
  std::lock_guard<std::mutex> hold(postedLock_);
  posted_.push_back(std::move(work));
}

size_t HeadlessApplication::PostedCount() const {
  std::lock_guard<std::mutex> hold(postedLock_);
  return posted_.size();
}

ModalResult HeadlessApplication::MessageBox(const std::string& text, const std::string& caption,
                                            MessageButtons buttons, MessageIcon icon) {
  messages.push_back(RecordedMessage{text, caption, buttons, icon});
  if (messageAnswers.empty()) return ModalResult::Ok;
  ModalResult answer = messageAnswers.front();
  messageAnswers.pop_front();
  return answer;
}

std::optional<std::string> HeadlessApplication::OpenFile(const OpenFileOptions& options) {
  openFileRequests.push_back(options);
  if (openFileAnswers.empty()) return std::nullopt;
  auto answer = openFileAnswers.front();
  openFileAnswers.pop_front();
  return answer;
}

std::optional<std::string> HeadlessApplication::SaveFile(const SaveFileOptions& options) {
  saveFileRequests.push_back(options);
  if (saveFileAnswers.empty()) return std::nullopt;
  auto answer = saveFileAnswers.front();
  saveFileAnswers.pop_front();
  return answer;
}

namespace {

class HOwnedPicture : public OwnedPicture {
 public:
  HOwnedPicture(Picture picture, int width, int height)
      : picture_(picture), width_(width), height_(height) {}
  Picture Get() const override { return picture_; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }

 private:
  Picture picture_;
  int width_, height_;
};

uint32_t Le(const std::vector<uint8_t>& b, size_t at, size_t width) {
  uint32_t v = 0;
  for (size_t i = width; i-- > 0;) v = v << 8 | b[at + i];
  return v;
}

}  // namespace

std::unique_ptr<OwnedPicture> HeadlessApplication::MakePicture(const PictureData& data) {
  if (refusePictures) return nullptr;
  const auto& b = data.Bytes;
  size_t skip = data.Kind == PictureData::Format::Cursor ? 4 : 0;  // the hot spot
  int width = 0, height = 0;
  static const uint8_t kPng[4] = {0x89, 'P', 'N', 'G'};
  if (b.size() >= skip + 24 && std::equal(kPng, kPng + 4, b.begin() + skip)) {
    width = static_cast<int>(b[skip + 18] << 8 | b[skip + 19]);
    height = static_cast<int>(b[skip + 22] << 8 | b[skip + 23]);
  } else if (b.size() >= skip + 12 && Le(b, skip, 4) == 12) {
    width = static_cast<int>(Le(b, skip + 4, 2));
    height = static_cast<int>(Le(b, skip + 6, 2));
  } else if (uint32_t size = b.size() >= skip + 16 ? Le(b, skip, 4) : 0;
             size == 40 || size == 52 || size == 56 || size == 64 || size == 108 || size == 124) {
    width = static_cast<int>(Le(b, skip + 4, 4));
    height = std::abs(static_cast<int>(Le(b, skip + 8, 4)));
  } else {
    return nullptr;
  }
  // An icon's header counts its mask rows too.
  if (data.Kind != PictureData::Format::Bitmap && b[skip] != 0x89) height /= 2;
  madePictures.push_back(data);
  auto kind =
      data.Kind == PictureData::Format::Bitmap ? Picture::Type::Bitmap : Picture::Type::Icon;
  return std::make_unique<HOwnedPicture>(Picture{kind, 0x5000 + madePictures.size()}, width,
                                         height);
}

const std::vector<uint8_t>* TemplateMenuOf(const Form& form) {
  auto* h = dynamic_cast<const HForm*>(&form);
  return h ? h->TemplateMenu() : nullptr;
}

bool HeadlessApplication::ChooseFont(Font& font) {
  if (fontAnswers.empty()) return false;
  auto answer = fontAnswers.front();
  fontAnswers.pop_front();
  if (!answer) return false;
  font = *answer;
  return true;
}

}  // namespace ui::headless
