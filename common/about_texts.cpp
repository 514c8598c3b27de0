#include "common/about_texts.h"

#include "common/version_info.h"

namespace versioninfo {
namespace {

// Length alone is not enough: an over-long value has a length but no text,
// and would leave "Version - " standing alone.
std::string Shown(const VersionText& value, const char* prefix, const std::string& design) {
  return value.Length > 0 && !value.Text.empty() ? prefix + value.Text : design;
}

}  // namespace

AboutTexts ReadAboutTexts(const VersionSystem& system, const std::string& programPath,
                          const AboutTexts& design) {
  return {Shown(GetFileVersionString(system, programPath, kAboutBoxMaxLength), kAboutVersionPrefix,
                design.Version),
          Shown(GetProductName(system, programPath, kAboutBoxMaxLength), "", design.Product),
          Shown(GetCopyright(system, programPath, kAboutBoxMaxLength), "", design.Copyright)};
}

}  // namespace versioninfo
