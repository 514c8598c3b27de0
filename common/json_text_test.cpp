#include "common/json_text.h"

#include <gtest/gtest.h>

namespace common {
namespace {

std::string Json(const std::string& text) {
  std::string out;
  AppendJsonString(text, out);
  return out;
}

TEST(JsonText, EscapesWhatJsonForbidsAndKeepsPlainText) {
  EXPECT_EQ(Json("KERNEL32.DLL"), "\"KERNEL32.DLL\"");
  EXPECT_EQ(Json("C:\\WINDOWS\\\"x\""), "\"C:\\\\WINDOWS\\\\\\\"x\\\"\"");
  EXPECT_EQ(Json("a\r\nb\tc"), "\"a\\r\\nb\\tc\"");
  EXPECT_EQ(Json(std::string("\x01\x7f", 2)), "\"\\u0001\\u007f\"");
}

TEST(JsonText, EightBitBytesBecomeCodePoints) {
  // 0xE9 is "e acute" in the Western code page; raw it would be invalid UTF-8.
  EXPECT_EQ(Json("caf\xE9"), "\"caf\\u00e9\"");
}

TEST(JsonText, AppendsToWhatIsThere) {
  std::string out = "[";
  AppendJsonString("", out);
  EXPECT_EQ(out, "[\"\"");
}

}  // namespace
}  // namespace common
