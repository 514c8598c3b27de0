#include "cli/dlvnt_cli_text.h"

namespace dlvntcli {

std::string PlainText(dlvnt::TMainForm& form) {
  std::string text;
  for (int page = 0; page < dlvnt::kPageCount; ++page) {
    if (!form.Collected[page]) form.FillPage(page, true);
    // A blank line between pages; the rows end their lines as the copy does.
    if (page) text += "\r\n";
    text += std::string(kPageNames[page]) + "\r\n";
    text += form.GridText(page);
  }
  return text;
}

}  // namespace dlvntcli
