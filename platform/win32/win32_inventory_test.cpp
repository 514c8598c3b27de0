// The inventory services on a real Win32 API (Wine in CI).
// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include "platform/win32/win32_inventory.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace platform::win32 {
namespace {

std::string SelfPath() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, n);
}

TEST(Win32SystemInventory, SeesThisProcessAndItsModules) {
  Win32SystemInventory system;
  std::optional<std::vector<uint32_t>> ids = system.ProcessIds();
  ASSERT_TRUE(ids);
  ASSERT_NE(std::find(ids->begin(), ids->end(), GetCurrentProcessId()), ids->end());
  ProcessModules self = system.Modules(GetCurrentProcessId());
  ASSERT_TRUE(self.Opened);
  ASSERT_TRUE(self.Enumerated);
  ASSERT_GE(self.Modules.size(), 2u);
  EXPECT_EQ(self.Modules[0].FileName, SelfPath());
  EXPECT_EQ(self.Modules[0].FileName.substr(self.Modules[0].FileName.size() -
                                            self.Modules[0].BaseName.size()),
            self.Modules[0].BaseName);
  bool kernel = false;
  for (const ModuleEntry& m : self.Modules)
    kernel = kernel || _stricmp(m.BaseName.c_str(), "kernel32.dll") == 0;
  EXPECT_TRUE(kernel);
  ProcessModules none = system.Modules(0xFFFFFFF0u);
  EXPECT_FALSE(none.Opened);
  EXPECT_TRUE(system.DeviceDrivers().has_value());
}

TEST(Win32FileCatalog, FactsOfFilesAndDrives) {
  Win32FileCatalog catalog;
  std::optional<FileFacts> self = catalog.FindFirst(SelfPath());
  ASSERT_TRUE(self);
  EXPECT_GT(self->Size, 0);
  EXPECT_FALSE(self->IsDirectory);
  ASSERT_TRUE(self->LastWrite);
  EXPECT_GT(*self->LastWrite, 40000.0);  // after 2009
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  std::optional<FileFacts> dir = catalog.FindFirst(windows);
  ASSERT_TRUE(dir);
  EXPECT_TRUE(dir->IsDirectory);
  EXPECT_FALSE(catalog.FindFirst(std::string(windows) + "\\no-such-file.dll"));
  EXPECT_FALSE(catalog.FindFirst(std::string(windows) + "\\*.exe"));  // no wildcards
  EXPECT_FALSE(catalog.FindFirst(""));
  EXPECT_EQ(catalog.RootDriveType("C:\\"), DriveType::Fixed);
  EXPECT_EQ(catalog.DriveCurrentDirectory('C').substr(0, 2), "C:");
  SetEnvironmentVariableA("DLVNT_TEST_VAR", "abc");
  EXPECT_EQ(catalog.ExpandEnvironment("x%DLVNT_TEST_VAR%y"), "xabcy");
  std::string longValue(3000, 'p');
  SetEnvironmentVariableA("DLVNT_TEST_VAR", longValue.c_str());
  EXPECT_EQ(catalog.ExpandEnvironment("%DLVNT_TEST_VAR%"), longValue);  // no fixed buffer
}

}  // namespace
}  // namespace platform::win32
