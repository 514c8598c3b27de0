#include "platform/posix/posix_hashing.h"

#include <openssl/evp.h>

namespace platform::posix {

std::vector<uint8_t> PosixHashing::Digest(HashAlgorithm algorithm, std::span<const uint8_t> bytes) {
  const EVP_MD* md = algorithm == HashAlgorithm::Md5    ? EVP_md5()
                     : algorithm == HashAlgorithm::Sha1 ? EVP_sha1()
                                                        : EVP_sha256();
  std::vector<uint8_t> digest(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  if (!EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, md, nullptr)) return {};
  digest.resize(length);
  return digest;
}

}  // namespace platform::posix
