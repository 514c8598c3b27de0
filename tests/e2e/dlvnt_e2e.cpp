// dlvnt under Wine: the Win32 page against the processes this driver itself
// enumerates, refresh, tree mode, the OCX page, Copy All and the settings
// kept across a restart.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <commctrl.h>
#include <gtest/gtest.h>
#include <psapi.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "common/text_case.h"
#include "common/win32/utf16.h"
#include "dlv_fixtures.h"
#include "dlvnt/main_window/command_ids.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/remote.h"

namespace {

constexpr const char* kCaption = "Delvane for Windows NT";

using common::Utf8;
using common::Wide;

using e2e::Remote;

using Grid = std::vector<std::vector<std::string>>;

Grid GridRows(HWND list) {
  return e2e::ListViewRows(list, 5);
}

std::string StatusText(HWND status) {
  return e2e::StatusBarText(status);
}

std::string CopyText(const Grid& rows) {
  std::string text;
  for (const auto& row : rows) {
    for (size_t c = 0; c < row.size(); ++c) text += (c ? "\t" : "") + row[c];
    text += "\r\n";
  }
  return text;
}

struct Expected {
  std::map<std::string, std::string> KindByName;  // "P" or " ", first process wins
  std::map<std::string, std::string> PathByName;
  std::vector<std::string> Order;
};

// What the program should list, enumerated here with the same calls.
Expected EnumerateHere() {
  Expected e;
  DWORD ids[1025];
  DWORD bytes = 0;
  EnumProcesses(ids, sizeof ids, &bytes);
  for (DWORD i = 0; i < bytes / sizeof(DWORD); ++i) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]);
    if (!process) continue;
    HMODULE modules[1025];
    DWORD mbytes = 0;
    if (EnumProcessModulesEx(process, modules, sizeof modules, &mbytes, LIST_MODULES_ALL)) {
      for (DWORD j = 0; j < mbytes / sizeof(HMODULE); ++j) {
        wchar_t base[256] = {}, file[256] = {};
        GetModuleBaseNameW(process, modules[j], base, 255);
        GetModuleFileNameExW(process, modules[j], file, 255);
        std::string name = common::Upper(Utf8(base));
        if (e.KindByName.count(name)) continue;
        e.KindByName[name] = j == 0 ? "P" : " ";
        e.PathByName[name] = common::Upper(Utf8(file));
        e.Order.push_back(name);
      }
    }
    CloseHandle(process);
  }
  return e;
}

// Server files registered under HKCR\CLSID, read here: every name that
// any class registers, and those whose file is plainly there.
struct Servers {
  std::set<std::string> All;
  std::set<std::string> Present;
};

Servers RegisteredServers() {
  Servers servers;
  HKEY clsid;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_READ, &clsid) != ERROR_SUCCESS)
    return servers;
  wchar_t name[1024];
  for (DWORD i = 0;; ++i) {
    DWORD length = 1024;
    if (RegEnumKeyExW(clsid, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    for (const wchar_t* sub :
         {L"InprocServer32", L"InprocServer", L"LocalServer32", L"LocalServer"}) {
      std::wstring key = std::wstring(name) + L"\\" + sub;
      wchar_t value[1024] = {};
      LONG size = sizeof value;
      if (RegQueryValueW(clsid, key.c_str(), value, &size) != ERROR_SUCCESS) continue;
      std::string text = Utf8(value);
      if (size_t slash = text.find('/'); slash != std::string::npos)
        text.resize(slash ? slash - 1 : 0);
      if (size_t dash = text.find(" -"); dash != std::string::npos) text.resize(dash);
      if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
      if (text.empty()) continue;
      std::string file = common::Upper(text.substr(text.find_last_of("\\:") + 1));
      servers.All.insert(file);
      WIN32_FILE_ATTRIBUTE_DATA data;
      if (text.find_first_of("\\:") != std::string::npos &&
          GetFileAttributesExW(Wide(text).c_str(), GetFileExInfoStandard, &data) &&
          !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && data.nFileSizeLow > 0) {
        servers.Present.insert(file);
      }
    }
  }
  RegCloseKey(clsid);
  return servers;
}

class Dlvnt {
 public:
  bool Start() {
    if (!process.Start(e2e::DriverDirectory() + "\\dlvnt.exe")) return false;
    window = e2e::WaitForTopWindow(process.Id(), kCaption);
    if (!window) return false;
    // The window is complete once its status bar shows the first fill.
    return e2e::WaitFor([&] {
      status = e2e::FindChild(window, dlvnt::kStatusBarControlId);
      return status && !StatusText(status).empty();
    });
  }
  HWND Child(int id) const { return e2e::FindChild(window, id); }
  void Command(int id) { SendMessageW(window, WM_COMMAND, id, 0); }
  bool Close() {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return process.Wait().has_value();
  }
  e2e::Process process;
  HWND window = nullptr;
  HWND status = nullptr;
};

TEST(DlvntE2E, Win32PageListsWhatPsapiSees) {
  Dlvnt d;
  ASSERT_TRUE(d.Start());
  HWND tab = d.Child(dlvnt::kPageControlId);
  ASSERT_TRUE(tab);
  EXPECT_EQ(e2e::TabSelection(tab), 0);
  HWND grid = d.Child(dlvnt::kGridControlIds[0]);
  ASSERT_TRUE(grid);

  // Processes may come and go: refresh until both sides see the same names.
  Grid rows;
  Expected expected;
  bool same = false;
  for (int attempt = 0; attempt < 5 && !same; ++attempt) {
    d.Command(dlvnt::kCmdViewRefresh);  // F5
    expected = EnumerateHere();
    rows = GridRows(grid);
    std::set<std::string> names;
    for (const auto& row : rows) names.insert(row[1]);
    std::set<std::string> wanted(expected.Order.begin(), expected.Order.end());
    same = names == wanted;
  }
  ASSERT_TRUE(same) << "grid and PSAPI disagree on the module names";
  ASSERT_GT(rows.size(), 10u);
  for (const auto& row : rows) {
    const std::string& name = row[1];
    EXPECT_EQ(row[0], expected.KindByName[name]) << name;
    EXPECT_EQ(row[1], common::Upper(row[1]));
    // Paths of existing files are listed as the system gives them, in upper case.
    if (GetFileAttributesW(Wide(expected.PathByName[name]).c_str()) != INVALID_FILE_ATTRIBUTES) {
      EXPECT_EQ(row[4], expected.PathByName[name]) << name;
    }
  }
  wchar_t selfWide[MAX_PATH];
  GetModuleFileNameW(nullptr, selfWide, MAX_PATH);
  std::string self = Utf8(selfWide);
  std::string selfName = common::Upper(self.substr(self.find_last_of('\\') + 1));
  EXPECT_EQ(expected.KindByName[selfName], "P");
  EXPECT_EQ(StatusText(d.status),
            std::to_string(rows.size()) + " Items Displayed - 0 Duplicate(s)");

  // F5 refreshes: a program started now appears in the list.
  e2e::Process notepad;
  ASSERT_TRUE(notepad.Start("C:\\windows\\system32\\notepad.exe"));
  ASSERT_TRUE(e2e::WaitFor([&] { return e2e::FindTopWindow(notepad.Id(), "") != nullptr; }));
  auto listed = [&](const std::string& name) {
    for (const auto& row : GridRows(grid)) {
      if (row[1] == name) return row[0] == "P";
    }
    return false;
  };
  EXPECT_FALSE(listed("NOTEPAD.EXE"));
  SetForegroundWindow(d.window);
  PostMessageW(d.window, WM_KEYDOWN, VK_F5, 0);
  PostMessageW(d.window, WM_KEYUP, VK_F5, 0);
  EXPECT_TRUE(e2e::WaitFor([&] { return listed("NOTEPAD.EXE"); }));
  notepad.Kill();

  // Tree mode: one node per process with its modules' paths.
  d.Command(dlvnt::kCmdViewTreeView);
  HWND tree = d.Child(dlvnt::kTreeControlIds[0]);
  ASSERT_TRUE(tree);
  EXPECT_TRUE(IsWindowVisible(tree));
  EXPECT_FALSE(IsWindowVisible(grid));
  EXPECT_NE(StatusText(d.status).find(" Processes, "), std::string::npos);
  e2e::SetClipboardText("before");
  d.Command(dlvnt::kCmdEditCopyModule32);
  std::optional<std::string> treeText = e2e::ClipboardText();
  ASSERT_TRUE(treeText);
  std::string node = selfName + " (" + std::to_string(GetCurrentProcessId()) + ")\r\n" +
                     common::Upper(self) + "\r\n";
  EXPECT_NE(treeText->find(node), std::string::npos) << *treeText;
  d.Command(dlvnt::kCmdViewTreeView);
  EXPECT_TRUE(IsWindowVisible(grid));

  // Help, About: the program's own version texts (the release's version);
  // OK closes the box.
  PostMessageW(d.window, WM_COMMAND, dlvnt::kCmdHelpAbout, 0);
  HWND about = e2e::WaitForTopWindow(d.process.Id(), "About Delvane for Windows NT");
  ASSERT_TRUE(about);
  EXPECT_TRUE(e2e::FindChildByText(about, "Static", "Version - " DLV_VERSION));
  EXPECT_TRUE(e2e::FindChildByText(about, "Static", "Delvane for Windows NT"));
  EXPECT_TRUE(e2e::FindChildByText(about, "Static", "Copyright (c) Tessaloom"));
  HWND ok = e2e::FindChildByText(about, "Button", "OK");
  ASSERT_TRUE(ok);
  e2e::Click(ok);
  EXPECT_TRUE(e2e::WaitFor([&] { return !IsWindowVisible(about) || !IsWindow(about); }));
  EXPECT_TRUE(d.Close());
}

TEST(DlvntE2E, OcxPageCopyAllAndSettingsAcrossRestart) {
  Dlvnt d;
  ASSERT_TRUE(d.Start());
  // Tree mode is offered on the Win32 page; the OCX page shows its grid anyway.
  d.Command(dlvnt::kCmdViewTreeView);
  HWND tab = d.Child(dlvnt::kPageControlId);
  e2e::SelectTab(tab, 1);
  HWND ocx = d.Child(dlvnt::kGridControlIds[1]);
  ASSERT_TRUE(e2e::WaitFor(
      [&] { return StatusText(d.status).find("Item(s) Displayed") != std::string::npos; }));
  Grid ocxRows = GridRows(ocx);
  ASSERT_GT(ocxRows.size(), 5u);  // Wine registers hundreds of classes
  std::set<std::string> ocxNames;
  for (const auto& row : ocxRows) {
    ocxNames.insert(row[1]);
    EXPECT_EQ(row[4].substr(row[4].size() - row[1].size()), row[1]);
  }
  EXPECT_EQ(ocxNames.size(), ocxRows.size());  // one item per server file
  Servers servers = RegisteredServers();
  for (const std::string& name : ocxNames) EXPECT_TRUE(servers.All.count(name)) << name;
  // A server registered with its full path is listed whenever its file is there.
  for (const std::string& name : servers.Present) EXPECT_TRUE(ocxNames.count(name)) << name;
  EXPECT_TRUE(ocxNames.count("OLEAUT32.DLL"));

  d.Command(dlvnt::kCmdEditCopyAll);
  std::optional<std::string> all = e2e::ClipboardText();
  ASSERT_TRUE(all);
  std::string expected;
  for (int page = 0; page < 4; ++page)
    expected += CopyText(GridRows(d.Child(dlvnt::kGridControlIds[page])));
  EXPECT_EQ(*all, expected);
  EXPECT_NE(all->find(" \t \t \t \tNo 16-bit WOW processes active\r\n"), std::string::npos);

  // Tree mode and the OCX page are kept for the next start.
  d.Command(dlvnt::kCmdViewDuplicates);  // hidden in tree mode: ignored
  ASSERT_TRUE(d.Close());
  auto stored = [](const char* name) {
    DWORD value = 0xFFFF, size = sizeof value;
    RegGetValueW(HKEY_CURRENT_USER, L"Software\\Tessaloom\\Delvane", Wide(name).c_str(),
                 RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
  };
  EXPECT_EQ(stored("TreeView"), 1u);
  EXPECT_EQ(stored("Duplicates"), 0u);
  EXPECT_EQ(stored("NotFound"), 0u);
  EXPECT_EQ(stored("ActiveTab"), 1u);
  EXPECT_EQ(stored("FontSize"), 8u);
  Dlvnt again;
  ASSERT_TRUE(again.Start());
  EXPECT_EQ(e2e::TabSelection(again.Child(dlvnt::kPageControlId)), 1);
  again.Command(dlvnt::kCmdViewModule32);
  EXPECT_TRUE(IsWindowVisible(again.Child(dlvnt::kTreeControlIds[0])));
  EXPECT_FALSE(IsWindowVisible(again.Child(dlvnt::kGridControlIds[0])));
  EXPECT_NE(StatusText(again.status).find(" Processes, "), std::string::npos);
  EXPECT_TRUE(again.Close());
}

std::string TempDirectory() {
  wchar_t dir[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, dir);
  return Utf8(std::wstring_view(dir, n));
}

std::string Grouped(uint64_t size) {
  std::string digits = std::to_string(size), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string Trimmed(std::string s) {
  s.erase(0, s.find_first_not_of(' '));
  return s;
}

bool Loads(DWORD pid, const std::string& upperPath) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!process) return false;
  HMODULE modules[1025];
  DWORD bytes = 0;
  bool found = false;
  if (EnumProcessModulesEx(process, modules, sizeof modules, &bytes, LIST_MODULES_ALL)) {
    for (DWORD j = 0; j < bytes / sizeof(HMODULE) && !found; ++j) {
      wchar_t file[MAX_PATH] = {};
      GetModuleFileNameExW(process, modules[j], file, MAX_PATH);
      found = common::Upper(Utf8(file)) == upperPath;
    }
  }
  CloseHandle(process);
  return found;
}

// A module loaded from a folder whose name the system code page cannot hold
// is listed with its full path, size and date, by the window and by the
// command line.
TEST(DlvntE2E, ModuleFromAUnicodeFolderIsListedWithPathSizeAndDate) {
  if (!DLV_FIXTURES_BUILT) GTEST_SKIP() << "sample PE files were not built";
  std::string folder = TempDirectory() + "日本-Ωmega-" + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryW(Wide(folder).c_str(), nullptr));
  std::string dll = folder + "\\UniSample.dll";
  std::string sample = DLV_SAMPLE_DLL_X64;
  std::replace(sample.begin(), sample.end(), '/', '\\');
  ASSERT_TRUE(CopyFileW(Wide(sample).c_str(), Wide(dll).c_str(), FALSE));
  // A whole minute, so the date text does not depend on rounding.
  HANDLE file = CreateFileW(Wide(dll).c_str(), GENERIC_WRITE | GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  SYSTEMTIME st{};
  st.wYear = 2024;
  st.wMonth = 3;
  st.wDay = 5;
  st.wHour = 14;
  st.wMinute = 7;
  FILETIME local, utc;
  SystemTimeToFileTime(&st, &local);
  LocalFileTimeToFileTime(&local, &utc);
  EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &utc));
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  CloseHandle(file);
  const std::string path = common::Upper(dll), sizeText = Grouped(size.QuadPart),
                    date = "03-05-24  14:07";

  e2e::Process host;
  ASSERT_TRUE(host.Start(e2e::DriverDirectory() + "\\e2e_module_host.exe", "\"" + dll + "\""));
  ASSERT_TRUE(e2e::WaitFor([&] { return Loads(host.Id(), path); })) << "the host did not load it";

  // dlvnt-cli: the Win32 page's rows as the copy text, UTF-8.
  std::string out = folder + "\\cli.txt";
  {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE output = CreateFileW(Wide(out).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(output, INVALID_HANDLE_VALUE);
    e2e::Process cli;
    bool started = cli.Start(e2e::DriverDirectory() + "\\dlvnt-cli.exe", "", output);
    CloseHandle(output);
    ASSERT_TRUE(started);
    ASSERT_EQ(cli.Wait(std::chrono::seconds(120)), 0u);
  }
  std::string text;
  {
    HANDLE in = CreateFileW(Wide(out).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(in, INVALID_HANDLE_VALUE);
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(in, buffer, sizeof buffer, &got, nullptr) && got) text.append(buffer, got);
    CloseHandle(in);
    DeleteFileW(Wide(out).c_str());
  }
  std::vector<std::string> cells;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> row;
    std::istringstream fields(line);
    for (std::string cell; std::getline(fields, cell, '\t');) row.push_back(cell);
    if (row.size() == 5 && row[1] == "UNISAMPLE.DLL") cells = row;
  }
  ASSERT_EQ(cells.size(), 5u) << text.substr(0, 2000);
  EXPECT_EQ(Trimmed(cells[2]), sizeText);
  EXPECT_EQ(cells[3], date);
  EXPECT_EQ(cells[4], path);

  // The window's grid.
  Dlvnt d;
  ASSERT_TRUE(d.Start());
  HWND grid = d.Child(dlvnt::kGridControlIds[0]);
  ASSERT_TRUE(grid);
  std::vector<std::string> row;
  for (const auto& r : GridRows(grid)) {
    if (r[1] == "UNISAMPLE.DLL") row = r;
  }
  ASSERT_EQ(row.size(), 5u);
  EXPECT_EQ(Trimmed(row[2]), sizeText);
  EXPECT_EQ(row[3], date);
  EXPECT_EQ(row[4], path);
  EXPECT_TRUE(d.Close());
  host.Kill();
  DeleteFileW(Wide(dll).c_str());
  RemoveDirectoryW(Wide(folder).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  e2e::ParseDriverArguments(argc, argv);
  return RUN_ALL_TESTS();
}
