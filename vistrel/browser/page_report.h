// Every page of the main window as text: what the window shows, page by
// page, with the pages' own labels. The command-line program prints it.
#ifndef VISTREL_BROWSER_PAGE_REPORT_H
#define VISTREL_BROWSER_PAGE_REPORT_H

#include <string>

#include "common/json_text.h"
#include "vistrel/browser/vistrel_main_form.h"

namespace vistrel {

// Plain text: one "== Page ==" section per page, "Label value" lines, list
// lines indented. Walks the section and import lists line by line, as a
// user clicking through them would see them.
void AppendTextReport(TVistrelMainForm& form, std::string& out);
// One JSON object: {"Page": {"Label": value, ...}, ...}.
void AppendJsonReport(TVistrelMainForm& form, std::string& out);

using common::AppendJsonString;

}  // namespace vistrel

#endif  // VISTREL_BROWSER_PAGE_REPORT_H
