// The item views of vistrel-cli: an ITEM argument names what the window
// would show a viewer for (a header, a section, an export, a resource), the
// window selects it as a user would, and the viewer's list is printed.
#ifndef CLI_VISTREL_CLI_ITEMS_H
#define CLI_VISTREL_CLI_ITEMS_H

#include <optional>
#include <string>

#include "vistrel/browser/vistrel_main_form.h"

namespace vistrel {

// ITEM: file-header, optional-header, section:NAME, export:NAME,
// export:#ORDINAL, resource:N (the N-th record in table order) or
// resource:TYPE/NAME (the first match; TYPE is the group text or the type
// number). Turns to the item's page and selects it; the reason when the
// file has no such item.
std::optional<std::string> SelectItem(TVistrelMainForm& form, const std::string& item);

}  // namespace vistrel

#endif  // CLI_VISTREL_CLI_ITEMS_H
