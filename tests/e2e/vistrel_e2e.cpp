// Vistrel end to end under Wine: registration switches, the automation
// object, pages read from the real controls, the message box of a 16-bit
// file, the mode switch and Copy.
#include <gtest/gtest.h>

#include <fstream>

#include "dlv_fixtures.h"
#include "tests/e2e/driver.h"
#include "vistrel/browser/command_ids.h"

namespace {

namespace ids = vistrel::ids;
using e2e::WindowText;
using Lines = std::vector<std::string>;

std::string VistrelExe() {
  return e2e::DriverDirectory() + "\\vistrel.exe";
}
std::string WindowsPath(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}
std::string SampleDll() {
  return WindowsPath(DLV_SAMPLE_DLL_X64);
}

bool ClassKeyExists(const char* key) {
  HKEY h = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

void Register() {
  e2e::Process p;
  ASSERT_TRUE(p.Start(VistrelExe(), "/REGSERVER"));
  ASSERT_EQ(p.Wait(), 0u);
}

// The process behind a window, to wait for its end.
bool WaitForEndOfWindowProcess(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process) return true;  // already gone
  bool ended = WaitForSingleObject(process, 20000) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

TEST(VistrelRegistration, SwitchesWriteOrRemoveTheKeysAndEndAtOnce) {
  {
    e2e::Process p;
    ASSERT_TRUE(p.Start(VistrelExe(), "-rEgSeRvEr"));
    EXPECT_EQ(p.Wait(), 0u);
  }
  EXPECT_TRUE(ClassKeyExists("Vistrel.Vistrel\\Clsid"));
  EXPECT_TRUE(ClassKeyExists("CLSID\\{5B0E7C1A-3D42-4E8F-9A61-2C7D8B4F1E93}\\LocalServer32"));
  EXPECT_EQ(e2e::FindTopWindow(0, "Vistrel"), nullptr);
  {
    e2e::Process p;
    ASSERT_TRUE(p.Start(VistrelExe(), "/UNREGSERVER"));
    EXPECT_EQ(p.Wait(), 0u);
  }
  EXPECT_FALSE(ClassKeyExists("Vistrel.Vistrel"));
  EXPECT_FALSE(ClassKeyExists("CLSID\\{5B0E7C1A-3D42-4E8F-9A61-2C7D8B4F1E93}"));
}

class VistrelAutomation : public ::testing::Test {
 protected:
  void SetUp() override {
    Register();
    ASSERT_EQ(client.Create("Vistrel.Vistrel"), S_OK);
  }
  HWND LoadAndFind(const std::string& path, const std::string& caption) {
    EXPECT_EQ(client.Call("Load", {path}), S_OK);
    return e2e::WaitForTopWindow(0, caption);
  }
  void ShutDown(HWND window) {
    EXPECT_EQ(client.Call("ShutDown"), S_OK);
    client.Release();
    EXPECT_TRUE(WaitForEndOfWindowProcess(window));
  }
  std::string Field(HWND window, int id) { return WindowText(e2e::FindChild(window, id)); }
  Lines List(HWND window, int id) { return e2e::ListBoxItems(e2e::FindChild(window, id)); }

  e2e::ComScope com;
  e2e::AutomationClient client;
};

TEST_F(VistrelAutomation, LoadShowsThePagesAndRefusesToCloseUntilShutDown) {
  if (!DLV_FIXTURES_BUILT) GTEST_SKIP() << "sample PE files were not built";
  HWND window = LoadAndFind(SampleDll(), "Vistrel - sample.dll");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowText(window), "Vistrel - sample.dll");
  EXPECT_EQ(Field(window, ids::kImageTypeEdit), "NT");
  EXPECT_EQ(Field(window, ids::kMachineEdit), "Unknown");
  EXPECT_EQ(Field(window, ids::kMagicEdit), "0x020B");
  EXPECT_EQ(Field(window, ids::kImageBaseEdit).size(), 18u);
  EXPECT_EQ(Field(window, ids::kSubsystemEdit), "Windows character subsystem.");
  Lines sections = List(window, ids::kSectionHeadersListBox);
  ASSERT_FALSE(sections.empty());
  EXPECT_EQ(sections[0], ".text");
  Lines modules = List(window, ids::kImportModuleListBox);
  EXPECT_NE(std::find(modules.begin(), modules.end(), "KERNEL32.DLL"), modules.end());
  Lines exports = List(window, ids::kExportSectionListBox);
  EXPECT_NE(std::find(exports.begin(), exports.end(), "SampleAdd (1)"), exports.end());
  EXPECT_EQ(List(window, ids::kDebugTypeListBox), (Lines{"CodeView"}));
  EXPECT_EQ(Field(window, ids::kEntryPointEdit).rfind("0x", 0), 0u);
  HWND disassemble = e2e::FindChild(window, ids::kDisassembleButton);
  ASSERT_NE(disassemble, nullptr);
  EXPECT_TRUE(IsWindowEnabled(disassemble));
  EXPECT_EQ(WindowText(disassemble), "Disassemble...");

  // Exit is disabled while automation owns the window; closing it asks the
  // user, who may keep it open.
  SendMessageW(window, WM_COMMAND, ids::kFileExit, 0);
  EXPECT_TRUE(IsWindowVisible(window));
  PostMessageW(window, WM_CLOSE, 0, 0);
  HWND question = e2e::WaitForTopWindow(0, "Vistrel", "#32770");
  ASSERT_NE(question, nullptr);
  HWND no = e2e::FindChild(question, IDNO);
  ASSERT_NE(no, nullptr);
  e2e::Click(no);
  EXPECT_TRUE(e2e::WaitFor([&] { return !IsWindow(question); }));
  EXPECT_TRUE(IsWindowVisible(window));
  ShutDown(window);
}

TEST_F(VistrelAutomation, Win16FileShowsItsTypeAndTheMessageBox) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  std::string path = std::string(dir) + "old16.exe";
  {
    std::string bytes(0x80, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    bytes[0x3C] = 0x40;
    bytes[0x40] = 'N';
    bytes[0x41] = 'E';
    std::ofstream(path, std::ios::binary) << bytes;
  }
  // Load returns at once; the box comes after it.
  EXPECT_EQ(client.Call("Load", {path}), S_OK);
  HWND box = e2e::WaitForTopWindow(0, "Vistrel", "#32770");
  ASSERT_NE(box, nullptr);
  EXPECT_NE(e2e::FindChildByText(box, "Static", "Unable to handle this file type!"), nullptr);
  HWND window = e2e::FindTopWindow(0, "Vistrel - old16.exe", "DlvForm");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Field(window, ids::kImageTypeEdit), "Win16");
  EXPECT_EQ(Field(window, ids::kMachineEdit), "");
  e2e::Click(e2e::FindChild(box, IDOK));
  EXPECT_TRUE(e2e::WaitFor([&] { return !IsWindow(box); }));
  ShutDown(window);
  DeleteFileA(path.c_str());
}

TEST_F(VistrelAutomation, LoadOfAFileThatCannotBeOpenedFails) {
  std::string path = e2e::DriverDirectory() + "\\no-such-file.dll";
  EXPECT_EQ(client.Call("Load", {path}), DISP_E_EXCEPTION);
  HWND window = e2e::WaitForTopWindow(0, "Vistrel - no-such-file.dll");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Field(window, ids::kImageTypeEdit), "");
  ShutDown(window);
}

// A client that lets go of a copy the user started, without ShutDown: the
// window may be closed again (Exit enabled).
TEST(VistrelUserStarted, LastReleaseMakesTheWindowClosable) {
  if (!DLV_FIXTURES_BUILT) GTEST_SKIP() << "sample PE files were not built";
  Register();
  e2e::Process program;
  ASSERT_TRUE(program.Start(VistrelExe()));
  HWND window = e2e::WaitForTopWindow(program.Id(), "Vistrel");
  ASSERT_NE(window, nullptr);
  {
    e2e::ComScope com;
    e2e::AutomationClient client;
    ASSERT_EQ(client.Create("Vistrel.Vistrel"), S_OK);
    EXPECT_EQ(client.Call("Load", {SampleDll()}), S_OK);
    EXPECT_EQ(WindowText(window), "Vistrel - sample.dll");
    client.Release();
  }
  EXPECT_TRUE(e2e::WaitFor([&] {
    PostMessageW(window, WM_COMMAND, ids::kFileExit, 0);
    return !program.Running();
  }));
}

TEST_F(VistrelAutomation, DecimalModeRefillsAndCopyPutsTheExportLines) {
  if (!DLV_FIXTURES_BUILT) GTEST_SKIP() << "sample PE files were not built";
  HWND window = LoadAndFind(SampleDll(), "Vistrel - sample.dll");
  ASSERT_NE(window, nullptr);
  std::string hexSize = Field(window, ids::kSizeOfCodeEdit);
  ASSERT_EQ(hexSize.rfind("0x", 0), 0u);
  unsigned long value = std::stoul(hexSize.substr(2), nullptr, 16);
  SendMessageW(window, WM_COMMAND, ids::kViewMode, 0);
  EXPECT_EQ(Field(window, ids::kSizeOfCodeEdit), std::to_string(value));
  SendMessageW(window, WM_COMMAND, ids::kViewMode, 0);
  EXPECT_EQ(Field(window, ids::kSizeOfCodeEdit), hexSize);

  HWND tab = e2e::FindChild(window, ids::kPageControl);
  e2e::SelectTab(tab, 4);
  ASSERT_EQ(e2e::TabSelection(tab), 4);
  ASSERT_TRUE(e2e::SetClipboardText("old"));
  SendMessageW(window, WM_COMMAND, ids::kEditCopy, 0);
  std::string expected;
  for (const auto& line : List(window, ids::kExportSectionListBox)) expected += line + "\r\n";
  EXPECT_EQ(e2e::ClipboardText(), expected);
  SendMessageW(window, WM_COMMAND, ids::kEditClear, 0);
  EXPECT_FALSE(e2e::ClipboardText().has_value());
  ShutDown(window);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  e2e::ParseDriverArguments(argc, argv);
  return RUN_ALL_TESTS();
}
