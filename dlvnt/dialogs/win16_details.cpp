#include "dlvnt/dialogs/win16_details.h"

#include <stdexcept>

namespace dlvnt {

static_assert(kVersionBoxCount == dlv16::kVersionLineCount);

Win16DetailsSource::LinkInformation HelperWin16Details::Links(int32_t processId,
                                                              const std::string& modulePath) {
  Win16Links links;
  try {
    ReadWin16Links(services_, processId, modulePath, links);
  } catch (const std::runtime_error& e) {
    app_.ShowError(e.what());
  }
  return {std::move(links.Uses), std::move(links.UsedBy), std::move(links.Tasks)};
}

std::optional<std::array<std::string, kVersionBoxCount>> HelperWin16Details::VersionTexts(
    const std::string& modulePath) {
  try {
    return ReadWin16Version(services_, modulePath);
  } catch (const std::runtime_error& e) {
    app_.ShowError(e.what());
    return std::nullopt;
  }
}

}  // namespace dlvnt
