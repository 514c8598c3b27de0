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

TEST(JsonText, Utf8IsKeptAndStrayBytesBecomeCodePoints) {
  struct Case {
    std::string Text, Json;
  };
  const Case cases[] = {
      {"\xCE\xA9mega-\xE6\x97\xA5\xE6\x9C\xAC.dll", "\"\xCE\xA9mega-\xE6\x97\xA5\xE6\x9C\xAC.dll\""},
      {"\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},  // outside the BMP
      // 0xE9 alone is "e acute" in the Western code page, not UTF-8.
      {"caf\xE9", "\"caf\\u00e9\""},
      {"\xC0\xAF", "\"\\u00c0\\u00af\""},          // overlong '/'
      {"\xED\xA0\x80", "\"\\u00ed\\u00a0\\u0080\""},  // a surrogate
      {"\xF4\x90\x80\x80", "\"\\u00f4\\u0090\\u0080\\u0080\""},  // past U+10FFFF
      {"\xE6\x97", "\"\\u00e6\\u0097\""},          // cut at the end
      {"\xCE\xA9\x80", "\"\xCE\xA9\\u0080\""},      // a stray continuation byte
  };
  for (const Case& c : cases) EXPECT_EQ(Json(c.Text), c.Json) << c.Json;
}

TEST(JsonText, AppendsToWhatIsThere) {
  std::string out = "[";
  AppendJsonString("", out);
  EXPECT_EQ(out, "[\"\"");
}

}  // namespace
}  // namespace common
