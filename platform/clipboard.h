// The clipboard, plain text only.
#ifndef PLATFORM_CLIPBOARD_H
#define PLATFORM_CLIPBOARD_H

#include <optional>
#include <string>

namespace platform {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Replaces the clipboard's contents with the text.
  virtual bool SetText(const std::string& text) = 0;
  virtual std::optional<std::string> GetText() = 0;
  // Empties the clipboard.
  virtual bool Clear() = 0;
};

}  // namespace platform

#endif  // PLATFORM_CLIPBOARD_H
