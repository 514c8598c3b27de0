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
      {"\xCE\xA9mega-\xE6\x97\xA5\xE6\x9C\xAC.dll",
       "\"\xCE\xA9mega-\xE6\x97\xA5\xE6\x9C\xAC.dll\""},
      {"\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},  // outside the BMP
      // 0xE9 alone is "e acute" in the Western code page, not UTF-8.
      {"caf\xE9", "\"caf\\u00e9\""},
      {"\xC0\xAF", "\"\\u00c0\\u00af\""},                        // overlong '/'
      {"\xED\xA0\x80", "\"\\u00ed\\u00a0\\u0080\""},             // a surrogate
      {"\xF4\x90\x80\x80", "\"\\u00f4\\u0090\\u0080\\u0080\""},  // past U+10FFFF
      {"\xE6\x97", "\"\\u00e6\\u0097\""},                        // cut at the end
      {"\xCE\xA9\x80", "\"\xCE\xA9\\u0080\""},                   // a stray continuation byte
  };
  for (const Case& c : cases) EXPECT_EQ(Json(c.Text), c.Json) << c.Json;
}

TEST(JsonText, TextKeepsUtf8AndReadsStrayBytesTheSameWay) {
  EXPECT_EQ(ValidUtf8("plain\r\n"), "plain\r\n");
  EXPECT_EQ(ValidUtf8("\xCE\xA9mega \xF0\x9F\x98\x80"), "\xCE\xA9mega \xF0\x9F\x98\x80");
  EXPECT_EQ(ValidUtf8("caf\xE9"), "caf\xC3\xA9");
  EXPECT_EQ(ValidUtf8("\xCE\xA9\x80\xFF"), "\xCE\xA9\xC2\x80\xC3\xBF");
  EXPECT_EQ(ValidUtf8("\xE6\x97"), "\xC3\xA6\xC2\x97");  // cut at the end
  EXPECT_EQ(ValidUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(JsonText, AppendsToWhatIsThere) {
  std::string out = "[";
  AppendJsonString("", out);
  EXPECT_EQ(out, "[\"\"");
}

TEST(JsonWriter, CommasKeysAndNumbers) {
  std::string out;
  JsonWriter json(out);
  json.BeginArray().BeginObject();
  json.Key("n").Number(uint64_t{18446744073709551615u});
  json.Key("negative").Number(int64_t{-5});
  json.Key("list").BeginArray().EndArray();
  json.Key("texts").Strings({"a", "\"b\""});
  json.Key("none").Null().Key("yes").Bool(true);
  json.EndObject().BeginObject();
  json.Finish();
  EXPECT_EQ(out,
            "[{\"n\":18446744073709551615,\"negative\":-5,\"list\":[],"
            "\"texts\":[\"a\",\"\\\"b\\\"\"],\"none\":null,\"yes\":true},{}]");
}

TEST(JsonWriter, TimesInIso8601) {
  EXPECT_EQ(IsoUtcTime(0), "1970-01-01T00:00:00Z");
  EXPECT_EQ(IsoUtcTime(951782400), "2000-02-29T00:00:00Z");
  EXPECT_EQ(IsoUtcTime(4294967295), "2106-02-07T06:28:15Z");
  EXPECT_EQ(IsoUtcTime(1796780751), "2026-12-09T01:45:51Z");
  EXPECT_EQ(IsoUtcTime(-1), "1969-12-31T23:59:59Z");
}

}  // namespace
}  // namespace common
