// The program's arguments as UTF-8, from the UTF-16 command line the system
// hands over (so names outside the code page arrive intact).
#ifndef COMMON_WIN32_ARGUMENTS_H
#define COMMON_WIN32_ARGUMENTS_H

// clang-format off
#include <windows.h>  // first: shellapi.h needs it
// clang-format on
#include <shellapi.h>

#include <string>
#include <vector>

#include "common/win32/utf16.h"

namespace common {

// The arguments after the program name (the caller links shell32).
inline std::vector<std::string> CommandLineArguments() {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; wide && i < count; ++i) args.push_back(Utf8(wide[i]));
  if (wide) LocalFree(wide);
  return args;
}

}  // namespace common

#endif  // COMMON_WIN32_ARGUMENTS_H
