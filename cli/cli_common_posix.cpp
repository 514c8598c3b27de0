#include "cli/cli_common.h"

namespace cli {

std::vector<std::string> Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void RawStandardOutput() {}

std::string VersionLine(const char* program) {
  return std::string(program) + " " + DLV_VERSION + "\n";
}

}  // namespace cli
