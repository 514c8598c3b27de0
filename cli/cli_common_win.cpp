#include "cli/cli_common.h"

// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "common/win32/utf16.h"

namespace cli {

std::vector<std::string> Arguments(int, char**) {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; wide && i < count; ++i) args.push_back(common::Utf8(wide[i]));
  if (wide) LocalFree(wide);
  return args;
}

void RawStandardOutput() {
  _setmode(_fileno(stdout), _O_BINARY);
}

std::string VersionLine(const char* program) {
  return std::string(program) + " " + DLV_VERSION + "\n";  // text mode: CR LF
}

}  // namespace cli
