// The same digests from every implementation of the hashing service: the
// standards' own test vectors, an empty input and a large one.
#ifndef PLATFORM_CONFORMANCE_HASHING_CASES_H
#define PLATFORM_CONFORMANCE_HASHING_CASES_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/hashing.h"

namespace platform::conformance {

inline std::string Hex(Hashing& hashing, HashAlgorithm algorithm, const std::string& text) {
  std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  return HexDigest(hashing.Digest(algorithm, bytes));
}

inline void ExpectStandardDigests(Hashing& hashing) {
  EXPECT_EQ(Hex(hashing, HashAlgorithm::Md5, "abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Hex(hashing, HashAlgorithm::Sha1, "abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(Hex(hashing, HashAlgorithm::Sha256, "abc"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Hex(hashing, HashAlgorithm::Md5, ""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Hex(hashing, HashAlgorithm::Sha256, ""),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  // A million 'a's (FIPS 180 test vector).
  EXPECT_EQ(Hex(hashing, HashAlgorithm::Sha1, std::string(1000000, 'a')),
            "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

}  // namespace platform::conformance

#endif  // PLATFORM_CONFORMANCE_HASHING_CASES_H
