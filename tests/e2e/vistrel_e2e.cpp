// Vistrel end to end under Wine: registration switches, the automation
// object, pages read from the real controls, the message box of a 16-bit
// file, the mode switch and Copy, the item commands and their viewers.
#include <gtest/gtest.h>

#include <fstream>

#include "common/win32/utf16.h"
#include "dlv_fixtures.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/remote.h"
#include "vistrel/browser/command_ids.h"

namespace {

namespace ids = vistrel::ids;
using e2e::WindowText;
using Lines = std::vector<std::string>;
using common::Wide;

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
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, Wide(key).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(h);
  return true;
}

std::string TempDirectory() {
  wchar_t dir[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, dir);
  return common::Utf8(std::wstring_view(dir, n));
}

// A folder of the test's own, removed with what it holds.
class Folder {
 public:
  explicit Folder(const std::string& name)
      : path_(TempDirectory() + name + "-" + std::to_string(GetCurrentProcessId())) {
    CreateDirectoryW(Wide(path_).c_str(), nullptr);
  }
  ~Folder() {
    for (const std::string& file : files_) DeleteFileW(Wide(file).c_str());
    RemoveDirectoryW(Wide(path_).c_str());
  }
  // A copy of `source` named `name` in the folder; its full path.
  std::string Copy(const std::string& source, const std::string& name) {
    std::string target = path_ + "\\" + name;
    if (!CopyFileW(Wide(source).c_str(), Wide(target).c_str(), FALSE)) return "";
    files_.push_back(target);
    return target;
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::vector<std::string> files_;
};

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

// Asks the window to close as the user would. When the program asks whether
// to close anyway, the user answers No.
// Asks the window to close as the user would. While automation holds it the
// window asks first, and the answer here is No. True when it asked.
bool AskToClose(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  PostMessageW(window, WM_CLOSE, 0, 0);
  HWND box = nullptr;
  e2e::WaitFor([&] {
    box = e2e::FindTopWindow(pid, "Vistrel", "#32770");
    return box || !IsWindow(window) || !IsWindowVisible(window);
  });
  if (!box) return false;
  e2e::Click(e2e::FindChild(box, IDNO));
  e2e::WaitFor([&] { return !IsWindow(box); });
  return true;
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

// What a standard user's vistrel writes where the machine-wide classes are
// refused: the five keys under the user's own classes only; /UNREGSERVER
// removes them from there too. (Windows merges these keys into the classes
// root, so COM finds the server; Wine 8's COM reads only the machine's
// classes, so that part cannot be seen here.)
TEST(VistrelRegistration, UnregServerRemovesARegistrationUnderTheUsersOwnClasses) {
  {
    e2e::Process p;
    ASSERT_TRUE(p.Start(VistrelExe(), "/UNREGSERVER"));
    ASSERT_EQ(p.Wait(), 0u);
  }
  const std::string user = "Software\\Classes\\";
  const std::string cls = "CLSID\\{5B0E7C1A-3D42-4E8F-9A61-2C7D8B4F1E93}";
  auto write = [&](const std::string& key, const std::string& value) {
    return RegSetKeyValueW(HKEY_CURRENT_USER, Wide(user + key).c_str(), nullptr, REG_SZ,
                           Wide(value).c_str(),
                           static_cast<DWORD>((Wide(value).size() + 1) * sizeof(wchar_t)));
  };
  ASSERT_EQ(write("Vistrel.Vistrel", "Vistrel"), ERROR_SUCCESS);
  ASSERT_EQ(write("Vistrel.Vistrel\\Clsid", "{5B0E7C1A-3D42-4E8F-9A61-2C7D8B4F1E93}"),
            ERROR_SUCCESS);
  ASSERT_EQ(write(cls, "Vistrel"), ERROR_SUCCESS);
  ASSERT_EQ(write(cls + "\\ProgID", "Vistrel.Vistrel"), ERROR_SUCCESS);
  ASSERT_EQ(write(cls + "\\LocalServer32", VistrelExe()), ERROR_SUCCESS);
  {
    e2e::Process p;
    ASSERT_TRUE(p.Start(VistrelExe(), "/UNREGSERVER"));
    EXPECT_EQ(p.Wait(), 0u);
  }
  HKEY h = nullptr;
  EXPECT_NE(
      RegOpenKeyExW(HKEY_CURRENT_USER, Wide(user + "Vistrel.Vistrel").c_str(), 0, KEY_READ, &h),
      ERROR_SUCCESS);
  EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, Wide(user + cls).c_str(), 0, KEY_READ, &h),
            ERROR_SUCCESS);
  EXPECT_FALSE(ClassKeyExists("Vistrel.Vistrel"));
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
  // The pages of the sample DLL, whatever its name.
  void ExpectSamplePages(HWND window) {
    EXPECT_EQ(Field(window, ids::kImageTypeEdit), "NT");
    EXPECT_EQ(Field(window, ids::kMachineEdit), "AMD64 (K8)");
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
    // The linker's defaults, the build id as a CodeView record, the date.
    EXPECT_EQ(Field(window, ids::kDllCharacteristicsEdit), "0x0160");
    EXPECT_EQ(Field(window, ids::kDllCharacteristicsNamesEdit), "High-entropy VA, ASLR, DEP");
    EXPECT_EQ(Field(window, ids::kCodeViewEdit), "RSDS");
    EXPECT_EQ(Field(window, ids::kPdbGuidEdit).size(), 38u);
    std::string date = Field(window, ids::kTimeDateStampDateEdit);
    EXPECT_EQ(date.size(), 23u) << date;
    EXPECT_EQ(date.substr(19), " UTC") << date;
    EXPECT_EQ(Field(window, ids::kEntryPointEdit).rfind("0x", 0), 0u);
    HWND disassemble = e2e::FindChild(window, ids::kDisassembleButton);
    ASSERT_NE(disassemble, nullptr);
    EXPECT_TRUE(IsWindowEnabled(disassemble));
    EXPECT_EQ(WindowText(disassemble), "Disassemble...");
  }

  e2e::ComScope com;
  e2e::AutomationClient client;
};

TEST_F(VistrelAutomation, LoadShowsThePagesAndRefusesToCloseUntilShutDown) {
  if (!DLV_FIXTURES_BUILT) GTEST_SKIP() << "sample PE files were not built";
  HWND window = LoadAndFind(SampleDll(), "Vistrel - sample.dll");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowText(window), "Vistrel - sample.dll");
  ExpectSamplePages(window);

  // Exit is disabled while automation owns the window; closing it asks the
  // user, who may keep it open.
  SendMessageW(window, WM_COMMAND, ids::kFileExit, 0);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_TRUE(AskToClose(window));
  EXPECT_TRUE(IsWindowVisible(window));
  ShutDown(window);
}

TEST_F(VistrelAutomation, Win16FileShowsItsTypeAndTheMessageBox) {
  std::string path = TempDirectory() + "old16.exe";
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
  EXPECT_EQ(e2e::MessageBoxText(box), "Unable to handle this file type!");
  HWND window = e2e::FindTopWindow(0, "Vistrel - old16.exe", "DlvForm");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Field(window, ids::kImageTypeEdit), "Win16");
  EXPECT_EQ(Field(window, ids::kMachineEdit), "");
  e2e::Click(e2e::FindChild(box, IDOK));
  EXPECT_TRUE(e2e::WaitFor([&] { return !IsWindow(box); }));
  ShutDown(window);
  DeleteFileW(Wide(path).c_str());
}

// A file whose name the system code page cannot hold opens under that name.
TEST_F(VistrelAutomation, UnicodeFileNameOpensWithItsCaptionAndPages) {
  if (!DLV_FIXTURES_BUILT) GTEST_SKIP() << "sample PE files were not built";
  Folder folder("vistrel-e2e");
  std::string path = folder.Copy(SampleDll(), "Ωmega-日本.dll");
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(client.Call("Load", {path}), S_OK) << client.LastError();
  HWND window = e2e::WaitForTopWindow(0, "Vistrel - ", "DlvForm");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowText(window), "Vistrel - Ωmega-日本.dll");
  ExpectSamplePages(window);
  ShutDown(window);
}

// "Ωmega.dll" is missing; "Omega.dll", which a best-fit conversion of the
// name gives, exists beside it and must not be opened in its place.
TEST_F(VistrelAutomation, AMissingUnicodeNameNeverOpensItsLookAlike) {
  if (!DLV_FIXTURES_BUILT) GTEST_SKIP() << "sample PE files were not built";
  Folder folder("vistrel-e2e-missing");
  ASSERT_FALSE(folder.Copy(SampleDll(), "Omega.dll").empty());
  std::string missing = folder.Path() + "\\Ωmega.dll";
  // The load fails with the system's text, and the window never shows the
  // other file: its pages stay empty.
  EXPECT_EQ(client.Call("Load", {missing}), DISP_E_EXCEPTION);
  EXPECT_FALSE(client.LastError().empty());
  HWND window = e2e::WaitForTopWindow(0, "Vistrel", "DlvForm");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Field(window, ids::kImageTypeEdit), "");
  EXPECT_EQ(Field(window, ids::kMagicEdit), "");
  EXPECT_TRUE(List(window, ids::kSectionHeadersListBox).empty());
  EXPECT_EQ(WindowText(window), "Vistrel - Ωmega.dll");
  ShutDown(window);
}

// Method names are compared on the UTF-16 name: full-width letters are not
// ASCII ones. What a method throws reaches the caller as its error text.
TEST_F(VistrelAutomation, FullWidthMethodNameIsUnknown) {
  EXPECT_EQ(client.Call("Ｌｏａｄ", {"x"}), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(client.Call("sHuTdOwN"), S_OK);
  client.Release();
}

// A copy the user started serves a client too; when the client lets go
// without ShutDown, the window is the user's again and closes.
// "Open with", a drop on the icon, a shortcut with a file: the file named on
// the command line is shown; one that cannot be opened is said so.
TEST(VistrelUserStarted, OpensTheFileItsCommandLineNames) {
  if (!DLV_FIXTURES_BUILT) GTEST_SKIP() << "sample PE files were not built";
  e2e::Process vistrel;
  ASSERT_TRUE(vistrel.Start(VistrelExe(), "\"" + SampleDll() + "\""));
  HWND window = e2e::WaitForTopWindow(vistrel.Id(), "Vistrel - sample.dll", "DlvForm");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowText(e2e::FindChild(window, ids::kImageTypeEdit)), "NT");
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(vistrel.Wait(), 0u);

  e2e::Process missing;
  ASSERT_TRUE(missing.Start(VistrelExe(), "\"" + e2e::DriverDirectory() + "\\no-such.dll\""));
  HWND box = e2e::WaitForTopWindow(missing.Id(), "Vistrel", "#32770");
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(e2e::MessageBoxText(box).empty());
  e2e::Click(e2e::FindChildByText(box, "Button", "OK"));
  HWND empty = e2e::WaitForTopWindow(missing.Id(), "Vistrel", "DlvForm");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(WindowText(e2e::FindChild(empty, ids::kImageTypeEdit)), "");
  PostMessageW(empty, WM_CLOSE, 0, 0);
  EXPECT_EQ(missing.Wait(), 0u);
}

TEST(VistrelUserStarted, ClosesAgainAfterTheLastClientReleases) {
  if (!DLV_FIXTURES_BUILT) GTEST_SKIP() << "sample PE files were not built";
  Register();
  e2e::Process vistrel;
  ASSERT_TRUE(vistrel.Start(VistrelExe()));
  HWND window = e2e::WaitForTopWindow(vistrel.Id(), "Vistrel", "DlvForm");
  ASSERT_NE(window, nullptr);
  {
    e2e::ComScope com;
    e2e::AutomationClient client;
    ASSERT_EQ(client.Create("Vistrel.Vistrel"), S_OK) << client.LastError();
    ASSERT_EQ(client.Call("Load", {SampleDll()}), S_OK) << client.LastError();
    ASSERT_TRUE(e2e::WaitFor([&] { return WindowText(window) == "Vistrel - sample.dll"; }))
        << "the client reached another copy";
    EXPECT_TRUE(AskToClose(window));  // the user is asked while the client holds it
    EXPECT_TRUE(IsWindowVisible(window));
  }  // released without ShutDown
  ASSERT_TRUE(e2e::WaitFor([&] {
    AskToClose(window);
    return !IsWindow(window) || !IsWindowVisible(window);
  })) << "the window stayed closed to the user";
  EXPECT_EQ(vistrel.Wait(), 0u);
}

TEST_F(VistrelAutomation, LoadOfAFileThatCannotBeOpenedFails) {
  std::string path = e2e::DriverDirectory() + "\\no-such-file.dll";
  EXPECT_EQ(client.Call("Load", {path}), DISP_E_EXCEPTION);
  HWND window = e2e::WaitForTopWindow(0, "Vistrel - no-such-file.dll");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Field(window, ids::kImageTypeEdit), "");
  ShutDown(window);
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

// ---- Item commands and viewers ----

class VistrelViewers : public VistrelAutomation {
 protected:
  void SetUp() override {
    if (!DLV_FIXTURES_BUILT) GTEST_SKIP() << "sample PE files were not built";
    VistrelAutomation::SetUp();
    window = LoadAndFind(SampleDll(), "Vistrel - sample.dll");
    ASSERT_NE(window, nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    processId = pid;
  }
  void TearDown() override {
    if (window) ShutDown(window);
  }
  void ShowPage(int page) {
    HWND tab = e2e::FindChild(window, ids::kPageControl);
    e2e::SelectTab(tab, page);
    ASSERT_EQ(e2e::TabSelection(tab), page);
  }
  // The item command as the menu sends it, after the menu was brought up to
  // date the way the user brings it up: the pop-up opens and is dismissed.
  void Command(int id) {
    ASSERT_TRUE(e2e::OpenAndDismissPopup(window));
    e2e::PostCommand(window, id);
  }
  HWND Viewer(const std::string& caption) {
    return e2e::WaitForTopWindow(processId, caption, "DlvForm");
  }
  void CloseWith(HWND dialog, const std::string& button) {
    e2e::Click(e2e::FindChildByText(dialog, "Button", button));
    EXPECT_TRUE(e2e::WaitFor([&] { return !IsWindowVisible(dialog); }));
  }
  // No viewer comes up: a SendMessage returns after the command ran.
  void ExpectNothingOpens(int id) {
    ASSERT_TRUE(e2e::OpenAndDismissPopup(window));
    SendMessageW(window, WM_COMMAND, id, 0);
    EXPECT_EQ(e2e::FindTopWindow(processId, "Vistrel - View"), nullptr);
  }
  HTREEITEM Resource(const std::string& group, const std::string& name) {
    HWND tree = e2e::FindChild(window, ids::kResourceTreeView);
    for (HTREEITEM g : e2e::TreeChildren(tree, nullptr)) {
      if (e2e::TreeItemText(tree, g) != group) continue;
      for (HTREEITEM r : e2e::TreeChildren(tree, g)) {
        if (e2e::TreeItemText(tree, r) == name) return r;
      }
    }
    return nullptr;
  }

  // The viewer "Image..." opens for a resource of the tree, by double click.
  HWND OpenResource(const std::string& group, const std::string& name, const std::string& caption) {
    HWND tree = e2e::FindChild(window, ids::kResourceTreeView);
    HTREEITEM item = Resource(group, name);
    if (!item || !e2e::TreeDoubleClick(tree, item)) return nullptr;
    return Viewer(caption);
  }

  HWND window = nullptr;
  DWORD processId = 0;
};

TEST_F(VistrelViewers, FileHeaderHexViewAlignmentsAndStructure) {
  ShowPage(0);
  Command(ids::kViewItemFile);
  HWND view = Viewer("Vistrel - View File Header");
  ASSERT_NE(view, nullptr);
  HWND list = e2e::FindChild(view, ids::kViewSourceListBox);
  Lines rows = e2e::ListBoxItems(list);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].substr(0, 24), "0x00000000  50 45 00 00 ");
  EXPECT_EQ(WindowText(e2e::FindChild(view, ids::kColumnsLabel1)),
            " 0  1  2  3  4  5  6  7   8  9  A  B  C  D  E  F  0123456789ABCDEF");

  // The alignment buttons rebuild the dump.
  auto firstUnit = [&](size_t digits) {
    std::string row = e2e::ListBoxItem(e2e::FindChild(view, ids::kViewSourceListBox), 0);
    return row.size() > 12 + digits ? row.substr(12, digits) : std::string();
  };
  EXPECT_EQ(e2e::FindChild(view, ids::kViewSourceListBox), list);
  e2e::Click(e2e::FindChild(view, ids::kAlignRadioGroup * 10 + 2));
  ASSERT_TRUE(e2e::WaitFor([&] { return firstUnit(8) == "00004550"; })) << firstUnit(8);
  EXPECT_EQ(WindowText(e2e::FindChild(view, ids::kColumnsLabel2)),
            " 0 1 2 3  4 5 6 7  8 9 A B  C D E F  0123456789ABCDEF");
  e2e::Click(e2e::FindChild(view, ids::kAlignRadioGroup * 10 + 1));
  ASSERT_TRUE(e2e::WaitFor([&] { return firstUnit(4) == "4550"; })) << firstUnit(4);

  // Structure... on the same block.
  HWND button = e2e::FindChild(view, ids::kStructureButton);
  EXPECT_EQ(WindowText(button), "Structure...");
  PostMessageW(button, BM_CLICK, 0, 0);
  HWND structure = Viewer("Vistrel - View Structure File Header");
  ASSERT_NE(structure, nullptr);
  Lines fields = e2e::ListBoxItems(e2e::FindChild(structure, ids::kStructureListBox));
  ASSERT_GE(fields.size(), 3u);
  EXPECT_EQ(fields[0], "Structure Size = 20 Bytes");
  EXPECT_EQ(fields[1], "IMAGE_NT_SIGNATURE:\t0x00004550");
  EXPECT_EQ(fields[2], "Machine:\t0x8664");
  CloseWith(structure, "OK");
  CloseWith(view, "OK");
}

TEST_F(VistrelViewers, SectionGoToSelectsTheRowOfTheAddress) {
  ShowPage(2);
  e2e::ListBoxSelect(e2e::FindChild(window, ids::kSectionHeadersListBox), 0);
  Command(ids::kViewItemFile);
  HWND view = Viewer("Vistrel - View Section .text - 0x");
  ASSERT_NE(view, nullptr);
  HWND list = e2e::FindChild(view, ids::kViewSourceListBox);
  ASSERT_GT(SendMessageW(list, LB_GETCOUNT, 0, 0), 8);
  std::string label = e2e::ListBoxItem(list, 5).substr(0, 18);
  // A 64-bit image's rows carry sixteen digits.
  ASSERT_EQ(label.rfind("0x", 0), 0u);

  PostMessageW(e2e::FindChild(view, ids::kGoToButton), BM_CLICK, 0, 0);
  HWND goTo = Viewer("Go to Address");
  ASSERT_NE(goTo, nullptr);
  HWND edit = e2e::FindChild(goTo, ids::kGoToAddressEdit);
  EXPECT_EQ(WindowText(edit), e2e::ListBoxItem(list, 0).substr(0, 18));
  // Lower-case digits name the same row.
  std::string entry = label;
  for (size_t i = 2; i < entry.size(); ++i) entry[i] = static_cast<char>(tolower(entry[i]));
  entry.back() = '9';
  SetWindowTextW(edit, Wide(entry).c_str());
  CloseWith(goTo, "OK");
  EXPECT_TRUE(e2e::WaitFor([&] { return e2e::ListBoxSelection(list) == 5; }));
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 5);
  CloseWith(view, "OK");
}

TEST_F(VistrelViewers, ExportEntryPointOpensTheDisassembly) {
  ShowPage(4);
  HWND exports = e2e::FindChild(window, ids::kExportSectionListBox);
  Lines lines = e2e::ListBoxItems(exports);
  auto at = std::find(lines.begin(), lines.end(), "SampleAdd (1)");
  ASSERT_NE(at, lines.end());
  e2e::ListBoxSelect(exports, static_cast<int>(at - lines.begin()));
  Command(ids::kViewItemFile);
  HWND view = Viewer("Vistrel - View Export Entry Point - SampleAdd (1) - 0x");
  ASSERT_NE(view, nullptr);
  HWND button = e2e::FindChild(view, ids::kStructureButton);
  EXPECT_EQ(WindowText(button), "Disassembly...");
  PostMessageW(button, BM_CLICK, 0, 0);
  HWND disassembly = Viewer("Export Entry Point - SampleAdd (1) - 0x");
  ASSERT_NE(disassembly, nullptr);
  Lines code = e2e::ListBoxItems(e2e::FindChild(disassembly, ids::kDisassemblyListBox));
  EXPECT_EQ(code.size(), 20u);
  EXPECT_FALSE(code.empty() || code[0].empty());
  CloseWith(disassembly, "OK");
  CloseWith(view, "OK");
}

TEST_F(VistrelViewers, ResourceCommandsFollowTheSelection) {
  ShowPage(5);
  HWND tree = e2e::FindChild(window, ids::kResourceTreeView);
  // An RCDATA resource: only File Offset is offered, yet a double click
  // shows its bytes.
  HTREEITEM data = Resource("RCDATA", "NAMEDDATA");
  ASSERT_NE(data, nullptr);
  e2e::TreeSelect(tree, data);
  ExpectNothingOpens(ids::kViewItemStructure);
  ASSERT_TRUE(e2e::TreeDoubleClick(tree, data));
  HWND view = Viewer("Vistrel - View Resource NAMEDDATA");
  ASSERT_NE(view, nullptr);
  EXPECT_FALSE(IsWindowVisible(e2e::FindChild(view, ids::kStructureButton)));
  EXPECT_FALSE(e2e::ListBoxItems(e2e::FindChild(view, ids::kViewSourceListBox)).empty());
  CloseWith(view, "OK");

  // A string table: File Offset and Image, no Structure.
  HTREEITEM strings = Resource("STRING", "1");
  ASSERT_NE(strings, nullptr);
  e2e::TreeSelect(tree, strings);
  ExpectNothingOpens(ids::kViewItemStructure);

  // The dialog: its template as resource-script text.
  HTREEITEM dialog = Resource("DIALOG", "200");
  ASSERT_NE(dialog, nullptr);
  e2e::TreeSelect(tree, dialog);
  Command(ids::kViewItemStructure);
  HWND structure = Viewer("Vistrel - View Structure Resource 200");
  ASSERT_NE(structure, nullptr);
  Lines script = e2e::ListBoxItems(e2e::FindChild(structure, ids::kStructureListBox));
  ASSERT_GE(script.size(), 3u);
  EXPECT_EQ(script[1], "DIALOG 10, 10, 180, 60");
  EXPECT_EQ(script.back(), "END");
  CloseWith(structure, "OK");

  // A group node offers nothing.
  e2e::TreeSelect(tree, e2e::TreeChildren(tree, nullptr)[0]);
  ExpectNothingOpens(ids::kViewItemFile);
}

TEST_F(VistrelViewers, ImageViewerShowsCursorsPicturesAndTables) {
  ShowPage(5);
  HWND view = OpenResource("CURSOR", "1", "Vistrel - View Image Resource 1");
  ASSERT_NE(view, nullptr);
  HWND hotspot = e2e::FindChild(view, ids::kCursorHotspotEdit);
  EXPECT_TRUE(IsWindowVisible(hotspot));
  EXPECT_EQ(WindowText(hotspot), "3, 5");
  EXPECT_TRUE(IsWindowVisible(e2e::FindChild(view, ids::kNormalViewImage)));
  EXPECT_TRUE(IsWindowVisible(e2e::FindChild(view, ids::kEnlargedViewImage)));
  EXPECT_FALSE(IsWindowVisible(e2e::FindChild(view, ids::kUnknownFormatLabel)));
  EXPECT_FALSE(IsWindowVisible(e2e::FindChild(view, ids::kViewImageListBox)));
  CloseWith(view, "OK");

  // A bitmap is stretched into a picture half as high as wide.
  view = OpenResource("BITMAP", "2", "Vistrel - View Image Resource 2");
  ASSERT_NE(view, nullptr);
  RECT enlarged{};
  GetClientRect(e2e::FindChild(view, ids::kEnlargedViewImage), &enlarged);
  EXPECT_EQ(enlarged.right, enlarged.bottom * 2);
  EXPECT_FALSE(IsWindowVisible(e2e::FindChild(view, ids::kCursorHotspotEdit)));
  CloseWith(view, "OK");

  // An icon group: its first image, not enlarged.
  view = OpenResource("GROUPICON", "3", "Vistrel - View Image Resource 3");
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(IsWindowVisible(e2e::FindChild(view, ids::kNormalViewImage)));
  EXPECT_FALSE(IsWindowVisible(e2e::FindChild(view, ids::kEnlargedViewImage)));
  CloseWith(view, "OK");

  view = OpenResource("STRING", "1", "Vistrel - View Image Resource 1");
  ASSERT_NE(view, nullptr);
  HWND list = e2e::FindChild(view, ids::kViewImageListBox);
  EXPECT_TRUE(IsWindowVisible(list));
  EXPECT_EQ(e2e::ListBoxItems(list), (Lines{"1 - First string", "2 - Second string"}));
  CloseWith(view, "OK");

  view = OpenResource("ACCELERATOR", "300", "Vistrel - View Image Resource 300");
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(e2e::ListBoxItems(e2e::FindChild(view, ids::kViewImageListBox)),
            (Lines{"CTRL+O (VIRTKEY) - 101", "F1 (VIRTKEY) - 103", "F9 - 102"}));
  CloseWith(view, "OK");
}

TEST_F(VistrelViewers, LiveDialogStaysAboveTheViewerAndClosesWithIt) {
  ShowPage(5);
  HWND view = OpenResource("DIALOG", "200", "Vistrel - View Image Resource 200");
  ASSERT_NE(view, nullptr);
  HWND live = e2e::WaitForTopWindow(processId, "Sample Dialog", "#32770");
  ASSERT_NE(live, nullptr);
  EXPECT_EQ(GetWindow(live, GW_OWNER), view);
  EXPECT_TRUE(IsWindowVisible(live));
  EXPECT_NE(e2e::FindChildByText(live, "Button", "Cancel"), nullptr);
  // Its buttons do nothing: nothing of the file's runs here.
  SendMessageW(e2e::FindChildByText(live, "Button", "OK"), BM_CLICK, 0, 0);
  EXPECT_TRUE(IsWindow(live) && IsWindowVisible(live));
  EXPECT_FALSE(IsWindowVisible(e2e::FindChild(view, ids::kUnknownFormatLabel)));
  CloseWith(view, "OK");
  EXPECT_TRUE(e2e::WaitFor([&] { return !IsWindow(live); }));
}

TEST_F(VistrelViewers, MenuViewerShowsTheTemplatesBarUntilOK) {
  ShowPage(5);
  HWND tree = e2e::FindChild(window, ids::kResourceTreeView);
  HTREEITEM menu = Resource("MENU", "100");
  ASSERT_NE(menu, nullptr);
  e2e::TreeSelect(tree, menu);
  Command(ids::kViewItemImage);
  HWND view = Viewer("Vistrel - View Menu Resource 100");
  ASSERT_NE(view, nullptr);
  // The bar's handle tells the template's menu from the window's own.
  HMENU shown = GetMenu(view);
  EXPECT_NE(shown, nullptr);
  // The template's File popup opens from its bar.
  EXPECT_TRUE(e2e::OpenAndDismissBarMenu(view, 'f'));
  CloseWith(view, "OK");
  HMENU own = GetMenu(view);
  EXPECT_NE(own, shown);
  // Shown again: the template's menu once more, then the own bar again.
  Command(ids::kViewItemImage);
  ASSERT_EQ(Viewer("Vistrel - View Menu Resource 100"), view);
  EXPECT_TRUE(e2e::WaitFor([&] { return GetMenu(view) != own; }));
  CloseWith(view, "OK");
  EXPECT_EQ(GetMenu(view), own);
}

TEST_F(VistrelViewers, VersionViewerReadsTheFilesVersionInformation) {
  ShowPage(5);
  HWND view = OpenResource("VERSION", "1", "Vistrel - View Version 1");
  ASSERT_NE(view, nullptr);
  auto field = [&](int i) { return WindowText(e2e::FindChild(view, ids::kFirstVersionEdit + i)); };
  EXPECT_EQ(field(0), "File Version 1.2.3.4");
  EXPECT_EQ(field(1), "Product Version 1.2.0.0");
  EXPECT_EQ(field(4), "File Type DLL");
  EXPECT_EQ(field(7), "Sample Makers");
  EXPECT_EQ(field(8), "Sample fixture library");
  EXPECT_EQ(field(13), "Sample");
  EXPECT_EQ(field(12), "");
  CloseWith(view, "OK");
}

TEST_F(VistrelViewers, SaveAsWritesTheIconGroupAsAnIconFile) {
  ShowPage(5);
  HWND view = OpenResource("GROUPICON", "3", "Vistrel - View Image Resource 3");
  ASSERT_NE(view, nullptr);
  std::string path =
      TempDirectory() + "saved-group-" + std::to_string(GetCurrentProcessId()) + ".ico";
  DeleteFileW(Wide(path).c_str());
  PostMessageW(e2e::FindChild(view, ids::kSaveAsButton), BM_CLICK, 0, 0);
  HWND dialog = e2e::WaitForTopWindow(processId, "Save Resource As", "#32770");
  ASSERT_NE(dialog, nullptr);
  // The file name box of the dialog (cmb13, or edt1 in the old style).
  HWND name = GetDlgItem(dialog, 0x47C);
  if (!name) name = GetDlgItem(dialog, 0x480);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(WindowText(name), "3.ico");
  SetWindowTextW(name, Wide(path).c_str());
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(e2e::WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
  std::string bytes;
  ASSERT_TRUE(e2e::WaitFor([&] {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
    return bytes.size() > 22;
  }));
  // An icon file: reserved 0, type 1, then the group's images.
  EXPECT_EQ(bytes.substr(0, 4), std::string("\0\0\1\0", 4));
  EXPECT_GE(bytes[4], 1);
  CloseWith(view, "OK");
  DeleteFileW(Wide(path).c_str());
}

TEST_F(VistrelAutomation, ADialogOfWinesOwnFilesComesAliveOverTheViewer) {
  std::string file = WindowsPath(std::string(DLV_WINE_PE_DIR) + "/comctl32.dll");
  HWND window = LoadAndFind(file, "Vistrel - comctl32.dll");
  ASSERT_NE(window, nullptr);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HWND tab = e2e::FindChild(window, ids::kPageControl);
  e2e::SelectTab(tab, 5);
  HWND tree = e2e::FindChild(window, ids::kResourceTreeView);
  HTREEITEM dialog = nullptr;
  for (HTREEITEM g : e2e::TreeChildren(tree, nullptr)) {
    if (e2e::TreeItemText(tree, g) == "DIALOG") dialog = e2e::TreeChildren(tree, g).at(0);
  }
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(e2e::TreeDoubleClick(tree, dialog));
  HWND view = e2e::WaitForTopWindow(pid, "Vistrel - View Image Resource", "DlvForm");
  ASSERT_NE(view, nullptr);
  HWND live = e2e::WaitForTopWindow(pid, "", "#32770");
  ASSERT_NE(live, nullptr);
  EXPECT_EQ(GetWindow(live, GW_OWNER), view);
  // Owned, so above the viewer: the viewer comes later in the Z order.
  bool above = false;
  for (HWND w = GetWindow(live, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT)) above |= w == view;
  EXPECT_TRUE(above);
  e2e::Click(e2e::FindChildByText(view, "Button", "OK"));
  EXPECT_TRUE(e2e::WaitFor([&] { return !IsWindow(live); }));
  ShutDown(window);
}

TEST_F(VistrelViewers, ImportAndDebugPagesOfferNoItem) {
  ShowPage(3);
  ExpectNothingOpens(ids::kViewItemFile);
  ShowPage(6);
  ExpectNothingOpens(ids::kViewItemFile);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  e2e::ParseDriverArguments(argc, argv);
  return RUN_ALL_TESTS();
}
