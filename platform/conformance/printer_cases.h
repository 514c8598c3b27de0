// The same cases for every implementation of the printer service: each test
// program instantiates them with a harness of its own (the fake on Linux, the
// system's printer under Wine, printing into a file).
#ifndef PLATFORM_CONFORMANCE_PRINTER_CASES_H
#define PLATFORM_CONFORMANCE_PRINTER_CASES_H

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/printer.h"

namespace platform::conformance {

class PrinterHarness {
 public:
  virtual ~PrinterHarness() = default;
  virtual Printer& Service() = 0;
  // Picks a printer as a confirmed dialog would, without asking anyone;
  // false when the machine has none.
  virtual bool ChoosePrinter() = 0;
  // A file of the test's own to print into.
  virtual std::string OutputFile() = 0;
  // The pages of what was printed into the file; nullopt when the file is
  // missing or empty, -1 when it is there in a form the harness cannot count.
  virtual std::optional<int> PagesPrinted(const std::string& file) = 0;
};

using PrinterHarnessFactory = std::function<std::unique_ptr<PrinterHarness>()>;

class PrinterCases : public ::testing::TestWithParam<PrinterHarnessFactory> {
 protected:
  void SetUp() override {
    h = GetParam()();
    if (!h->ChoosePrinter()) GTEST_SKIP() << "no printer on this machine";
    file = h->OutputFile();
  }
  Printer& P() { return h->Service(); }
  void ExpectPages(int pages) {
    std::optional<int> printed = h->PagesPrinted(file);
    ASSERT_TRUE(printed.has_value()) << "nothing was printed into " << file;
    if (*printed >= 0) {
      EXPECT_EQ(*printed, pages);
    }
  }
  std::unique_ptr<PrinterHarness> h;
  std::string file;
};

TEST_P(PrinterCases, PrintsPagesOfTextInLandscape) {
  EXPECT_FALSE(P().Printing());
  P().SetLandscape(true);
  P().BeginDoc("Conformance", file);
  EXPECT_TRUE(P().Printing());
  P().SetFont("Courier New", 12);
  TextSize m = P().TextExtent("M");
  EXPECT_GT(m.Width, 0);
  EXPECT_GT(m.Height, m.Width);
  // A fixed-pitch font: every character as wide as "M".
  EXPECT_EQ(P().TextExtent("MiMi").Width, 4 * m.Width);
  EXPECT_GT(P().PageWidth(), P().PageHeight());
  EXPECT_GT(P().PageHeight() / m.Height, 20);
  P().TextOut(2 * m.Width, m.Height, "Heading", true);
  P().TextOut(2 * m.Width, 2 * m.Height, "Ωmega 日本 line", false);
  P().NewPage();
  P().TextOut(2 * m.Width, m.Height, "Second page", false);
  P().EndDoc();
  EXPECT_FALSE(P().Printing());
  ExpectPages(2);
}

TEST_P(PrinterCases, FontSizeIsInPointsAtThePrintersResolution) {
  P().SetLandscape(false);
  P().BeginDoc("Conformance", file);
  EXPECT_GT(P().PageHeight(), P().PageWidth());
  P().SetFont("Courier New", 12);
  TextSize small = P().TextExtent("M");
  P().SetFont("Courier New", 24);
  TextSize large = P().TextExtent("M");
  EXPECT_NEAR(large.Height, 2 * small.Height, 2);
  EXPECT_NEAR(large.Width, 2 * small.Width, 2);
  P().EndDoc();
  ExpectPages(1);
}

TEST_P(PrinterCases, AbortedDocumentLeavesThePrinterFree) {
  P().SetLandscape(true);
  P().BeginDoc("Aborted", file);
  P().SetFont("Courier New", 12);
  P().TextOut(10, 10, "never finished", false);
  P().AbortDoc();
  EXPECT_FALSE(P().Printing());
  P().AbortDoc();  // nothing open: nothing happens
  P().BeginDoc("Again", file);
  P().SetFont("Courier New", 12);
  P().TextOut(10, 10, "printed", false);
  P().EndDoc();
  ExpectPages(1);
}

TEST_P(PrinterCases, DrawingOutsideADocumentOrASecondDocumentFails) {
  EXPECT_THROW(P().NewPage(), PrinterError);
  EXPECT_THROW(P().TextOut(0, 0, "x", false), PrinterError);
  EXPECT_THROW(P().EndDoc(), PrinterError);
  P().BeginDoc("First", file);
  EXPECT_THROW(P().BeginDoc("Second", file), PrinterError);
  EXPECT_TRUE(P().Printing());  // the first goes on
  P().SetFont("Courier New", 12);
  P().TextOut(10, 10, "first", false);
  P().EndDoc();
  ExpectPages(1);
}

}  // namespace platform::conformance

#endif  // PLATFORM_CONFORMANCE_PRINTER_CASES_H
