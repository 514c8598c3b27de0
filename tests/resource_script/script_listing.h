// The resource-script listing read back into records: the dialog's caption
// and controls, the menu's items in listing order. Titles and texts may hold
// ", " and quotes (the listing does not escape them), so every line is read
// from its right end, where the fields are numbers and names.
#ifndef TESTS_RESOURCE_SCRIPT_SCRIPT_LISTING_H
#define TESTS_RESOURCE_SCRIPT_SCRIPT_LISTING_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace script {

// The bits of a style text: each name's bits, or nullopt for an unknown name.
std::optional<uint32_t> StyleBits(const std::string& text);
// The style bits a listing can show (0x4000 and 0x8000 have no name).
inline constexpr uint32_t kNamedStyleBits = ~uint32_t{0x0000C000};

struct Control {
  std::string Title;
  int32_t Id = 0;
  std::string Class;
  uint32_t Style = 0;
};

struct Dialog {
  bool Extended = false;
  uint32_t Style = 0;
  std::optional<std::string> Caption;
  std::vector<Control> Controls;
  bool Cut = false;  // the listing ended with the data-ends line
};

struct MenuItem {
  bool Popup = false;
  bool Separator = false;
  std::string Text;
  std::optional<int64_t> Id;  // absent for a standard popup and a separator
  bool Grayed = false;        // 0x1 (GRAYED; in MFS_GRAYED)
  bool Inactive = false;      // 0x2 (INACTIVE; in MFS_GRAYED)
  bool Checked = false;
  bool Bitmap = false;
  bool OwnerDraw = false;
  int EndPopups = 0;  // "ENDPOPUP" lines that follow the item's own line
};

struct Menu {
  bool Extended = false;
  std::vector<MenuItem> Items;
  bool Cut = false;
};

// nullopt (with the line in `bad`) when a line has no known form.
std::optional<Dialog> ParseDialog(const std::vector<std::string>& lines, std::string* bad);
// `extended`: the template is the extended form (its first word is 1).
std::optional<Menu> ParseMenu(const std::vector<std::string>& lines, bool extended,
                              std::string* bad);

}  // namespace script

#endif  // TESTS_RESOURCE_SCRIPT_SCRIPT_LISTING_H
