// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include "platform/win32/win32_hashing.h"

#include "platform/conformance/hashing_cases.h"

namespace platform::win32 {
namespace {

TEST(Win32Hashing, StandardDigests) {
  Win32Hashing hashing;
  conformance::ExpectStandardDigests(hashing);
}

}  // namespace
}  // namespace platform::win32
