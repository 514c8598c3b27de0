// dlvnt prints every grid into a PostScript file under Wine: the driver
// answers the print dialog and the save dialog that asks for the file, then
// writes beside the file the print lines that the window's grids hold, one
// grid after the other. check_print.py reads the file back with ghostscript
// and finds them there, page by page (dlvnt_print_e2e.sh runs both).
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <commctrl.h>
#include <gtest/gtest.h>
#include <winspool.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "common/win32/utf16.h"
#include "dlvnt/inventory/listing.h"
#include "dlvnt/main_window/command_ids.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/remote.h"

namespace {

constexpr const char* kCaption = "Delvane for Windows NT";

using common::Utf8;
using common::Wide;

std::string gOut;  // --out=DIR, in Windows form

std::string ReadFile(const std::string& path) {
  std::ifstream in(Wide(path).c_str(), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

// The program's visible top-level windows, for a failure's message.
std::string TopWindows(DWORD pid) {
  struct Search {
    DWORD Pid;
    std::string Found;
  } search{pid, {}};
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner == s->Pid && IsWindowVisible(hwnd)) {
          wchar_t cls[64] = {};
          GetClassNameW(hwnd, cls, 64);
          s->Found += "[" + e2e::WindowText(hwnd) + " | " + Utf8(cls) + "] ";
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

bool WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(Wide(path).c_str(), std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

TEST(DlvntPrintE2E, CancelPrintsNothingAndPrintWritesEveryGridIntoAFile) {
  ASSERT_FALSE(gOut.empty()) << "run with --out=DIR";
  wchar_t printer[256];
  DWORD length = 256;
  if (!GetDefaultPrinterW(printer, &length)) {
    WriteFile(gOut + "\\no-printer", "");
    GTEST_SKIP() << "the prefix has no printer";
  }
  e2e::Process dlvnt;
  ASSERT_TRUE(dlvnt.Start(e2e::DriverDirectory() + "\\dlvnt.exe"));
  HWND window = e2e::WaitForTopWindow(dlvnt.Id(), kCaption);
  ASSERT_TRUE(window);
  HWND status = nullptr;
  ASSERT_TRUE(e2e::WaitFor([&] {
    status = e2e::FindChild(window, dlvnt::kStatusBarControlId);
    return status && !e2e::StatusBarText(status).empty();
  }));

  std::string file = gOut + "\\inventory.ps";
  DeleteFileW(Wide(file).c_str());

  // Cancelled: no file is asked for and nothing is printed.
  e2e::PostCommand(window, dlvnt::kCmdFilePrintOCX);
  HWND cancelled = e2e::WaitForTopWindow(dlvnt.Id(), "Print", "#32770");
  ASSERT_TRUE(cancelled) << "no print dialog; windows: " << TopWindows(dlvnt.Id());
  PostMessageW(cancelled, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(e2e::WaitFor([&] { return !IsWindow(cancelled) || !IsWindowVisible(cancelled); }));
  // Answered once the handler has returned, or from the modal loop of a
  // dialog it opened after the print dialog.
  SendMessageW(window, WM_NULL, 0, 0);
  EXPECT_FALSE(e2e::FindTopWindow(dlvnt.Id(), "Print to File", "#32770"));
  EXPECT_EQ(GetFileAttributesW(Wide(file).c_str()), INVALID_FILE_ATTRIBUTES);

  e2e::PostCommand(window, dlvnt::kCmdFilePrint);
  HWND dialog = e2e::WaitForTopWindow(dlvnt.Id(), "Print", "#32770");
  ASSERT_TRUE(dialog) << "no print dialog; windows: " << TopWindows(dlvnt.Id());
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  // The printer is on FILE:: dlvnt asks where the document goes.
  HWND save = e2e::WaitForTopWindow(dlvnt.Id(), "Print to File", "#32770");
  ASSERT_TRUE(save) << "no save dialog for the output file; windows: " << TopWindows(dlvnt.Id());
  HWND name = GetDlgItem(save, 0x47C);  // cmb13, or edt1 in the old style
  if (!name) name = GetDlgItem(save, 0x480);
  ASSERT_TRUE(name);
  SetWindowTextW(name, Wide(file).c_str());
  PostMessageW(save, WM_COMMAND, IDOK, 0);

  // The document is whole once its trailer is written.
  std::string postscript;
  ASSERT_TRUE(e2e::WaitFor(
      [&] {
        postscript = ReadFile(file);
        return postscript.find("%%EOF") != std::string::npos;
      },
      std::chrono::seconds(60)))
      << "the document never ended";
  EXPECT_EQ(postscript.compare(0, 4, "%!PS"), 0);

  // What was printed is what the grids show: printing collected the pages
  // that were never shown, and nothing refilled them since.
  std::string expected;
  for (int page = 0; page < 4; ++page) {
    HWND grid = e2e::FindChild(window, dlvnt::kGridControlIds[page]);
    ASSERT_TRUE(grid);
    auto rows = e2e::ListViewRows(grid, 5);
    ASSERT_FALSE(rows.empty()) << "grid " << page;
    expected += "#grid " + std::to_string(page + 1) + "\n";
    for (const auto& cells : rows) {
      dlvnt::GridRow row;
      for (size_t c = 0; c < 5; ++c) row[c] = cells[c];
      expected += dlvnt::PrintLine(row) + "\n";
    }
  }
  ASSERT_TRUE(WriteFile(gOut + "\\expected.txt", expected));
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(dlvnt.Wait().has_value());
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  e2e::ParseDriverArguments(argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--out=", 6) == 0) gOut = argv[i] + 6;
  }
  return RUN_ALL_TESTS();
}
