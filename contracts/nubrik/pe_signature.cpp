#include "contracts/nubrik/pe_signature.h"

#include <span>

namespace pe {
namespace {

using Bytes = std::span<const uint8_t>;

constexpr uint8_t kSequence = 0x30, kSet = 0x31, kOid = 0x06, kInteger = 0x02, kOctetString = 0x04,
                  kContext0 = 0xA0, kContext1 = 0xA1, kUtcTime = 0x17, kGeneralizedTime = 0x18;
constexpr size_t kCertificateTableEntry = 4;
constexpr uint16_t kPkcsSignedData = 2;
// A real signature holds a handful of certificates and attributes.
constexpr int kMaxItems = 4096;

// Object identifiers as DER encodes them (the bytes after the tag and length).
const std::vector<uint8_t> kSignedData = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02};
const std::vector<uint8_t> kSigningTime = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x05};
const std::vector<uint8_t> kCounterSignature = {0x2A, 0x86, 0x48, 0x86, 0xF7,
                                                0x0D, 0x01, 0x09, 0x06};
const std::vector<uint8_t> kTimeStampToken = {0x2B, 0x06, 0x01, 0x04, 0x01,
                                              0x82, 0x37, 0x03, 0x03, 0x01};
const std::vector<uint8_t> kCommonName = {0x55, 0x04, 0x03};
const std::vector<uint8_t> kOrganization = {0x55, 0x04, 0x0A};

struct DigestName {
  std::vector<uint8_t> Oid;
  const char* Name;
};
const DigestName kDigests[] = {
    {{0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x02, 0x05}, "md5"},
    {{0x2B, 0x0E, 0x03, 0x02, 0x1A}, "sha1"},
    {{0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01}, "sha256"},
    {{0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x02}, "sha384"},
    {{0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x03}, "sha512"},
};

struct Der {
  uint8_t Tag = 0;
  Bytes Content;
  Bytes Whole;  // tag and length too
};

// The elements of one DER level, in order. Only definite lengths of up to
// four bytes and one-byte tags: what Authenticode's DER uses.
class DerReader {
 public:
  explicit DerReader(Bytes bytes) : bytes_(bytes) {}
  bool AtEnd() const { return pos_ >= bytes_.size(); }
  std::optional<Der> Next() {
    if (bytes_.size() - pos_ < 2) return std::nullopt;
    size_t start = pos_;
    uint8_t tag = bytes_[pos_++];
    if ((tag & 0x1F) == 0x1F) return std::nullopt;
    uint8_t first = bytes_[pos_++];
    uint64_t length = first;
    if (first & 0x80) {
      size_t count = first & 0x7F;
      if (count == 0 || count > 4 || bytes_.size() - pos_ < count) return std::nullopt;
      length = 0;
      for (size_t i = 0; i < count; ++i) length = (length << 8) | bytes_[pos_++];
    }
    if (length > bytes_.size() - pos_) return std::nullopt;
    Der der{tag, bytes_.subspan(pos_, static_cast<size_t>(length)), {}};
    pos_ += static_cast<size_t>(length);
    der.Whole = bytes_.subspan(start, pos_ - start);
    return der;
  }
  std::optional<Der> Expect(uint8_t tag) {
    std::optional<Der> der = Next();
    if (!der || der->Tag != tag) return std::nullopt;
    return der;
  }

 private:
  Bytes bytes_;
  size_t pos_ = 0;
};

bool Is(Bytes content, const std::vector<uint8_t>& oid) {
  return content.size() == oid.size() && std::equal(oid.begin(), oid.end(), content.begin());
}

bool Same(Bytes a, Bytes b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

void AppendUtf8(std::string& text, uint32_t c) {
  if (c < 0x80) {
    text += static_cast<char>(c);
  } else if (c < 0x800) {
    text += static_cast<char>(0xC0 | (c >> 6));
    text += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    text += static_cast<char>(0xE0 | (c >> 12));
    text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (c >> 18));
    text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// A directory string as UTF-8: UTF8String as it is, BMPString from UTF-16,
// the 8-bit kinds byte for byte as Latin-1.
std::string DirectoryString(const Der& value) {
  std::string text;
  if (value.Tag == 0x0C) return std::string(value.Content.begin(), value.Content.end());
  if (value.Tag == 0x1E) {
    for (size_t i = 0; i + 1 < value.Content.size(); i += 2) {
      uint32_t c = (value.Content[i] << 8) | value.Content[i + 1];
      if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
      AppendUtf8(text, c);
    }
    return text;
  }
  for (uint8_t b : value.Content) AppendUtf8(text, b);
  return text;
}

// The common name of a Name (its organisation when it has none).
std::string NameText(Bytes name) {
  std::string common, organization;
  DerReader sets(name);
  for (int i = 0; i < kMaxItems && !sets.AtEnd(); ++i) {
    std::optional<Der> set = sets.Expect(kSet);
    if (!set) break;
    DerReader attributes(set->Content);
    while (!attributes.AtEnd()) {
      std::optional<Der> pair = attributes.Expect(kSequence);
      if (!pair) break;
      DerReader fields(pair->Content);
      std::optional<Der> oid = fields.Expect(kOid);
      std::optional<Der> value = fields.Next();
      if (!oid || !value) break;
      if (Is(oid->Content, kCommonName) && common.empty()) common = DirectoryString(*value);
      if (Is(oid->Content, kOrganization) && organization.empty()) {
        organization = DirectoryString(*value);
      }
    }
  }
  return common.empty() ? organization : common;
}

bool Digits(Bytes text, size_t from, size_t count) {
  for (size_t i = from; i < from + count; ++i) {
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

// UTCTime (YYMMDDHHMMSSZ) or GeneralizedTime (YYYYMMDDHHMMSS[.f]Z) as ISO 8601.
std::optional<std::string> TimeText(const Der& time) {
  Bytes t = time.Content;
  std::string year;
  size_t at = 0;
  if (time.Tag == kUtcTime && Digits(t, 0, 12)) {
    int yy = (t[0] - '0') * 10 + (t[1] - '0');
    year = (yy < 50 ? "20" : "19") + std::string(t.begin(), t.begin() + 2);
    at = 2;
  } else if (time.Tag == kGeneralizedTime && Digits(t, 0, 14)) {
    year = std::string(t.begin(), t.begin() + 4);
    at = 4;
  } else {
    return std::nullopt;
  }
  auto two = [&](size_t i) {
    return std::string(t.begin() + static_cast<long>(at + i),
                       t.begin() + static_cast<long>(at + i + 2));
  };
  return year + "-" + two(0) + "-" + two(2) + "T" + two(4) + ":" + two(6) + ":" + two(8) + "Z";
}

// Each attribute of a signer's attribute set: its type and its first value,
// until `visit` returns true. An attribute that cannot be read ends the walk.
template <typename Visit>
void ForEachAttribute(Bytes attributes, Visit visit) {
  DerReader reader(attributes);
  for (int i = 0; i < kMaxItems && !reader.AtEnd(); ++i) {
    std::optional<Der> attribute = reader.Expect(kSequence);
    if (!attribute) return;
    DerReader fields(attribute->Content);
    std::optional<Der> oid = fields.Expect(kOid);
    std::optional<Der> values = fields.Expect(kSet);
    if (!oid || !values) continue;
    DerReader value(values->Content);
    std::optional<Der> first = value.Next();
    if (first && visit(oid->Content, *first)) return;
  }
}

// The signing-time attribute among a signer's authenticated attributes.
std::optional<std::string> SigningTimeIn(Bytes attributes) {
  std::optional<std::string> time;
  ForEachAttribute(attributes, [&](Bytes oid, const Der& value) {
    if (!Is(oid, kSigningTime)) return false;
    time = TimeText(value);
    return true;
  });
  return time;
}

struct SignerFields {
  Bytes Issuer, Serial;
  std::optional<Bytes> Authenticated, Unauthenticated;
};

std::optional<SignerFields> ReadSignerInfo(Bytes signerInfo) {
  DerReader fields(signerInfo);
  SignerFields signer;
  if (!fields.Expect(kInteger)) return std::nullopt;
  std::optional<Der> issuerAndSerial = fields.Expect(kSequence);
  if (!issuerAndSerial) return std::nullopt;
  DerReader id(issuerAndSerial->Content);
  std::optional<Der> issuer = id.Expect(kSequence);
  std::optional<Der> serial = id.Expect(kInteger);
  if (!issuer || !serial) return std::nullopt;
  signer.Issuer = issuer->Content;
  signer.Serial = serial->Content;
  if (!fields.Expect(kSequence)) return std::nullopt;  // digest algorithm
  while (!fields.AtEnd()) {
    std::optional<Der> next = fields.Next();
    if (!next) break;
    if (next->Tag == kContext0) signer.Authenticated = next->Content;
    if (next->Tag == kContext1) signer.Unauthenticated = next->Content;
  }
  return signer;
}

// TSTInfo's genTime, inside a time-stamp token (a ContentInfo of signed data).
std::optional<std::string> TimeStampTime(Bytes token) {
  DerReader outer(token);
  std::optional<Der> contentInfo = outer.Expect(kSequence);
  if (!contentInfo) return std::nullopt;
  DerReader ci(contentInfo->Content);
  std::optional<Der> oid = ci.Expect(kOid);
  std::optional<Der> explicit0 = ci.Expect(kContext0);
  if (!oid || !explicit0 || !Is(oid->Content, kSignedData)) return std::nullopt;
  DerReader signedData(explicit0->Content);
  std::optional<Der> body = signedData.Expect(kSequence);
  if (!body) return std::nullopt;
  DerReader sd(body->Content);
  if (!sd.Expect(kInteger) || !sd.Expect(kSet)) return std::nullopt;
  std::optional<Der> encap = sd.Expect(kSequence);
  if (!encap) return std::nullopt;
  DerReader e(encap->Content);
  if (!e.Expect(kOid)) return std::nullopt;
  std::optional<Der> wrapped = e.Expect(kContext0);
  if (!wrapped) return std::nullopt;
  DerReader octets(wrapped->Content);
  std::optional<Der> tstBytes = octets.Expect(kOctetString);
  if (!tstBytes) return std::nullopt;
  DerReader tstOuter(tstBytes->Content);
  std::optional<Der> tst = tstOuter.Expect(kSequence);
  if (!tst) return std::nullopt;
  DerReader t(tst->Content);
  if (!t.Expect(kInteger) || !t.Expect(kOid) || !t.Expect(kSequence) || !t.Expect(kInteger)) {
    return std::nullopt;
  }
  if (std::optional<Der> genTime = t.Expect(kGeneralizedTime)) return TimeText(*genTime);
  return std::nullopt;
}

// A counter-signature's signing time, or a time-stamp token's.
std::optional<std::string> CounterTime(Bytes unauthenticated) {
  std::optional<std::string> time;
  ForEachAttribute(unauthenticated, [&](Bytes oid, const Der& value) {
    if (Is(oid, kCounterSignature) && value.Tag == kSequence) {
      std::optional<SignerFields> counter = ReadSignerInfo(value.Content);
      if (counter && counter->Authenticated) time = SigningTimeIn(*counter->Authenticated);
    } else if (Is(oid, kTimeStampToken)) {
      time = TimeStampTime(value.Whole);
    }
    return time.has_value();
  });
  return time;
}

// Reads the PKCS #7 signed data into the record; false when it is not one.
bool ReadSignedData(Bytes pkcs7, AuthenticodeSignature& signature) {
  DerReader outer(pkcs7);
  std::optional<Der> contentInfo = outer.Expect(kSequence);
  if (!contentInfo) return false;
  DerReader ci(contentInfo->Content);
  std::optional<Der> type = ci.Expect(kOid);
  std::optional<Der> explicit0 = ci.Expect(kContext0);
  if (!type || !explicit0 || !Is(type->Content, kSignedData)) return false;
  DerReader wrapper(explicit0->Content);
  std::optional<Der> body = wrapper.Expect(kSequence);
  if (!body) return false;
  DerReader sd(body->Content);
  if (!sd.Expect(kInteger) || !sd.Expect(kSet)) return false;

  // The signed content: SpcIndirectDataContent, whose DigestInfo holds the
  // digest of the file.
  std::optional<Der> content = sd.Expect(kSequence);
  if (!content) return false;
  DerReader c(content->Content);
  std::optional<Der> contentType = c.Expect(kOid);
  std::optional<Der> content0 = c.Expect(kContext0);
  if (!contentType || !content0) return false;
  DerReader indirectOuter(content0->Content);
  std::optional<Der> indirect = indirectOuter.Expect(kSequence);
  if (!indirect) return false;
  DerReader in(indirect->Content);
  std::optional<Der> data = in.Expect(kSequence);
  std::optional<Der> digestInfo = in.Expect(kSequence);
  if (!data || !digestInfo) return false;
  DerReader di(digestInfo->Content);
  std::optional<Der> algorithm = di.Expect(kSequence);
  std::optional<Der> digest = di.Expect(kOctetString);
  if (!algorithm || !digest) return false;
  DerReader alg(algorithm->Content);
  std::optional<Der> algorithmOid = alg.Expect(kOid);
  if (!algorithmOid) return false;
  signature.DigestAlgorithm.clear();
  for (const DigestName& known : kDigests) {
    if (Is(algorithmOid->Content, known.Oid)) signature.DigestAlgorithm = known.Name;
  }
  if (signature.DigestAlgorithm.empty()) {
    // Dotted notation of an algorithm this reader does not name.
    Bytes o = algorithmOid->Content;
    if (o.empty()) return false;
    std::string dotted = std::to_string(o[0] / 40) + "." + std::to_string(o[0] % 40);
    uint64_t arc = 0;
    for (size_t i = 1; i < o.size(); ++i) {
      arc = (arc << 7) | (o[i] & 0x7F);
      if (!(o[i] & 0x80)) {
        dotted += "." + std::to_string(arc);
        arc = 0;
      }
    }
    signature.DigestAlgorithm = dotted;
  }
  signature.SignedDigest.assign(digest->Content.begin(), digest->Content.end());

  std::optional<Bytes> certificates;
  std::optional<Der> signerInfos;
  while (!sd.AtEnd()) {
    std::optional<Der> next = sd.Next();
    if (!next) return false;
    if (next->Tag == kContext0) certificates = next->Content;
    if (next->Tag == kSet) signerInfos = next;
  }
  if (!signerInfos) return false;
  DerReader signers(signerInfos->Content);
  std::optional<Der> first = signers.Expect(kSequence);
  if (!first) return false;
  std::optional<SignerFields> signer = ReadSignerInfo(first->Content);
  if (!signer) return false;
  signature.Issuer = NameText(signer->Issuer);
  // The signer's certificate: the one with the signer's issuer and serial number.
  if (certificates) {
    DerReader certs(*certificates);
    for (int i = 0; i < kMaxItems && !certs.AtEnd(); ++i) {
      std::optional<Der> certificate = certs.Next();
      if (!certificate) break;
      if (certificate->Tag != kSequence) continue;
      DerReader cert(certificate->Content);
      std::optional<Der> tbs = cert.Expect(kSequence);
      if (!tbs) continue;
      DerReader t(tbs->Content);
      std::optional<Der> serial = t.Next();
      if (serial && serial->Tag == kContext0) serial = t.Next();  // the version
      std::optional<Der> algorithm2 = t.Expect(kSequence);
      std::optional<Der> issuer = t.Expect(kSequence);
      std::optional<Der> validity = t.Expect(kSequence);
      std::optional<Der> subject = t.Expect(kSequence);
      if (!serial || serial->Tag != kInteger || !algorithm2 || !issuer || !validity || !subject) {
        continue;
      }
      if (Same(serial->Content, signer->Serial) && Same(issuer->Content, signer->Issuer)) {
        signature.Signer = NameText(subject->Content);
        break;
      }
    }
  }
  if (signer->Authenticated) signature.SigningTime = SigningTimeIn(*signer->Authenticated);
  if (signer->Unauthenticated) signature.TimestampTime = CounterTime(*signer->Unauthenticated);
  return true;
}

}  // namespace

std::optional<AuthenticodeSignature> FindAuthenticode(const Image& image) {
  std::optional<DataDirectory> directory = image.Directory(kCertificateTableEntry);
  if (!directory || directory->Size < 8) return std::nullopt;
  AuthenticodeSignature signature;
  // This one directory names a file offset, not an address.
  signature.TableOffset = directory->VirtualAddress;
  signature.TableSize = directory->Size;
  const ByteView& file = image.View();
  std::optional<uint32_t> length = file.U32(signature.TableOffset);
  std::optional<uint16_t> revision = file.U16(signature.TableOffset + 4);
  std::optional<uint16_t> type = file.U16(signature.TableOffset + 6);
  if (!length || !revision || !type) return signature;
  signature.Revision = *revision;
  signature.CertificateType = *type;
  if (*length < 8 || *length > directory->Size || *type != kPkcsSignedData) return signature;
  const uint8_t* pkcs7 = file.At(signature.TableOffset + 8, *length - 8);
  if (!pkcs7) return signature;
  AuthenticodeSignature read = signature;
  if (ReadSignedData(Bytes(pkcs7, *length - 8), read)) {
    read.Readable = true;
    return read;
  }
  return signature;
}

std::vector<std::pair<uint64_t, uint64_t>> AuthenticodeRanges(const Image& image) {
  const std::optional<OptionalHeader>& optional = image.GetOptionalHeader();
  if (!image.IsPe() || !optional) return {};
  uint64_t size = image.View().Size();
  uint64_t checksum = image.OptionalHeaderOffset() + 64;
  uint64_t entry = image.OptionalHeaderOffset() + (optional->Is64() ? 144 : 128);
  uint64_t tableStart = size, tableEnd = size;
  if (std::optional<DataDirectory> table = image.Directory(kCertificateTableEntry)) {
    tableStart = std::min<uint64_t>(table->VirtualAddress, size);
    tableEnd = std::min<uint64_t>(uint64_t{table->VirtualAddress} + table->Size, size);
  }
  std::vector<std::pair<uint64_t, uint64_t>> ranges;
  auto add = [&](uint64_t from, uint64_t to) {
    to = std::min(to, size);
    if (from < to) ranges.push_back({from, to - from});
  };
  bool hasEntry = optional->NumberOfRvaAndSizes > kCertificateTableEntry;
  if (hasEntry && entry + 8 <= size && checksum + 4 <= entry) {
    add(0, checksum);
    add(checksum + 4, entry);
    add(entry + 8, tableStart);
  } else {
    add(0, checksum);
    add(checksum + 4, tableStart);
  }
  add(tableEnd, size);
  return ranges;
}

}  // namespace pe
