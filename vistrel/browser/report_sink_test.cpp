// The two report forms of one walk, and the bound that ends both.
#include "vistrel/browser/report_sink.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace vistrel {
namespace {

// A small validating reader: true when `text` is one JSON value.
class JsonChecker {
 public:
  explicit JsonChecker(const std::string& text) : s_(text) {}
  bool Valid() {
    bool ok = Value();
    return ok && at_ == s_.size();
  }

 private:
  bool Value() {
    if (at_ >= s_.size()) return false;
    char c = s_[at_];
    if (c == '"') return String();
    if (c == '{') return Members('}', true);
    if (c == '[') return Members(']', false);
    if (s_.compare(at_, 4, "null") == 0) return at_ += 4, true;
    return false;
  }
  bool String() {
    for (++at_; at_ < s_.size(); ++at_) {
      if (s_[at_] == '\\') {
        ++at_;
      } else if (s_[at_] == '"') {
        ++at_;
        return true;
      } else if (static_cast<unsigned char>(s_[at_]) < 0x20) {
        return false;
      }
    }
    return false;
  }
  bool Members(char closer, bool keyed) {
    ++at_;
    if (at_ < s_.size() && s_[at_] == closer) return ++at_, true;
    while (true) {
      if (keyed) {
        if (at_ >= s_.size() || s_[at_] != '"' || !String()) return false;
        if (at_ >= s_.size() || s_[at_++] != ':') return false;
      }
      if (!Value()) return false;
      if (at_ >= s_.size()) return false;
      if (s_[at_] == closer) return ++at_, true;
      if (s_[at_++] != ',') return false;
    }
  }
  const std::string& s_;
  size_t at_ = 0;
};

// One walk of every kind of page the browser writes.
void Walk(ReportSink& sink) {
  sink.BeginPage("File Header", false);
  sink.Field("Machine:", {{false, "Intel 386", {}}});
  sink.Field("Characteristics:", {{false, "0x0102", {}}, {true, "", {"File is executable."}}});
  sink.Field("Linker:", {{false, "14", {}}, {false, "0", {}}});
  sink.EndPage();
  sink.BeginPage("Section Headers", true);
  sink.BeginRecords("Sections:", "Sections");
  for (const char* name : {".text", ".data"}) {
    sink.BeginRecord("Name", name);
    sink.BeginRecordFields("Header");
    sink.Field("Virtual Address:", {{false, "0x00001000", {}}});
    sink.EndRecordFields();
    sink.EndRecord();
  }
  sink.BeginRecord("Name", ".far");
  sink.RecordNone("Header");
  sink.EndRecord();
  sink.EndRecords();
  sink.EndPage();
  sink.BeginPage("Import Section", true);
  sink.BeginRecords("Imported Modules:", "Imported Modules");
  sink.BeginRecord("Module", "KERNEL32.DLL");
  sink.RecordLines("Functions", {"Sleep", "ExitProcess"});
  sink.EndRecord();
  sink.EndRecords();
  sink.EndPage();
  sink.BeginPage("Export Section", false);
  sink.Field("Number of Exported Functions:", {{false, "1", {}}});
  sink.BeginRecords("Exports:", "Exports");
  sink.BeginRecord("Line", "Foo (3)");
  sink.RecordText("Entry Point:", "0x00000434");
  sink.EndRecord();
  sink.EndRecords();
  sink.EndPage();
  sink.Finish();
}

TEST(ReportSink, TextAndJsonOfOneWalk) {
  TextSink text(SIZE_MAX);
  Walk(text);
  EXPECT_EQ(text.Output(),
            "== File Header ==\n"
            "Machine: Intel 386\n"
            "Characteristics: 0x0102\n"
            "  File is executable.\n"
            "Linker: 14 0\n"
            "== Section Headers ==\n"
            "Sections:\n"
            "  .text\n"
            "    Virtual Address: 0x00001000\n"
            "  .data\n"
            "    Virtual Address: 0x00001000\n"
            "  .far\n"
            "== Import Section ==\n"
            "Imported Modules:\n"
            "  KERNEL32.DLL\n"
            "    Sleep\n"
            "    ExitProcess\n"
            "== Export Section ==\n"
            "Number of Exported Functions: 1\n"
            "Exports:\n"
            "  Foo (3)  Entry Point: 0x00000434\n");
  EXPECT_FALSE(text.Full());

  JsonSink json(SIZE_MAX);
  Walk(json);
  EXPECT_EQ(json.Output(),
            "{\"File Header\":{\"Machine:\":\"Intel 386\","
            "\"Characteristics:\":[\"0x0102\",[\"File is executable.\"]],"
            "\"Linker:\":[\"14\",\"0\"]},"
            "\"Section Headers\":[{\"Name\":\".text\",\"Header\":{\"Virtual Address:\":"
            "\"0x00001000\"}},{\"Name\":\".data\",\"Header\":{\"Virtual Address:\":"
            "\"0x00001000\"}},{\"Name\":\".far\",\"Header\":null}],"
            "\"Import Section\":[{\"Module\":\"KERNEL32.DLL\",\"Functions\":[\"Sleep\","
            "\"ExitProcess\"]}],"
            "\"Export Section\":{\"Number of Exported Functions:\":\"1\",\"Exports\":[{\"Line\":"
            "\"Foo (3)\",\"Entry Point:\":\"0x00000434\"}]}}");
  EXPECT_TRUE(JsonChecker(json.Output()).Valid());
}

// Cut at every length: the output stays within the bound (plus its closing
// line or member), ends saying that the rest is left out, and the JSON
// stays one valid object.
TEST(ReportSink, EveryBoundEndsWithTheRestLeftOut) {
  TextSink whole(SIZE_MAX);
  Walk(whole);
  const std::string rest = std::string(kRestLeftOut) + "\n";
  for (size_t limit = 0; limit < whole.Output().size(); ++limit) {
    SCOPED_TRACE(limit);
    TextSink text(limit);
    Walk(text);
    EXPECT_TRUE(text.Full());
    const std::string& out = text.Output();
    ASSERT_GE(out.size(), rest.size());
    EXPECT_EQ(out.substr(out.size() - rest.size()), rest);
    // What comes before is whole lines of the full text (a record line may
    // end early).
    EXPECT_LE(out.size() - rest.size(), limit + 64);
    EXPECT_EQ(out.find(kRestLeftOut), out.size() - rest.size());
  }
  JsonSink wholeJson(SIZE_MAX);
  Walk(wholeJson);
  for (size_t limit = 0; limit < wholeJson.Output().size(); ++limit) {
    SCOPED_TRACE(limit);
    JsonSink json(limit);
    Walk(json);
    EXPECT_TRUE(JsonChecker(json.Output()).Valid()) << json.Output();
    if (json.Full()) {
      EXPECT_NE(json.Output().find("\"Left Out\":"), std::string::npos);
      EXPECT_LE(json.Output().size(), limit + 128);
    } else {
      // Only the closing brackets were past the bound: nothing is left out.
      EXPECT_EQ(json.Output(), wholeJson.Output());
      EXPECT_LE(json.Output().size(), limit + 8);
    }
  }
}

TEST(ReportSink, TextLimitIsProportionalToTheFile) {
  EXPECT_EQ(TextLimit(0), size_t{1} << 20);
  EXPECT_EQ(TextLimit(25000), 25000u * 64 + (1u << 20));
  EXPECT_EQ(TextLimit(UINT64_MAX), SIZE_MAX);  // saturates
}

}  // namespace
}  // namespace vistrel
