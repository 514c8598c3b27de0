// How stored setting values become the window's state.
#ifndef DLVNT_MAIN_WINDOW_SETTINGS_H
#define DLVNT_MAIN_WINDOW_SETTINGS_H

#include <cstdint>
#include <optional>

namespace dlvnt {

// The page that a stored "ActiveTab" makes active: 0 to 3 name the four
// pages; any other value leaves the active page as it is (nullopt).
std::optional<int> PageOfActiveTab(uint32_t value);

}  // namespace dlvnt

#endif  // DLVNT_MAIN_WINDOW_SETTINGS_H
