// vistrel-cli --json: what the browser reads of a file as data for other
// programs (numbers as numbers, times in ISO 8601, names and ordinals apart,
// forwarders as such), one object a file; the shape is published in
// docs/schema/vistrel-cli.schema.json. The windows' own texts are
// --json-text (vistrel_cli_report.h).
#ifndef CLI_VISTREL_CLI_DATA_H
#define CLI_VISTREL_CLI_DATA_H

#include <optional>
#include <string>

#include "common/json_text.h"
#include "platform/hashing.h"
#include "platform/trust.h"
#include "vistrel/browser/vistrel_main_form.h"

namespace vistrel {

// The object of the file the form has loaded (or failed to: `error`).
// Bounded as the reports are: past `limit` bytes the lists stop and
// "truncated" is true. The digests come from `hashing` (null: none), the
// system's verdict on a signature from `trust` (null: none, as on Linux).
void WriteFileData(const TVistrelMainForm& form, const std::string& path,
                   const std::optional<std::string>& error, size_t limit,
                   platform::Hashing* hashing, common::JsonWriter& json,
                   platform::TrustVerifier* trust = nullptr);

// The same facts as lines of text, for the text report after the pages:
// "== Facts ==", then "Label: value" lines, the lists (sections, data
// directories, imports with their hints or ordinals, delay-load imports)
// with a line per item below their label; empty for a file that is no PE.
// Past `limit` bytes the lists end with a line that says the rest is left
// out.
std::string FileFactsText(const TVistrelMainForm& form, platform::Hashing* hashing,
                          platform::TrustVerifier* trust, size_t limit = SIZE_MAX);

}  // namespace vistrel

#endif  // CLI_VISTREL_CLI_DATA_H
