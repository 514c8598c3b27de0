// The shared printer cases on the fake, and the scripts only it has.
#include "platform/fake/fake_printer.h"

#include "platform/conformance/printer_cases.h"

namespace platform::fake {
namespace {

using namespace platform::conformance;

class FakePrinterHarness : public PrinterHarness {
 public:
  Printer& Service() override { return printer; }
  bool ChoosePrinter() override { return printer.ShowDialog(); }
  std::string OutputFile() override { return "C:\\Test\\out.prn"; }
  std::optional<int> PagesPrinted(const std::string& file) override {
    for (auto it = printer.documents.rbegin(); it != printer.documents.rend(); ++it) {
      if (it->OutputFile == file && it->Ended) return static_cast<int>(it->Pages.size());
    }
    return std::nullopt;
  }
  FakePrinter printer;
};

INSTANTIATE_TEST_SUITE_P(Fake, PrinterCases, ::testing::Values([] {
                           return std::unique_ptr<PrinterHarness>(new FakePrinterHarness);
                         }));

TEST(FakePrinter, RecordsTextsWithPlaceAndStyle) {
  FakePrinter printer;
  printer.SetLandscape(true);
  printer.BeginDoc("Doc", "");
  printer.SetFont("Courier New", 12);
  printer.TextOut(60, 50, "bold", true);
  printer.NewPage();
  printer.TextOut(60, 100, "plain", false);
  printer.EndDoc();
  ASSERT_EQ(printer.documents.size(), 1u);
  const PrintedDocument& doc = printer.documents[0];
  EXPECT_TRUE(doc.Landscape && doc.Ended && !doc.Aborted);
  EXPECT_EQ(doc.FontName, "Courier New");
  ASSERT_EQ(doc.Pages.size(), 2u);
  ASSERT_EQ(doc.Pages[0].Texts.size(), 1u);
  EXPECT_EQ(doc.Pages[0].Texts[0].Text, "bold");
  EXPECT_TRUE(doc.Pages[0].Texts[0].Bold);
  EXPECT_EQ(doc.Pages[1].Texts[0].Y, 100);
  EXPECT_FALSE(doc.Pages[1].Texts[0].Bold);
}

TEST(FakePrinter, ScriptedFailuresBusyAndCancel) {
  FakePrinter printer;
  printer.cancelDialog = true;
  EXPECT_FALSE(printer.ShowDialog());
  EXPECT_EQ(printer.dialogs, 1);
  printer.busy = true;
  EXPECT_TRUE(printer.Printing());
  EXPECT_THROW(printer.BeginDoc("Doc", ""), PrinterError);
  printer.busy = false;
  printer.failAtPage = 2;
  printer.BeginDoc("Doc", "");
  EXPECT_THROW(printer.NewPage(), PrinterError);
  printer.AbortDoc();
  EXPECT_TRUE(printer.documents.back().Aborted);
  EXPECT_FALSE(printer.Printing());
  printer.failAtPage = 1;
  EXPECT_THROW(printer.BeginDoc("Doc", ""), PrinterError);
  EXPECT_TRUE(printer.Printing());  // open until aborted, as a real document is
  printer.AbortDoc();
  EXPECT_TRUE(printer.documents.back().Pages.empty());
}

}  // namespace
}  // namespace platform::fake
