// The hashing service on Linux: libcrypto's digests.
#ifndef PLATFORM_POSIX_POSIX_HASHING_H
#define PLATFORM_POSIX_POSIX_HASHING_H

#include "platform/hashing.h"

namespace platform::posix {

class PosixHashing : public Hashing {
 public:
  std::vector<uint8_t> Digest(HashAlgorithm algorithm, std::span<const uint8_t> bytes) override;
};

}  // namespace platform::posix

#endif  // PLATFORM_POSIX_POSIX_HASHING_H
