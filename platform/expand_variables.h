// "%NAME%" expansion as ExpandEnvironmentStrings does it, over any source of
// variables: a name that the source does not know stays as written.
#pragma once

#include <optional>
#include <string>

namespace platform {

template <class Lookup>  // std::optional<std::string>(const std::string& name)
std::string ExpandPercentVariables(const std::string& text, Lookup&& lookup) {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    size_t open = text.find('%', at);
    size_t close = open == std::string::npos ? open : text.find('%', open + 1);
    if (close == std::string::npos) {
      out += text.substr(at);
      break;
    }
    out += text.substr(at, open - at);
    std::optional<std::string> value = lookup(text.substr(open + 1, close - open - 1));
    out += value ? *value : text.substr(open, close - open + 1);
    at = close + 1;
  }
  return out;
}

}  // namespace platform
