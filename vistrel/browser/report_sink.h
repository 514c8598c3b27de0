// Where the pages write their report: one walk of the pages, two forms of
// output (the text the command line prints and its JSON). Both are bounded
// by the file they describe: at most 64 bytes of text per byte of file plus
// 1 MB, then one last line (in JSON one last member) saying that the rest is
// left out, and the walk may stop.
#ifndef VISTREL_BROWSER_REPORT_SINK_H
#define VISTREL_BROWSER_REPORT_SINK_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vistrel {

inline constexpr const char* kRestLeftOut =
    "*** The rest is left out: more than 64 bytes of text per byte of the file ***";

// What the programs may make of a file of `fileSize` bytes.
size_t TextLimit(uint64_t fileSize);

// The texts beside a field's label and the lines of its list, in the order
// of the field's controls.
struct FieldValue {
  bool IsList = false;
  std::string Text;
  std::vector<std::string> Lines;
};

class ReportSink {
 public:
  virtual ~ReportSink() = default;

  // A page whose content is labelled fields (records: a list of records).
  virtual void BeginPage(const std::string& caption, bool records) = 0;
  virtual void EndPage() = 0;
  virtual void Field(const std::string& label, const std::vector<FieldValue>& values) = 0;
  // A list of records: under a heading in the text; in JSON the records
  // page itself, or a member named `key` of a fields page.
  virtual void BeginRecords(const std::string& heading, const std::string& key) = 0;
  virtual void EndRecords() = 0;
  // One record, named by its line in the window.
  virtual void BeginRecord(const std::string& key, const std::string& line) = 0;
  virtual void EndRecord() = 0;
  // A text on the record's line.
  virtual void RecordText(const std::string& key, const std::string& text) = 0;
  // Lines shown below the record's line.
  virtual void RecordLines(const std::string& key, const std::vector<std::string>& lines) = 0;
  // Fields shown below the record's line, written by Field between these.
  virtual void BeginRecordFields(const std::string& key) = 0;
  virtual void EndRecordFields() = 0;
  // A member the window did not fill (JSON null; nothing in the text).
  virtual void RecordNone(const std::string& key) = 0;
  // Ends the report (closes what is open).
  virtual void Finish() = 0;

  // The sink takes data the window does not show as such (JSON does; the
  // text is the window's view).
  virtual bool TakesData() const { return false; }

  // True once the bound is reached: what follows is left out.
  bool Full() const { return full_; }
  const std::string& Output() const { return out_; }

 protected:
  explicit ReportSink(size_t limit) : limit_(limit) {}
  // Appends `piece` unless that crosses the bound; the first piece that
  // would ends the output with the closing line.
  bool Write(const std::string& piece);
  virtual void Cut() = 0;

  std::string out_;
  size_t limit_;
  bool full_ = false;
};

// "== Page ==" sections, "Label value" lines, list lines indented.
class TextSink : public ReportSink {
 public:
  explicit TextSink(size_t limit) : ReportSink(limit) {}
  void BeginPage(const std::string& caption, bool records) override;
  void EndPage() override {}
  void Field(const std::string& label, const std::vector<FieldValue>& values) override;
  void BeginRecords(const std::string& heading, const std::string& key) override;
  void EndRecords() override {}
  void BeginRecord(const std::string& key, const std::string& line) override;
  void EndRecord() override;
  void RecordText(const std::string& key, const std::string& text) override;
  void RecordLines(const std::string& key, const std::vector<std::string>& lines) override;
  void BeginRecordFields(const std::string& key) override;
  void EndRecordFields() override;
  void RecordNone(const std::string&) override {}
  void Finish() override { EndLine(); }

 private:
  void Cut() override;
  void EndLine();
  std::string line_;  // the record line being built
  bool lineOpen_ = false;
  std::string indent_;
};

// One JSON object: {"Page": {"Label": value, ...} or [record, ...], ...}.
class JsonSink : public ReportSink {
 public:
  explicit JsonSink(size_t limit);
  void BeginPage(const std::string& caption, bool records) override;
  void EndPage() override { Close(); }
  void Field(const std::string& label, const std::vector<FieldValue>& values) override;
  void BeginRecords(const std::string& heading, const std::string& key) override;
  void EndRecords() override;
  void BeginRecord(const std::string& key, const std::string& line) override;
  void EndRecord() override { Close(); }
  void RecordText(const std::string& key, const std::string& text) override;
  void RecordLines(const std::string& key, const std::vector<std::string>& lines) override;
  void BeginRecordFields(const std::string& key) override;
  void EndRecordFields() override { Close(); }
  void RecordNone(const std::string& key) override;
  void Finish() override;
  bool TakesData() const override { return true; }

 private:
  void Cut() override;
  // The member separator and key of the next member of the open object, or
  // the separator of the next element of the open array.
  std::string Next(const std::string* key);
  void Open(const std::string* key, char bracket);
  void Close();
  // Open containers: '}' or ']' to close each, and whether it has members.
  struct Level {
    char Closer;
    bool Empty;
  };
  std::vector<Level> open_;
  bool recordsPage_ = false;  // the page is the list of records
  bool finished_ = false;
};

}  // namespace vistrel

#endif  // VISTREL_BROWSER_REPORT_SINK_H
