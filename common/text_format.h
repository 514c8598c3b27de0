// printf-style formatting into a std::string of whatever length the text
// needs (no fixed buffer to cut it). Header-only, so that every library,
// nubrik's included, can use it without linking more.
#ifndef COMMON_TEXT_FORMAT_H
#define COMMON_TEXT_FORMAT_H

#include <cstdarg>
#include <cstdio>
#include <string>

namespace common {

inline std::string FormatV(const char* format, va_list args) {
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(nullptr, 0, format, args);
  std::string text;
  if (n > 0) {
    text.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(text.data(), text.size(), format, again);
    text.resize(static_cast<size_t>(n));
  }
  va_end(again);
  return text;
}

inline std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
inline std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatV(format, args);
  va_end(args);
  return text;
}

}  // namespace common

#endif  // COMMON_TEXT_FORMAT_H
