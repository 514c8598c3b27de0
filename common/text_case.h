// Upper-casing and case-blind comparison of names (module names, paths,
// switches, method names). Only the ASCII letters change: the bytes of a
// UTF-8 text pass untouched whatever the C locale says, so a multibyte name
// is never mangled, and a full-width "Ｌｏａｄ" never matches "Load".
#ifndef COMMON_TEXT_CASE_H
#define COMMON_TEXT_CASE_H

#include <string>
#include <string_view>

namespace common {

constexpr char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string Upper(std::string text) {
  for (char& c : text) c = AsciiUpper(c);
  return text;
}

inline std::string Lower(std::string text) {
  for (char& c : text) c = AsciiLower(c);
  return text;
}

constexpr bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

}  // namespace common

#endif  // COMMON_TEXT_CASE_H
