// WinVerifyTrust with the generic Authenticode policy, no user interface
// and no revocation check (which would go to the network).
#ifndef PLATFORM_WIN32_WIN32_TRUST_H
#define PLATFORM_WIN32_WIN32_TRUST_H

#include "platform/trust.h"

namespace platform::win32 {

class Win32TrustVerifier : public TrustVerifier {
 public:
  TrustResult Verify(const std::string& path) override;
};

}  // namespace platform::win32

#endif  // PLATFORM_WIN32_WIN32_TRUST_H
