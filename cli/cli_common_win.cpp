#include "cli/cli_common.h"

// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "common/win32/arguments.h"

namespace cli {

std::vector<std::string> Arguments(int, char**) {
  return common::CommandLineArguments();
}

void RawStandardOutput() {
  _setmode(_fileno(stdout), _O_BINARY);
}

std::string VersionLine(const char* program) {
  return std::string(program) + " " + DLV_VERSION + "\n";  // text mode: CR LF
}

}  // namespace cli
