// The release's installer under Wine: package_e2e SETUP.exe VERSION installs
// silently, finds the files, the Start-menu shortcuts, the automation
// server's registration and the "Add or remove programs" entry, starts the
// installed vistrel through automation and shuts it down, then uninstalls
// silently and finds nothing left; then the same for the current user only.
// The tests run in this order, on one prefix.
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include <gtest/gtest.h>
#include <knownfolders.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <optional>
#include <string>

#include "common/text_case.h"
#include "common/win32/utf16.h"
#include "tests/e2e/driver.h"
#include "vistrel/browser/registration.h"

namespace {

using common::Utf8;
using common::Wide;

std::string g_setup;
std::string g_version;

constexpr auto kInstallWait = std::chrono::seconds(120);
const char* const kFiles[] = {"dlvnt.exe",       "vistrel.exe", "nubrik.dll",  "dlvnt-cli.exe",
                              "vistrel-cli.exe", "README.txt",  "LICENSE.txt", "uninstall.exe"};
const char* const kShortcuts[] = {"Delvane for Windows NT.lnk", "Vistrel.lnk"};
constexpr const char* kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TessaloomDelvane";

std::string KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::string out;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) out = Utf8(path);
  CoTaskMemFree(path);
  return out;
}
std::string PublisherDir() {
  return KnownFolder(FOLDERID_ProgramFiles) + "\\Tessaloom";
}
std::string InstallDir() {
  return PublisherDir() + "\\Delvane";
}
std::string MenuDir() {
  return KnownFolder(FOLDERID_CommonPrograms) + "\\Delvane";
}

bool Exists(const std::string& path) {
  return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool KeyExists(HKEY root, const std::string& key) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(root, Wide(key).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

std::optional<std::string> RegText(HKEY root, const std::string& key, const std::string& name) {
  wchar_t buffer[2048];
  DWORD size = sizeof buffer;
  if (RegGetValueW(root, Wide(key).c_str(), name.empty() ? nullptr : Wide(name).c_str(),
                   RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return Utf8(buffer);
}

// Where a shortcut leads.
std::string ShortcutTarget(const std::string& lnk) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link)))) {
    return "";
  }
  std::string target;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t path[MAX_PATH] = L"";
    if (SUCCEEDED(file->Load(Wide(lnk).c_str(), STGM_READ)) &&
        SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0))) {
      target = Utf8(path);
    }
    file->Release();
  }
  link->Release();
  return target;
}

std::string ProcessPath(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid);
  if (!process) return "";
  wchar_t path[MAX_PATH];
  DWORD size = MAX_PATH;
  std::string out = QueryFullProcessImageNameW(process, 0, path, &size) ? Utf8(path) : "";
  CloseHandle(process);
  return out;
}

const char* const kOpenWithExtensions[] = {".exe", ".dll", ".ocx", ".cpl", ".sys"};
std::string OpenWithKey(const std::string& extension) {
  return "Software\\Classes\\SystemFileAssociations\\" + extension + "\\shell\\Vistrel";
}

TEST(Package, SilentInstallPutsTheFilesTheShortcutsAndTheRegistration) {
  e2e::Process setup;
  ASSERT_TRUE(setup.Start(g_setup, "/S"));
  ASSERT_EQ(setup.Wait(kInstallWait), 0u);

  for (const char* file : kFiles) EXPECT_TRUE(Exists(InstallDir() + "\\" + file)) << file;
  EXPECT_TRUE(common::EqualNoCase(ShortcutTarget(MenuDir() + "\\" + kShortcuts[0]),
                                  InstallDir() + "\\dlvnt.exe"));
  EXPECT_TRUE(common::EqualNoCase(ShortcutTarget(MenuDir() + "\\" + kShortcuts[1]),
                                  InstallDir() + "\\vistrel.exe"));

  std::string cls = std::string("CLSID\\") + vistrel::kClassId;
  EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, std::string(vistrel::kProgId) + "\\Clsid", ""),
            vistrel::kClassId);
  std::optional<std::string> server = RegText(HKEY_CLASSES_ROOT, cls + "\\LocalServer32", "");
  ASSERT_TRUE(server);
  EXPECT_TRUE(common::EqualNoCase(*server, InstallDir() + "\\vistrel.exe")) << *server;

  // "Open with Vistrel" on the files it shows, the file as its argument.
  for (const char* ext : kOpenWithExtensions) {
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, OpenWithKey(ext), ""), "Open with Vistrel") << ext;
    std::optional<std::string> command =
        RegText(HKEY_LOCAL_MACHINE, OpenWithKey(ext) + "\\command", "");
    ASSERT_TRUE(command) << ext;
    EXPECT_TRUE(common::EqualNoCase(*command, "\"" + InstallDir() + "\\vistrel.exe\" \"%1\""))
        << *command;
  }

  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), g_version);
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "Publisher"), "Tessaloom");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"),
            "Delvane for Windows NT and Vistrel");
  std::optional<std::string> uninstall =
      RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
  ASSERT_TRUE(uninstall);
  EXPECT_NE(uninstall->find("uninstall.exe"), std::string::npos) << *uninstall;
}

TEST(Package, TheInstalledVistrelAnswersAutomationAndShutsDown) {
  e2e::ComScope com;
  e2e::AutomationClient client;
  ASSERT_EQ(client.Create(vistrel::kProgId), S_OK) << client.LastError();
  ASSERT_EQ(client.Call("Load", {InstallDir() + "\\nubrik.dll"}), S_OK) << client.LastError();
  HWND window = e2e::WaitForTopWindow(0, "Vistrel - nubrik.dll");
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(common::EqualNoCase(ProcessPath(window), InstallDir() + "\\vistrel.exe"))
      << ProcessPath(window);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  EXPECT_EQ(client.Call("ShutDown"), S_OK);
  client.Release();
  if (process) {
    EXPECT_EQ(WaitForSingleObject(process, 20000), WAIT_OBJECT_0) << "vistrel did not end";
    CloseHandle(process);
  }
}

TEST(Package, SilentUninstallLeavesNothingBehind) {
  e2e::Process uninstall;
  ASSERT_TRUE(uninstall.Start(InstallDir() + "\\uninstall.exe", "/S"));
  ASSERT_EQ(uninstall.Wait(kInstallWait), 0u);
  // The uninstaller goes on from a copy of itself in the temporary folder.
  std::string cls = std::string("CLSID\\") + vistrel::kClassId;
  auto gone = [&] {
    return !Exists(InstallDir()) && !Exists(PublisherDir()) && !Exists(MenuDir()) &&
           !KeyExists(HKEY_CLASSES_ROOT, vistrel::kProgId) && !KeyExists(HKEY_CLASSES_ROOT, cls) &&
           !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey) &&
           !KeyExists(HKEY_LOCAL_MACHINE, OpenWithKey(".dll"));
  };
  EXPECT_TRUE(e2e::WaitFor(gone, kInstallWait));
  EXPECT_FALSE(Exists(InstallDir()));
  EXPECT_FALSE(Exists(PublisherDir()));
  EXPECT_FALSE(Exists(MenuDir()));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, vistrel::kProgId));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, cls));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

// The installation for the current user only: the user's own program and
// Start-menu folders and "Add or remove programs" entry, nothing machine-wide
// of the installer's own; its uninstaller removes it all.
TEST(Package, ACurrentUserInstallationUsesTheUsersOwnFoldersAndLeavesNothingBehind) {
  // The user's programs folder (Wine knows no FOLDERID_UserProgramFiles; the
  // installer falls back to the same place).
  std::string programs = KnownFolder(FOLDERID_LocalAppData) + "\\Programs";
  std::string dir = programs + "\\Tessaloom\\Delvane";
  std::string menu = KnownFolder(FOLDERID_Programs) + "\\Delvane";
  {
    e2e::Process setup;
    ASSERT_TRUE(setup.Start(g_setup, "/S /CurrentUser"));
    ASSERT_EQ(setup.Wait(kInstallWait), 0u);
  }
  for (const char* file : kFiles) EXPECT_TRUE(Exists(dir + "\\" + file)) << dir << "\\" << file;
  EXPECT_TRUE(
      common::EqualNoCase(ShortcutTarget(menu + "\\" + kShortcuts[1]), dir + "\\vistrel.exe"));
  EXPECT_FALSE(Exists(InstallDir()));
  EXPECT_EQ(RegText(HKEY_CURRENT_USER, kUninstallKey, "DisplayVersion"), g_version);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  std::string cls = std::string("CLSID\\") + vistrel::kClassId;
  std::optional<std::string> server = RegText(HKEY_CLASSES_ROOT, cls + "\\LocalServer32", "");
  ASSERT_TRUE(server);
  EXPECT_TRUE(common::EqualNoCase(*server, dir + "\\vistrel.exe")) << *server;

  std::optional<std::string> uninstall =
      RegText(HKEY_CURRENT_USER, kUninstallKey, "QuietUninstallString");
  ASSERT_TRUE(uninstall);
  EXPECT_NE(uninstall->find("/CurrentUser /S"), std::string::npos) << *uninstall;
  {
    e2e::Process p;
    ASSERT_TRUE(p.Start(dir + "\\uninstall.exe", "/CurrentUser /S"));
    ASSERT_EQ(p.Wait(kInstallWait), 0u);
  }
  auto gone = [&] {
    return !Exists(dir) && !Exists(menu) && !KeyExists(HKEY_CLASSES_ROOT, vistrel::kProgId) &&
           !KeyExists(HKEY_CURRENT_USER, kUninstallKey);
  };
  EXPECT_TRUE(e2e::WaitFor(gone, kInstallWait));
  EXPECT_FALSE(Exists(dir));
  EXPECT_FALSE(Exists(programs + "\\Tessaloom"));
  EXPECT_FALSE(Exists(menu));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, vistrel::kProgId));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: package_e2e SETUP.exe VERSION\n");
    return 2;
  }
  g_setup = argv[1];
  g_version = argv[2];
  e2e::ComScope com;
  return RUN_ALL_TESTS();
}
