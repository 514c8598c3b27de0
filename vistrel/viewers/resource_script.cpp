#include "vistrel/viewers/resource_script.h"

#include <algorithm>
#include <cstdio>

#include "common/hex_text.h"
#include "vistrel/viewers/image_formats.h"
#include "vistrel/viewers/structure_formats.h"

namespace vistrel {

namespace {

// A little-endian cursor over the bytes that may be read. Every read checks
// the end; a failed read leaves the offset where it was.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  size_t Offset() const { return offset_; }
  size_t Size() const { return bytes_.size(); }
  void Align4() { offset_ = (offset_ + 3) & ~size_t{3}; }
  bool Has(size_t count) const {
    return offset_ <= bytes_.size() && bytes_.size() - offset_ >= count;
  }
  bool Skip(size_t count) {
    if (!Has(count)) return false;
    offset_ += count;
    return true;
  }
  bool Peek16(uint16_t& value) const {
    if (!Has(2)) return false;
    value = static_cast<uint16_t>(bytes_[offset_] | bytes_[offset_ + 1] << 8);
    return true;
  }
  bool Read16(uint16_t& value) { return Peek16(value) && Skip(2); }
  bool Read32(uint32_t& value) {
    uint16_t low = 0, high = 0;
    if (!Has(4)) return false;
    Read16(low);
    Read16(high);
    value = low | static_cast<uint32_t>(high) << 16;
    return true;
  }
  // A zero-terminated UTF-16 string, moved past its terminator. `units` is
  // how many characters it had (0: the empty string).
  bool ReadString(std::string& text, size_t* units = nullptr);

 private:
  std::span<const uint8_t> bytes_;
  size_t offset_ = 0;
};

bool Reader::ReadString(std::string& text, size_t* units) {
  size_t start = offset_;
  std::vector<uint16_t> chars;
  uint16_t c = 0;
  bool terminated = false;
  while (Read16(c)) {
    if (c == 0) {
      terminated = true;
      break;
    }
    chars.push_back(c);
  }
  if (!terminated) {
    offset_ = start;
    return false;
  }
  if (units) *units = chars.size();
  // A text with a surrogate that has no partner converts to nothing.
  bool lone = false;
  text = Utf16ToUtf8(chars, &lone);
  if (lone) text.clear();
  return true;
}

std::string Format(const char* format, auto... values) {
  char buffer[64];
  int n = std::snprintf(buffer, sizeof buffer, format, values...);
  return n < 0 ? std::string() : std::string(buffer, std::min<size_t>(n, sizeof buffer - 1));
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

// --- styles ---------------------------------------------------------------

struct StyleName {
  uint32_t Bits;
  const char* Name;
};

// Combined names first (all their bits, then removed); the rest in the order
// the listing has always used.
constexpr StyleName kCombinedStyles[] = {
    {0x00CF0000, "WS_OVERLAPPEDWINDOW"},
    {0x80880000, "WS_POPUPWINDOW"},
    {0x00C00000, "WS_CAPTION"},
};
constexpr uint32_t kSetFont = 0x00000040;
constexpr StyleName kStyles[] = {
    {0x00000004, "DS_3DLOOK"},        {0x00000001, "DS_ABSALIGN"},
    {0x00000800, "DS_CENTER"},        {0x00001000, "DS_CENTERMOUSE"},
    {0x00002000, "DS_CONTEXTHELP"},   {0x00000400, "DS_CONTROL"},
    {0x00000008, "DS_FIXEDSYS"},      {0x00000020, "DS_LOCALEDIT"},
    {0x00000080, "DS_MODALFRAME"},    {0x00000010, "DS_NOFAILCREATE"},
    {0x00000100, "DS_NOIDLEMSG"},     {kSetFont, "DS_SETFONT"},
    {0x00000200, "DS_SETFOREGROUND"}, {0x00000002, "DS_SYSMODAL"},
    {0x00800000, "WS_BORDER"},        {0x40000000, "WS_CHILD"},
    {0x02000000, "WS_CLIPCHILDREN"},  {0x04000000, "WS_CLIPSIBLINGS"},
    {0x08000000, "WS_DISABLED"},      {0x00400000, "WS_DLGFRAME"},
    {0x00020000, "WS_GROUP"},         {0x00100000, "WS_HSCROLL"},
    {0x01000000, "WS_MAXIMIZE"},      {0x00010000, "WS_MAXIMIZEBOX"},
    {0x20000000, "WS_MINIMIZE"},      {0x00020000, "WS_MINIMIZEBOX"},
    {0x80000000, "WS_POPUP"},         {0x00080000, "WS_SYSMENU"},
    {0x00010000, "WS_TABSTOP"},       {0x00040000, "WS_THICKFRAME"},
    {0x10000000, "WS_VISIBLE"},       {0x00200000, "WS_VSCROLL"},
};

void AppendName(std::string& text, const char* name) {
  if (!text.empty()) text += " | ";
  text += name;
}

// --- dialogs --------------------------------------------------------------

const char* ClassOfOrdinal(uint16_t ordinal) {
  switch (ordinal) {
    case 0x0080:
      return "BUTTON";
    case 0x0081:
      return "EDIT";
    case 0x0082:
      return "STATIC";
    case 0x0083:
      return "LISTBOX";
    case 0x0084:
      return "SCROLLBAR";
    case 0x0085:
      return "COMBOBOX";
    default:
      return "";
  }
}

// The dialog's menu or class: none, an ordinal (no line), or a name on a
// line of its own.
bool DialogNameField(Reader& in, std::vector<std::string>& lines) {
  uint16_t first = 0;
  if (!in.Peek16(first)) return false;
  if (first == 0) return in.Skip(2);
  if (first == 0xFFFF) return in.Skip(2) && in.Read16(first);
  std::string name;
  if (!in.ReadString(name)) return false;
  lines.push_back(name);
  return true;
}

bool DialogTitle(Reader& in, std::vector<std::string>& lines) {
  uint16_t first = 0;
  if (!in.Peek16(first)) return false;
  if (first == 0 || first == 0xFFFF) return in.Skip(2);
  std::string title;
  if (!in.ReadString(title)) return false;
  lines.push_back("CAPTION " + Quoted(title));
  return true;
}

// An item's class and title: an ordinal (a class name, or the number as the
// title) or a string.
bool ItemClass(Reader& in, std::string& text) {
  uint16_t first = 0;
  if (!in.Peek16(first)) return false;
  if (first != 0xFFFF) return in.ReadString(text);
  uint16_t ordinal = 0;
  if (!in.Skip(2) || !in.Read16(ordinal)) return false;
  text = ClassOfOrdinal(ordinal);
  return true;
}

bool ItemTitle(Reader& in, std::string& text) {
  uint16_t first = 0;
  if (!in.Peek16(first)) return false;
  if (first != 0xFFFF) return in.ReadString(text);
  uint16_t ordinal = 0;
  if (!in.Skip(2) || !in.Read16(ordinal)) return false;
  text = std::to_string(ordinal);
  return true;
}

std::string ControlLine(const std::string& title, int32_t id, const std::string& className,
                        uint32_t style, int16_t x, int16_t y, int16_t cx, int16_t cy) {
  return "  CONTROL " + Quoted(title) + ", " + std::to_string(id) + ", " + className + ", " +
         StyleNames(style).Text + Format(", %d, %d, %d, %d", x, y, cx, cy);
}

// Ends a listing whose data ran out.
std::vector<std::string> Cut(std::vector<std::string> lines) {
  lines.push_back(kDataEndsHere);
  return lines;
}

std::vector<std::string> StandardDialog(Reader& in) {
  std::vector<std::string> lines;
  uint32_t style = 0, exStyle = 0;
  uint16_t count = 0, x = 0, y = 0, cx = 0, cy = 0;
  if (!in.Read32(style) || !in.Read32(exStyle) || !in.Read16(count) || !in.Read16(x) ||
      !in.Read16(y) || !in.Read16(cx) || !in.Read16(cy)) {
    return Cut(lines);
  }
  lines.push_back(
      Format("DIALOG %d, %d, %d, %d", int16_t(x), int16_t(y), int16_t(cx), int16_t(cy)));
  StyleText styleText = StyleNames(style);
  lines.push_back("STYLE " + styleText.Text);
  if (!DialogNameField(in, lines) || !DialogNameField(in, lines) || !DialogTitle(in, lines)) {
    return Cut(lines);
  }
  if (styleText.SetFont) {
    uint16_t points = 0;
    std::string face;
    if (!in.Read16(points) || !in.ReadString(face)) return Cut(lines);
    lines.push_back(Format("FONT %d, ", points) + Quoted(face));
  }
  in.Align4();
  lines.push_back("BEGIN");
  for (uint16_t i = 0; i < count; ++i) {
    uint32_t itemStyle = 0, itemExStyle = 0;
    uint16_t ix = 0, iy = 0, icx = 0, icy = 0, id = 0, dataSize = 0;
    std::string className, title;
    if (!in.Read32(itemStyle) || !in.Read32(itemExStyle) || !in.Read16(ix) || !in.Read16(iy) ||
        !in.Read16(icx) || !in.Read16(icy) || !in.Read16(id) || !ItemClass(in, className) ||
        !ItemTitle(in, title) || !in.Read16(dataSize) || !in.Skip(dataSize)) {
      return Cut(lines);
    }
    // The creation data's size word counts the bytes after it.
    lines.push_back(ControlLine(title, int16_t(id), className, itemStyle, int16_t(ix), int16_t(iy),
                                int16_t(icx), int16_t(icy)));
    in.Align4();
  }
  lines.push_back("END");
  return lines;
}

// The extended form: "EXSTYLE" only when the dialog has extended styles; the
// FONT line adds weight, italic and charset; a control line ends in
// ", 0x<extended style>, <help id>" when either is not zero.
std::vector<std::string> ExtendedDialog(Reader& in) {
  std::vector<std::string> lines;
  uint16_t version = 0, signature = 0, count = 0, x = 0, y = 0, cx = 0, cy = 0;
  uint32_t helpId = 0, exStyle = 0, style = 0;
  if (!in.Read16(version) || !in.Read16(signature) || !in.Read32(helpId) || !in.Read32(exStyle) ||
      !in.Read32(style) || !in.Read16(count) || !in.Read16(x) || !in.Read16(y) || !in.Read16(cx) ||
      !in.Read16(cy)) {
    return Cut(lines);
  }
  lines.push_back(
      Format("DIALOGEX %d, %d, %d, %d", int16_t(x), int16_t(y), int16_t(cx), int16_t(cy)));
  StyleText styleText = StyleNames(style);
  lines.push_back("STYLE " + styleText.Text);
  if (exStyle != 0) lines.push_back("EXSTYLE " + common::HexText(exStyle));
  if (!DialogNameField(in, lines) || !DialogNameField(in, lines) || !DialogTitle(in, lines)) {
    return Cut(lines);
  }
  // DS_SHELLFONT carries the DS_SETFONT bit.
  if (styleText.SetFont) {
    uint16_t points = 0, weight = 0, italicCharset = 0;
    std::string face;
    if (!in.Read16(points) || !in.Read16(weight) || !in.Read16(italicCharset) ||
        !in.ReadString(face)) {
      return Cut(lines);
    }
    lines.push_back(Format("FONT %d, ", points) + Quoted(face) +
                    Format(", %d, %d, %d", weight, italicCharset & 0xFF, italicCharset >> 8));
  }
  in.Align4();
  lines.push_back("BEGIN");
  for (uint16_t i = 0; i < count; ++i) {
    uint32_t itemHelpId = 0, itemExStyle = 0, itemStyle = 0, id = 0;
    uint16_t ix = 0, iy = 0, icx = 0, icy = 0, extra = 0;
    std::string className, title;
    if (!in.Read32(itemHelpId) || !in.Read32(itemExStyle) || !in.Read32(itemStyle) ||
        !in.Read16(ix) || !in.Read16(iy) || !in.Read16(icx) || !in.Read16(icy) || !in.Read32(id) ||
        !ItemClass(in, className) || !ItemTitle(in, title) || !in.Read16(extra) ||
        !in.Skip(extra)) {
      return Cut(lines);
    }
    std::string line = ControlLine(title, static_cast<int32_t>(id), className, itemStyle,
                                   int16_t(ix), int16_t(iy), int16_t(icx), int16_t(icy));
    if (itemExStyle != 0 || itemHelpId != 0) {
      line += ", " + common::HexText(itemExStyle) + ", " + std::to_string(itemHelpId);
    }
    lines.push_back(line);
    in.Align4();
  }
  lines.push_back("END");
  return lines;
}

// --- menus ----------------------------------------------------------------

std::string StandardOptions(uint16_t option) {
  std::string text;
  if (option & 0x0001) text += "GRAYED ";
  if (option & 0x0002) text += "INACTIVE ";
  if (option & 0x0004) text += "BITMAP ";
  if (option & 0x0100) text += "OWNERDRAW ";
  if (option & 0x0008) text += "CHECKED ";
  return text;
}

std::vector<std::string> StandardMenu(Reader& in, size_t length) {
  std::vector<std::string> lines;
  size_t end = std::min(length, in.Size());
  in.Skip(std::min<size_t>(4, in.Size()));
  if (in.Offset() < 4) return length > in.Size() ? Cut(lines) : lines;
  while (in.Offset() < end) {
    uint16_t option = 0, id = 0;
    std::string text;
    size_t units = 0;
    if (!in.Read16(option) || (!(option & 0x0010) && !in.Read16(id)) ||
        !in.ReadString(text, &units)) {
      return Cut(lines);
    }
    std::string options = StandardOptions(option);
    if (units == 0 && option == 0 && id == 0) {
      lines.push_back("MENUITEM SEPARATOR");
    } else if (option & 0x0010) {
      lines.push_back("POPUP " + Quoted(text) + ", " + options);
    } else {
      lines.push_back("MENUITEM " + Quoted(text) + ", " + std::to_string(id) + ", " + options);
    }
    if (option & 0x0080) lines.push_back("ENDPOPUP");
  }
  // The stated length reaches past the bytes there are.
  if (length > in.Size()) return Cut(lines);
  return lines;
}

struct FlagName {
  uint32_t Bits;
  const char* Name;
};

// Names of the flags that are set, joined by " | "; bits without a name as
// one hex number after them; `zero` when no bit is set.
std::string FlagText(uint32_t value, std::span<const FlagName> names, const char* zero) {
  if (value == 0) return zero;
  std::string text;
  for (const FlagName& flag : names) {
    if ((value & flag.Bits) == flag.Bits) {
      AppendName(text, flag.Name);
      value &= ~flag.Bits;
    }
  }
  if (value != 0) AppendName(text, common::HexText(value).c_str());
  return text;
}

// Extended menu items print as the standard ones, with the item type and
// state as their constants' names: MFT_STRING when the type is 0,
// MFS_ENABLED when the state is 0, bits without a name in hex.
constexpr FlagName kMenuTypes[] = {
    {0x00000004, "MFT_BITMAP"},     {0x00000020, "MFT_MENUBARBREAK"}, {0x00000040, "MFT_MENUBREAK"},
    {0x00000100, "MFT_OWNERDRAW"},  {0x00000200, "MFT_RADIOCHECK"},   {0x00000800, "MFT_SEPARATOR"},
    {0x00002000, "MFT_RIGHTORDER"}, {0x00004000, "MFT_RIGHTJUSTIFY"},
};
constexpr FlagName kMenuStates[] = {
    {0x00000003, "MFS_GRAYED"},
    {0x00000008, "MFS_CHECKED"},
    {0x00000080, "MFS_HILITE"},
    {0x00001000, "MFS_DEFAULT"},
};
constexpr uint32_t kMenuSeparator = 0x00000800;
constexpr uint16_t kExPopup = 0x0001;
constexpr uint16_t kExLast = 0x0080;

// Items from 4 + the header's offset word: type, state, id, flags, text,
// aligned to 4; a popup's help id and then its items. "ENDPOPUP" follows the
// last item of every level, a popup's after its items.
std::vector<std::string> ExtendedMenu(Reader& in, size_t length) {
  std::vector<std::string> lines;
  uint16_t version = 0, offset = 0;
  if (!in.Read16(version) || !in.Read16(offset) || !in.Skip(offset)) return Cut(lines);
  size_t end = std::min(length, in.Size());
  // For each open level: whether the item that opened it was its own level's
  // last (the enclosing level then closes with it).
  std::vector<bool> levels = {false};
  while (!levels.empty() && in.Offset() < end) {
    uint32_t type = 0, state = 0, id = 0, helpId = 0;
    uint16_t flags = 0;
    std::string text;
    if (!in.Read32(type) || !in.Read32(state) || !in.Read32(id) || !in.Read16(flags) ||
        !in.ReadString(text)) {
      return Cut(lines);
    }
    in.Align4();
    std::string tail = ", " + std::to_string(id) + ", " + FlagText(type, kMenuTypes, "MFT_STRING") +
                       ", " + FlagText(state, kMenuStates, "MFS_ENABLED");
    if (flags & kExPopup) {
      if (!in.Read32(helpId)) return Cut(lines);
      lines.push_back("POPUP " + Quoted(text) + tail + ", " + std::to_string(helpId));
      levels.push_back((flags & kExLast) != 0);
      continue;
    }
    lines.push_back(type & kMenuSeparator ? "MENUITEM SEPARATOR"
                                          : "MENUITEM " + Quoted(text) + tail);
    bool last = (flags & kExLast) != 0;
    while (last && !levels.empty()) {
      lines.push_back("ENDPOPUP");
      last = levels.back();
      levels.pop_back();
    }
  }
  if (!levels.empty() && length > in.Size()) return Cut(lines);
  return lines;
}

}  // namespace

StyleText StyleNames(uint32_t style) {
  StyleText result;
  for (const StyleName& combined : kCombinedStyles) {
    if ((style & combined.Bits) == combined.Bits) {
      AppendName(result.Text, combined.Name);
      style &= ~combined.Bits;
    }
  }
  for (const StyleName& name : kStyles) {
    if (style & name.Bits) {
      AppendName(result.Text, name.Name);
      if (name.Bits == kSetFont) result.SetFont = true;
    }
  }
  return result;
}

std::vector<std::string> MenuTemplateLines(std::span<const uint8_t> bytes, int32_t length) {
  Reader in(bytes);
  size_t end = length > 0 ? static_cast<size_t>(length) : 0;
  uint16_t version = 0;
  if (in.Peek16(version) && version == 1) return ExtendedMenu(in, end);
  return StandardMenu(in, end);
}

bool MenuTemplateComplete(std::span<const uint8_t> bytes) {
  Reader in(bytes);
  uint16_t version = 0, offset = 0;
  if (!in.Read16(version) || !in.Read16(offset) || !in.Skip(offset)) return false;
  if (version > 1) return false;
  constexpr uint16_t kPopup = 0x0010, kEnd = 0x0080;
  // For each open level: whether the item that opened it was its own
  // level's last.
  std::vector<bool> levels = {false};
  std::string text;
  while (!levels.empty()) {
    uint16_t flags = 0, id = 0;
    uint32_t skip32 = 0;
    bool popup = false, last = false;
    if (version == 0) {
      if (!in.Read16(flags)) return false;
      popup = (flags & kPopup) != 0;
      if ((!popup && !in.Read16(id)) || !in.ReadString(text)) return false;
      last = (flags & kEnd) != 0;
    } else {
      if (!in.Read32(skip32) || !in.Read32(skip32) || !in.Read32(skip32) || !in.Read16(flags) ||
          !in.ReadString(text)) {
        return false;
      }
      in.Align4();
      popup = (flags & kExPopup) != 0;
      if (popup && !in.Read32(skip32)) return false;
      last = (flags & kExLast) != 0;
    }
    if (popup) {
      levels.push_back(last);
      // Nesting deeper than any menu has is no menu.
      if (levels.size() > 64) return false;
      continue;
    }
    while (last && !levels.empty()) {
      last = levels.back();
      levels.pop_back();
    }
  }
  return true;
}

std::vector<std::string> DialogTemplateLines(std::span<const uint8_t> bytes) {
  Reader in(bytes);
  bool extended =
      bytes.size() >= 4 && bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0xFF && bytes[3] == 0xFF;
  return extended ? ExtendedDialog(in) : StandardDialog(in);
}

}  // namespace vistrel
