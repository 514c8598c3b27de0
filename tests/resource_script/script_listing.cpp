#include "tests/resource_script/script_listing.h"

#include <cstdlib>
#include <utility>

namespace script {

namespace {

struct NamedBits {
  const char* Name;
  uint32_t Bits;
};

constexpr NamedBits kStyleNames[] = {
    {"WS_OVERLAPPEDWINDOW", 0x00CF0000},
    {"WS_POPUPWINDOW", 0x80880000},
    {"WS_CAPTION", 0x00C00000},
    {"DS_3DLOOK", 0x00000004},
    {"DS_ABSALIGN", 0x00000001},
    {"DS_CENTER", 0x00000800},
    {"DS_CENTERMOUSE", 0x00001000},
    {"DS_CONTEXTHELP", 0x00002000},
    {"DS_CONTROL", 0x00000400},
    {"DS_FIXEDSYS", 0x00000008},
    {"DS_LOCALEDIT", 0x00000020},
    {"DS_MODALFRAME", 0x00000080},
    {"DS_NOFAILCREATE", 0x00000010},
    {"DS_NOIDLEMSG", 0x00000100},
    {"DS_SETFONT", 0x00000040},
    {"DS_SETFOREGROUND", 0x00000200},
    {"DS_SYSMODAL", 0x00000002},
    {"WS_BORDER", 0x00800000},
    {"WS_CHILD", 0x40000000},
    {"WS_CLIPCHILDREN", 0x02000000},
    {"WS_CLIPSIBLINGS", 0x04000000},
    {"WS_DISABLED", 0x08000000},
    {"WS_DLGFRAME", 0x00400000},
    {"WS_GROUP", 0x00020000},
    {"WS_HSCROLL", 0x00100000},
    {"WS_MAXIMIZE", 0x01000000},
    {"WS_MAXIMIZEBOX", 0x00010000},
    {"WS_MINIMIZE", 0x20000000},
    {"WS_MINIMIZEBOX", 0x00020000},
    {"WS_POPUP", 0x80000000},
    {"WS_SYSMENU", 0x00080000},
    {"WS_TABSTOP", 0x00010000},
    {"WS_THICKFRAME", 0x00040000},
    {"WS_VISIBLE", 0x10000000},
    {"WS_VSCROLL", 0x00200000},
};

constexpr NamedBits kMenuTypeNames[] = {
    {"MFT_STRING", 0},        {"MFT_BITMAP", 0x4},        {"MFT_MENUBARBREAK", 0x20},
    {"MFT_MENUBREAK", 0x40},  {"MFT_OWNERDRAW", 0x100},   {"MFT_RADIOCHECK", 0x200},
    {"MFT_SEPARATOR", 0x800}, {"MFT_RIGHTORDER", 0x2000}, {"MFT_RIGHTJUSTIFY", 0x4000},
};
constexpr NamedBits kMenuStateNames[] = {
    {"MFS_ENABLED", 0},   {"MFS_GRAYED", 0x3},     {"MFS_CHECKED", 0x8},
    {"MFS_HILITE", 0x80}, {"MFS_DEFAULT", 0x1000},
};

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// Names joined by `separator`, each from the table or a "0x" number.
template <size_t N>
std::optional<uint32_t> Bits(const std::string& text, const NamedBits (&names)[N],
                             const std::string& separator) {
  uint32_t bits = 0;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find(separator, at);
    if (end == std::string::npos) end = text.size();
    const std::string name = text.substr(at, end - at);
    at = end + separator.size();
    if (name.empty()) continue;
    bool known = false;
    for (const auto& n : names) {
      if (name == n.Name) {
        bits |= n.Bits;
        known = true;
        break;
      }
    }
    if (!known && StartsWith(name, "0x")) {
      char* stop = nullptr;
      bits |= static_cast<uint32_t>(std::strtoul(name.c_str() + 2, &stop, 16));
      known = stop && *stop == '\0';
    }
    if (!known) return std::nullopt;
  }
  return bits;
}

// Takes fields off the right end of a line, separated by ", ".
class RightFields {
 public:
  explicit RightFields(std::string text) : rest_(std::move(text)) {}
  std::optional<std::string> Take() {
    const size_t at = rest_.rfind(", ");
    if (at == std::string::npos) return std::nullopt;
    std::string field = rest_.substr(at + 2);
    rest_.resize(at);
    return field;
  }
  std::optional<int64_t> TakeNumber() {
    auto field = Take();
    if (!field || field->empty()) return std::nullopt;
    char* stop = nullptr;
    const long long value = std::strtoll(field->c_str(), &stop, 10);
    if (*stop != '\0') return std::nullopt;
    return value;
  }
  // What is left, `prefix` "text" `suffix`: the quoted text.
  std::optional<std::string> Quoted(const std::string& prefix) const {
    if (!StartsWith(rest_, prefix) || rest_.size() < prefix.size() + 1 || rest_.back() != '"') {
      return std::nullopt;
    }
    return rest_.substr(prefix.size(), rest_.size() - prefix.size() - 1);
  }
  const std::string& Rest() const { return rest_; }

 private:
  std::string rest_;
};

constexpr const char* kDataEnds = "*** The data ends here ***";

std::optional<Control> ParseControl(const std::string& line, bool extended) {
  RightFields fields(line);
  if (extended) {
    // ", 0x<extended style>, <help id>" when either is not zero.
    const std::string& rest = fields.Rest();
    const size_t last = rest.rfind(", ");
    const size_t before =
        last == std::string::npos ? std::string::npos : rest.rfind(", ", last - 1);
    if (before != std::string::npos && StartsWith(rest.substr(before + 2), "0x")) {
      fields.Take();
      fields.Take();
    }
  }
  for (int i = 0; i < 4; ++i) {
    if (!fields.TakeNumber()) return std::nullopt;
  }
  auto style = fields.Take();
  auto className = fields.Take();
  auto id = fields.TakeNumber();
  if (!style || !className || !id) return std::nullopt;
  auto bits = StyleBits(*style);
  auto title = fields.Quoted("  CONTROL \"");
  if (!bits || !title) return std::nullopt;
  Control c;
  c.Title = *title;
  c.Id = static_cast<int32_t>(*id);
  c.Class = *className;
  c.Style = *bits;
  return c;
}

std::optional<MenuItem> ParseMenuItem(const std::string& line, bool extended) {
  MenuItem item;
  if (line == "MENUITEM SEPARATOR") {
    item.Separator = true;
    return item;
  }
  item.Popup = StartsWith(line, "POPUP \"");
  RightFields fields(line);
  if (extended) {
    if (item.Popup && !fields.TakeNumber()) return std::nullopt;  // help id
    auto states = fields.Take();
    auto types = fields.Take();
    auto id = fields.TakeNumber();
    if (!states || !types || !id) return std::nullopt;
    auto state = Bits(*states, kMenuStateNames, " | ");
    auto type = Bits(*types, kMenuTypeNames, " | ");
    if (!state || !type) return std::nullopt;
    item.Id = *id;
    item.Grayed = *state & 0x1;
    item.Inactive = *state & 0x2;
    item.Checked = *state & 0x8;
    item.Bitmap = *type & 0x4;
    item.OwnerDraw = *type & 0x100;
    item.Separator = *type & 0x800;
  } else {
    auto options = fields.Take();
    if (!options) return std::nullopt;
    if (!item.Popup) {
      item.Id = fields.TakeNumber();
      if (!item.Id) return std::nullopt;
    }
    for (size_t at = 0; at < options->size();) {
      size_t end = options->find(' ', at);
      if (end == std::string::npos) end = options->size();
      const std::string name = options->substr(at, end - at);
      at = end + 1;
      if (name == "GRAYED") {
        item.Grayed = true;
      } else if (name == "INACTIVE") {
        item.Inactive = true;
      } else if (name == "BITMAP") {
        item.Bitmap = true;
      } else if (name == "OWNERDRAW") {
        item.OwnerDraw = true;
      } else if (name == "CHECKED") {
        item.Checked = true;
      } else if (!name.empty()) {
        return std::nullopt;
      }
    }
  }
  auto text = fields.Quoted(item.Popup ? "POPUP \"" : "MENUITEM \"");
  if (!text) return std::nullopt;
  item.Text = *text;
  return item;
}

}  // namespace

std::optional<uint32_t> StyleBits(const std::string& text) {
  return Bits(text, kStyleNames, " | ");
}

std::optional<Dialog> ParseDialog(const std::vector<std::string>& lines, std::string* bad) {
  Dialog d;
  enum { kHead, kStyle, kFields, kItems, kDone } at = kHead;
  for (const auto& line : lines) {
    *bad = line;
    if (line == kDataEnds) {
      d.Cut = true;
      return d;
    }
    switch (at) {
      case kHead:
        if (StartsWith(line, "DIALOGEX ")) {
          d.Extended = true;
        } else if (!StartsWith(line, "DIALOG ")) {
          return std::nullopt;
        }
        at = kStyle;
        break;
      case kStyle: {
        if (!StartsWith(line, "STYLE ")) return std::nullopt;
        auto bits = StyleBits(line.substr(6));
        if (!bits) return std::nullopt;
        d.Style = *bits;
        at = kFields;
        break;
      }
      case kFields:
        // EXSTYLE, the menu and class names, FONT: not compared.
        if (line == "BEGIN") {
          at = kItems;
        } else if (StartsWith(line, "CAPTION \"") && line.back() == '"' && line.size() >= 10) {
          d.Caption = line.substr(9, line.size() - 10);
        }
        break;
      case kItems:
        if (line == "END") {
          at = kDone;
          break;
        }
        if (auto c = ParseControl(line, d.Extended)) {
          d.Controls.push_back(*c);
          break;
        }
        return std::nullopt;
      case kDone:
        return std::nullopt;
    }
  }
  bad->clear();
  if (at != kDone) return std::nullopt;
  return d;
}

std::optional<Menu> ParseMenu(const std::vector<std::string>& lines, bool extended,
                              std::string* bad) {
  Menu m;
  m.Extended = extended;
  for (const auto& line : lines) {
    *bad = line;
    if (line == kDataEnds) {
      m.Cut = true;
      return m;
    }
    if (line == "ENDPOPUP") {
      if (m.Items.empty()) return std::nullopt;
      ++m.Items.back().EndPopups;
      continue;
    }
    auto item = ParseMenuItem(line, extended);
    if (!item) return std::nullopt;
    m.Items.push_back(*item);
  }
  bad->clear();
  return m;
}

}  // namespace script
