// The mapping registry: image base -> mapped size, shared by every thread.
// A registered image is parsed once, on the first call that needs it, and the
// parsed headers and section table serve every later call until the image is
// unregistered or registered again.
#include <memory>
#include <mutex>
#include <unordered_map>

#include "contracts/nubrik/nubrik_internal.h"
#include "contracts/nubrik/pe_image.h"

namespace nubrik {
namespace {

struct Registered {
  size_t size = 0;
  const pe::Pager* pager = nullptr;
  std::shared_ptr<const pe::Image> parsed;
};

std::mutex& RegistryMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unordered_map<const void*, Registered>& Registry() {
  static std::unordered_map<const void*, Registered> registry;
  return registry;
}

}  // namespace

std::shared_ptr<const pe::Image> RegisteredImage(const void* image) {
  std::lock_guard<std::mutex> lock(RegistryMutex());
  auto it = Registry().find(image);
  if (it == Registry().end()) return nullptr;
  Registered& entry = it->second;
  if (!entry.parsed) {
    entry.parsed = std::make_shared<const pe::Image>(pe::ByteView(image, entry.size, entry.pager));
  }
  return entry.parsed;
}

bool RegisterPagedImage(const void* image, size_t size, const pe::Pager* pager) {
  if (!image || size == 0) return false;
  try {
    std::lock_guard<std::mutex> lock(RegistryMutex());
    Registry()[image] = Registered{size, pager, nullptr};
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace nubrik

extern "C" {

NUBRIK_BOOL NUBRIK_API NubrikRegisterImage(const void* image, size_t size) {
  if (!image || size == 0) return 0;
  try {
    std::lock_guard<std::mutex> lock(nubrik::RegistryMutex());
    // Registering again means new bytes or a new size: forget what was parsed.
    nubrik::Registry()[image] = nubrik::Registered{size, nullptr, nullptr};
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
