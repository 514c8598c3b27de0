// libFuzzer target: every call of the interface and every list of the reader
// on arbitrary bytes. Besides libFuzzer's own byte mutations, one mutation
// knows the import table: it stacks descriptors that share one module name
// and one array of entries (and points the entries at one name), the shape
// that multiplies a small file into much work and text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "contracts/nubrik/nubrik.h"
#include "contracts/nubrik/pe_facts.h"
#include "contracts/nubrik/pe_image.h"
#include "contracts/nubrik/pe_layout.h"
#include "contracts/nubrik/pe_report.h"
#include "contracts/nubrik/pe_signature.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

// Copies one import descriptor over the ones after it (up to `count` of
// them, as far as the file goes), so they all share its module name and its
// entry array; sometimes also makes the entries of that array all name the
// first entry's function. False when the file has no import table.
bool StackImportDescriptors(uint8_t* data, size_t size, std::minstd_rand& random) {
  pe::Image image(data, size);
  auto directory = image.Directory(pe::kImportDirectory);
  if (!directory) return false;
  auto tableAt = image.RvaToOffset(directory->VirtualAddress);
  const size_t descriptors = image.ImportDescriptorViews().size();
  if (!tableAt || descriptors == 0 || *tableAt >= size) return false;
  const uint64_t source = *tableAt + 20 * (random() % descriptors);
  uint8_t descriptor[20];
  std::memcpy(descriptor, data + source, 20);
  const uint64_t count = 1 + random() % 4096;
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t at = *tableAt + 20 * i;
    if (at > size || size - at < 20) break;
    std::memcpy(data + at, descriptor, 20);
  }
  if (random() % 2 == 0) {
    // Every entry of the shared array names the same function.
    const bool is64 = image.GetOptionalHeader() && image.GetOptionalHeader()->Is64();
    const size_t entry = is64 ? 8 : 4;
    const uint32_t arrayRva =
        pe::Le32(descriptor) ? pe::Le32(descriptor) : pe::Le32(descriptor + 16);
    auto arrayAt = image.RvaToOffset(arrayRva);
    if (arrayAt && *arrayAt < size && size - *arrayAt >= entry) {
      uint8_t first[8];
      std::memcpy(first, data + *arrayAt, entry);
      for (uint64_t at = *arrayAt + entry; at <= size - entry; at += entry) {
        static const uint8_t kZero[8] = {};
        if (std::memcmp(data + at, kZero, entry) == 0) break;  // keep the array's end
        std::memcpy(data + at, first, entry);
      }
    }
  }
  return true;
}

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize,
                                          unsigned int seed) {
  std::minstd_rand random(seed);
  if (random() % 4 == 0 && StackImportDescriptors(data, size, random)) return size;
  return LLVMFuzzerMutate(data, size, maxSize);
}

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
  for (const auto& s : image.Sections()) {
    sum += image.RvaToOffset(s.VirtualAddress).value_or(0);
    sum += pe::SectionName(image, s).size() + static_cast<size_t>(pe::SectionEntropy(image, s));
  }
  // The analysts' facts.
  if (auto overlay = pe::FindOverlay(image)) sum += overlay->Size;
  if (auto cv = pe::FindCodeView(image)) sum += cv->PdbPath.size();
  if (auto callbacks = pe::TlsCallbacks(image)) sum += callbacks->size();
  if (auto relocations = pe::Relocations(image)) sum += relocations->Entries;
  for (const auto& d : pe::DelayImports(image)) sum += d.Functions.size();
  if (auto rich = pe::FindRichHeader(image)) sum += rich->Entries.size();
  if (auto signature = pe::FindAuthenticode(image)) {
    sum += signature->SignedDigest.size() + signature->Signer.size();
  }
  for (auto [offset, length] : pe::AuthenticodeRanges(image)) {
    if (offset + length > size) __builtin_trap();
  }
  sum += pe::GuardFlags(image).value_or(0);
  sum += pe::ImportHashText(image).size();
  for (const auto& b : pe::BoundImports(image)) sum += b.Forwarders.size();
  if (auto clr = pe::FindClrHeader(image)) sum += clr->MetadataVersion.size();
  return sum == 1 ? 0 : 0;
}
