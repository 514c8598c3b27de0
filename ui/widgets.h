// Widget interfaces: the only way forms reach their controls.
//
// A form creates its controls through a Container (a form, a tab sheet, a
// group box or a panel); the container owns them for its whole life. Events
// are plain std::function members that the implementation fires; a form
// assigns its handlers to them. ui/win32 draws real controls, ui/headless keeps
// everything in memory for tests and the command-line programs.
#ifndef UI_WIDGETS_H
#define UI_WIDGETS_H

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// <windows.h> renames these two to their -A forms; the widget interfaces
// use the plain names (include <windows.h> first, then this header).
#ifdef MessageBox
#undef MessageBox
#endif
#ifdef ChooseFont
#undef ChooseFont
#endif

namespace ui {

// Positions and sizes in 96-DPI pixels; the Win32 layer scales them.
struct Rect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
};

// 0x00RRGGBB.
using Color = uint32_t;
constexpr Color kBlack = 0x000000;
constexpr Color kWhite = 0xFFFFFF;
constexpr Color kDefaultColor = 0xFF000000;  // the control's own colour

struct Font {
  std::string Name = "MS Sans Serif";
  int Size = 8;  // points
  bool Bold = false;
  bool Italic = false;
  Color TextColor = kBlack;
};

enum class ControlKind {
  Label,
  Edit,
  Button,
  CheckBox,
  ListBox,
  StringGrid,
  TreeView,
  PageControl,
  TabSheet,
  StatusBar,
  GroupBox,
  Panel,
  Image,
  WindowHost,
  RadioGroup,
  Form
};

enum class Alignment { Left, Center, Right };

class Control {
 public:
  virtual ~Control() = default;
  virtual ControlKind Kind() const = 0;
  virtual const std::string& Name() const = 0;

  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual Rect Bounds() const = 0;
  virtual void SetBounds(const Rect& bounds) = 0;
  virtual void SetFont(const Font& font) = 0;
  virtual void SetFocus() = 0;
  // Numeric id of the native control (dialog item id), so test drivers in
  // another process can find it. 0 = none.
  virtual void SetControlId(int id) = 0;
  virtual int ControlId() const = 0;
  // The native window handle's value (headless: a number unique to the
  // control), for the platform and for helpers in other processes.
  virtual uintptr_t NativeHandle() const = 0;

  std::function<void()> OnClick;
  std::function<void()> OnDblClick;
  // A press of the right mouse button on the control (list boxes and
  // grids); the selection stays as it was.
  std::function<void()> OnRightMouseDown;
  // Fires OnClick as a user's click would.
  void Click() {
    if (OnClick) OnClick();
  }

  // The text shown while the mouse pointer rests on the control ("": none).
  void SetHint(const std::string& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    HintChanged();
  }
  const std::string& Hint() const { return hint_; }

 protected:
  // A widget set that shows hints learns of a new one here.
  virtual void HintChanged() {}

 private:
  std::string hint_;
};

class Label : public Control {
 public:
  virtual void SetAlignment(Alignment alignment) = 0;
};

class Edit : public Control {
 public:
  virtual bool ReadOnly() const = 0;
  virtual void SetReadOnly(bool readOnly) = 0;
  virtual void SetBorder(bool border) = 0;
  virtual void SetMaxLength(int maxLength) = 0;  // 0 = no limit
  std::function<void()> OnChange;
};

enum class ModalResult { None, Ok, Cancel, Yes, No, Abort, Retry, Ignore, Close };

class Button : public Control {
 public:
  // The result a modal form ends with when the button is pressed (None: the
  // button does not close the form).
  virtual void SetModalResult(ModalResult result) = 0;
  virtual ModalResult GetModalResult() const = 0;
  virtual void SetDefault(bool isDefault) = 0;
  virtual void SetCancel(bool isCancel) = 0;
};

class CheckBox : public Control {
 public:
  virtual bool Checked() const = 0;
  virtual void SetChecked(bool checked) = 0;
};

class ListBox : public Control {
 public:
  virtual int Count() const = 0;
  virtual std::string Item(int index) const = 0;
  // Adds a line; in a sorted list box it goes where the order puts it.
  // Returns its index.
  virtual int AddItem(const std::string& text) = 0;
  virtual void DeleteItem(int index) = 0;
  virtual void Clear() = 0;
  virtual int ItemIndex() const = 0;  // -1: no selection
  virtual void SetItemIndex(int index) = 0;
  virtual bool Sorted() const = 0;
  // Sorted: lines ordered alphabetically without regard to case, as the
  // platform's sorted list box does; existing lines are re-sorted.
  virtual void SetSorted(bool sorted) = 0;
  virtual void SetItemHeight(int height) = 0;
  // The first line shown; SetTopIndex scrolls so that line is at the top.
  virtual int TopIndex() const = 0;
  virtual void SetTopIndex(int index) = 0;
  // Tab characters in lines align to stops every `dialogUnits` dialog units
  // (0: tabs are not expanded).
  virtual void SetTabStops(int dialogUnits) = 0;
  // Lines on demand: `count` lines whose texts come from `source` when they
  // are drawn or asked for; the list keeps no texts, AddItem and DeleteItem
  // do nothing (AddItem returns -1) and Clear makes it an ordinary empty
  // list again. Selection, Item, Count and TopIndex work as usual; a new set
  // of lines starts unselected at its first line, and keeps the source's
  // order in a sorted list. For lists too large to copy.
  using LineSource = std::function<std::string(int index)>;
  virtual void SetVirtualLines(int count, LineSource source) = 0;
  virtual bool Virtual() const = 0;

  std::vector<std::string> Items() const {
    std::vector<std::string> items;
    for (int i = 0; i < Count(); ++i) items.push_back(Item(i));
    return items;
  }
};

// Colours of one grid cell, chosen by the form when the cell is drawn.
struct CellStyle {
  Color TextColor = kDefaultColor;
  Color BackColor = kDefaultColor;
  bool Bold = false;
};

struct CellState {
  bool Selected = false;
  bool Fixed = false;
  bool Focused = false;
};

// The scroll bars a control may show.
enum class ScrollBars { None, Horizontal, Vertical, Both };

// Cells are texts in columns and rows; the first FixedRows rows and
// FixedCols columns are headings. The grid either holds its texts (SetCell)
// or asks a source for each one when it needs it (SetCellSource: a virtual
// grid, for lists too large to copy). Either way a cell's text comes back
// whole, whatever its length, and is drawn at the cell's top-left corner.
//
// Both widget sets behave alike: a new grid has 5 columns and 5 rows, one
// fixed row and one fixed column, columns 64 wide, rows 24 high, and the
// current cell is (1, 1). Setting Row or Col fires OnSelectCell as a user's
// pick does, and a refusal keeps the current cell; fixed rows and columns
// cannot be current. Setting FixedRows or FixedCols puts the current cell
// and the top row back on the first cell after the headings.
class StringGrid : public Control {
 public:
  using CellSource = std::function<std::string(int col, int row)>;

  virtual int ColCount() const = 0;
  virtual void SetColCount(int count) = 0;
  virtual int RowCount() const = 0;
  virtual void SetRowCount(int count) = 0;
  virtual int FixedRows() const = 0;
  virtual void SetFixedRows(int count) = 0;
  virtual int FixedCols() const = 0;
  virtual void SetFixedCols(int count) = 0;
  virtual std::string Cell(int col, int row) const = 0;
  // Ignored by a virtual grid and outside the grid.
  virtual void SetCell(int col, int row, const std::string& text) = 0;
  // Rows on demand: every cell's text (fixed ones too) comes from source,
  // for rows 0 to RowCount() - 1; the grid keeps no texts. nullptr: the grid
  // holds its texts again, all empty.
  virtual void SetCellSource(CellSource source) = 0;
  virtual bool Virtual() const = 0;
  virtual int ColWidth(int col) const = 0;
  virtual void SetColWidth(int col, int width) = 0;
  virtual int DefaultRowHeight() const = 0;
  virtual void SetDefaultRowHeight(int height) = 0;
  // Lines between columns and between rows (both on by default); a line
  // lies outside the cell's width and height.
  virtual void SetGridLines(bool vertical, bool horizontal) = 0;
  // Scroll bars the grid may show (Both by default); without one, what does
  // not fit is cut at that edge.
  virtual void SetScrollBars(ScrollBars bars) = 0;
  virtual ScrollBars GetScrollBars() const = 0;
  virtual int Row() const = 0;  // current row
  virtual void SetRow(int row) = 0;
  virtual int Col() const = 0;
  virtual void SetCol(int col) = 0;
  virtual int TopRow() const = 0;
  virtual void SetTopRow(int row) = 0;
  // Asks the grid to draw again (after the colours' or the source's inputs
  // changed).
  virtual void Invalidate() = 0;

  // A virtual grid of count rows.
  void SetVirtualRows(int count, CellSource source) {
    SetCellSource(std::move(source));
    SetRowCount(count);
  }

  // Owner draw: the form supplies the colours of each cell; the widget draws
  // the cell's text with them. Unset: default colours.
  std::function<CellStyle(int col, int row, CellState state)> OnDrawCell;
  // The current cell is about to move (a user's pick or SetRow/SetCol);
  // return false to refuse it.
  std::function<bool(int col, int row)> OnSelectCell;
  // A click on a fixed (header) cell.
  std::function<void(int col, int row)> OnFixedCellClick;

  // What the widget would use for a cell: the form's colours or defaults.
  CellStyle StyleOf(int col, int row, CellState state) const {
    return OnDrawCell ? OnDrawCell(col, row, state) : CellStyle{};
  }
};

// Tree node handle; 0 is "no node".
using TreeNode = intptr_t;
constexpr TreeNode kNoNode = 0;

class TreeView : public Control {
 public:
  // Adds a node at the end of parent's children (kNoNode: top level).
  virtual TreeNode AddNode(TreeNode parent, const std::string& text, intptr_t data = 0,
                           int imageIndex = -1, int selectedIndex = -1) = 0;
  virtual void Clear() = 0;
  virtual int NodeCount() const = 0;  // all nodes
  virtual TreeNode Selected() const = 0;
  virtual void SetSelected(TreeNode node) = 0;
  virtual std::string NodeText(TreeNode node) const = 0;
  virtual void SetNodeText(TreeNode node, const std::string& text) = 0;
  virtual intptr_t NodeData(TreeNode node) const = 0;
  virtual int NodeImageIndex(TreeNode node) const = 0;
  virtual int NodeSelectedIndex(TreeNode node) const = 0;
  virtual TreeNode Parent(TreeNode node) const = 0;
  // Children of node in order (kNoNode: top level).
  virtual std::vector<TreeNode> Children(TreeNode node) const = 0;
  virtual void Expand(TreeNode node, bool expand) = 0;
  virtual bool Expanded(TreeNode node) const = 0;
  // Images by the program's icon resource ids; index i of the list is ids[i].
  virtual void SetImageList(const std::vector<int>& iconResourceIds) = 0;
  virtual std::vector<int> ImageList() const = 0;

  // The selection changed (by the user or by SetSelected).
  std::function<void()> OnChange;
};

// A framed group of radio buttons laid out in columns, one of which is
// chosen. OnClick fires when the user chooses an item (not on SetItemIndex,
// nor for a click on the item already chosen).
class RadioGroup : public Control {
 public:
  virtual int Count() const = 0;
  virtual std::string Item(int index) const = 0;
  virtual int ItemIndex() const = 0;  // -1: none chosen
  // An index that is no item chooses none.
  virtual void SetItemIndex(int index) = 0;
};

class Container;
class TabSheet;

class PageControl : public Control {
 public:
  virtual TabSheet* AddPage(const std::string& name, const std::string& caption) = 0;
  virtual int PageCount() const = 0;
  virtual TabSheet* Page(int index) const = 0;
  virtual int ActivePageIndex() const = 0;
  // Programmatic change: fires no OnChange (as the platform's control does).
  virtual void SetActivePageIndex(int index) = 0;
  virtual void SetMultiLine(bool multiLine) = 0;
  // The user changed the page.
  std::function<void()> OnChange;
};

struct StatusPanel {
  int Width = 50;
  std::string Text;
  bool OwnerDraw = false;
};

class StatusBar : public Control {
 public:
  virtual int AddPanel(int width) = 0;  // returns its index
  virtual int PanelCount() const = 0;
  virtual std::string PanelText(int index) const = 0;
  virtual void SetPanelText(int index, const std::string& text) = 0;
  virtual void SetPanelOwnerDraw(int index, bool ownerDraw) = 0;
  virtual bool PanelOwnerDraw(int index) const = 0;
  virtual void SetSimpleText(const std::string& text) = 0;  // one text over all panels
  // The resizing grip at the right end (on by default); a window of fixed
  // size shows none.
  virtual void SetSizeGrip(bool on) = 0;
  virtual bool SizeGrip() const = 0;
  virtual void Invalidate() = 0;
  // Colours of an owner-drawn panel.
  std::function<CellStyle(int index)> OnDrawPanel;
  CellStyle StyleOfPanel(int index) const { return OnDrawPanel ? OnDrawPanel(index) : CellStyle{}; }
};

// A bitmap or icon that the platform made (from a resource of a browsed
// file, say). The handle stays its maker's: a control that shows it never
// frees it, and the maker keeps it alive while it is shown.
struct Picture {
  enum class Type { None, Bitmap, Icon };
  Type Kind = Type::None;
  uintptr_t Handle = 0;  // HBITMAP or HICON on Win32; any number headless
  friend bool operator==(const Picture& a, const Picture& b) {
    return a.Kind == b.Kind && a.Handle == b.Handle;
  }
};

// Image data in the layouts Windows keeps in resources, for the platform to
// make a picture of.
struct PictureData {
  enum class Format {
    // A packed device-independent bitmap: header, colour table, then the
    // rows from BitsOffset.
    Bitmap,
    // An icon or cursor image as its resource holds it (a cursor's starts
    // with its hot spot): colour and mask rows, or a PNG image.
    Icon,
    Cursor
  };
  Format Kind = Format::Bitmap;
  std::vector<uint8_t> Bytes;
  size_t BitsOffset = 0;
};

// A picture the platform made; freed with this object, so it must outlive
// the controls that show it.
class OwnedPicture {
 public:
  virtual ~OwnedPicture() = default;
  virtual Picture Get() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
};

// Draws one of the program's icon resources or a picture. A picture stands
// at the control's top-left at its own size, centred in the control, or
// stretched over the whole control.
class Image : public Control {
 public:
  virtual void SetIconResource(int id) = 0;
  virtual int IconResource() const = 0;
  // Replaces what is shown; a Picture{} shows nothing.
  virtual void SetPicture(const Picture& picture) = 0;
  virtual Picture GetPicture() const = 0;
  virtual void SetCenter(bool center) = 0;
  virtual bool Center() const = 0;
  virtual void SetStretch(bool stretch) = 0;
  virtual bool Stretch() const = 0;
};

// A live window the platform built from a dialog template, above the form
// that made it; destroyed with this object. Nothing of the template's file
// runs: the window has a dialog procedure of the platform's own that does
// nothing with what the user does in it.
class TemplateDialog {
 public:
  virtual ~TemplateDialog() = default;
  virtual uintptr_t NativeHandle() const = 0;
  virtual bool Visible() const = 0;
  virtual void Show() = 0;
  // Puts it in front of its owner again, where it was, without activating it.
  virtual void BringToFront() = 0;
};

// A place for a native child window that the platform made (a live dialog
// built from a template): the platform creates the window with this
// control's NativeHandle as its parent, then hands it over. The host places
// it at its own top-left corner and shows it; it never destroys it.
class WindowHost : public Control {
 public:
  // 0 lets the current child go (hidden, still its maker's).
  virtual void Adopt(uintptr_t child) = 0;
  virtual uintptr_t Child() const = 0;
};

// Runs OnTimer every Interval milliseconds while enabled, from the message
// loop (never inside a handler). A new timer is disabled, 1000 ms.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual const std::string& Name() const = 0;
  virtual void SetInterval(int milliseconds) = 0;
  virtual int Interval() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
  std::function<void()> OnTimer;
};

class GroupBox;
class Panel;

// Anything that holds controls. Controls are created in place and owned by
// the container; the pointers stay valid for the container's life.
class Container : public Control {
 public:
  virtual Label* AddLabel(const std::string& name, const Rect& bounds, const std::string& text) = 0;
  virtual Edit* AddEdit(const std::string& name, const Rect& bounds) = 0;
  virtual Button* AddButton(const std::string& name, const Rect& bounds,
                            const std::string& caption) = 0;
  virtual CheckBox* AddCheckBox(const std::string& name, const Rect& bounds,
                                const std::string& caption) = 0;
  virtual ListBox* AddListBox(const std::string& name, const Rect& bounds) = 0;
  virtual StringGrid* AddStringGrid(const std::string& name, const Rect& bounds) = 0;
  virtual TreeView* AddTreeView(const std::string& name, const Rect& bounds) = 0;
  virtual PageControl* AddPageControl(const std::string& name, const Rect& bounds) = 0;
  virtual StatusBar* AddStatusBar(const std::string& name) = 0;  // docked at the bottom
  virtual GroupBox* AddGroupBox(const std::string& name, const Rect& bounds,
                                const std::string& caption) = 0;
  virtual Panel* AddPanel(const std::string& name, const Rect& bounds) = 0;
  virtual Image* AddImage(const std::string& name, const Rect& bounds) = 0;
  virtual WindowHost* AddWindowHost(const std::string& name, const Rect& bounds) = 0;
  virtual RadioGroup* AddRadioGroup(const std::string& name, const Rect& bounds,
                                    const std::string& caption,
                                    const std::vector<std::string>& items, int columns) = 0;

  // Children in creation order.
  virtual std::vector<Control*> Children() const = 0;
  // Depth-first search by name; nullptr when absent.
  Control* FindControl(const std::string& name) const;
};

class TabSheet : public Container {
 public:
  virtual int PageIndex() const = 0;
};
class GroupBox : public Container {};
class Panel : public Container {
 public:
  virtual void SetBevel(bool raised) = 0;
};

// Menu items given no command id get one from here up.
inline constexpr int kFirstChosenCommandId = 0xE000;

class MenuItem {
 public:
  virtual ~MenuItem() = default;
  virtual const std::string& Name() const = 0;
  // Adds a child item; caption "-" is a separator. commandId 0: one is
  // chosen, from kFirstChosenCommandId up; a program's own ids stay below.
  virtual MenuItem* Add(const std::string& name, const std::string& caption, int commandId = 0) = 0;
  virtual MenuItem* AddSeparator(const std::string& name = "") = 0;
  virtual int Count() const = 0;
  virtual MenuItem* Item(int index) const = 0;
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool Checked() const = 0;
  virtual void SetChecked(bool checked) = 0;
  // "Ctrl+L", "Ctrl+C", "F5", "Del" ...
  virtual std::string Shortcut() const = 0;
  virtual void SetShortcut(const std::string& shortcut) = 0;
  virtual int CommandId() const = 0;
  virtual bool IsSeparator() const = 0;

  // A command item was chosen.
  std::function<void()> OnClick;
  // A submenu is about to open.
  std::function<void()> OnPopup;
  void Click() {
    if (OnClick) OnClick();
  }
  void Popup() {
    if (OnPopup) OnPopup();
  }
  MenuItem* Find(const std::string& name);
};

class MainMenu {
 public:
  virtual ~MainMenu() = default;
  // The bar's entries; each holds the items of its drop-down.
  virtual MenuItem* Add(const std::string& name, const std::string& caption, int commandId = 0) = 0;
  virtual int Count() const = 0;
  virtual MenuItem* Item(int index) const = 0;
  MenuItem* Find(const std::string& name) const;
};

class PopupMenu {
 public:
  virtual ~PopupMenu() = default;
  virtual const std::string& Name() const = 0;
  // The menu's own items live under this root item.
  virtual MenuItem* Items() = 0;
  // Shows it at a screen position (Win32) or runs OnPopup (headless).
  virtual void Popup(int x, int y) = 0;
  std::function<void()> OnPopup;
  MenuItem* Find(const std::string& name) { return Items()->Find(name); }
};

enum class BorderStyle { Sizeable, Single, Dialog, None };
enum class FormPosition { Default, ScreenCenter };

class Form : public Container {
 public:
  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;
  virtual void SetClientSize(int width, int height) = 0;
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  virtual void SetBorderStyle(BorderStyle style) = 0;
  // System menu and minimize box only (no maximize), as a fixed main window.
  virtual void SetMaximizeBox(bool on) = 0;
  virtual void SetPosition(FormPosition position) = 0;
  virtual void SetFormFont(const Font& font) = 0;
  virtual void SetIconResource(int id) = 0;

  virtual MainMenu* CreateMainMenu() = 0;  // at most one
  virtual MainMenu* GetMainMenu() const = 0;
  virtual PopupMenu* CreatePopupMenu(const std::string& name) = 0;  // right-click menu

  virtual void Show() = 0;
  // Shows the form modally and returns how it ended. Runs OnShow first.
  virtual ModalResult ShowModal() = 0;
  virtual bool Showing() const = 0;
  // Asks the form to close: OnCloseQuery may refuse; then OnClose runs.
  virtual void Close() = 0;
  // Ends a modal showing with this result (as a button with a result does).
  virtual void SetModalResult(ModalResult result) = 0;
  virtual void SetAcceptFiles(bool accept) = 0;
  virtual bool AcceptsFiles() const = 0;
  // A timer that lives as long as the form.
  virtual Timer* CreateTimer(const std::string& name) = 0;

  // A dialog template (the layout of a resource of type 5, DIALOG or
  // DIALOGEX) as a live window owned by this form. Its menu, icons and
  // bitmaps are looked up in resourceFile, opened as data only. nullptr
  // when the platform cannot build it (a class that does not exist, say).
  // The template is not shown by this call unless its style says visible.
  virtual std::unique_ptr<TemplateDialog> CreateTemplateDialog(std::span<const uint8_t> tmpl,
                                                               const std::string& resourceFile) = 0;
  // A menu template (MENU or MENUEX) as the window's menu bar in place of
  // its own, whose items do nothing when chosen. False when the platform
  // cannot build it: the bar is then unchanged.
  virtual bool ShowTemplateMenu(std::span<const uint8_t> tmpl) = 0;
  // The form's own bar again; the template's menu is destroyed.
  virtual void ShowOwnMenu() = 0;
  virtual bool TemplateMenuShown() const = 0;

  std::function<void()> OnShow;
  // The form became the active window.
  std::function<void()> OnActivate;
  // Set allow = false to refuse the close.
  std::function<void(bool& allow)> OnCloseQuery;
  std::function<void()> OnClose;
  // Files dropped on the window (full paths).
  std::function<void(const std::vector<std::string>& paths)> OnDropFiles;
  // A message of the private range (kFirstPrivateMessage to
  // kLastPrivateMessage) posted to the form's window, typically by a helper
  // program that was given NativeHandle(). Return true when handled.
  std::function<bool(uint32_t message, uintptr_t wParam, intptr_t lParam)> OnMessage;
};

// The numbers a program may give its own window messages.
constexpr uint32_t kFirstPrivateMessage = 0x0400;
constexpr uint32_t kLastPrivateMessage = 0xBFFF;

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageIcon { None, Information, Warning, Error, Question };

struct OpenFileOptions {
  std::string Title;
  // "Text|pattern|Text|pattern" as the form writes it.
  std::string Filter;
  std::string InitialDir;
  bool HideReadOnly = false;
};

struct SaveFileOptions {
  std::string Title;
  std::string Filter;            // as OpenFileOptions's
  std::string FileName;          // proposed
  std::string DefaultExtension;  // without the dot; added when the user types none
};

// The program: creates forms, runs the message loop, shows the standard
// dialogs and the one error report.
class Application {
 public:
  virtual ~Application() = default;
  virtual std::unique_ptr<Form> CreateForm(const std::string& name) = 0;
  virtual void SetTitle(const std::string& title) = 0;
  virtual std::string Title() const = 0;
  // Runs the message loop until the main form closes or Terminate.
  virtual int Run(Form& mainForm) = 0;
  virtual void Terminate() = 0;
  virtual bool Terminated() const = 0;
  // Runs pending window messages once and returns.
  virtual void ProcessMessages() = 0;
  // Sleeps until a window message or posted work arrives, at most
  // `timeout`; runs nothing (ProcessMessages does). A wait that lets the
  // window live without spinning.
  virtual void WaitForMessages(std::chrono::milliseconds timeout) = 0;
  // Queues work for the user-interface thread; callable from any thread. The
  // work runs from the message loop after the current handler has returned
  // (also inside modal loops), so a caller can be answered first and the
  // slow or modal part done afterwards.
  virtual void Post(std::function<void()> work) = 0;
  virtual ModalResult MessageBox(const std::string& text, const std::string& caption,
                                 MessageButtons buttons, MessageIcon icon = MessageIcon::None) = 0;
  virtual std::optional<std::string> OpenFile(const OpenFileOptions& options) = 0;
  // The save-as dialog: the path chosen, or nothing when cancelled. Asks
  // before a file is replaced.
  virtual std::optional<std::string> SaveFile(const SaveFileOptions& options) = 0;
  // A picture of image data; nullptr when the platform cannot make one of
  // it.
  virtual std::unique_ptr<OwnedPicture> MakePicture(const PictureData& data) = 0;
  virtual bool ChooseFont(Font& font) = 0;
  // The default error handler: shows the text in a message box, the program
  // goes on.
  virtual void ShowError(const std::string& text) = 0;
  // Runs a handler and routes what it throws to ShowError.
  void Guard(const std::function<void()>& handler);
  // The hourglass over the program's windows while a long piece of work
  // runs (busy), the ordinary pointer again after.
  virtual void SetBusyCursor(bool busy) { busyCursor_ = busy; }
  bool BusyCursor() const { return busyCursor_; }

 private:
  bool busyCursor_ = false;
};

}  // namespace ui

#endif  // UI_WIDGETS_H
