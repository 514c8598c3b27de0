#include "common/json_text.h"

#include <cstdio>

namespace common {
namespace {

// The length of the well-formed UTF-8 sequence at text[i] (lead byte 0x80 or
// above), or 0: no overlong forms, no surrogates, nothing past U+10FFFF.
size_t Utf8Length(const std::string& text, size_t i) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char c = byte(i);
  size_t length;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (size_t k = 2; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

std::string IsoUtcTime(int64_t seconds) {
  int64_t days = seconds / 86400, rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  // Civil from days (proleptic Gregorian).
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  char text[128];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ",
                static_cast<long long>(year), static_cast<long long>(month),
                static_cast<long long>(day), static_cast<long long>(rest / 3600),
                static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
  return text;
}

void JsonWriter::Element() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!empty_.empty()) {
    if (!empty_.back()) out_ += ',';
    empty_.back() = false;
  }
}

JsonWriter& JsonWriter::BeginObject() {
  Element();
  out_ += '{';
  empty_.push_back(true);
  closers_.push_back('}');
  return *this;
}

JsonWriter& JsonWriter::BeginArray() {
  Element();
  out_ += '[';
  empty_.push_back(true);
  closers_.push_back(']');
  return *this;
}

JsonWriter& JsonWriter::EndObject() {
  if (!closers_.empty()) {
    out_ += closers_.back();
    closers_.pop_back();
    empty_.pop_back();
  }
  return *this;
}

JsonWriter& JsonWriter::EndArray() {
  return EndObject();
}

JsonWriter& JsonWriter::Key(const std::string& key) {
  Element();
  AppendJsonString(key, out_);
  out_ += ':';
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::String(const std::string& text) {
  Element();
  AppendJsonString(text, out_);
  return *this;
}

JsonWriter& JsonWriter::Number(uint64_t value) {
  Element();
  out_ += std::to_string(value);
  return *this;
}

JsonWriter& JsonWriter::Number(int64_t value) {
  Element();
  out_ += std::to_string(value);
  return *this;
}

JsonWriter& JsonWriter::Fraction(double value, int decimals) {
  Element();
  char text[64];
  // JSON has no NaN nor infinity.
  if (!(value == value) || value > 1e300 || value < -1e300) value = 0;
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  out_ += text;
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  Element();
  out_ += value ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::Null() {
  Element();
  out_ += "null";
  return *this;
}

JsonWriter& JsonWriter::Strings(const std::vector<std::string>& texts) {
  BeginArray();
  for (const auto& text : texts) String(text);
  return EndArray();
}

void JsonWriter::Finish() {
  while (!closers_.empty()) EndObject();
}

std::string ValidUtf8(const std::string& text) {
  std::string out;
  size_t run = 0;  // start of the bytes copied as they are
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) continue;
    if (size_t length = Utf8Length(text, i)) {
      i += length - 1;
      continue;
    }
    if (out.empty()) out.reserve(text.size() + 16);
    out.append(text, run, i - run);
    run = i + 1;
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  if (run == 0) return text;
  out.append(text, run, std::string::npos);
  return out;
}

void AppendJsonString(const std::string& text, std::string& out) {
  out += '"';
  size_t run = 0;  // start of the bytes copied as they are
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') continue;
    if (c >= 0x80) {
      if (size_t length = Utf8Length(text, i)) {
        i += length - 1;
        continue;
      }
    }
    out.append(text, run, i - run);
    run = i + 1;
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default: {
        static const char kHex[] = "0123456789abcdef";
        char escape[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
        out.append(escape, 6);
      }
    }
  }
  out.append(text, run, text.size() - run);
  out += '"';
}

}  // namespace common
