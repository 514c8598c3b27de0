// Helpers of the library's tests: a registered image that unregisters itself
// and name-list reading.
#ifndef CONTRACTS_NUBRIK_NUBRIK_TEST_UTIL_H
#define CONTRACTS_NUBRIK_NUBRIK_TEST_UTIL_H

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "contracts/nubrik/nubrik.h"
#include "contracts/nubrik/pe_file.h"

namespace nubrik::test {

// A file's bytes registered with the library for the object's life.
class Registered {
 public:
  explicit Registered(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {
    if (bytes_.empty()) bytes_.push_back(0);  // a valid base for empty input
    NubrikRegisterImage(bytes_.data(), size_ = bytes_.size());
  }
  static Registered FromFile(const std::string& path) {
    auto bytes = ReadWholeFile(path);
    return Registered(bytes ? std::move(*bytes) : std::vector<uint8_t>{});
  }
  Registered(Registered&& other) noexcept : bytes_(std::move(other.bytes_)), size_(other.size_) {
    other.moved_ = true;
  }
  ~Registered() {
    if (!moved_) NubrikUnregisterImage(bytes_.data());
  }
  const void* Image() const { return bytes_.data(); }
  size_t Size() const { return size_; }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  size_t size_ = 0;
  bool moved_ = false;
};

// Takes the list's address so that Names(&p, Call(&p)) reads p after the
// call whatever the order in which the arguments are evaluated.
inline std::vector<std::string> Names(char* const* list, int32_t count) {
  std::vector<std::string> names;
  const char* first = *list;
  for (int32_t i = 0; first && i < count; ++i) {
    names.emplace_back(first);
    first += names.back().size() + 1;
  }
  return names;
}

}  // namespace nubrik::test

#endif  // CONTRACTS_NUBRIK_NUBRIK_TEST_UTIL_H
