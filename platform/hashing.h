// Digests of bytes, made by the system's own cryptography (CNG on Windows,
// libcrypto elsewhere): no hash function is written here.
#ifndef PLATFORM_HASHING_H
#define PLATFORM_HASHING_H

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform {

enum class HashAlgorithm { Md5, Sha1, Sha256 };

class Hashing {
 public:
  virtual ~Hashing() = default;
  // The digest of `bytes`; empty when the system cannot make it.
  virtual std::vector<uint8_t> Digest(HashAlgorithm algorithm, std::span<const uint8_t> bytes) = 0;
};

// A digest as lower-case hex digits, as sha256sum and its kin print it.
inline std::string HexDigest(const std::vector<uint8_t>& digest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t b : digest) {
    text += kDigits[b >> 4];
    text += kDigits[b & 0xF];
  }
  return text;
}

}  // namespace platform

#endif  // PLATFORM_HASHING_H
