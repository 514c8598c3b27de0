// The mapping registry: image base -> mapped size, shared by every thread.
#include <mutex>
#include <unordered_map>

#include "contracts/nubrik/nubrik_internal.h"

namespace nubrik {
namespace {

std::mutex& RegistryMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unordered_map<const void*, size_t>& Registry() {
  static std::unordered_map<const void*, size_t> registry;
  return registry;
}

}  // namespace

std::optional<size_t> RegisteredSize(const void* image) {
  std::lock_guard<std::mutex> lock(RegistryMutex());
  auto it = Registry().find(image);
  if (it == Registry().end()) return std::nullopt;
  return it->second;
}

}  // namespace nubrik

extern "C" {

NUBRIK_BOOL NUBRIK_API NubrikRegisterImage(const void* image, size_t size) {
  if (!image || size == 0) return 0;
  try {
    std::lock_guard<std::mutex> lock(nubrik::RegistryMutex());
    nubrik::Registry()[image] = size;
    return 1;
  } catch (...) {
    return 0;
  }
}

void NUBRIK_API NubrikUnregisterImage(const void* image) {
  std::lock_guard<std::mutex> lock(nubrik::RegistryMutex());
  nubrik::Registry().erase(image);
}

}  // extern "C"
