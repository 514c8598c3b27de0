// libFuzzer target: every call of the interface and every list of the reader
// on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "contracts/nubrik/nubrik.h"
#include "contracts/nubrik/pe_image.h"
#include "contracts/nubrik/pe_report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // A copy of exactly this size, so ASan flags any read past the end.
  std::vector<uint8_t> bytes(data, data + size);
  NubrikRegisterImage(bytes.data(), bytes.size());
  nubrik::ExerciseAllCalls(bytes.data());
  NubrikUnregisterImage(bytes.data());
  pe::Image image(bytes.data(), bytes.size());
  size_t sum = 0;
  for (const auto& d : image.Imports()) sum += d.Functions.size();
  for (const auto& e : image.Exports()) sum += e.Rva;
  for (const auto& r : image.Resources()) sum += r.Size;
  for (const auto& s : image.Sections()) sum += image.RvaToOffset(s.VirtualAddress).value_or(0);
  return sum == 1 ? 0 : 0;
}
