// The one conversion between the programs' UTF-8 text and the UTF-16 of the
// Win32 W functions. Invalid input never fails: ill-formed UTF-8 and unpaired
// surrogates become U+FFFD, so a name is shown, never silently dropped.
#ifndef COMMON_WIN32_UTF16_H
#define COMMON_WIN32_UTF16_H

#include <windows.h>

#include <string>
#include <string_view>

namespace common {

inline std::wstring Wide(std::string_view text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(n > 0 ? static_cast<size_t>(n) : 0, L'\0');
  if (n > 0) {
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  }
  return wide;
}

inline std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string narrow(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n,
                        nullptr, nullptr);
  }
  return narrow;
}

// A NUL-terminated wide text (a buffer the system filled).
inline std::string Utf8(const wchar_t* text) { return text ? Utf8(std::wstring_view(text)) : ""; }

}  // namespace common

#endif  // COMMON_WIN32_UTF16_H
