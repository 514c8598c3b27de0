#include "cli/dlvnt_cli_text.h"

#include <gtest/gtest.h>

#include "dlvnt/inventory/test_machine.h"
#include "ui/headless/headless.h"

namespace dlvntcli {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find("\r\n", at);
    EXPECT_NE(end, std::string::npos) << "a line without its CR LF";
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

TEST(DlvntCliText, EachPageNamedBeforeItsRowsAndTheRowsAreCopyAllsText) {
  dlvnt::testing::TestMachine m;
  m.AddImage("C:\\APP\\APP.EXE", {"kernel32.dll"});
  m.AddImage("C:\\WINNT\\system32\\KERNEL32.DLL");
  m.system.AddProcess(
      8, {{"APP.EXE", "C:\\APP\\APP.EXE"}, {"KERNEL32.DLL", "C:\\WINNT\\system32\\KERNEL32.DLL"}});
  m.AddImage("C:\\WINNT\\system32\\OCX1.DLL");
  m.AddClass("{1}", "InprocServer32", "C:\\WINNT\\system32\\OCX1.DLL");
  ui::headless::HeadlessApplication app;
  dlvnt::TMainForm form(app, {m.Services(), m.clipboard, m.printer, [] { return true; }});
  form.Form->Show();

  std::string plain = PlainText(form);
  std::vector<std::string> lines = Lines(plain);
  // The page names, where they are, and what lies between them.
  std::vector<size_t> headings;
  for (size_t i = 0; i < lines.size(); ++i) {
    for (const char* name : kPageNames) {
      if (lines[i] == name) headings.push_back(i);
    }
  }
  ASSERT_EQ(headings.size(), 4u) << plain;
  EXPECT_EQ(headings[0], 0u);
  std::string rowsOnly;
  for (int page = 0; page < 4; ++page) {
    EXPECT_EQ(lines[headings[page]], kPageNames[page]);
    size_t end = page < 3 ? headings[page + 1] - 1 : lines.size();
    if (page < 3) {
      EXPECT_EQ(lines[end], "") << "a blank line before " << kPageNames[page + 1];
    }
    std::string rows;
    for (size_t i = headings[page] + 1; i < end; ++i) rows += lines[i] + "\r\n";
    EXPECT_EQ(rows, form.GridText(page)) << kPageNames[page];
    rowsOnly += rows;
  }
  EXPECT_NE(plain.find("APP.EXE"), std::string::npos);
  EXPECT_NE(plain.find("OCX1.DLL"), std::string::npos);
  EXPECT_EQ(rowsOnly, form.CopyAllText());
}

}  // namespace
}  // namespace dlvntcli
