// JSON string literals for the command-line companions' --json output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace common {

// Appends `text` as a quoted JSON string. Text is UTF-8: valid sequences are
// copied as they are; a byte that is not part of one (a name from a file or
// the system that is not UTF-8) is written as \u00XX, its Latin-1 reading, so
// the output stays valid JSON whatever the texts hold.
void AppendJsonString(const std::string& text, std::string& out);

// `text` with the same reading of stray bytes, as UTF-8: valid sequences as
// they are, any other byte as the character of its Latin-1 reading (0xE9:
// U+00E9). For text output that must stay UTF-8 whatever a file's names hold.
std::string ValidUtf8(const std::string& text);

// A time in seconds since 1970-01-01 00:00 UTC as ISO 8601:
// "2026-12-09T04:09:19Z".
std::string IsoUtcTime(int64_t seconds);

// JSON written in order: members and elements get their commas, and a
// member's key comes first. Numbers stay numbers (64 bits whole).
class JsonWriter {
 public:
  explicit JsonWriter(std::string& out) : out_(out) {}
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // The key of the next member of the open object.
  JsonWriter& Key(const std::string& key);
  JsonWriter& String(const std::string& text);
  JsonWriter& Number(uint64_t value);
  JsonWriter& Number(int64_t value);
  JsonWriter& Number(uint32_t value) { return Number(uint64_t{value}); }
  JsonWriter& Number(int32_t value) { return Number(int64_t{value}); }
  // A fraction, rounded to `decimals` places.
  JsonWriter& Fraction(double value, int decimals);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();
  JsonWriter& Strings(const std::vector<std::string>& texts);
  // Closes every open object and array.
  void Finish();
  size_t Size() const { return out_.size(); }

 private:
  void Element();
  std::string& out_;
  std::vector<bool> empty_;  // per open container: nothing in it yet
  bool afterKey_ = false;
  std::vector<char> closers_;
};

}  // namespace common
