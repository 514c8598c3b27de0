// WinVerifyTrust on files signed at build time with throw-away certificates:
// a sound signature whose root nobody trusts, one broken after signing, and
// a file with none.
#include "platform/win32/win32_trust.h"

#include <gtest/gtest.h>

#include "dlv_fixtures.h"
#include "platform/win32/win32_wow_host.h"

namespace platform::win32 {
namespace {

TEST(Win32TrustVerifier, TellsAChangedFileFromAnUntrustedAndAnUnsignedOne) {
  if (!DLV_SIGNED_FIXTURES) GTEST_SKIP() << "osslsigncode made no signed samples";
  Win32TrustVerifier verifier;
  TrustResult unsigned_ = verifier.Verify(DLV_SAMPLE_EXE_X64);
  EXPECT_EQ(unsigned_.Status, TrustStatus::NoSignature) << unsigned_.Code << " " << unsigned_.Text;
  TrustResult signedFile = verifier.Verify(DLV_SIGNED_EXE_X64);
  // Windows refuses the throw-away root; Wine 8 checks the digest and the
  // chain's signatures but trusts any root.
  if (!RunningUnderWine()) {
    EXPECT_EQ(signedFile.Status, TrustStatus::UntrustedRoot);
  }
  EXPECT_NE(signedFile.Status, TrustStatus::NoSignature) << signedFile.Code;
  EXPECT_NE(signedFile.Status, TrustStatus::BadDigest) << signedFile.Code;
  TrustResult broken = verifier.Verify(DLV_SIGNED_BROKEN_EXE_X64);
  EXPECT_EQ(broken.Status, TrustStatus::BadDigest) << broken.Code << " " << broken.Text;
  EXPECT_FALSE(broken.Text.empty());
  TrustResult missing = verifier.Verify(DLV_FIXTURE_DIR "/x64/no-such-file.exe");
  EXPECT_NE(missing.Status, TrustStatus::Trusted);
}

}  // namespace
}  // namespace platform::win32
