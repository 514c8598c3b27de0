// The three texts that an about box takes from its own program file's
// version resource: the version line, the product line and the copyright
// line. Both programs' about boxes show them by this one rule.
#ifndef COMMON_ABOUT_TEXTS_H
#define COMMON_ABOUT_TEXTS_H

#include <string>

#include "common/version_info_system.h"

namespace versioninfo {

struct AboutTexts {
  std::string Version;    // "Version - " and the file version string
  std::string Product;    // the product name
  std::string Copyright;  // the legal copyright
};

inline constexpr const char* kAboutVersionPrefix = "Version - ";

// Each text from the file's "FileVersion", "ProductName" and "LegalCopyright"
// values, asked with the about boxes' maximum of 240 characters. A label
// keeps its design text when there is nothing to show: no value, an empty
// one, or one too long for 240 characters (which the unit delivers as empty
// text with its full length).
AboutTexts ReadAboutTexts(const VersionSystem& system, const std::string& programPath,
                          const AboutTexts& design);

}  // namespace versioninfo

#endif  // COMMON_ABOUT_TEXTS_H
