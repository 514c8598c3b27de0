#include "common/text_case.h"

#include <gtest/gtest.h>

#include <clocale>

namespace common {
namespace {

TEST(TextCase, UpperAndLowerChangeOnlyAsciiLetters) {
  struct Case {
    const char* In;
    const char* Upper;
    const char* Lower;
  };
  const Case cases[] = {
      {"kernel32.dll", "KERNEL32.DLL", "kernel32.dll"},
      {"C:\\WinNT\\System32", "C:\\WINNT\\SYSTEM32", "c:\\winnt\\system32"},
      {"az@[`{AZ", "AZ@[`{AZ", "az@[`{az"},  // the neighbours of the letter ranges stay
      {"\xce\xa9mega-\xe6\x97\xa5\xe6\x9c\xac.dll", "\xce\xa9MEGA-\xe6\x97\xa5\xe6\x9c\xac.DLL",
       "\xce\xa9mega-\xe6\x97\xa5\xe6\x9c\xac.dll"},  // Ωmega-日本.dll: multibyte letters kept
      {"caf\xc3\xa9", "CAF\xc3\xa9", "caf\xc3\xa9"},  // é is not an ASCII letter
      {"", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Upper(c.In), c.Upper) << c.In;
    EXPECT_EQ(Lower(c.In), c.Lower) << c.In;
  }
}

TEST(TextCase, TheLocaleDoesNotReachUtf8Bytes) {
  // In a single-byte locale toupper maps the lead byte 0xE6 of "日" to 0xC6
  // and the trail byte 0x9A of "Ś" to 0x8A (making it "Ŋ"); names must come
  // out the same, and compare the same, whatever the program's locale.
  std::string saved = std::setlocale(LC_CTYPE, nullptr);
  if (!std::setlocale(LC_CTYPE, ".1252") && !std::setlocale(LC_CTYPE, "en_US.ISO-8859-1")) {
    GTEST_SKIP() << "no single-byte locale here";
  }
  std::string upper = Upper("\xe6\x97\xa5\xc5\x9a.dll");
  bool equal = EqualNoCase("\xc5\x9a", "\xc5\x8a");
  std::setlocale(LC_CTYPE, saved.c_str());
  EXPECT_EQ(upper, "\xe6\x97\xa5\xc5\x9a.DLL");
  EXPECT_FALSE(equal);
}

TEST(TextCase, EqualNoCase) {
  struct Case {
    const char* A;
    const char* B;
    bool Equal;
  };
  const Case cases[] = {
      {"Load", "LOAD", true},
      {"automation", "AUTOMATION", true},
      {"", "", true},
      {"Load", "Loa", false},    // shorter
      {"Load", "Loads", false},  // longer
      {"Load", "", false},
      {"\xef\xbc\xac\xef\xbd\x8f\xef\xbd\x81\xef\xbd\x84", "Load", false},  // full-width Ｌｏａｄ
      {"@", "`", false},  // 0x40 and 0x60 differ by the case bit but are not letters
      {"[", "{", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EqualNoCase(c.A, c.B), c.Equal) << c.A << " / " << c.B;
    EXPECT_EQ(EqualNoCase(c.B, c.A), c.Equal) << c.B << " / " << c.A;
  }
}

}  // namespace
}  // namespace common
