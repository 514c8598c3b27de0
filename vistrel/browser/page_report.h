// Every page of the main window as text: what the window shows, page by
// page, with the pages' own labels. The command-line program prints it.
#ifndef VISTREL_BROWSER_PAGE_REPORT_H
#define VISTREL_BROWSER_PAGE_REPORT_H

#include <string>

#include "vistrel/browser/vistrel_main_form.h"

namespace vistrel {

// Plain text: one "== Page ==" section per page, "Label value" lines, list
// lines indented. Walks the section and import lists line by line, as a
// user clicking through them would see them.
void AppendTextReport(TVistrelMainForm& form, std::string& out);
// One JSON object: {"Page": {"Label": value, ...}, ...}.
void AppendJsonReport(TVistrelMainForm& form, std::string& out);

// JSON string literal of a text (bytes above 0x7F are passed through as
// Latin-1 code points).
void AppendJsonString(const std::string& text, std::string& out);

}  // namespace vistrel

#endif  // VISTREL_BROWSER_PAGE_REPORT_H
