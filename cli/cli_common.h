// What both command-line companions share: their arguments as UTF-8 and the
// release's version.
#ifndef CLI_CLI_COMMON_H
#define CLI_CLI_COMMON_H

#include <string>
#include <vector>

namespace cli {

// The arguments after the program name, as UTF-8 (on Windows from the
// UTF-16 command line, so names outside the code page arrive intact).
std::vector<std::string> Arguments(int argc, char** argv);

// Standard output takes the bytes as written: the texts carry their own line
// ends.
void RawStandardOutput();

// "NAME VERSION" and a line end: what --version prints (before
// RawStandardOutput, so Windows ends the line with CR LF).
std::string VersionLine(const char* program);

// An argument that asks for an option: "-" or "--" then a name. A lone "-" is
// a file name, as usual.
inline bool LooksLikeOption(const std::string& arg) {
  return arg.size() > 1 && arg[0] == '-';
}

}  // namespace cli

#endif  // CLI_CLI_COMMON_H
