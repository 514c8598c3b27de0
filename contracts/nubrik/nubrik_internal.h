// What the C interface needs from each platform: the size of the mapping
// behind an image and allocation in the caller's heap.
#ifndef CONTRACTS_NUBRIK_NUBRIK_INTERNAL_H
#define CONTRACTS_NUBRIK_NUBRIK_INTERNAL_H

#include <cstddef>
#include <memory>
#include <optional>

#include "contracts/nubrik/nubrik.h"

namespace pe {
class Image;
class Pager;
}  // namespace pe

namespace nubrik {

// The parsed image of a registered image (parsed on first use, then kept
// until it is unregistered or registered again), or null when unregistered.
std::shared_ptr<const pe::Image> RegisteredImage(const void* image);
// Registers an image whose bytes `pager` reads on demand (see PagedFile);
// NubrikUnregisterImage ends it as usual.
bool RegisterPagedImage(const void* image, size_t size, const pe::Pager* pager);
// The readable size of the mapping at image when nobody registered it:
// VirtualQuery on Windows, 0 (unknown, so nothing is read) elsewhere.
size_t ProbeMappedSize(const void* image);
// `size` bytes in the caller's heap, or null.
void* HeapAllocate(NUBRIK_HEAP heap, size_t size);

}  // namespace nubrik

#endif  // CONTRACTS_NUBRIK_NUBRIK_INTERNAL_H
