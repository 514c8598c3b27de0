#include "vistrel/browser/report_sink.h"

#include <limits>

#include "common/json_text.h"

namespace vistrel {

size_t TextLimit(uint64_t fileSize) {
  constexpr uint64_t kBase = 1u << 20;
  constexpr uint64_t kMax = std::numeric_limits<size_t>::max();
  if (fileSize > (kMax - kBase) / 64) return static_cast<size_t>(kMax);
  return static_cast<size_t>(fileSize * 64 + kBase);
}

bool ReportSink::Write(const std::string& piece) {
  if (full_) return false;
  if (piece.size() > limit_ - std::min(limit_, out_.size())) {
    full_ = true;
    Cut();
    return false;
  }
  out_ += piece;
  return true;
}

// ---- Text ----

void TextSink::EndLine() {
  if (!lineOpen_) return;
  lineOpen_ = false;
  Write(line_ + "\n");
  line_.clear();
}

void TextSink::Cut() {
  if (lineOpen_) out_ += line_ + "\n";
  lineOpen_ = false;
  out_ += kRestLeftOut;
  out_ += '\n';
}

void TextSink::BeginPage(const std::string& caption, bool) {
  EndLine();
  Write("== " + caption + " ==\n");
}

void TextSink::Field(const std::string& label, const std::vector<FieldValue>& values) {
  std::string line = indent_ + label;
  for (const auto& v : values) {
    if (!v.IsList) line += " " + v.Text;
  }
  if (!Write(line + "\n")) return;
  for (const auto& v : values) {
    if (!v.IsList) continue;
    for (const auto& l : v.Lines) {
      if (!Write(indent_ + "  " + l + "\n")) return;
    }
  }
}

void TextSink::BeginRecords(const std::string& heading, const std::string&) {
  Write(heading + "\n");
}

void TextSink::BeginRecord(const std::string&, const std::string& line) {
  EndLine();
  if (full_) return;
  line_ = "  " + line;
  lineOpen_ = true;
}

void TextSink::EndRecord() {
  EndLine();
}

void TextSink::RecordText(const std::string& key, const std::string& text) {
  if (lineOpen_) line_ += "  " + key + " " + text;
}

void TextSink::RecordLines(const std::string&, const std::vector<std::string>& lines) {
  EndLine();
  for (const auto& l : lines) {
    if (!Write("    " + l + "\n")) return;
  }
}

void TextSink::BeginRecordFields(const std::string&) {
  EndLine();
  indent_ = "    ";
}

void TextSink::EndRecordFields() {
  indent_.clear();
}

// ---- JSON ----

namespace {

std::string Quoted(const std::string& text) {
  std::string out;
  common::AppendJsonString(text, out);
  return out;
}

std::string JsonLines(const std::vector<std::string>& lines) {
  std::string out = "[";
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) out += ',';
    common::AppendJsonString(lines[i], out);
  }
  return out + "]";
}

std::string JsonValue(const FieldValue& v) {
  return v.IsList ? JsonLines(v.Lines) : Quoted(v.Text);
}

}  // namespace

JsonSink::JsonSink(size_t limit) : ReportSink(limit) {
  out_ += '{';
  open_.push_back({'}', true});
}

std::string JsonSink::Next(const std::string* key) {
  std::string piece;
  if (open_.empty()) return piece;
  if (!open_.back().Empty) piece += ',';
  if (key) piece += Quoted(*key) + ":";
  return piece;
}

void JsonSink::Open(const std::string* key, char bracket) {
  if (!Write(Next(key) + bracket)) return;
  if (!open_.empty()) open_.back().Empty = false;
  open_.push_back({bracket == '{' ? '}' : ']', true});
}

void JsonSink::Close() {
  if (full_ || open_.size() <= 1) return;
  out_ += open_.back().Closer;
  open_.pop_back();
}

void JsonSink::BeginPage(const std::string& caption, bool records) {
  recordsPage_ = records;
  Open(&caption, records ? '[' : '{');
}

void JsonSink::Field(const std::string& label, const std::vector<FieldValue>& values) {
  std::string value;
  if (values.size() == 1) {
    value = JsonValue(values[0]);
  } else {
    value = "[";
    for (size_t i = 0; i < values.size(); ++i) {
      if (i) value += ',';
      value += JsonValue(values[i]);
    }
    value += ']';
  }
  if (Write(Next(&label) + value)) open_.back().Empty = false;
}

void JsonSink::BeginRecords(const std::string&, const std::string& key) {
  if (!recordsPage_) Open(&key, '[');
}

void JsonSink::EndRecords() {
  if (!recordsPage_) Close();
}

void JsonSink::BeginRecord(const std::string& key, const std::string& line) {
  Open(nullptr, '{');
  if (!full_ && Write(Quoted(key) + ":" + Quoted(line))) open_.back().Empty = false;
}

void JsonSink::RecordText(const std::string& key, const std::string& text) {
  if (Write(Next(&key) + Quoted(text))) open_.back().Empty = false;
}

void JsonSink::RecordLines(const std::string& key, const std::vector<std::string>& lines) {
  if (Write(Next(&key) + JsonLines(lines))) open_.back().Empty = false;
}

void JsonSink::BeginRecordFields(const std::string& key) {
  Open(&key, '{');
}

void JsonSink::RecordNone(const std::string& key) {
  if (Write(Next(&key) + "null")) open_.back().Empty = false;
}

void JsonSink::Cut() {
  // Close everything down to the report's own object, then say why it ends.
  while (open_.size() > 1) {
    out_ += open_.back().Closer;
    open_.pop_back();
  }
  if (!open_.back().Empty) out_ += ',';
  out_ += "\"Left Out\":" + Quoted(kRestLeftOut);
  open_.back().Empty = false;
}

void JsonSink::Finish() {
  if (finished_) return;
  finished_ = true;
  while (!open_.empty()) {
    out_ += open_.back().Closer;
    open_.pop_back();
  }
}

}  // namespace vistrel
