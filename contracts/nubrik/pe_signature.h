// The Authenticode signature in a PE file's certificate table: who signed,
// whose certificate vouches for the signer, when, and the digest of the
// file that the signature covers. Read with a bounded DER walker: a table or
// a structure that leaves the file, or nests too deep, is reported as not
// readable, never read past.
#ifndef CONTRACTS_NUBRIK_PE_SIGNATURE_H
#define CONTRACTS_NUBRIK_PE_SIGNATURE_H

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "contracts/nubrik/pe_image.h"

namespace pe {

struct AuthenticodeSignature {
  // The certificate table entry (WIN_CERTIFICATE).
  uint64_t TableOffset = 0;
  uint32_t TableSize = 0;
  uint16_t Revision = 0;
  uint16_t CertificateType = 0;  // 2: PKCS #7 signed data
  // False when the entry or its PKCS #7 structure cannot be read; the
  // fields below are then empty.
  bool Readable = false;
  std::string DigestAlgorithm;  // "md5", "sha1", "sha256", "sha384", "sha512" or the OID
  std::vector<uint8_t> SignedDigest;
  std::string Signer;  // the common name of the signer's certificate's subject
  std::string Issuer;  // the common name of its issuer
  // ISO 8601, UTC: the signer's own signing-time attribute (the signer's
  // clock), and the time a time-stamping authority vouches for (a counter-
  // signature's signing time or an RFC 3161 token's).
  std::optional<std::string> SigningTime;
  std::optional<std::string> TimestampTime;
};

// The first certificate of the table, or nothing when the file has no
// certificate table.
std::optional<AuthenticodeSignature> FindAuthenticode(const Image& image);

// The file ranges (offset, size) that the Authenticode digest covers: the
// whole file but the checksum, the certificate table's directory entry and
// the certificate table itself. Empty for a file that is no PE file.
std::vector<std::pair<uint64_t, uint64_t>> AuthenticodeRanges(const Image& image);

}  // namespace pe

#endif  // CONTRACTS_NUBRIK_PE_SIGNATURE_H
