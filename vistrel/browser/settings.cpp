#include "vistrel/browser/settings.h"

namespace vistrel {

using platform::RegistryRoot;

void ReadSettings(platform::Registry& registry, BrowserSettings& settings) {
  constexpr auto kRoot = RegistryRoot::CurrentUser;
  std::string key;
  if (registry.KeyExists(kRoot, kOlderSettingsKey)) {
    key = kOlderSettingsKey;
  } else if (registry.KeyExists(kRoot, kSettingsKey)) {
    key = kSettingsKey;
  } else {
    return;
  }
  // The flags are the first byte of a 4-byte value.
  if (auto v = registry.ReadValue(kRoot, key, "Sorted", 4); v && !v->empty()) {
    settings.Sorted = (*v)[0] != 0;
  }
  if (auto v = registry.ReadValue(kRoot, key, "Mode", 4); v && !v->empty()) {
    settings.HexMode = (*v)[0] != 0;
  }
  // A text that does not fit the 260-byte buffer is refused.
  if (auto v = registry.ReadValue(kRoot, key, "Calculator", kMaxCalculatorPath + 1)) {
    std::string text(v->begin(), v->end());
    settings.Calculator = text.substr(0, text.find('\0'));
  }
  if (auto v = registry.ReadValue(kRoot, key, "TabSheet", 4); v && v->size() == 4) {
    uint32_t page = (*v)[0] | (*v)[1] << 8 | (*v)[2] << 16 | static_cast<uint32_t>((*v)[3]) << 24;
    settings.TabSheet = page <= 6 ? static_cast<int>(page) : 0;
  }
}

void SaveSettings(platform::Registry& registry, const BrowserSettings& settings, bool saveFlags) {
  constexpr auto kRoot = RegistryRoot::CurrentUser;
  if (registry.KeyExists(kRoot, kOlderSettingsKey)) registry.DeleteKey(kRoot, kOlderSettingsKey);
  registry.CreateKey(kRoot, kSettingsKey);
  if (saveFlags) {
    registry.WriteDword(kRoot, kSettingsKey, "Sorted", settings.Sorted ? 1 : 0);
    registry.WriteDword(kRoot, kSettingsKey, "Mode", settings.HexMode ? 1 : 0);
    registry.WriteDword(kRoot, kSettingsKey, "TabSheet", static_cast<uint32_t>(settings.TabSheet));
  }
  registry.WriteString(kRoot, kSettingsKey, "Calculator",
                       settings.Calculator.substr(0, kMaxCalculatorPath));
}

}  // namespace vistrel
