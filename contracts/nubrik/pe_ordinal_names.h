// Names for ordinals that import tables leave without one.
#ifndef CONTRACTS_NUBRIK_PE_ORDINAL_NAMES_H
#define CONTRACTS_NUBRIK_PE_ORDINAL_NAMES_H

#include <cstdint>
#include <string_view>

namespace pe {

// The function that `module` (lower case, with its extension: "ws2_32.dll",
// "wsock32.dll", "oleaut32.dll") exports as `ordinal`, as the common tools
// name it in an import hash; nullptr for any other module or ordinal.
const char* KnownOrdinalName(std::string_view module, uint32_t ordinal);

}  // namespace pe

#endif  // CONTRACTS_NUBRIK_PE_ORDINAL_NAMES_H
