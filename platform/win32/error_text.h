// The system's text for an error code (a Win32 error or an HRESULT), without
// the line end the system appends.
#ifndef PLATFORM_WIN32_ERROR_TEXT_H
#define PLATFORM_WIN32_ERROR_TEXT_H

// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <cstdio>
#include <string>

#include "common/win32/utf16.h"

namespace platform::win32 {

inline std::string ErrorText(DWORD code) {
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message;
  if (n && text) message = common::Utf8(std::wstring_view(text, n));
  if (text) LocalFree(text);
  while (!message.empty() &&
         (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
    message.pop_back();
  }
  if (message.empty()) {
    char number[16];
    snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(code));
    message = std::string("Error ") + number;
  }
  return message;
}

}  // namespace platform::win32

#endif  // PLATFORM_WIN32_ERROR_TEXT_H
