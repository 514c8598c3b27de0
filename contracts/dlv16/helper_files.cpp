#include "contracts/dlv16/helper_files.h"

#include <algorithm>
#include <cstdio>

namespace dlv16 {
namespace {

void PutField(uint8_t* out, size_t width, const std::string& text) {
  size_t n = std::min(text.size(), width);
  std::copy_n(reinterpret_cast<const uint8_t*>(text.data()), n, out);
  // The rest stays zero: a NUL ends the text when it is shorter than the field.
}

std::string GetField(const uint8_t* in, size_t width) {
  const uint8_t* end = std::find(in, in + width, uint8_t{0});
  return std::string(reinterpret_cast<const char*>(in), static_cast<size_t>(end - in));
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Splits text into lines ended by CR LF or LF; a last line without an end
// counts too.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    size_t next = end == std::string_view::npos ? text.size() : end + 1;
    std::string_view line = text.substr(start, (end == std::string_view::npos ? text.size() : end) - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = next;
  }
  return lines;
}

}  // namespace

std::string HelperCommandLine(const std::string& directory, Command command,
                              const std::string& argument) {
  return directory + kHelperProgram + " " + static_cast<char>(command) + " " + argument;
}

std::optional<ParsedCommand> ParseCommandArguments(std::string_view arguments) {
  while (!arguments.empty() && arguments.front() == ' ') arguments.remove_prefix(1);
  if (arguments.size() < 2 || arguments[1] != ' ') return std::nullopt;
  char letter = arguments[0];
  if (letter != 'w' && letter != 'l' && letter != 'v') return std::nullopt;
  ParsedCommand parsed;
  parsed.Letter = static_cast<Command>(letter);
  parsed.Argument = std::string(arguments.substr(2));
  if (parsed.Argument.empty()) return std::nullopt;
  return parsed;
}

std::string ProcessIdText(uint32_t processId) {
  char text[16];
  std::snprintf(text, sizeof text, "%.8x", static_cast<unsigned>(processId));
  return text;
}

uint32_t ParseProcessId(std::string_view text) {
  uint32_t value = 0;
  for (size_t i = 0; i < text.size() && i < 8; ++i) {
    int digit = HexDigit(text[i]);
    if (digit < 0) break;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  return value;
}

std::array<uint8_t, kRecordSize> EncodeRecord(const WowRecord& record) {
  std::array<uint8_t, kRecordSize> bytes{};
  uint8_t* p = bytes.data();
  PutField(p, kFirstFieldSize, record.First);
  PutField(p + 10, kNameFieldSize, record.ModuleName);
  PutField(p + 20, kPathFieldSize, record.ModulePath);
  PutField(p + 276, kDirectoriesFieldSize, record.Directories);
  p[1300] = static_cast<uint8_t>(record.Flag);
  p[1301] = static_cast<uint8_t>(record.Flag >> 8);
  return bytes;
}

WowRecord DecodeRecord(std::span<const uint8_t, kRecordSize> bytes) {
  const uint8_t* p = bytes.data();
  WowRecord record;
  record.First = GetField(p, kFirstFieldSize);
  record.ModuleName = GetField(p + 10, kNameFieldSize);
  record.ModulePath = GetField(p + 20, kPathFieldSize);
  record.Directories = GetField(p + 276, kDirectoriesFieldSize);
  record.Flag = static_cast<uint16_t>(p[1300] | (p[1301] << 8));
  return record;
}

std::vector<WowRecord> ReadRecords(std::span<const uint8_t> file) {
  std::vector<WowRecord> records;
  size_t count = file.size() / kRecordSize;
  records.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    records.push_back(DecodeRecord(file.subspan(i * kRecordSize).first<kRecordSize>()));
  }
  return records;
}

std::vector<uint8_t> WriteRecords(const std::vector<WowRecord>& records) {
  std::vector<uint8_t> bytes;
  bytes.reserve(records.size() * kRecordSize);
  for (const WowRecord& record : records) {
    std::array<uint8_t, kRecordSize> one = EncodeRecord(record);
    bytes.insert(bytes.end(), one.begin(), one.end());
  }
  return bytes;
}

std::optional<WowFile> TakeWowFile(std::span<const uint8_t> file) {
  std::vector<WowRecord> records = ReadRecords(file);
  if (records.empty()) return std::nullopt;
  WowFile taken;
  taken.NodeText = records.front().First;
  records.pop_back();  // read, never taken
  taken.Modules = std::move(records);
  return taken;
}

std::vector<uint8_t> MakeWowFile(const std::vector<WowRecord>& modules) {
  std::vector<WowRecord> records = modules;
  records.emplace_back();  // the end record
  return WriteRecords(records);
}

std::string WriteLinkInfo(const std::vector<LinkLine>& lines) {
  std::string text;
  for (const LinkLine& line : lines) text += line.Type + line.Path + "\r\n";
  return text;
}

std::vector<LinkLine> ReadLinkInfo(std::string_view text) {
  std::vector<LinkLine> lines;
  for (std::string_view line : Lines(text)) {
    if (line.empty()) continue;
    lines.push_back({line[0], std::string(line.substr(1))});
  }
  return lines;
}

std::string WriteVersionInfo(const VersionLines& lines) {
  std::string text;
  for (const std::string& line : lines) {
    // A line break inside a text would shift every box after it.
    for (char c : line) text += c == '\r' || c == '\n' ? ' ' : c;
    text += "\r\n";
  }
  return text;
}

VersionLines ReadVersionInfo(std::string_view text) {
  VersionLines lines;
  std::vector<std::string_view> read = Lines(text);
  for (size_t i = 0; i < read.size() && i < kVersionLineCount; ++i) lines[i] = std::string(read[i]);
  return lines;
}

}  // namespace dlv16
