// The hashing service on Windows: the CNG digests (BCrypt).
#ifndef PLATFORM_WIN32_WIN32_HASHING_H
#define PLATFORM_WIN32_WIN32_HASHING_H

#include "platform/hashing.h"

namespace platform::win32 {

class Win32Hashing : public Hashing {
 public:
  std::vector<uint8_t> Digest(HashAlgorithm algorithm, std::span<const uint8_t> bytes) override;
};

}  // namespace platform::win32

#endif  // PLATFORM_WIN32_WIN32_HASHING_H
