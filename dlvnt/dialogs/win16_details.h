// The details dialog's Win16 facts, from the 16-bit helper's "l" and "v"
// runs. A run that fails part way shows what it read and tells the user why.
#ifndef DLVNT_DIALOGS_WIN16_DETAILS_H
#define DLVNT_DIALOGS_WIN16_DETAILS_H

#include "dlvnt/dialogs/details_dlg.h"
#include "dlvnt/inventory/win16.h"
#include "ui/widgets.h"

namespace dlvnt {

class HelperWin16Details : public Win16DetailsSource {
 public:
  HelperWin16Details(ui::Application& app, Win16Services& services)
      : app_(app), services_(services) {}
  LinkInformation Links(int32_t processId, const std::string& modulePath) override;
  std::optional<std::array<std::string, kVersionBoxCount>> VersionTexts(
      const std::string& modulePath) override;

 private:
  ui::Application& app_;
  Win16Services& services_;
};

}  // namespace dlvnt

#endif  // DLVNT_DIALOGS_WIN16_DETAILS_H
