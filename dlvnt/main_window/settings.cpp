// The window's settings under the current user: toggles, fonts, page.
#include "dlvnt/main_window/settings.h"

#include <cstring>
#include <stdexcept>

#include "dlvnt/main_window/main_form.h"

namespace dlvnt {
namespace {

using platform::RegistryRoot;

constexpr uint32_t kMaxFontSize = 400;  // points

std::optional<uint32_t> ReadNumber(platform::Registry& registry, const char* name) {
  // Whatever the stored type: the first four bytes, little-endian.
  std::optional<std::vector<uint8_t>> bytes =
      registry.ReadValue(RegistryRoot::CurrentUser, kSettingsKey, name, 4);
  if (!bytes || bytes->empty()) return std::nullopt;
  uint32_t value = 0;
  for (size_t i = 0; i < bytes->size() && i < 4; ++i) value |= uint32_t{(*bytes)[i]} << (8 * i);
  return value;
}

std::optional<std::string> ReadName(platform::Registry& registry, const char* name) {
  constexpr size_t kMaxName = 100;
  std::optional<std::vector<uint8_t>> bytes =
      registry.ReadValue(RegistryRoot::CurrentUser, kSettingsKey, name, kMaxName);
  std::string text;
  if (bytes) {
    text.assign(bytes->begin(), bytes->end());
  } else if (std::optional<std::string> s =
                 registry.ReadString(RegistryRoot::CurrentUser, kSettingsKey, name)) {
    text = s->substr(0, kMaxName);  // a longer name is taken as far as the reader goes
  } else {
    return std::nullopt;
  }
  size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

}  // namespace

std::optional<int> PageOfActiveTab(uint32_t value) {
  if (value >= static_cast<uint32_t>(kPageCount)) return std::nullopt;
  return static_cast<int>(value);
}

void TMainForm::LoadSettings() {
  platform::Registry& registry = Services.Inventory.Registry;
  if (!registry.KeyExists(RegistryRoot::CurrentUser, kSettingsKey)) return;
  struct Toggle {
    const char* Name;
    ui::MenuItem* View;
    ui::MenuItem* Popup;
  };
  for (const Toggle& t : {Toggle{"TreeView", ViewTreeViewMenuItem, PopupTreeViewMenuItem},
                          Toggle{"Duplicates", ViewDuplicatesMenuItem, PopupDuplicatesMenuItem},
                          Toggle{"NotFound", ViewNotFoundMenuItem, PopupNotFoundMenuItem}}) {
    if (std::optional<uint32_t> v = ReadNumber(registry, t.Name)) {
      SetToggle(t.View, t.Popup, (*v & 0xFF) != 0);
    }
  }
  // A name or size that no font can have keeps the default.
  if (std::optional<std::string> v = ReadName(registry, "FontName"); v && !v->empty()) {
    DisplayFont.Name = *v;
  }
  if (std::optional<uint32_t> v = ReadNumber(registry, "FontSize");
      v && *v >= 1 && *v <= kMaxFontSize) {
    DisplayFont.Size = static_cast<int>(*v);
  }
  if (std::optional<std::string> v = ReadName(registry, "PrinterFontName"); v && !v->empty()) {
    PrinterFont.Name = *v;
  }
  if (std::optional<uint32_t> v = ReadNumber(registry, "PrinterFontSize");
      v && *v >= 1 && *v <= kMaxFontSize) {
    PrinterFont.Size = static_cast<int>(*v);
  }
  if (std::optional<uint32_t> v = ReadNumber(registry, "ActiveTab")) {
    if (std::optional<int> page = PageOfActiveTab(*v))
      MainFormPageControl->SetActivePageIndex(*page);
  }
}

void TMainForm::StoreSettings() {
  platform::Registry& registry = Services.Inventory.Registry;
  if (!registry.CreateKey(RegistryRoot::CurrentUser, kSettingsKey)) {
    throw std::runtime_error("Failed to create key " + std::string(kSettingsKey));
  }
  bool ok = true;
  ok &=
      registry.WriteDword(RegistryRoot::CurrentUser, kSettingsKey, "TreeView", TreeMode() ? 1 : 0);
  ok &= registry.WriteDword(RegistryRoot::CurrentUser, kSettingsKey, "Duplicates",
                            DuplicatesOn() ? 1 : 0);
  ok &= registry.WriteDword(RegistryRoot::CurrentUser, kSettingsKey, "NotFound",
                            NotFoundOn() ? 1 : 0);
  ok &= registry.WriteString(RegistryRoot::CurrentUser, kSettingsKey, "FontName", DisplayFont.Name);
  ok &= registry.WriteDword(RegistryRoot::CurrentUser, kSettingsKey, "FontSize",
                            static_cast<uint32_t>(DisplayFont.Size));
  ok &= registry.WriteString(RegistryRoot::CurrentUser, kSettingsKey, "PrinterFontName",
                             PrinterFont.Name);
  ok &= registry.WriteDword(RegistryRoot::CurrentUser, kSettingsKey, "PrinterFontSize",
                            static_cast<uint32_t>(PrinterFont.Size));
  ok &= registry.WriteDword(RegistryRoot::CurrentUser, kSettingsKey, "ActiveTab",
                            static_cast<uint32_t>(ActivePage()));
  if (!ok)
    throw std::runtime_error("Failed to write the settings under " + std::string(kSettingsKey));
}

}  // namespace dlvnt
