#include "vistrel/browser/registration.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_machine.h"

namespace vistrel {
namespace {

using platform::RegistryRoot;
constexpr auto kClasses = RegistryRoot::ClassesRoot;

TEST(Switches, SlashOrDashAnyCase) {
  EXPECT_TRUE(ParseSwitches({"/REGSERVER"}).RegServer);
  EXPECT_TRUE(ParseSwitches({"-RegServer"}).RegServer);
  EXPECT_TRUE(ParseSwitches({"-unregserver"}).UnregServer);
  EXPECT_TRUE(ParseSwitches({"-Embedding"}).Automation);
  EXPECT_TRUE(ParseSwitches({"/automation"}).Automation);
  Switches none = ParseSwitches({"REGSERVER", "/REGSERVERX", "c:\\file.dll", "", "/"});
  EXPECT_FALSE(none.RegServer || none.UnregServer || none.Automation);
}

TEST(Registration, WritesTheFiveKeysAndRemovesThemInOrder) {
  platform::fake::FakeRegistry reg;
  WriteRegistration(reg, "C:\\VISTREL\\VISTREL.EXE");
  std::string cls = std::string("CLSID\\") + kClassId;
  EXPECT_EQ(reg.ReadString(kClasses, kProgId, ""), kClassDescription);
  EXPECT_EQ(reg.ReadString(kClasses, std::string(kProgId) + "\\Clsid", ""), kClassId);
  EXPECT_EQ(reg.ReadString(kClasses, cls, ""), kClassDescription);
  EXPECT_EQ(reg.ReadString(kClasses, cls + "\\ProgID", ""), kProgId);
  EXPECT_EQ(reg.ReadString(kClasses, cls + "\\LocalServer32", ""), "C:\\VISTREL\\VISTREL.EXE");

  RemoveRegistration(reg);
  EXPECT_EQ(reg.deletedKeys,
            (std::vector<std::string>{cls + "\\LocalServer32", cls + "\\ProgID", cls,
                                      std::string(kProgId) + "\\Clsid", kProgId}));
  EXPECT_FALSE(reg.KeyExists(kClasses, kProgId));
  EXPECT_FALSE(reg.KeyExists(kClasses, cls));
  EXPECT_TRUE(reg.KeyExists(kClasses, "CLSID"));  // the parent stays
  RemoveRegistration(reg);                        // twice is harmless
}

}  // namespace
}  // namespace vistrel
