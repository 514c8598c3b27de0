// Menu and dialog templates (standard and extended) as lines of
// resource-script text, and a window style as the names of its constants.
#ifndef VISTREL_VIEWERS_RESOURCE_SCRIPT_H
#define VISTREL_VIEWERS_RESOURCE_SCRIPT_H

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vistrel {

struct StyleText {
  std::string Text;
  bool SetFont = false;  // DS_SETFONT was among the names
};

// The names of a 32-bit style joined by " | ", in the fixed table order.
StyleText StyleNames(uint32_t style);

// `bytes` are the template's bytes that may be read (never past the
// resource's data or the file). `length` bounds the menu items. A field, count
// or string that runs past `bytes` ends the lines with kDataEndsHere.
std::vector<std::string> MenuTemplateLines(std::span<const uint8_t> bytes, int32_t length);
std::vector<std::string> DialogTemplateLines(std::span<const uint8_t> bytes);
// True when the menu's every level ends within `bytes`, as the platform's
// menu loader reads it.
bool MenuTemplateComplete(std::span<const uint8_t> bytes);

}  // namespace vistrel

#endif  // VISTREL_VIEWERS_RESOURCE_SCRIPT_H
