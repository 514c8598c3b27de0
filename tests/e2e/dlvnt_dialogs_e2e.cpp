// dlvnt's details and search dialogs under Wine: the details of a module
// this driver loads, drill-down and Back, Copy, the hand-off to vistrel
// (started by dlvnt, shut down by OK); a search of C: for a file placed in
// several folders, one of them hidden, and Stop in the middle of a walk.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <commctrl.h>
#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <algorithm>
#include <set>
#include <utility>

#include "common/text_case.h"
#include "common/win32/utf16.h"
#include "dlv_fixtures.h"
#include "dlvnt/dialogs/dialog_ids.h"
#include "dlvnt/main_window/command_ids.h"
#include "tests/e2e/dlvnt_driver.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/remote.h"

namespace {

namespace ids = dlvnt::ids;
using common::Upper;
using common::Utf8;
using common::Wide;
using e2e::Dlvnt;
using e2e::GridRows;
using e2e::SelectGridRow;
using e2e::StatusText;
using e2e::TempDirectory;
using Lines = std::vector<std::string>;

std::string SelfName() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::string path = Utf8(self);
  return Upper(path.substr(path.find_last_of('\\') + 1));
}

std::string Fixture(const char* path) {
  std::string windows = path;
  std::replace(windows.begin(), windows.end(), '/', '\\');
  return windows;
}

bool ProcessRunning(DWORD pid) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process) return false;
  bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

DWORD WindowProcess(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

// What dlvnt-cli prints with these arguments, and its exit code.
std::pair<std::string, DWORD> RunCli(const std::string& args) {
  std::string out = TempDirectory() + "dlvcli-" + std::to_string(GetCurrentProcessId()) + ".txt";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE output = CreateFileW(Wide(out).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                              CREATE_ALWAYS, 0, nullptr);
  if (output == INVALID_HANDLE_VALUE) return {"", 99};
  e2e::Process cli;
  bool started = cli.Start(e2e::DriverDirectory() + "\\dlvnt-cli.exe", args, output);
  CloseHandle(output);
  if (!started) return {"", 98};
  DWORD code = cli.Wait(std::chrono::seconds(120)).value_or(97);
  std::string text;
  HANDLE in = CreateFileW(Wide(out).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          0, nullptr);
  char buffer[65536];
  DWORD got = 0;
  while (in != INVALID_HANDLE_VALUE && ReadFile(in, buffer, sizeof buffer, &got, nullptr) && got)
    text.append(buffer, got);
  if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
  DeleteFileW(Wide(out).c_str());
  return {text, code};
}

TEST(DlvntDialogsE2E, DetailsOfALoadedModuleDrillDownCopyAndTheBrowser) {
  if (!DLV_FIXTURES_BUILT) GTEST_SKIP() << "sample PE files were not built";
  std::string folder = TempDirectory() + "dlvdetails-" + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryW(Wide(folder).c_str(), nullptr));
  std::string dll = folder + "\\sample.dll", exe = folder + "\\sample.exe";
  ASSERT_TRUE(CopyFileW(Wide(Fixture(DLV_SAMPLE_DLL_X64)).c_str(), Wide(dll).c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(Wide(Fixture(DLV_SAMPLE_EXE_X64)).c_str(), Wide(exe).c_str(), FALSE));
  // This driver holds the DLL; a host holds the program that imports it.
  HMODULE held = LoadLibraryW(Wide(dll).c_str());
  ASSERT_TRUE(held);
  e2e::Process host;
  ASSERT_TRUE(host.Start(e2e::DriverDirectory() + "\\e2e_module_host.exe", "\"" + exe + "\""));

  Dlvnt d;
  ASSERT_TRUE(d.Start());
  HWND dlg = d.OpenFor("SAMPLE.DLL", dlvnt::kCmdModulesDetails, "Delvane Details for SAMPLE.DLL");
  ASSERT_TRUE(dlg);
  auto child = [&](int id) { return e2e::FindChild(dlg, id); };
  EXPECT_EQ(e2e::WindowText(child(ids::kModuleFileNameEdit)), Upper(dll));
  // Uses: the file's imports; tasks: this driver; used by: it and the
  // program that imports the DLL.
  EXPECT_EQ(e2e::ListBoxItems(child(ids::kUsesListBox)),
            (Lines{"ADVAPI32.DLL", "GDI32.DLL", "KERNEL32.DLL", "MSVCRT.DLL", "USER32.DLL"}));
  Lines tasks = e2e::ListBoxItems(child(ids::kTasksListBox));
  std::string me = SelfName() + " (" + std::to_string(GetCurrentProcessId()) + ")";
  EXPECT_NE(std::find(tasks.begin(), tasks.end(), me), tasks.end()) << me;
  Lines usedBy = e2e::ListBoxItems(child(ids::kUsedByListBox));
  std::set<std::string> users(usedBy.begin(), usedBy.end());
  EXPECT_TRUE(users.count(SelfName()));
  EXPECT_TRUE(users.count("SAMPLE.EXE"));
  EXPECT_EQ(e2e::WindowText(child(ids::kUsageCountEdit)), std::to_string(usedBy.size()));
  EXPECT_EQ(e2e::WindowText(child(ids::kFirstVersionEdit)), "File Version 1.2.3.4");
  EXPECT_EQ(e2e::WindowText(child(ids::kFirstVersionEdit + 7)), "Sample Makers");
  EXPECT_FALSE(IsWindowEnabled(child(ids::kBackButton)));

  // Drill down to KERNEL32.DLL and back.
  e2e::ListBoxSelect(child(ids::kUsesListBox), 2);
  e2e::Click(child(ids::kDetailsButton));
  ASSERT_TRUE(
      e2e::WaitFor([&] { return e2e::WindowText(dlg) == "Delvane Details for KERNEL32.DLL"; }));
  EXPECT_TRUE(IsWindowEnabled(child(ids::kBackButton)));
  EXPECT_FALSE(e2e::ListBoxItems(child(ids::kTasksListBox)).empty());
  e2e::Click(child(ids::kBackButton));
  EXPECT_EQ(e2e::WindowText(dlg), "Delvane Details for SAMPLE.DLL");
  EXPECT_FALSE(IsWindowEnabled(child(ids::kBackButton)));

  // Copy: the report on the clipboard; Clear empties it.
  e2e::SetClipboardText("before");
  e2e::Click(child(ids::kCopyButton));
  std::optional<std::string> report = e2e::ClipboardText();
  ASSERT_TRUE(report);
  EXPECT_EQ(report->rfind("UsageCount:" + std::to_string(usedBy.size()) + "\r\nModuleFileName:" +
                              Upper(dll) + "\r\nFileVersion1:File Version 1.2.3.4\r\n",
                          0),
            0u)
      << *report;
  EXPECT_NE(report->find("\r\nCompanyName:Sample Makers\r\n"), std::string::npos);
  EXPECT_NE(report->find("\r\nUses Items:\r\nADVAPI32.DLL\r\nGDI32.DLL\r\n"), std::string::npos);
  EXPECT_NE(report->find("\r\nUsed by Tasks/Processes:\r\n"), std::string::npos);
  EXPECT_NE(report->find(me + "\r\n"), std::string::npos);
  EXPECT_EQ(report->substr(report->size() - 2), "\r\n");
  // dlvnt-cli --details prints the same report.
  auto [cliReport, cliCode] = RunCli("--details sample.dll");
  EXPECT_EQ(cliCode, 0u);
  EXPECT_EQ(cliReport, *report);

  // Vistrel: not running and not registered in this prefix, so dlvnt
  // starts it from its own folder and hands it the module.
  EXPECT_FALSE(e2e::FindTopWindow(0, "Vistrel"));
  PostMessageW(child(ids::kVistrelButton), BM_CLICK, 0, 0);
  HWND browser = e2e::WaitForTopWindow(0, "Vistrel - ", "", std::chrono::seconds(40));
  ASSERT_TRUE(browser) << "vistrel did not show the module";
  EXPECT_TRUE(common::EqualNoCase(e2e::WindowText(browser), "Vistrel - sample.dll"))
      << e2e::WindowText(browser);
  DWORD browserPid = WindowProcess(browser);
  EXPECT_NE(browserPid, d.process.Id());
  // OK shuts the browser down and closes the dialog.
  ASSERT_TRUE(e2e::WaitFor([&] { return IsWindowEnabled(child(ids::kDetailsOKButton)) != 0; }));
  PostMessageW(child(ids::kDetailsOKButton), BM_CLICK, 0, 0);
  EXPECT_TRUE(e2e::WaitFor([&] { return !IsWindowVisible(dlg); }));
  EXPECT_TRUE(e2e::WaitFor([&] { return !ProcessRunning(browserPid); }, std::chrono::seconds(30)))
      << "vistrel is still running";
  EXPECT_TRUE(d.Close());
  host.Kill();
  FreeLibrary(held);
  DeleteFileW(Wide(dll).c_str());
  DeleteFileW(Wide(exe).c_str());
  RemoveDirectoryW(Wide(folder).c_str());
}

bool MakeFile(const std::string& path, const std::string& bytes) {
  HANDLE file =
      CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return written == bytes.size();
}

TEST(DlvntDialogsE2E, SearchFindsEveryPlainFolderAndStopEndsTheWalk) {
  std::string name = "dlvneedle" + std::to_string(GetCurrentProcessId()) + ".txt";
  std::string root = "C:\\dlvsearch" + std::to_string(GetCurrentProcessId());
  for (const char* dir : {"", "\\a", "\\b", "\\b\\deep", "\\hid", "\\hid\\below"}) {
    ASSERT_TRUE(CreateDirectoryW(Wide(root + dir).c_str(), nullptr)) << dir;
  }
  for (const char* dir : {"\\a", "\\b\\deep", "\\hid", "\\hid\\below"}) {
    ASSERT_TRUE(MakeFile(root + dir + "\\" + name, std::string(1234, 'x')));
  }
  ASSERT_TRUE(SetFileAttributesW(Wide(root + "\\hid").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_NE(GetFileAttributesW(Wide(root + "\\hid").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u)
      << "this file system keeps no hidden attribute";

  Dlvnt d;
  ASSERT_TRUE(d.Start());
  HWND dlg = d.OpenFor(SelfName(), dlvnt::kCmdModulesSearch, "Delvane Search for " + SelfName());
  ASSERT_TRUE(dlg);
  auto child = [&](int id) { return e2e::FindChild(dlg, id); };
  HWND status = child(ids::kSearchStatusBar);
  HWND grid = child(ids::kSearchStringGrid);
  HWND search = child(ids::kSearchButton);
  EXPECT_FALSE(IsWindowEnabled(child(ids::kFirstDriveCheckBox)));      // A:
  EXPECT_TRUE(IsWindowEnabled(child(ids::kFirstDriveCheckBox + 2)));   // C:
  EXPECT_TRUE(IsWindowEnabled(child(ids::kFirstDriveCheckBox + 25)));  // Z:
  SendMessageW(child(ids::kFilenameEdit), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(Wide(name).c_str()));
  EXPECT_EQ(e2e::WindowText(dlg), "Delvane Search for " + name);
  e2e::Click(child(ids::kFirstDriveCheckBox + 2));
  PostMessageW(search, BM_CLICK, 0, 0);
  auto rowsShown = [&] {
    auto rows = GridRows(grid, 3);
    return !rows.empty() && !rows[0][2].empty();
  };
  ASSERT_TRUE(e2e::WaitFor(rowsShown, std::chrono::seconds(120)));
  std::set<std::string> paths;
  for (const auto& row : GridRows(grid, 3)) {
    paths.insert(Upper(row[2]));
    EXPECT_EQ(row[0], "    1,234");
  }
  EXPECT_EQ(paths, (std::set<std::string>{Upper(root) + "\\A\\", Upper(root) + "\\B\\DEEP\\"}));
  EXPECT_EQ(StatusText(status), "");
  EXPECT_TRUE(IsWindowEnabled(search));
  // dlvnt-cli --search prints the grid's rows, tab-separated.
  std::string rows;
  for (const auto& row : GridRows(grid, 3)) rows += row[0] + "\t" + row[1] + "\t" + row[2] + "\r\n";
  auto [cliRows, cliCode] = RunCli("--search " + name + " --drives c");
  EXPECT_EQ(cliCode, 0u);
  EXPECT_EQ(cliRows, rows);

  // Stop in the middle of a walk of Z: (the whole Linux file system).
  e2e::Click(child(ids::kFirstDriveCheckBox + 2));   // C: off
  e2e::Click(child(ids::kFirstDriveCheckBox + 25));  // Z: on
  PostMessageW(search, BM_CLICK, 0, 0);
  ASSERT_TRUE(e2e::WaitFor([&] { return StatusText(status).rfind("Searching Z:\\", 0) == 0; }));
  EXPECT_FALSE(IsWindowEnabled(search));  // no second walk inside the first
  Sleep(300);
  std::string during = StatusText(status);
  EXPECT_NE(during.find(" found)"), std::string::npos) << during;
  PostMessageW(child(ids::kStopButton), BM_CLICK, 0, 0);
  auto stopped = e2e::Clock::now();
  ASSERT_TRUE(e2e::WaitFor([&] { return StatusText(status).empty() && IsWindowEnabled(search); }));
  EXPECT_LT(e2e::Clock::now() - stopped, std::chrono::seconds(5));
  // OK closes the dialog.
  e2e::Click(child(ids::kSearchOKButton));
  EXPECT_TRUE(e2e::WaitFor([&] { return !IsWindowVisible(dlg); }));
  EXPECT_TRUE(d.Close());
  for (const char* dir : {"\\a", "\\b\\deep", "\\hid\\below", "\\hid"})
    DeleteFileW(Wide(root + dir + "\\" + name).c_str());
  for (const char* dir : {"\\a", "\\b\\deep", "\\b", "\\hid\\below", "\\hid", ""})
    RemoveDirectoryW(Wide(root + dir).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  e2e::ParseDriverArguments(argc, argv);
  return RUN_ALL_TESTS();
}
