// libFuzzer target: arbitrary bytes as a 16-bit file (module name, module
// references, version texts), as the helper's three output files, and as a
// simulation description.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "contracts/dlv16/ne_module.h"
#include "contracts/dlv16/stand_in.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> bytes(data, size);
  if (std::optional<dlv16::NeModule> module = dlv16::ReadNeModule(bytes)) {
    if (module->VersionResource && module->VersionResource->size() > size) __builtin_trap();
  }
  dlv16::VersionLines lines = dlv16::VersionLinesOf(bytes);
  for (const std::string& line : lines) {
    if (line.size() > 255) __builtin_trap();
  }
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (auto file = dlv16::TakeWowFile(bytes)) {
    if (file->Modules.size() > size / dlv16::kRecordSize) __builtin_trap();
  }
  if (dlv16::ReadLinkInfo(text).size() > size) __builtin_trap();
  dlv16::ReadVersionInfo(text);
  dlv16::ParseWowSimulation(text, nullptr);
  dlv16::ParseHelperArguments(text);
  return 0;
}
