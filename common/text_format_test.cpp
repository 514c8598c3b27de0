#include "common/text_format.h"

#include <gtest/gtest.h>

namespace common {
namespace {

TEST(TextFormat, AnyLengthAndEmpty) {
  EXPECT_EQ(Format("%d Items Displayed - %d Duplicate(s)", 12, 3),
            "12 Items Displayed - 3 Duplicate(s)");
  EXPECT_EQ(Format("%4.4X%4.4X", 0x409, 0x4B0), "040904B0");
  EXPECT_EQ(Format("%s", ""), "");
  std::string longText(5000, 'x');
  EXPECT_EQ(Format("[%s]", longText.c_str()), "[" + longText + "]");  // no fixed buffer cuts it
}

}  // namespace
}  // namespace common
