// What the helper reads from a 16-bit (NE) file: the module's name, the
// modules it imports from, and its version resource. Every read is checked
// against the file's bytes; a table that leaves the file is taken as absent.
#ifndef CONTRACTS_DLV16_NE_MODULE_H
#define CONTRACTS_DLV16_NE_MODULE_H

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace dlv16 {

struct NeModule {
  std::string ModuleName;                    // the resident name table's first entry
  std::vector<std::string> ImportedModules;  // the module reference table, in order
  // The first RT_VERSION resource's bytes (an 8-bit version block).
  std::optional<std::vector<uint8_t>> VersionResource;
};

// Nothing when the bytes are not an NE file ("MZ", e_lfanew, "NE").
std::optional<NeModule> ReadNeModule(std::span<const uint8_t> file);

}  // namespace dlv16

#endif  // CONTRACTS_DLV16_NE_MODULE_H
