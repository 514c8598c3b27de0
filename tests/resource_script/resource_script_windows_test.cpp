// The resource-script listing of every dialog and menu template in Wine's
// own PE files against what Windows builds from the same template: each
// dialog is created hidden (CreateDialogIndirectParamW) and its controls read
// back, each menu is loaded (LoadMenuIndirectW) and walked.
//  - Controls, in Z order against the CONTROL lines: class, id, the style
//    bits the listing can name, window text; the dialog's caption and count.
//  - Menu items, in the listing's order (a popup's line, then its items):
//    text, id, popup, separator, grayed, inactive, checked, and the ENDPOPUP
//    lines each item's position in its menu calls for.
// Every difference either has a reason in the table below or fails the test;
// the summary counts both. The image viewer's string blocks are checked
// against LoadStringW, and the menu viewer's test of a whole template against
// LoadMenuIndirectW, the same way.
#include <windows.h>
// windows.h first
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dlv_fixtures.h"
#include "tests/resource_script/script_listing.h"
#include "vistrel/viewers/image_formats.h"
#include "vistrel/viewers/resource_script.h"

namespace {

std::string Utf8(const wchar_t* text, int length) {
  if (length <= 0) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
  return out;
}
std::string Utf8(const std::wstring& text) {
  return Utf8(text.c_str(), static_cast<int>(text.size()));
}
std::wstring Wide(const std::string& text) {
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(n > 0 ? n : 0, L'\0');
  if (n > 0) {
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n);
  }
  return out;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string Hex(uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(value));
  return buffer;
}

// A resource name: an id or a string.
struct ResourceId {
  WORD Id = 0;
  std::wstring Text;  // used when not empty
};
LPCWSTR AsName(const ResourceId& id) {
  return id.Text.empty() ? MAKEINTRESOURCEW(id.Id) : id.Text.c_str();
}
std::string Show(const ResourceId& id) {
  return id.Text.empty() ? "#" + std::to_string(id.Id) : Utf8(id.Text);
}

// A PE file loaded as data. The test's environment switches some modules off
// by name (mscoree, mshtml), which refuses even a data load: such a file is
// loaded from a copy under another name.
class DataModule {
 public:
  DataModule(const std::wstring& folder, const std::wstring& file) {
    module_ = Load(folder + L"\\" + file);
    if (module_) return;
    wchar_t temp[MAX_PATH];
    const DWORD n = GetTempPathW(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH) return;
    copy_ = std::wstring(temp) + L"resource-script-" + file;
    if (CopyFileW((folder + L"\\" + file).c_str(), copy_.c_str(), FALSE)) module_ = Load(copy_);
  }
  ~DataModule() {
    if (module_) FreeLibrary(module_);
    if (!copy_.empty()) DeleteFileW(copy_.c_str());
  }
  DataModule(const DataModule&) = delete;
  DataModule& operator=(const DataModule&) = delete;
  HMODULE Handle() const { return module_; }

 private:
  static HMODULE Load(const std::wstring& path) {
    return LoadLibraryExW(path.c_str(), nullptr,
                          LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  }
  HMODULE module_ = nullptr;
  std::wstring copy_;
};

struct Template {
  ResourceId Name;
  WORD Language = 0;
  std::span<const uint8_t> Bytes;
};

BOOL CALLBACK OnLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
  reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
  return TRUE;
}
BOOL CALLBACK OnName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
  auto* names = reinterpret_cast<std::vector<ResourceId>*>(param);
  if (IS_INTRESOURCE(name)) {
    names->push_back({static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)), {}});
  } else {
    names->push_back({0, name});
  }
  return TRUE;
}

// Every template of one type, each language apart, as the resource functions
// find them.
std::vector<Template> Templates(HMODULE module, LPCWSTR type) {
  std::vector<ResourceId> names;
  EnumResourceNamesW(module, type, OnName, reinterpret_cast<LONG_PTR>(&names));
  std::vector<Template> templates;
  for (const auto& name : names) {
    std::vector<WORD> languages;
    EnumResourceLanguagesW(module, type, AsName(name), OnLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    for (WORD language : languages) {
      HRSRC found = FindResourceExW(module, type, AsName(name), language);
      if (!found) continue;
      HGLOBAL loaded = LoadResource(module, found);
      const void* data = loaded ? LockResource(loaded) : nullptr;
      const DWORD size = SizeofResource(module, found);
      if (!data) continue;
      templates.push_back({name, language, {static_cast<const uint8_t*>(data), size}});
    }
  }
  return templates;
}

// Wine's PE folder, and its files in name order.
std::wstring PeFolder() {
  std::wstring dir = Wide(DLV_WINE_PE_DIR);
  std::replace(dir.begin(), dir.end(), L'/', L'\\');
  return dir;
}
std::vector<std::wstring> PeFiles() {
  std::vector<std::wstring> files;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((PeFolder() + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(files.begin(), files.end());
  return files;
}

// The disagreements, each counted under its kind and, when it is a known
// difference, its reason.
class Tally {
 public:
  void Allowed(const std::string& kind, const std::string& reason) {
    ++allowed_[kind + ": " + reason];
  }
  void Failed(const std::string& kind, const std::string& where, const std::string& detail) {
    if (++failed_[kind] <= 5) samples_.push_back(kind + " in " + where + ": " + detail);
  }
  size_t Failures() const {
    size_t n = 0;
    for (const auto& [kind, count] : failed_) n += count;
    return n;
  }
  void Print() const {
    for (const auto& [what, count] : allowed_)
      std::printf("  known   %6zu  %s\n", count, what.c_str());
    for (const auto& [what, count] : failed_)
      std::printf("  FAILED  %6zu  %s\n", count, what.c_str());
    for (const auto& sample : samples_) std::printf("    %s\n", sample.c_str());
  }

 private:
  std::map<std::string, size_t> allowed_, failed_;
  std::vector<std::string> samples_;
};

// --- dialogs -----------------------------------------------------------------

INT_PTR CALLBACK QuietDialog(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

class Owner {
 public:
  Owner() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ResourceScriptTestOwner";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, wc.lpszClassName, L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                              nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~Owner() {
    if (window_) DestroyWindow(window_);
  }
  HWND Handle() const { return window_; }

 private:
  HWND window_ = nullptr;
};

std::string ClassName(HWND window) {
  wchar_t buffer[256];
  const int n = GetClassNameW(window, buffer, 256);
  return Utf8(buffer, n);
}

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(length + 1, L'\0');
  const int n = GetWindowTextW(window, text.data(), length + 1);
  return Utf8(text.c_str(), n);
}

// The class text of the listing as the system names its class.
std::string SystemClass(const std::string& listed) {
  static const std::map<std::string, std::string> kOrdinals = {
      {"button", "button"},   {"edit", "edit"},           {"static", "static"},
      {"listbox", "listbox"}, {"scrollbar", "scrollbar"}, {"combobox", "combobox"}};
  auto it = kOrdinals.find(Lower(listed));
  return it != kOrdinals.end() ? it->second : Lower(listed);
}

struct DialogFigures {
  size_t Files = 0, Templates = 0, Extended = 0, Created = 0, Controls = 0;
};

// --- what Windows changes, and why ---------------------------------------------

constexpr const char* kClientEdge =
    "the dialog turns a control's WS_BORDER into WS_EX_CLIENTEDGE (set on the window)";
constexpr const char* kHiddenScrollBar =
    "the control hides the scroll bars its empty content does not need, which clears their "
    "style bits";
constexpr const char* kComboList =
    "a combo box hands WS_VSCROLL and WS_BORDER to its list and draws its own frame";
constexpr const char* kProgressFrame =
    "the progress bar draws its own frame and drops WS_BORDER (and the client edge)";
constexpr const char* kTabClips = "the tab control adds WS_CLIPSIBLINGS to itself";
constexpr const char* kSecondDefault =
    "a later BS_DEFPUSHBUTTON of the same dialog takes the default from this one";
constexpr const char* kOrdinalTitle =
    "an ordinal title (a Static's icon or bitmap id) is the window text U+FFFF and the ordinal";

// What the comparison knows about a control beyond its own listing.
struct ControlContext {
  uint32_t ExStyle = 0;
  bool LaterDefaultButton = false;
};

bool IsListClass(const std::string& cls) {
  return cls == "listbox" || cls == "syslistview32" || cls == "systreeview32";
}

// The reason Windows has `bit` set (`added`) or clear where the listing has
// the opposite, or null.
const char* StyleChange(const std::string& cls, uint32_t bit, bool added,
                        const ControlContext& context) {
  if (!added && bit == WS_BORDER && (context.ExStyle & WS_EX_CLIENTEDGE)) return kClientEdge;
  if (!added && (bit == WS_VSCROLL || bit == WS_HSCROLL) && IsListClass(cls)) {
    return kHiddenScrollBar;
  }
  if (!added && (bit == WS_VSCROLL || bit == WS_BORDER) &&
      (cls == "combobox" || cls == "comboboxex32")) {
    return kComboList;
  }
  if (!added && bit == WS_BORDER && cls == "msctls_progress32") return kProgressFrame;
  if (added && bit == WS_CLIPSIBLINGS && cls == "systabcontrol32") return kTabClips;
  if (!added && bit == BS_DEFPUSHBUTTON && cls == "button" && context.LaterDefaultButton) {
    return kSecondDefault;
  }
  return nullptr;
}

bool IsDefaultButton(const script::Control& c) {
  return Lower(c.Class) == "button" && (c.Style & 0x0F) == BS_DEFPUSHBUTTON;
}

void CompareControl(const script::Control& listed, HWND window, bool extended,
                    const ControlContext& context, const std::string& where, Tally& tally) {
  const std::string cls = Lower(ClassName(window));
  if (cls != SystemClass(listed.Class)) {
    tally.Failed("class", where, "listed '" + listed.Class + "', window '" + cls + "'");
  }
  const int id = GetDlgCtrlID(window);
  // A standard template's id is 16 bits, listed signed; an extended one's 32.
  const bool sameId =
      extended ? id == listed.Id : static_cast<uint16_t>(id) == static_cast<uint16_t>(listed.Id);
  if (!sameId) {
    tally.Failed("id", where,
                 "listed " + std::to_string(listed.Id) + ", window " + std::to_string(id));
  }
  const uint32_t style = static_cast<uint32_t>(GetWindowLongW(window, GWL_STYLE));
  const uint32_t differ = (style ^ listed.Style) & script::kNamedStyleBits;
  uint32_t unexplained = 0;
  for (uint32_t bit = 1; bit != 0; bit <<= 1) {
    if (!(differ & bit)) continue;
    const bool added = style & bit;
    if (const char* reason = StyleChange(cls, bit, added, context)) {
      tally.Allowed("style " + cls + (added ? " +" : " -") + Hex(bit), reason);
    } else {
      unexplained |= bit;
    }
  }
  if (unexplained) {
    tally.Failed(
        "style " + cls + " " + Hex(unexplained), where,
        "listed " + Hex(listed.Style) + ", window " + Hex(style) + " ex " + Hex(context.ExStyle));
  }
  const std::string text = WindowText(window);
  if (text != listed.Title) {
    std::wstring wide(GetWindowTextLengthW(window) + 1, L'\0');
    wide.resize(GetWindowTextW(window, wide.data(), static_cast<int>(wide.size())));
    const bool ordinal = !listed.Title.empty() && listed.Title.size() <= 5 &&
                         std::all_of(listed.Title.begin(), listed.Title.end(),
                                     [](char c) { return c >= '0' && c <= '9'; });
    if (cls == "static" && ordinal && !wide.empty() && wide[0] == 0xFFFF &&
        (wide.size() == 1 || (wide.size() == 2 && wide[1] == std::stoul(listed.Title)))) {
      tally.Allowed("text static", kOrdinalTitle);
    } else {
      tally.Failed("text " + cls, where,
                   "listed \"" + listed.Title + "\", window \"" + text + "\"");
    }
  }
}

// The classes of the listing that this process has not registered.
std::string UnregisteredClasses(HMODULE module, const script::Dialog& listed) {
  std::string missing;
  for (const auto& c : listed.Controls) {
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    const std::wstring name = Wide(c.Class);
    if (GetClassInfoExW(nullptr, name.c_str(), &info) ||
        GetClassInfoExW(module, name.c_str(), &info)) {
      continue;
    }
    if (missing.find("'" + c.Class + "'") == std::string::npos) missing += " '" + c.Class + "'";
  }
  return missing;
}

constexpr const char* kPrivateClass =
    "a control's class is registered by the file's own program at run time, not by the system";

// The classes Wine's programs register for themselves (regedit, conhost,
// setupapi's progress dialog), as UnregisteredClasses lists them.
bool OnlyPrivateClasses(const std::string& missing) {
  static const char* const kPrivate[] = {"'HexEdit'", "'WineConColorPreview'",
                                         "'WineConFontPreview'", "'setupx_progress'"};
  std::string rest = missing;
  for (const char* name : kPrivate) {
    for (size_t at; (at = rest.find(name)) != std::string::npos;) rest.erase(at, strlen(name));
  }
  return rest.find_first_not_of(' ') == std::string::npos;
}

void CompareDialog(HMODULE module, const Template& t, HWND owner, const std::string& where,
                   DialogFigures& figures, Tally& tally) {
  const auto lines = vistrel::DialogTemplateLines(t.Bytes);
  std::string bad;
  auto listed = script::ParseDialog(lines, &bad);
  if (!listed) {
    tally.Failed("listing not understood", where, bad);
    return;
  }
  if (listed->Cut) {
    tally.Failed("listing cut", where, std::to_string(t.Bytes.size()) + " bytes");
    return;
  }
  if (listed->Extended) ++figures.Extended;
  // A private copy, aligned, without WS_VISIBLE: the dialog stays hidden.
  std::vector<uint32_t> copy(t.Bytes.size() / 4 + 2, 0);
  std::memcpy(copy.data(), t.Bytes.data(), t.Bytes.size());
  const size_t styleWord = listed->Extended ? 3 : 0;
  copy[styleWord] &= ~uint32_t{WS_VISIBLE};
  HWND dialog = CreateDialogIndirectParamW(module, reinterpret_cast<LPCDLGTEMPLATEW>(copy.data()),
                                           owner, QuietDialog, 0);
  if (!dialog) {
    const DWORD error = GetLastError();
    const std::string missing = UnregisteredClasses(module, *listed);
    if (!missing.empty() && OnlyPrivateClasses(missing)) {
      tally.Allowed("not created (" + missing.substr(1) + ")", kPrivateClass);
    } else {
      tally.Failed("not created", where,
                   "error " + std::to_string(error) + ", classes not registered:" + missing);
    }
    return;
  }
  ++figures.Created;
  std::vector<HWND> children;
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    children.push_back(c);
  const std::string caption = WindowText(dialog);
  if (caption != listed->Caption.value_or("")) {
    tally.Failed("caption", where,
                 "listed \"" + listed->Caption.value_or("") + "\", window \"" + caption + "\"");
  }
  if (children.size() != listed->Controls.size()) {
    tally.Failed("control count", where,
                 "listed " + std::to_string(listed->Controls.size()) + ", windows " +
                     std::to_string(children.size()));
  } else {
    for (size_t i = 0; i < children.size(); ++i) {
      ++figures.Controls;
      ControlContext context;
      context.ExStyle = static_cast<uint32_t>(GetWindowLongW(children[i], GWL_EXSTYLE));
      context.LaterDefaultButton =
          std::any_of(listed->Controls.begin() + i + 1, listed->Controls.end(), IsDefaultButton);
      CompareControl(listed->Controls[i], children[i], listed->Extended, context,
                     where + " control " + std::to_string(i), tally);
    }
  }
  DestroyWindow(dialog);
  Pump();
}

// --- menus -------------------------------------------------------------------

struct SystemItem {
  bool Popup = false, Separator = false;
  std::string Text;
  UINT Id = 0;
  UINT State = 0, Type = 0;
  bool Last = false;  // the last item of its menu
  int Parent = -1;    // index of the popup item that holds it
};

void WalkMenu(HMENU menu, int parent, std::vector<SystemItem>& items) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    if (!GetMenuItemInfoW(menu, i, TRUE, &info)) continue;
    std::wstring text(info.cch + 1, L'\0');
    info.dwTypeData = text.data();
    info.cch = static_cast<UINT>(text.size());
    GetMenuItemInfoW(menu, i, TRUE, &info);
    SystemItem item;
    item.Popup = info.hSubMenu != nullptr;
    item.Separator = info.fType & MFT_SEPARATOR;
    item.Text = Utf8(text.c_str(), static_cast<int>(wcslen(text.c_str())));
    item.Id = info.wID;
    item.State = info.fState;
    item.Type = info.fType;
    item.Last = i == count - 1;
    item.Parent = parent;
    items.push_back(item);
    if (info.hSubMenu) WalkMenu(info.hSubMenu, static_cast<int>(items.size()) - 1, items);
  }
}

constexpr const char* kEmptyTextSeparator =
    "an item without text is a separator to Windows whatever its id; the listing names only "
    "option 0 with id 0 a separator and shows the others as MENUITEM \"\", id";

struct MenuFigures {
  size_t Files = 0, Templates = 0, Extended = 0, Loaded = 0, Items = 0;
};

void CompareItem(const script::MenuItem& listed, const SystemItem& item, bool extended,
                 const std::string& where, Tally& tally) {
  auto check = [&](bool same, const std::string& kind, const std::string& detail) {
    if (!same) tally.Failed(kind, where, detail);
  };
  auto flag = [](bool b) { return std::string(b ? "set" : "clear"); };
  check(listed.Popup == item.Popup, "popup", "listed " + flag(listed.Popup));
  if (!listed.Separator && item.Separator && listed.Text.empty() && !listed.Popup) {
    tally.Allowed("separator", kEmptyTextSeparator);
    return;
  }
  check(listed.Separator == item.Separator, "separator",
        "listed " + flag(listed.Separator) + " \"" + listed.Text + "\", window type " +
            Hex(item.Type) + " \"" + item.Text + "\"");
  if (listed.Separator || item.Separator) return;
  if (!listed.Bitmap && !listed.OwnerDraw) {
    check(listed.Text == item.Text, "text",
          "listed \"" + listed.Text + "\", window \"" + item.Text + "\"");
  }
  if (listed.Id && (extended || !item.Popup)) {
    check(static_cast<UINT>(*listed.Id) == item.Id, "id",
          "listed " + std::to_string(*listed.Id) + ", window " + std::to_string(item.Id));
  }
  check(listed.Grayed == ((item.State & MF_GRAYED) != 0), "grayed",
        "listed " + flag(listed.Grayed) + ", window state " + Hex(item.State));
  check(listed.Inactive == ((item.State & MF_DISABLED) != 0), "inactive",
        "listed " + flag(listed.Inactive) + ", window state " + Hex(item.State));
  check(listed.Checked == ((item.State & MF_CHECKED) != 0), "checked",
        "listed " + flag(listed.Checked) + ", window state " + Hex(item.State));
}

// The "ENDPOPUP" lines the listing puts after item i: in the standard form
// one for the end bit of the item's own record, even after a popup's line;
// in the extended form one for every level the item closes (a popup's come
// after its items).
int EndPopupsAfter(const std::vector<SystemItem>& items, size_t i, bool extended) {
  if (!extended) return items[i].Last ? 1 : 0;
  if (items[i].Popup) return 0;
  int ends = 0;
  for (int n = static_cast<int>(i); n >= 0 && items[n].Last; n = items[n].Parent) ++ends;
  return ends;
}

void CompareMenu(const Template& t, const std::string& where, MenuFigures& figures, Tally& tally) {
  const bool extended = t.Bytes.size() >= 2 && t.Bytes[0] == 1 && t.Bytes[1] == 0;
  const auto lines = vistrel::MenuTemplateLines(t.Bytes, static_cast<int32_t>(t.Bytes.size()));
  std::string bad;
  auto listed = script::ParseMenu(lines, extended, &bad);
  if (!listed) {
    tally.Failed("listing not understood", where, bad);
    return;
  }
  if (listed->Cut) {
    tally.Failed("listing cut", where, std::to_string(t.Bytes.size()) + " bytes");
    return;
  }
  if (extended) ++figures.Extended;
  std::vector<uint32_t> copy(t.Bytes.size() / 4 + 2, 0);
  std::memcpy(copy.data(), t.Bytes.data(), t.Bytes.size());
  HMENU menu = LoadMenuIndirectW(copy.data());
  if (!menu) {
    tally.Failed("not loaded", where, "error " + std::to_string(GetLastError()));
    return;
  }
  ++figures.Loaded;
  std::vector<SystemItem> items;
  WalkMenu(menu, -1, items);
  DestroyMenu(menu);
  if (items.size() != listed->Items.size()) {
    tally.Failed("item count", where,
                 "listed " + std::to_string(listed->Items.size()) + ", menu " +
                     std::to_string(items.size()));
    return;
  }
  for (size_t i = 0; i < items.size(); ++i) {
    ++figures.Items;
    const std::string at = where + " item " + std::to_string(i);
    CompareItem(listed->Items[i], items[i], extended, at, tally);
    const int ends = EndPopupsAfter(items, i, extended);
    if (listed->Items[i].EndPopups != ends) {
      tally.Failed("ENDPOPUP", at,
                   "listed " + std::to_string(listed->Items[i].EndPopups) + ", expected " +
                       std::to_string(ends));
    }
  }
}

std::string Where(const std::wstring& file, const Template& t) {
  return Utf8(file) + " " + Show(t.Name) + " lang " + std::to_string(t.Language);
}

TEST(ResourceScriptWindowsTest, DialogsAsWindowsCreatesThem) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_USEREX_CLASSES |
                                           ICC_COOL_CLASSES | ICC_INTERNET_CLASSES |
                                           ICC_PAGESCROLLER_CLASS | ICC_NATIVEFNTCTL_CLASS |
                                           ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
  InitCommonControlsEx(&icc);
  // The rich edit classes come with their library.
  const HMODULE richEdit = LoadLibraryW(L"riched20.dll");
  ASSERT_TRUE(richEdit);
  Owner owner;
  ASSERT_TRUE(owner.Handle());
  const auto files = PeFiles();
  ASSERT_GT(files.size(), 600u) << Utf8(PeFolder());
  DialogFigures figures;
  Tally tally;
  for (const auto& file : files) {
    DataModule module(PeFolder(), file);
    if (!module.Handle()) continue;
    ++figures.Files;
    for (const auto& t : Templates(module.Handle(), MAKEINTRESOURCEW(5))) {
      ++figures.Templates;
      CompareDialog(module.Handle(), t, owner.Handle(), Where(file, t), figures, tally);
    }
  }
  std::printf(
      "dialogs: %zu files loaded, %zu templates (%zu extended), %zu created, %zu controls "
      "compared\n",
      figures.Files, figures.Templates, figures.Extended, figures.Created, figures.Controls);
  tally.Print();
  FreeLibrary(richEdit);
  EXPECT_EQ(tally.Failures(), 0u);
  EXPECT_GT(figures.Controls, 10000u);
}

TEST(ResourceScriptWindowsTest, MenusAsWindowsLoadsThem) {
  const auto files = PeFiles();
  ASSERT_GT(files.size(), 600u) << Utf8(PeFolder());
  MenuFigures figures;
  Tally tally;
  for (const auto& file : files) {
    DataModule module(PeFolder(), file);
    if (!module.Handle()) continue;
    ++figures.Files;
    for (const auto& t : Templates(module.Handle(), MAKEINTRESOURCEW(4))) {
      ++figures.Templates;
      CompareMenu(t, Where(file, t), figures, tally);
    }
  }
  std::printf(
      "menus: %zu files loaded, %zu templates (%zu extended), %zu loaded, %zu items compared\n",
      figures.Files, figures.Templates, figures.Extended, figures.Loaded, figures.Items);
  tally.Print();
  EXPECT_EQ(tally.Failures(), 0u);
  EXPECT_GT(figures.Items, 10000u);
}

// Every string block as the image viewer lists it against the strings
// Windows gives by id: the block in the language LoadStringW picks, each of
// its sixteen ids, whole (the string itself, not a copy into a buffer).
TEST(ResourceScriptWindowsTest, StringTablesAsLoadStringReadsThem) {
  const auto files = PeFiles();
  ASSERT_GT(files.size(), 600u) << Utf8(PeFolder());
  size_t blocks = 0, strings = 0, longest = 0;
  Tally tally;
  for (const auto& file : files) {
    DataModule module(PeFolder(), file);
    if (!module.Handle()) continue;
    std::vector<Template> all = Templates(module.Handle(), MAKEINTRESOURCEW(6));
    std::vector<WORD> names;
    for (const auto& t : all) {
      if (t.Name.Text.empty() && std::find(names.begin(), names.end(), t.Name.Id) == names.end())
        names.push_back(t.Name.Id);
    }
    for (WORD block : names) {
      HRSRC found = FindResourceW(module.Handle(), MAKEINTRESOURCEW(block), MAKEINTRESOURCEW(6));
      HGLOBAL loaded = found ? LoadResource(module.Handle(), found) : nullptr;
      const void* data = loaded ? LockResource(loaded) : nullptr;
      auto chosen = std::find_if(all.begin(), all.end(),
                                 [&](const Template& t) { return t.Bytes.data() == data; });
      const std::string where = Utf8(file) + " block " + std::to_string(block);
      if (chosen == all.end()) {
        tally.Failed("block", where, "not among the enumerated ones");
        continue;
      }
      ++blocks;
      std::vector<std::string> expected;
      for (UINT i = 0; i < 16; ++i) {
        const UINT id = (block - 1u) * 16u + i;
        const wchar_t* text = nullptr;
        const int length = LoadStringW(module.Handle(), id, reinterpret_cast<LPWSTR>(&text), 0);
        if (length <= 0) continue;
        expected.push_back(std::to_string(id) + " - " + Utf8(text, length));
        longest = std::max<size_t>(longest, static_cast<size_t>(length));
      }
      std::vector<std::string> listed = vistrel::StringTableLines(block, chosen->Bytes);
      strings += expected.size();
      if (listed != expected) {
        size_t at = 0;
        while (at < listed.size() && at < expected.size() && listed[at] == expected[at]) ++at;
        tally.Failed("strings", where,
                     "listed \"" + (at < listed.size() ? listed[at] : "") + "\", expected \"" +
                         (at < expected.size() ? expected[at] : "") + "\"");
      }
    }
  }
  std::printf("string tables: %zu blocks, %zu strings (longest %zu characters)\n", blocks, strings,
              longest);
  tally.Print();
  EXPECT_EQ(tally.Failures(), 0u);
  EXPECT_GT(strings, 2000u);
  EXPECT_GT(longest, 99u);  // the viewer shows such strings whole
}

// The menu viewer hands a template to Windows only when it ends within its
// data: every template of Wine's files loads and is judged whole, and none
// cut by a byte is.
TEST(ResourceScriptWindowsTest, MenuTemplatesThatLoadAreWhole) {
  size_t templates = 0;
  Tally tally;
  for (const auto& file : PeFiles()) {
    DataModule module(PeFolder(), file);
    if (!module.Handle()) continue;
    for (const auto& t : Templates(module.Handle(), MAKEINTRESOURCEW(4))) {
      ++templates;
      std::vector<DWORD> copy((t.Bytes.size() + 3) / 4 + 16, 0);
      std::memcpy(copy.data(), t.Bytes.data(), t.Bytes.size());
      HMENU menu = LoadMenuIndirectW(copy.data());
      const bool whole = vistrel::MenuTemplateComplete(t.Bytes);
      if ((menu != nullptr) != whole) {
        tally.Failed("menu", Where(file, t), whole ? "whole but not loaded" : "loaded, not whole");
      }
      if (menu) DestroyMenu(menu);
      // The last item's terminator is the template's last word (padding
      // aside): without it the template is cut.
      size_t end = t.Bytes.size();
      while (end >= 2 && t.Bytes[end - 1] == 0 && t.Bytes[end - 2] == 0) end -= 2;
      if (end >= 2 && vistrel::MenuTemplateComplete(t.Bytes.first(end - 2))) {
        tally.Failed("cut menu", Where(file, t), "judged whole");
      }
    }
  }
  std::printf("menus: %zu templates judged\n", templates);
  tally.Print();
  EXPECT_EQ(tally.Failures(), 0u);
  EXPECT_GT(templates, 100u);
}

}  // namespace
