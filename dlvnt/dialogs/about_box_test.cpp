#include "dlvnt/dialogs/about_box.h"

#include <gtest/gtest.h>

#include "common/version_info_test_util.h"
#include "ui/headless/headless.h"

namespace dlvnt {
namespace {

using versioninfo::testing::Block;
using versioninfo::testing::BlockSystem;
using versioninfo::testing::Fixed;
using versioninfo::testing::Serialize;

TEST(AboutBox, OverLongVersionKeepsTheDesignText) {
  BlockSystem system;
  system.Add("C:\\TOOLS\\DLVNT.EXE", Serialize(Block(Fixed{},
                                                     {{"040904B0",
                                                       {{"FileVersion", std::u16string(241, u'9')},
                                                        {"ProductName", u"Delvane"},
                                                        {"LegalCopyright", u"(c) Tessaloom"}}}},
                                                     {{0x0409, 0x04B0}})));
  ui::headless::HeadlessApplication app;
  TDelvaneNTAboutBox box(app, "C:\\TOOLS\\DLVNT.EXE", &system);
  box.Form->ShowModal();
  EXPECT_EQ(box.Form->Caption(), "About Delvane for Windows NT");
  EXPECT_EQ(box.Version->Text(), "Version 4.0");  // not "Version - " alone
  EXPECT_EQ(box.Copyright->Text(), "Delvane");
  EXPECT_EQ(box.Copyright2Label->Text(), "(c) Tessaloom");
}

}  // namespace
}  // namespace dlvnt
