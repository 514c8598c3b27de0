#include "platform/posix/posix_hashing.h"

#include "platform/conformance/hashing_cases.h"

namespace platform::posix {
namespace {

TEST(PosixHashing, StandardDigests) {
  PosixHashing hashing;
  conformance::ExpectStandardDigests(hashing);
}

}  // namespace
}  // namespace platform::posix
