// JSON string literals for the command-line companions' --json output.
#pragma once

#include <string>

namespace common {

// Appends `text` as a quoted JSON string. Bytes of 0x80 and above are the
// system's 8-bit code page, not UTF-8, so they are written as \u00XX to keep
// the output valid JSON whatever the file names hold.
void AppendJsonString(const std::string& text, std::string& out);

}  // namespace common
