// File, Print and Print Selected on headless widgets and the fake printer.
#include <gtest/gtest.h>

#include "dlvnt/inventory/test_machine.h"
#include "dlvnt/main_window/main_form.h"
#include "ui/headless/headless.h"

namespace dlvnt {
namespace {

using platform::fake::PrintedDocument;
using platform::fake::PrintedPage;
using platform::fake::PrintedText;
using testing::TestMachine;

// Notes whether the hourglass was up when the document began.
class WatchedPrinter : public platform::fake::FakePrinter {
 public:
  explicit WatchedPrinter(ui::Application& app) : app_(app) {}
  void BeginDoc(const std::string& title, const std::string& outputFile) override {
    busyAtBegin = app_.BusyCursor();
    FakePrinter::BeginDoc(title, outputFile);
  }
  bool busyAtBegin = false;

 private:
  ui::Application& app_;
};

std::string Heading(int page) {
  return "Type   Module           Size     Date    Time             Path                       "
         "Page " +
         std::to_string(page);
}

struct PrintFixture : ::testing::Test {
  TestMachine m;
  ui::headless::HeadlessApplication app;
  WatchedPrinter printer{app};
  std::unique_ptr<TMainForm> form;

  void SetUp() override {
    app.SetTitle(kApplicationTitle);
    // Seven Win32 modules, one OCX server, one driver, no Win16 tasks.
    m.AddImage("C:\\APP\\APP.EXE");
    m.AddImage("C:\\APP\\OTHER.EXE");
    std::vector<platform::ModuleEntry> first{{"APP.EXE", "C:\\APP\\APP.EXE"}};
    for (const char* name : {"A.DLL", "B.DLL", "C.DLL", "D.DLL"}) {
      std::string path = std::string("C:\\APP\\") + name;
      m.AddImage(path);
      first.push_back({name, path});
    }
    m.system.AddProcess(8, first);
    m.AddImage("C:\\APP\\E.DLL");
    m.system.AddProcess(12, {{"OTHER.EXE", "C:\\APP\\OTHER.EXE"}, {"E.DLL", "C:\\APP\\E.DLL"}});
    m.AddImage("C:\\WINNT\\system32\\OCX1.DLL");
    m.AddClass("{1}", "InprocServer32", "C:\\WINNT\\system32\\OCX1.DLL");
    m.AddImage("C:\\WINNT\\system32\\DRIVERS\\DISK.SYS");
    m.system.drivers = std::vector<platform::DriverEntry>{
        {"disk.sys", "\\SystemRoot\\System32\\DRIVERS\\disk.sys"}};
    // 12 points at 300 dpi: "M" is 30 x 50; a landscape page 300 high holds
    // L = 300 / 50 - 1 = 5 lines, rows on lines 2 to 4.
    printer.paperWidth = 300;
  }
  TMainForm& Start() {
    form = std::make_unique<TMainForm>(
        app, MainFormServices{m.Services(), m.clipboard, printer, [] { return true; }});
    form->Form->Show();
    return *form;
  }
  // The print lines of a grid's rows, as the grid holds them.
  std::vector<std::string> Lines(int page) {
    ui::StringGrid* grid = form->Pages[page].Grid;
    std::vector<std::string> lines;
    for (int r = 0; r < grid->RowCount(); ++r) {
      GridRow row;
      for (int c = 0; c < 5; ++c) row[static_cast<size_t>(c)] = grid->Cell(c, r);
      lines.push_back(PrintLine(row));
    }
    return lines;
  }
  const PrintedDocument& OnlyDocument() {
    EXPECT_EQ(printer.documents.size(), 1u);
    return printer.documents.back();
  }
};

// A page of the document: its heading, then its rows one line apart.
void ExpectPage(const PrintedPage& page, int number, const std::vector<std::string>& rows, int w,
                int h) {
  ASSERT_EQ(page.Texts.size(), rows.size() + 1) << "page " << number;
  const PrintedText& heading = page.Texts[0];
  EXPECT_EQ(heading.Text, Heading(number));
  EXPECT_TRUE(heading.Bold);
  EXPECT_EQ(heading.X, 2 * w);
  EXPECT_EQ(heading.Y, h);
  for (size_t i = 0; i < rows.size(); ++i) {
    const PrintedText& text = page.Texts[i + 1];
    EXPECT_EQ(text.Text, rows[i]) << "page " << number << " line " << i + 2;
    EXPECT_FALSE(text.Bold);
    EXPECT_EQ(text.X, 2 * w);
    EXPECT_EQ(text.Y, static_cast<int>(i + 2) * h);
  }
}

TEST_F(PrintFixture, PrintAllRunsPageNumbersOnAndStartsEachGridOnAFreshPage) {
  TMainForm& f = Start();
  EXPECT_FALSE(f.Collected[kOCXPage]);
  f.FilePrintMenuItem->Click();
  // Every page was collected when its turn came.
  for (int page = 0; page < kPageCount; ++page) EXPECT_TRUE(f.Collected[page]) << page;
  const PrintedDocument& doc = OnlyDocument();
  EXPECT_EQ(doc.Title, "Delvane NT");
  EXPECT_TRUE(doc.Landscape);
  EXPECT_TRUE(doc.Ended);
  EXPECT_FALSE(doc.Aborted);
  EXPECT_EQ(doc.FontName, "Courier New");
  EXPECT_EQ(doc.FontSize, 12);
  EXPECT_EQ(doc.OutputFile, "");
  std::vector<std::string> win32 = Lines(kWin32Page);
  ASSERT_EQ(win32.size(), 7u);
  EXPECT_EQ(win32[0].substr(0, 20), "P    APP.EXE        ");
  // Win32 on pages 1 to 3 (3 + 3 + 1 rows), then OCX, drivers and Win16.
  ASSERT_EQ(doc.Pages.size(), 6u);
  ExpectPage(doc.Pages[0], 1, {win32[0], win32[1], win32[2]}, 30, 50);
  ExpectPage(doc.Pages[1], 2, {win32[3], win32[4], win32[5]}, 30, 50);
  ExpectPage(doc.Pages[2], 3, {win32[6]}, 30, 50);
  ExpectPage(doc.Pages[3], 4, Lines(kOCXPage), 30, 50);
  ExpectPage(doc.Pages[4], 5, Lines(kDriverPage), 30, 50);
  ExpectPage(doc.Pages[5], 6, Lines(kWin16Page), 30, 50);
  EXPECT_NE(doc.Pages[3].Texts[1].Text.find("OCX1.DLL"), std::string::npos);
  EXPECT_NE(doc.Pages[5].Texts[1].Text.find("No 16-bit WOW processes active"), std::string::npos);
  EXPECT_TRUE(printer.busyAtBegin);
  EXPECT_FALSE(app.BusyCursor());
  EXPECT_TRUE(app.errors.empty());
}

TEST_F(PrintFixture, AFullPageIsFollowedByTheNextGridWithoutAnEmptyPage) {
  TMainForm& f = Start();
  // 24 points: "M" is 60 x 100; 1000 high gives L = 9, rows on lines 2 to 8:
  // exactly the seven Win32 rows.
  f.PrinterFont = {"Lucida Console", 24};
  printer.paperWidth = 1000;
  f.FilePrintMenuItem->Click();
  const PrintedDocument& doc = OnlyDocument();
  EXPECT_EQ(doc.FontName, "Lucida Console");
  EXPECT_EQ(doc.FontSize, 24);
  ASSERT_EQ(doc.Pages.size(), 4u);
  ExpectPage(doc.Pages[0], 1, Lines(kWin32Page), 60, 100);
  ExpectPage(doc.Pages[1], 2, Lines(kOCXPage), 60, 100);
}

TEST_F(PrintFixture, PrintSelectedCollectsFirstAndPrintsThatGridAlone) {
  TMainForm& f = Start();
  f.FilePrintDeviceDriverMenuItem->Click();
  EXPECT_TRUE(f.Collected[kDriverPage]);
  EXPECT_FALSE(f.Collected[kOCXPage]);
  const PrintedDocument& doc = OnlyDocument();
  ASSERT_EQ(doc.Pages.size(), 1u);
  ExpectPage(doc.Pages[0], 1, Lines(kDriverPage), 30, 50);
  EXPECT_NE(doc.Pages[0].Texts[1].Text.find("DISK.SYS"), std::string::npos);

  // Page numbers start again with each document.
  f.FilePrintModule32MenuItem->Click();
  ASSERT_EQ(printer.documents.size(), 2u);
  ASSERT_EQ(printer.documents[1].Pages.size(), 3u);
  EXPECT_EQ(printer.documents[1].Pages[0].Texts[0].Text, Heading(1));
  f.FilePrintOCXMenuItem->Click();
  f.FilePrintModule16MenuItem->Click();
  ASSERT_EQ(printer.documents.size(), 4u);
  ExpectPage(printer.documents[2].Pages.at(0), 1, Lines(kOCXPage), 30, 50);
  ExpectPage(printer.documents[3].Pages.at(0), 1, Lines(kWin16Page), 30, 50);
}

TEST_F(PrintFixture, AGridWithNoRowPrintsItsHeadingAndOneEmptyRow) {
  m.system.drivers = std::vector<platform::DriverEntry>{};
  TMainForm& f = Start();
  f.FilePrintDeviceDriverMenuItem->Click();
  const PrintedDocument& doc = OnlyDocument();
  ASSERT_EQ(doc.Pages.size(), 1u);
  ExpectPage(doc.Pages[0], 1, {std::string(48, ' ')}, 30, 50);
}

TEST_F(PrintFixture, CancelOrABusyPrinterPrintsNothing) {
  TMainForm& f = Start();
  printer.cancelDialog = true;
  f.FilePrintMenuItem->Click();
  // Print: pages are collected only when their turn comes.
  EXPECT_FALSE(f.Collected[kOCXPage]);
  // Print Selected: the page is collected before the dialog.
  f.FilePrintOCXMenuItem->Click();
  EXPECT_TRUE(f.Collected[kOCXPage]);
  printer.cancelDialog = false;
  printer.busy = true;
  f.FilePrintMenuItem->Click();
  f.FilePrintModule32MenuItem->Click();
  EXPECT_EQ(printer.dialogs, 4);
  EXPECT_TRUE(printer.documents.empty());
  EXPECT_FALSE(f.Collected[kDriverPage]);
  EXPECT_FALSE(app.BusyCursor());
  EXPECT_TRUE(app.errors.empty());
}

TEST_F(PrintFixture, PrintingToAFileAsksForTheFile) {
  TMainForm& f = Start();
  printer.toFile = true;
  f.FilePrintModule32MenuItem->Click();  // the save dialog cancelled
  EXPECT_TRUE(printer.documents.empty());
  ASSERT_EQ(app.saveFileRequests.size(), 1u);
  EXPECT_EQ(app.saveFileRequests[0].Title, "Print to File");
  EXPECT_EQ(app.saveFileRequests[0].DefaultExtension, "prn");
  app.saveFileAnswers.push_back("C:\\OUT\\inventory.prn");
  f.FilePrintModule32MenuItem->Click();
  const PrintedDocument& doc = OnlyDocument();
  EXPECT_EQ(doc.OutputFile, "C:\\OUT\\inventory.prn");
  EXPECT_TRUE(doc.Ended);
}

TEST_F(PrintFixture, APrinterErrorAbortsTheDocumentAndIsReported) {
  TMainForm& f = Start();
  printer.failAtPage = 3;
  f.FilePrintMenuItem->Click();
  const PrintedDocument& doc = OnlyDocument();
  EXPECT_TRUE(doc.Aborted);
  EXPECT_FALSE(doc.Ended);
  EXPECT_EQ(doc.Pages.size(), 2u);  // nothing drawn after the failure
  EXPECT_FALSE(printer.Printing());
  ASSERT_EQ(app.errors.size(), 1u);
  EXPECT_EQ(app.errors[0], "The printer failed at page 3.");
  EXPECT_FALSE(app.BusyCursor());
  // The printer is free again: the next document prints whole.
  printer.failAtPage = 0;
  f.FilePrintMenuItem->Click();
  ASSERT_EQ(printer.documents.size(), 2u);
  EXPECT_TRUE(printer.documents[1].Ended);
  EXPECT_EQ(printer.documents[1].Pages.size(), 6u);

  // A failure on the document's first page ends it the same way.
  printer.failAtPage = 1;
  f.FilePrintOCXMenuItem->Click();
  EXPECT_TRUE(printer.documents.back().Aborted);
  EXPECT_EQ(app.errors.size(), 2u);
  EXPECT_FALSE(printer.Printing());
  EXPECT_FALSE(app.BusyCursor());
}

}  // namespace
}  // namespace dlvnt
