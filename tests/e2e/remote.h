// Memory in another program's process for the structures its controls fill
// (list views, tree views), and the tree-view calls built on it.
#ifndef TESTS_E2E_REMOTE_H
#define TESTS_E2E_REMOTE_H

// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <commctrl.h>

#include <string>
#include <vector>

namespace e2e {

class Remote {
 public:
  explicit Remote(HWND window);
  ~Remote();
  Remote(const Remote&) = delete;
  Remote& operator=(const Remote&) = delete;

  static constexpr size_t kSize = 65536;
  static constexpr size_t kText = 4096;  // offset of the text buffer
  char* Base() const { return base_; }
  wchar_t* TextBuffer() const { return reinterpret_cast<wchar_t*>(base_ + kText); }
  void Write(const void* data, size_t size);
  template <typename T>
  T Read() const {
    T value{};
    ReadProcessMemory(process_, base_, &value, sizeof value, nullptr);
    return value;
  }
  // The text buffer as UTF-8.
  std::string Text() const;

 private:
  HANDLE process_ = nullptr;
  char* base_ = nullptr;
};

// Tree views of another process: items of a parent (nullptr: the top level),
// an item's text, selecting an item as a click does, and a double click on
// an item with the mouse.
// The texts of a list view's rows, `columns` cells each; a status bar's
// part.
std::vector<std::vector<std::string>> ListViewRows(HWND list, int columns);
std::string StatusBarText(HWND status, int part = 0);

std::vector<HTREEITEM> TreeChildren(HWND tree, HTREEITEM parent);
std::string TreeItemText(HWND tree, HTREEITEM item);
void TreeSelect(HWND tree, HTREEITEM item);
bool TreeDoubleClick(HWND tree, HTREEITEM item);

}  // namespace e2e

#endif  // TESTS_E2E_REMOTE_H
