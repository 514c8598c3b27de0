// The shared cases on the Win32 API (Wine in CI): directories with UTF-16
// names, this test program started again as the child, and an automation
// server and client in one process. Also the Unicode edge of the older
// services: registry, clipboard, environment and module paths.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include "platform/win32/win32_system.h"

#include <ole2.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>

#include "common/win32/utf16.h"
#include "platform/conformance/system_cases.h"
#include "platform/win32/win32_inventory.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_wow_host.h"

namespace platform::win32 {
namespace {

using namespace platform::conformance;
using common::Utf8;
using common::Wide;

std::string TempDirectory() {
  wchar_t dir[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, dir);
  return Utf8(std::wstring_view(dir, n));
}

std::string SelfPath() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return Utf8(std::wstring_view(path, n));
}

class Win32DirectoryHarness : public DirectoryHarness {
 public:
  ~Win32DirectoryHarness() override {
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(std::filesystem::path(Wide(root_)), ignored);
  }
  Directories& Service() override { return dirs_; }
  std::string Root() override {
    static int serial = 0;
    root_ = TempDirectory() + "platform-dirs-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++serial);
    CreateDirectoryW(Wide(root_).c_str(), nullptr);
    return root_;
  }
  std::string Join(const std::string& dir, const std::string& name) override {
    return dir + "\\" + name;
  }
  void MakeFile(const std::string& path, const std::string& bytes, double lastWrite) override {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    if (!bytes.empty())
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CivilTime t = FromDayCount(lastWrite);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(t.Year);
    st.wMonth = static_cast<WORD>(t.Month);
    st.wDay = static_cast<WORD>(t.Day);
    st.wHour = static_cast<WORD>(t.Hour);
    st.wMinute = static_cast<WORD>(t.Minute);
    st.wSecond = static_cast<WORD>(t.Second);
    FILETIME local, utc;
    SystemTimeToFileTime(&st, &local);
    LocalFileTimeToFileTime(&local, &utc);
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &utc));
    CloseHandle(file);
  }
  void MakeDirectory(const std::string& path) override {
    CreateDirectoryW(Wide(path).c_str(), nullptr);
  }
  bool MakeDirectoryLink(const std::string& link, const std::string& target) override {
    if (!CreateSymbolicLinkW(Wide(link).c_str(), Wide(target).c_str(),
                             SYMBOLIC_LINK_FLAG_DIRECTORY)) {
      return false;
    }
    // Wine 8 answers success and makes nothing.
    DWORD attributes = GetFileAttributesW(Wide(link).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  }

 private:
  Win32Directories dirs_;
  std::string root_;
};

INSTANTIATE_TEST_SUITE_P(Win32, DirectoryCases, ::testing::Values([] {
                           return std::unique_ptr<DirectoryHarness>(new Win32DirectoryHarness);
                         }));

INSTANTIATE_TEST_SUITE_P(Win32, ProcessCases, ::testing::Values([] {
                           return std::unique_ptr<ProcessHarness>(
                               new SelfStartingHarness<Win32ProcessLauncher>(SelfPath()));
                         }));

// Server and client in this process: the client reaches the class object
// that the server registered, through the ProgID written under the classes
// root (the tests run in a private prefix).
class Win32AutomationHarness : public AutomationHarness {
 public:
  ~Win32AutomationHarness() override {
    if (!progId_.empty()) {
      registry_.DeleteKey(RegistryRoot::ClassesRoot, progId_ + "\\CLSID");
      registry_.DeleteKey(RegistryRoot::ClassesRoot, progId_);
    }
  }
  AutomationServer& Server() override { return server_; }
  AutomationClient& Client() override { return client_; }
  void Register(const AutomationClass& cls) override {
    progId_ = cls.ProgId;
    registry_.WriteString(RegistryRoot::ClassesRoot, progId_ + "\\CLSID", "", cls.ClassId);
  }

 private:
  Win32Registry registry_;
  Win32AutomationServer server_;
  Win32AutomationClient client_;
  std::string progId_;
};

INSTANTIATE_TEST_SUITE_P(Win32, AutomationCases, ::testing::Values([] {
                           return std::unique_ptr<AutomationHarness>(new Win32AutomationHarness);
                         }));

#ifdef PLATFORM_LINK_FIXTURE
TEST(Win32Directories, ALinkMadeOnTheHostIsADirectoryReparsePoint) {
  Win32Directories dirs;
  std::string error;
  auto entries = dirs.List(PLATFORM_LINK_FIXTURE, &error);
  ASSERT_TRUE(entries) << error;
  std::map<std::string, DirectoryEntry> byName;
  for (const auto& e : *entries) byName[e.Name] = e;
  ASSERT_TRUE(byName.count("loop") && byName.count("target"));
  EXPECT_TRUE(byName["loop"].IsReparsePoint);
  EXPECT_TRUE(byName["loop"].IsDirectory);
  EXPECT_FALSE(byName["target"].IsReparsePoint);
  EXPECT_TRUE(byName["target"].IsDirectory);
}
#endif

TEST(Win32AutomationServer, AFailedQueryInterfaceIsNoLastRelease) {
  Win32AutomationServer server;
  int lastReleases = 0;
  server.OnLastRelease = [&] { ++lastReleases; };
  AutomationClass cls{"Delvane.QueryTest", "{0C4F7A52-8D1E-4B39-A6E2-5F7C3D9B1A04}", "", {}};
  ASSERT_TRUE(server.Start(cls));
  CLSID clsid;
  ASSERT_EQ(CLSIDFromString(Wide(cls.ClassId).c_str(), &clsid), S_OK);
  IClassFactory* factory = nullptr;
  ASSERT_EQ(CoGetClassObject(clsid, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)),
            S_OK);
  IUnknown* object = reinterpret_cast<IUnknown*>(1);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPersist, reinterpret_cast<void**>(&object)),
            E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(lastReleases, 0);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&object)),
            S_OK);
  object->Release();
  EXPECT_EQ(lastReleases, 1);
  factory->Release();
  server.Stop();
}

TEST(CommandLine, SplitsAsCommandLineToArgvW) {
  for (const auto& c : CommandLineCases()) {
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(Wide(c.Line).c_str(), &count);
    ASSERT_TRUE(words);
    std::vector<std::string> system;
    for (int i = 0; i < count; ++i) system.push_back(Utf8(words[i]));
    LocalFree(words);
    EXPECT_EQ(SplitCommandLine(c.Line), system) << c.Line;
    EXPECT_EQ(system, c.Words) << c.Line;
  }
}

TEST(Win32ProcessLauncher, TheChildGetsItsArgumentsInUtf16) {
  Win32ProcessLauncher launcher;
  std::string args = QuoteArgument("a \"b\" Ωmega-日本") + " " + QuoteArgument("");
  auto process = launcher.Start(QuoteArgument(SelfPath()) + " --child-echo " + args,
                                ShowState::Hidden, nullptr);
  ASSERT_TRUE(process);
  EXPECT_EQ(process->Wait(std::chrono::seconds(60)), 0u);  // the child compared them
}

TEST(Win32WowHost, OffersOpenProcessesAndStartsNothingWithoutA16BitSubsystem) {
  Win32WowHost host;
  std::vector<uint32_t> ids = host.CandidateProcesses();
  EXPECT_NE(std::find(ids.begin(), ids.end(), GetCurrentProcessId()), ids.end());
  // Here (64-bit Windows or Wine) no WOW process exists: every start fails,
  // and under Wine the stub that would end this program is never reached.
  EXPECT_FALSE(host.StartTask(GetCurrentProcessId(), "C:\\DLV16.EXE w 00000001"));
}

// ---- The older services at the Unicode edge ----

constexpr auto kUser = RegistryRoot::CurrentUser;

TEST(Win32Registry, KeysNamesAndTextsKeepTheirCharacters) {
  Win32Registry reg;
  const std::string key = "Software\\Tessaloom\\PlatformTest-Ωmega";
  reg.DeleteKey(kUser, key + "\\日本");
  reg.DeleteKey(kUser, key);
  ASSERT_TRUE(reg.WriteString(kUser, key, "Pfad-Ω", "C:\\Ωmega-日本\\calc.exe"));
  ASSERT_TRUE(reg.CreateKey(kUser, key + "\\日本"));
  EXPECT_EQ(reg.ReadString(kUser, key, "Pfad-Ω"), "C:\\Ωmega-日本\\calc.exe");
  EXPECT_EQ(reg.SubKeys(kUser, key), (std::vector<std::string>{"日本"}));
  // The raw bytes of a text are its UTF-8 form with the closing NUL; the
  // limit counts those bytes.
  std::string utf8 = "C:\\Ωmega-日本\\calc.exe";
  std::vector<uint8_t> expected(utf8.begin(), utf8.end());
  expected.push_back(0);
  EXPECT_EQ(reg.ReadValue(kUser, key, "Pfad-Ω", expected.size()), expected);
  EXPECT_FALSE(reg.ReadValue(kUser, key, "Pfad-Ω", expected.size() - 1));
  // The system's own text reader sees the same characters.
  wchar_t value[64] = {};
  DWORD size = sizeof value;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, Wide(key).c_str(), L"Pfad-\u03A9", RRF_RT_REG_SZ,
                         nullptr, value, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(value), L"C:\\\u03A9mega-\u65E5\u672C\\calc.exe");
  EXPECT_TRUE(reg.DeleteKey(kUser, key + "\\日本"));
  EXPECT_TRUE(reg.DeleteKey(kUser, key));
}

TEST(Win32Clipboard, UnicodeTextRoundTripsAndReachesUtf16Readers) {
  Win32Clipboard clipboard;
  const std::string text = "KERNEL32.DLL\tC:\\Ωmega-日本\\x.dll\r\n";
  ASSERT_TRUE(clipboard.SetText(text));
  EXPECT_EQ(clipboard.GetText(), text);
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  ASSERT_TRUE(data);
  EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(GlobalLock(data))),
            L"KERNEL32.DLL\tC:\\\u03A9mega-\u65E5\u672C\\x.dll\r\n");
  GlobalUnlock(data);
  CloseClipboard();
  std::string big(5000, 'c');  // no fixed buffer anywhere
  ASSERT_TRUE(clipboard.SetText(big));
  EXPECT_EQ(clipboard.GetText(), big);
  ASSERT_TRUE(clipboard.Clear());
}

TEST(Win32Environment, VariablesAndPathsInUtf8) {
  Win32Environment env;
  SetEnvironmentVariableW(L"PLATFORM_TEST_\u03A9", L"\u65E5\u672C");
  EXPECT_EQ(env.Variable("PLATFORM_TEST_Ω"), "日本");
  EXPECT_EQ(env.Variable("PLATFORM_TEST_NONE"), std::nullopt);
  EXPECT_EQ(env.ProgramPath(), SelfPath());
  Win32FileCatalog catalog;
  EXPECT_EQ(catalog.ExpandEnvironment("x%PLATFORM_TEST_Ω%y"), "x日本y");
}

TEST(Win32FileCatalog, FindsFilesWithUnicodeNames) {
  std::string dir = TempDirectory() + "日本-Ωmega-" + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryW(Wide(dir).c_str(), nullptr));
  std::string file = dir + "\\Ωmega.bin";
  HANDLE h = CreateFileW(Wide(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(h, "12345", 5, &written, nullptr);
  CloseHandle(h);
  Win32FileCatalog catalog;
  auto facts = catalog.FindFirst(file);
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->Size, 5);
  Win32FileSystem files;
  EXPECT_TRUE(files.FileExists(file));
  EXPECT_FALSE(files.FileExists(dir + "\\Omega.bin"));  // no best-fit look-alike
  // Written whole under a Unicode name, replacing what was there.
  const uint8_t bytes[] = {'a', 0, 'b'};
  EXPECT_EQ(files.WriteWholeFile(file, bytes), std::nullopt);
  auto view = files.MapReadOnly(file, nullptr);
  ASSERT_TRUE(view);
  EXPECT_EQ(std::string(view->Bytes().begin(), view->Bytes().end()), std::string("a\0b", 3));
  view.reset();
  auto error = files.WriteWholeFile(dir + "\\no such folder\\x.bin", bytes);
  ASSERT_TRUE(error);
  EXPECT_NE(error->find("no such folder"), std::string::npos);
  Win32Directories dirs;
  EXPECT_TRUE(dirs.RemoveFile(file, nullptr));
  EXPECT_FALSE(files.FileExists(file));
  RemoveDirectoryW(Wide(dir).c_str());
}

}  // namespace
}  // namespace platform::win32

int main(int argc, char** argv) {
  // Started by the process cases as their child.
  if (auto code = platform::conformance::ChildMain(argc, argv)) return *code;
  if (argc >= 2 && std::string(argv[1]) == "--child-echo") {
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    bool same = count == 4 && std::wstring(words[2]) == L"a \"b\" \u03A9mega-\u65E5\u672C" &&
                std::wstring(words[3]).empty();
    LocalFree(words);
    return same ? 0 : 1;
  }
  ::testing::InitGoogleTest(&argc, argv);
  OleInitialize(nullptr);
  int result = RUN_ALL_TESTS();
  OleUninitialize();
  return result;
}
