// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include "platform/win32/win32_services.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace platform::win32 {
namespace {

constexpr auto kUser = RegistryRoot::CurrentUser;
const char kKey[] = "Software\\Tessaloom\\PlatformTest";

TEST(Win32Registry, WritesReadsAndDeletes) {
  Win32Registry reg;
  reg.DeleteKey(kUser, std::string(kKey) + "\\Sub");
  reg.DeleteKey(kUser, kKey);
  EXPECT_FALSE(reg.KeyExists(kUser, kKey));
  ASSERT_TRUE(reg.WriteDword(kUser, kKey, "Mode", 0x0102));
  ASSERT_TRUE(reg.WriteString(kUser, kKey, "Calculator", "C:\\CALC.EXE"));
  ASSERT_TRUE(reg.CreateKey(kUser, std::string(kKey) + "\\Sub"));
  EXPECT_EQ(reg.ReadDword(kUser, kKey, "Mode"), 0x0102u);
  EXPECT_EQ(reg.ReadString(kUser, kKey, "Calculator"), "C:\\CALC.EXE");
  EXPECT_FALSE(reg.ReadValue(kUser, kKey, "Calculator", 4).has_value());
  EXPECT_EQ(reg.SubKeys(kUser, kKey), (std::vector<std::string>{"Sub"}));
  EXPECT_TRUE(reg.DeleteKey(kUser, std::string(kKey) + "\\Sub"));
  EXPECT_TRUE(reg.DeleteKey(kUser, kKey));
  EXPECT_FALSE(reg.KeyExists(kUser, kKey));
}

TEST(Win32Clipboard, TextRoundTrip) {
  Win32Clipboard clipboard;
  ASSERT_TRUE(clipboard.SetText("A (1)\r\nB (2)\r\n"));
  EXPECT_EQ(clipboard.GetText(), "A (1)\r\nB (2)\r\n");
  ASSERT_TRUE(clipboard.Clear());
  EXPECT_FALSE(clipboard.GetText().has_value());
}

TEST(Win32FileSystem, MapsReadOnlyAndReportsMissingFiles) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  std::string path = std::string(dir) + "platform_test.bin";
  std::ofstream(path, std::ios::binary) << "MZdata";
  Win32FileSystem files;
  {
    auto view = files.MapReadOnly(path, nullptr);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(view->Data()), view->Size()), "MZdata");
  }
  MapError error;
  EXPECT_EQ(files.MapReadOnly(path + ".none", &error), nullptr);
  EXPECT_FALSE(error.Message.empty());
  std::remove(path.c_str());
}

TEST(Win32Environment, Directories) {
  Win32Environment env;
  EXPECT_NE(env.ProgramPath().find("platform_win32_test"), std::string::npos);
  EXPECT_FALSE(env.WindowsDirectory().empty());
  EXPECT_FALSE(env.SystemDirectory().empty());
}

}  // namespace
}  // namespace platform::win32
