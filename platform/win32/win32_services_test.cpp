// clang-format off
#include <windows.h>  // first: the other system headers need it
// clang-format on

#include "platform/win32/win32_services.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
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

// Paths are UTF-8 all the way to the W functions: a name outside the code
// page maps its own file, never a best-fit look-alike; a pipe is refused at
// once instead of read (or waited on).
TEST(Win32FileSystem, MapsUnicodeNamesAndRefusesPipes) {
  wchar_t dir[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, dir), 0u);
  const std::wstring wideDir(dir);
  auto write = [](const std::wstring& path, const char* text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
    CloseHandle(file);
  };
  const std::wstring unicode = wideDir + L"\u03A9mega-\u65E5\u672C.bin";
  const std::wstring lookalike = wideDir + L"Omega.bin";
  write(unicode, "MZunicode");
  write(lookalike, "MZlookalike");
  char narrowDir[MAX_PATH * 3];
  ASSERT_GT(WideCharToMultiByte(CP_UTF8, 0, dir, -1, narrowDir, sizeof narrowDir, nullptr, nullptr),
            0);
  Win32FileSystem files;
  {
    auto view = files.MapReadOnly(
        std::string(narrowDir) + "\xCE\xA9mega-\xE6\x97\xA5\xE6\x9C\xAC.bin", nullptr);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(view->Data()), view->Size()), "MZunicode");
  }
  DeleteFileW(unicode.c_str());
  MapError error;
  EXPECT_EQ(files.MapReadOnly(std::string(narrowDir) + "\xCE\xA9mega.bin", &error), nullptr);
  DeleteFileW(lookalike.c_str());

  const wchar_t kPipe[] = L"\\\\.\\pipe\\platform_win32_test_map";
  HANDLE pipe =
      CreateNamedPipeW(kPipe, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 4096, 4096, 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  EXPECT_EQ(files.MapReadOnly("\\\\.\\pipe\\platform_win32_test_map", &error), nullptr);
  EXPECT_FALSE(error.Message.empty());
  CloseHandle(pipe);
}

TEST(Win32Environment, Directories) {
  Win32Environment env;
  EXPECT_NE(env.ProgramPath().find("platform_win32_test"), std::string::npos);
  EXPECT_FALSE(env.WindowsDirectory().empty());
  EXPECT_FALSE(env.SystemDirectory().empty());
}

}  // namespace
}  // namespace platform::win32
