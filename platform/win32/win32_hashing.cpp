// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on
#include "platform/win32/win32_hashing.h"

#include <bcrypt.h>

#include <algorithm>

namespace platform::win32 {

std::vector<uint8_t> Win32Hashing::Digest(HashAlgorithm algorithm, std::span<const uint8_t> bytes) {
  LPCWSTR id = algorithm == HashAlgorithm::Md5    ? BCRYPT_MD5_ALGORITHM
               : algorithm == HashAlgorithm::Sha1 ? BCRYPT_SHA1_ALGORITHM
                                                  : BCRYPT_SHA256_ALGORITHM;
  BCRYPT_ALG_HANDLE provider = nullptr;
  if (BCryptOpenAlgorithmProvider(&provider, id, nullptr, 0) != 0) return {};
  std::vector<uint8_t> digest;
  DWORD length = 0, got = 0;
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (BCryptGetProperty(provider, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&length),
                        sizeof length, &got, 0) == 0 &&
      BCryptCreateHash(provider, &hash, nullptr, 0, nullptr, 0, 0) == 0) {
    bool ok = true;
    // In pieces: a ULONG counts the bytes of one call.
    for (size_t at = 0; ok && at < bytes.size();) {
      const ULONG piece = static_cast<ULONG>(std::min<size_t>(bytes.size() - at, 1u << 30));
      ok = BCryptHashData(hash, const_cast<PUCHAR>(bytes.data() + at), piece, 0) == 0;
      at += piece;
    }
    digest.resize(length);
    if (!ok || BCryptFinishHash(hash, digest.data(), length, 0) != 0) digest.clear();
    BCryptDestroyHash(hash);
  }
  BCryptCloseAlgorithmProvider(provider, 0);
  return digest;
}

}  // namespace platform::win32
