// The state of the View, Edit and pop-up menus as one function of what the
// window shows: the page, the flags and the selection.
#ifndef VISTREL_BROWSER_MENU_STATE_H
#define VISTREL_BROWSER_MENU_STATE_H

#include <cstdint>
#include <optional>
#include <string>

namespace vistrel {

struct MenuSnapshot {
  int Page = 0;
  bool HexMode = true;
  bool Sorted = false;
  // The export list box has lines.
  bool HasExportLines = false;
  // The type of the resource selected in the tree; none for a group node or
  // no selection.
  std::optional<uint32_t> SelectedResourceType;
};

struct MenuState {
  std::string ModeCaption;
  bool ModeEnabled = false;
  bool SortedEnabled = false;
  bool SortedChecked = false;
  // The View menu's "&Item" submenu.
  bool ItemEnabled = false;
  // The three item commands, in the menu and the pop-up alike.
  bool FileOffsetVisible = false;
  bool ImageVisible = false;
  bool StructureVisible = false;
  bool PopupSeparatorVisible = false;
  // The Edit menu (after a page change) and its "&Copy" (when it opens).
  bool EditEnabled = false;
  bool CopyEnabled = false;
};

MenuState MenusFor(const MenuSnapshot& snapshot);

}  // namespace vistrel

#endif  // VISTREL_BROWSER_MENU_STATE_H
