#include "ui/headless/headless.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace ui::headless {
namespace {

// Case-blind order of the platform's sorted list box.
bool LessNoCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(
      a.begin(), a.end(), b.begin(), b.end(),
      [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
}

// The state every control shares.
template <typename Base>
class Basic : public Base {
 public:
  Basic(ControlKind kind, std::string name, Rect bounds)
      : kind_(kind), name_(std::move(name)), bounds_(bounds) {}
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

 protected:
  ControlKind kind_;
  std::string name_;
  Rect bounds_;
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
  void SetText(const std::string& text) override {
    std::string value = maxLength_ > 0 && text.size() > static_cast<size_t>(maxLength_)
                            ? text.substr(0, maxLength_)
                            : text;
    if (value == text_) return;
    text_ = value;
    if (OnChange) OnChange();
  }
  bool ReadOnly() const override { return readOnly_; }
  void SetReadOnly(bool readOnly) override { readOnly_ = readOnly; }
  void SetBorder(bool) override {}
  void SetMaxLength(int maxLength) override { maxLength_ = maxLength; }

 private:
  bool readOnly_ = false;
  int maxLength_ = 0;
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
  int Count() const override { return static_cast<int>(items_.size()); }
  std::string Item(int index) const override {
    return index >= 0 && index < Count() ? items_[index] : std::string();
  }
  int AddItem(const std::string& text) override {
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
    if (index < 0 || index >= Count()) return;
    items_.erase(items_.begin() + index);
    if (selected_ == index)
      selected_ = -1;
    else if (selected_ > index)
      --selected_;
  }
  void Clear() override {
    items_.clear();
    selected_ = -1;
  }
  int ItemIndex() const override { return selected_; }
  void SetItemIndex(int index) override { selected_ = index >= 0 && index < Count() ? index : -1; }
  bool Sorted() const override { return sorted_; }
  void SetSorted(bool sorted) override {
    sorted_ = sorted;
    if (sorted_) std::stable_sort(items_.begin(), items_.end(), LessNoCase);
  }
  void SetItemHeight(int) override {}

 private:
  std::vector<std::string> items_;
  int selected_ = -1;
  bool sorted_ = false;
};

class HStringGrid : public Basic<StringGrid> {
 public:
  using Basic::Basic;
  int ColCount() const override { return cols_; }
  void SetColCount(int count) override {
    cols_ = std::max(count, 0);
    Resize();
  }
  int RowCount() const override { return rows_; }
  void SetRowCount(int count) override {
    rows_ = std::max(count, 0);
    Resize();
  }
  int FixedRows() const override { return fixedRows_; }
  void SetFixedRows(int count) override { fixedRows_ = count; }
  int FixedCols() const override { return fixedCols_; }
  void SetFixedCols(int count) override { fixedCols_ = count; }
  std::string Cell(int col, int row) const override {
    return InRange(col, row) ? cells_[row][col] : std::string();
  }
  void SetCell(int col, int row, const std::string& text) override {
    if (InRange(col, row)) cells_[row][col] = text;
  }
  int ColWidth(int col) const override {
    return col >= 0 && col < static_cast<int>(widths_.size()) ? widths_[col] : 64;
  }
  void SetColWidth(int col, int width) override {
    if (col >= 0 && col < cols_) widths_[col] = width;
  }
  int DefaultRowHeight() const override { return rowHeight_; }
  void SetDefaultRowHeight(int height) override { rowHeight_ = height; }
  int Row() const override { return row_; }
  void SetRow(int row) override { row_ = row; }
  int Col() const override { return col_; }
  void SetCol(int col) override { col_ = col; }
  int TopRow() const override { return topRow_; }
  void SetTopRow(int row) override { topRow_ = row; }
  void Invalidate() override {}

 private:
  bool InRange(int col, int row) const {
    return col >= 0 && row >= 0 && col < cols_ && row < rows_;
  }
  void Resize() {
    cells_.resize(rows_);
    for (auto& r : cells_) r.resize(cols_);
    widths_.resize(cols_, 64);
  }
  int cols_ = 5, rows_ = 5, fixedRows_ = 1, fixedCols_ = 1;
  int row_ = 1, col_ = 1, topRow_ = 1, rowHeight_ = 24;
  std::vector<std::vector<std::string>> cells_ =
      std::vector<std::vector<std::string>>(5, std::vector<std::string>(5));
  std::vector<int> widths_ = std::vector<int>(5, 64);
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
  void SetSelected(TreeNode node) override {
    selected_ = Valid(node) ? node : kNoNode;
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
  void SetIconResource(int id) override { icon_ = id; }
  int IconResource() const override { return icon_; }

 private:
  int icon_ = 0;
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
  HMenuItem(std::string name, std::string caption, int id)
      : name_(std::move(name)), caption_(std::move(caption)), id_(id) {}
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

class HForm : public HContainer<Form> {
 public:
  explicit HForm(const std::string& name) : HContainer(ControlKind::Form, name, Rect{}) {}
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
  }
  ModalResult ShowModal() override {
    showing_ = true;
    result_ = ModalResult::None;
    if (OnShow) OnShow();
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

  ModalScript script_;

 private:
  std::unique_ptr<HMainMenu> menu_;
  std::vector<std::unique_ptr<HPopupMenu>> popups_;
  bool showing_ = false, shown_ = false, acceptFiles_ = false;
  ModalResult result_ = ModalResult::None;
};

}  // namespace

void SetModalScript(Form& form, ModalScript script) {
  auto* headless = dynamic_cast<HForm*>(&form);
  if (!headless) throw std::logic_error("not a headless form");
  headless->script_ = std::move(script);
}

std::unique_ptr<Form> HeadlessApplication::CreateForm(const std::string& name) {
  return std::make_unique<HForm>(name);
}

int HeadlessApplication::Run(Form& mainForm) {
  mainForm.Show();
  ProcessMessages();
  return 0;
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

bool HeadlessApplication::ChooseFont(Font& font) {
  if (fontAnswers.empty()) return false;
  auto answer = fontAnswers.front();
  fontAnswers.pop_front();
  if (!answer) return false;
  font = *answer;
  return true;
}

}  // namespace ui::headless
