// The shared printer cases on the system's default printer, printing into a
// file of the test's own; skipped where the machine has no printer.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include "platform/win32/win32_printer.h"

#include <fstream>
#include <iterator>

#include "common/win32/utf16.h"
#include "platform/conformance/printer_cases.h"

namespace platform::win32 {
namespace {

using namespace platform::conformance;

class Win32PrinterHarness : public PrinterHarness {
 public:
  ~Win32PrinterHarness() override {
    if (!file_.empty()) DeleteFileW(common::Wide(file_).c_str());
  }
  Printer& Service() override { return printer; }
  bool ChoosePrinter() override { return printer.ChooseDefault(); }
  std::string OutputFile() override {
    wchar_t dir[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, dir);
    static int serial = 0;
    file_ = common::Utf8(std::wstring_view(dir, n)) + "printer-case-" +
            std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial) + ".prn";
    DeleteFileW(common::Wide(file_).c_str());
    return file_;
  }
  std::optional<int> PagesPrinted(const std::string& file) override {
    std::ifstream in(common::Wide(file).c_str(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    if (bytes.empty()) return std::nullopt;
    // PostScript (Wine's driver) tells its pages in comments; other
    // drivers' output is not counted.
    if (bytes.compare(0, 2, "%!") != 0) return -1;
    int pages = 0;
    for (size_t at = bytes.find("\n%%Page: "); at != std::string::npos;
         at = bytes.find("\n%%Page: ", at + 1)) {
      ++pages;
    }
    return pages;
  }
  Win32Printer printer;

 private:
  std::string file_;
};

INSTANTIATE_TEST_SUITE_P(Win32, PrinterCases, ::testing::Values([] {
                           return std::unique_ptr<PrinterHarness>(new Win32PrinterHarness);
                         }));

TEST(Win32Printer, NothingChosenNothingOpens) {
  Win32Printer printer;
  EXPECT_FALSE(printer.Printing());
  EXPECT_FALSE(printer.PrintsToFile());
  EXPECT_THROW(printer.BeginDoc("Doc", ""), PrinterError);
  EXPECT_FALSE(printer.Printing());
  printer.AbortDoc();
}

}  // namespace
}  // namespace platform::win32
