// JSON string literals for the command-line companions' --json output.
#pragma once

#include <string>

namespace common {

// Appends `text` as a quoted JSON string. Text is UTF-8: valid sequences are
// copied as they are; a byte that is not part of one (a name from a file or
// the system that is not UTF-8) is written as \u00XX, its Latin-1 reading, so
// the output stays valid JSON whatever the texts hold.
void AppendJsonString(const std::string& text, std::string& out);

}  // namespace common
