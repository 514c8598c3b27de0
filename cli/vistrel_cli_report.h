// What vistrel-cli prints for one file: the window's pages through one
// report walk, as text or JSON, built inside the program's error guard so
// that a failure (running out of memory included) is that file's error.
#ifndef CLI_VISTREL_CLI_REPORT_H
#define CLI_VISTREL_CLI_REPORT_H

#include <string>
#include <vector>

#include "platform/hashing.h"
#include "platform/trust.h"
#include "ui/headless/headless.h"
#include "vistrel/browser/vistrel_main_form.h"

namespace vistrel {

inline constexpr const char* kNotAnExecutable = "not a PE, NE, LE or DOS executable";

struct FileReport {
  // The file's block of the output; empty when the file failed.
  std::string Output;
  // Texts for standard error; any makes the run end with status 1.
  std::vector<std::string> Errors;
};

// json: the file's member of the output object (`first`: no separator).
// The analysts' facts after a text report's pages (Wanted), with the digests
// and the system's verdict from these services (null: none).
struct FactServices {
  bool Wanted = false;
  platform::Hashing* Hashing = nullptr;
  platform::TrustVerifier* Trust = nullptr;
};
FileReport ReportFile(TVistrelMainForm& form, ui::headless::HeadlessApplication& app,
                      const std::string& path, bool json, bool first, FactServices facts = {});
// The file as data: its element of the output array (`first`: no separator).
FileReport ReportFileData(TVistrelMainForm& form, ui::headless::HeadlessApplication& app,
                          const std::string& path, bool first, platform::Hashing* hashing = nullptr,
                          platform::TrustVerifier* trust = nullptr);

}  // namespace vistrel

#endif  // CLI_VISTREL_CLI_REPORT_H
