#include "tests/e2e/remote.h"

#include "common/win32/utf16.h"

namespace e2e {

Remote::Remote(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  base_ = static_cast<char*>(
      VirtualAllocEx(process_, nullptr, kSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
}

Remote::~Remote() {
  VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
  CloseHandle(process_);
}

void Remote::Write(const void* data, size_t size) {
  WriteProcessMemory(process_, base_, data, size, nullptr);
}

std::string Remote::Text() const {
  std::vector<wchar_t> buffer(2048, 0);
  ReadProcessMemory(process_, base_ + kText, buffer.data(), (buffer.size() - 1) * sizeof(wchar_t),
                    nullptr);
  return common::Utf8(buffer.data());
}

std::vector<std::vector<std::string>> ListViewRows(HWND list, int columns) {
  Remote remote(list);
  std::vector<std::vector<std::string>> rows;
  int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int r = 0; r < count; ++r) {
    std::vector<std::string> row;
    for (int c = 0; c < columns; ++c) {
      LVITEMW item{};
      item.iSubItem = c;
      item.pszText = remote.TextBuffer();
      item.cchTextMax = 2000;
      remote.Write(&item, sizeof item);
      SendMessageW(list, LVM_GETITEMTEXTW, r, reinterpret_cast<LPARAM>(remote.Base()));
      row.push_back(remote.Text());
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string StatusBarText(HWND status, int part) {
  Remote remote(status);
  SendMessageW(status, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(remote.TextBuffer()));
  return remote.Text();
}

std::vector<HTREEITEM> TreeChildren(HWND tree, HTREEITEM parent) {
  std::vector<HTREEITEM> items;
  auto item = reinterpret_cast<HTREEITEM>(SendMessageW(
      tree, TVM_GETNEXTITEM, parent ? TVGN_CHILD : TVGN_ROOT, reinterpret_cast<LPARAM>(parent)));
  while (item) {
    items.push_back(item);
    item = reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
  }
  return items;
}

std::string TreeItemText(HWND tree, HTREEITEM item) {
  Remote remote(tree);
  TVITEMW tv{};
  tv.mask = TVIF_TEXT | TVIF_HANDLE;
  tv.hItem = item;
  tv.pszText = remote.TextBuffer();
  tv.cchTextMax = 1024;
  remote.Write(&tv, sizeof tv);
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.Base()));
  return remote.Text();
}

void TreeSelect(HWND tree, HTREEITEM item) {
  SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

bool TreeDoubleClick(HWND tree, HTREEITEM item) {
  SendMessageW(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
  Remote remote(tree);
  // TVM_GETITEMRECT takes the item in the rectangle it fills.
  RECT rect{};
  *reinterpret_cast<HTREEITEM*>(&rect) = item;
  remote.Write(&rect, sizeof rect);
  if (!SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(remote.Base())))
    return false;
  rect = remote.Read<RECT>();
  LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  // Posted, all of them: the tree waits inside the button-down for the
  // mouse's next message.
  PostMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(tree, WM_LBUTTONUP, 0, at);
  PostMessageW(tree, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  PostMessageW(tree, WM_LBUTTONUP, 0, at);
  return true;
}

}  // namespace e2e
