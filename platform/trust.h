// Whether the system trusts a file's Authenticode signature: its digest, its
// certificate chain and its roots, as the system's own policy judges them.
#ifndef PLATFORM_TRUST_H
#define PLATFORM_TRUST_H

#include <cstdint>
#include <string>

namespace platform {

enum class TrustStatus {
  Trusted,        // signed, the digest fits, the chain ends at a trusted root
  NoSignature,    // the file carries none
  BadDigest,      // the file was changed after it was signed
  UntrustedRoot,  // a sound signature whose root the system does not trust
  Other           // any other refusal (expired, revoked, unreadable, ...)
};

struct TrustResult {
  TrustStatus Status = TrustStatus::Other;
  uint32_t Code = 0;  // the system's own result code
  std::string Text;   // and its text
};

class TrustVerifier {
 public:
  virtual ~TrustVerifier() = default;
  virtual TrustResult Verify(const std::string& path) = 0;
};

inline const char* TrustStatusName(TrustStatus status) {
  switch (status) {
    case TrustStatus::Trusted:
      return "trusted";
    case TrustStatus::NoSignature:
      return "no signature";
    case TrustStatus::BadDigest:
      return "bad digest";
    case TrustStatus::UntrustedRoot:
      return "untrusted root";
    case TrustStatus::Other:
      break;
  }
  return "not trusted";
}

}  // namespace platform

#endif  // PLATFORM_TRUST_H
