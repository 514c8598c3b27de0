#include "vistrel/browser/registration.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_machine.h"

namespace vistrel {
namespace {

using platform::RegistryRoot;
constexpr auto kMachine = RegistryRoot::LocalMachine;
constexpr auto kUser = RegistryRoot::CurrentUser;
const std::string kCls = std::string("CLSID\\") + kClassId;
const std::string kExe = "C:\\VISTREL\\VISTREL.EXE";

std::string Classes(const std::string& key) {
  return "Software\\Classes\\" + key;
}

// The five keys and their default values under one root.
void ExpectRegisteredUnder(platform::fake::FakeRegistry& reg, RegistryRoot root,
                           const std::string& program) {
  EXPECT_EQ(reg.ReadString(root, Classes(kProgId), ""), kClassDescription);
  EXPECT_EQ(reg.ReadString(root, Classes(std::string(kProgId) + "\\Clsid"), ""), kClassId);
  EXPECT_EQ(reg.ReadString(root, Classes(kCls), ""), kClassDescription);
  EXPECT_EQ(reg.ReadString(root, Classes(kCls + "\\ProgID"), ""), kProgId);
  EXPECT_EQ(reg.ReadString(root, Classes(kCls + "\\LocalServer32"), ""), program);
}

void ExpectNothingUnder(platform::fake::FakeRegistry& reg, RegistryRoot root) {
  EXPECT_FALSE(reg.KeyExists(root, Classes(kProgId)));
  EXPECT_FALSE(reg.KeyExists(root, Classes(kCls)));
}

TEST(Switches, SlashOrDashAnyCase) {
  EXPECT_TRUE(ParseSwitches({"/REGSERVER"}).RegServer);
  EXPECT_TRUE(ParseSwitches({"-RegServer"}).RegServer);
  EXPECT_TRUE(ParseSwitches({"-unregserver"}).UnregServer);
  EXPECT_TRUE(ParseSwitches({"-Embedding"}).Automation);
  EXPECT_TRUE(ParseSwitches({"/automation"}).Automation);
  Switches none = ParseSwitches({"REGSERVER", "/REGSERVERX", "c:\\file.dll", "", "/"});
  EXPECT_FALSE(none.RegServer || none.UnregServer || none.Automation);
  // The first word that is no switch is the file to show.
  EXPECT_EQ(none.File, "REGSERVER");
  EXPECT_EQ(ParseSwitches({"/Embedding", "C:\\A B\\x.dll", "y.dll"}).File, "C:\\A B\\x.dll");
  EXPECT_FALSE(ParseSwitches({"/REGSERVER"}).File);
}

TEST(Registration, AnAdministratorWritesTheFiveKeysMachineWideAndRemovesThemInOrder) {
  platform::fake::FakeRegistry reg;
  EXPECT_EQ(WriteRegistration(reg, kExe), RegistrationScope::Machine);
  ExpectRegisteredUnder(reg, kMachine, kExe);
  ExpectNothingUnder(reg, kUser);

  EXPECT_TRUE(RemoveRegistration(reg));
  EXPECT_EQ(reg.deletedKeys,
            (std::vector<std::string>{Classes(kCls + "\\LocalServer32"), Classes(kCls + "\\ProgID"),
                                      Classes(kCls), Classes(std::string(kProgId) + "\\Clsid"),
                                      Classes(kProgId)}));
  ExpectNothingUnder(reg, kMachine);
  EXPECT_TRUE(reg.KeyExists(kMachine, Classes("CLSID")));  // the parent stays
  EXPECT_TRUE(RemoveRegistration(reg));                    // twice is harmless
}

TEST(Registration, AStandardUserGetsTheKeysUnderTheOwnClassesAndCanRemoveThem) {
  platform::fake::FakeRegistry reg;
  reg.refuseMachineWrites = true;
  EXPECT_EQ(WriteRegistration(reg, kExe), RegistrationScope::User);
  ExpectRegisteredUnder(reg, kUser, kExe);
  ExpectNothingUnder(reg, kMachine);

  RegistrationOutcome out = ApplyRegistrationSwitches(ParseSwitches({"/UNREGSERVER"}), reg, kExe);
  EXPECT_TRUE(out.EndNow);
  EXPECT_EQ(out.ExitCode, 0);
  EXPECT_EQ(out.Message, "");
  ExpectNothingUnder(reg, kUser);
}

TEST(Registration, RegServerAsAStandardUserSucceedsAndAPlainStartRefreshesThePath) {
  platform::fake::FakeRegistry reg;
  reg.refuseMachineWrites = true;
  RegistrationOutcome out = ApplyRegistrationSwitches(ParseSwitches({"-regserver"}), reg, kExe);
  EXPECT_TRUE(out.EndNow);
  EXPECT_EQ(out.ExitCode, 0);
  out = ApplyRegistrationSwitches(ParseSwitches({}), reg, "D:\\NEW\\VISTREL.EXE");
  EXPECT_FALSE(out.EndNow);
  ExpectRegisteredUnder(reg, kUser, "D:\\NEW\\VISTREL.EXE");
}

TEST(Registration, AMachineWideRegistrationReplacesAnOlderOneOfTheUser) {
  platform::fake::FakeRegistry reg;
  reg.refuseMachineWrites = true;
  WriteRegistration(reg, "C:\\OLD\\VISTREL.EXE");
  reg.refuseMachineWrites = false;
  EXPECT_EQ(WriteRegistration(reg, kExe), RegistrationScope::Machine);
  ExpectRegisteredUnder(reg, kMachine, kExe);
  ExpectNothingUnder(reg, kUser);  // it would hide the machine's in the merged view
}

TEST(Registration, FailuresOfTheSwitchesSaySoAndEndWithStatusOne) {
  platform::fake::FakeRegistry reg;
  reg.failWrites = true;
  RegistrationOutcome out = ApplyRegistrationSwitches(ParseSwitches({"/RegServer"}), reg, kExe);
  EXPECT_TRUE(out.EndNow);
  EXPECT_EQ(out.ExitCode, 1);
  EXPECT_NE(out.Message.find("could not register"), std::string::npos);
  ExpectNothingUnder(reg, kMachine);
  ExpectNothingUnder(reg, kUser);

  // A plain start goes on without a word: the window works without it.
  out = ApplyRegistrationSwitches(ParseSwitches({"-Embedding"}), reg, kExe);
  EXPECT_FALSE(out.EndNow);
  EXPECT_EQ(out.ExitCode, 0);
  EXPECT_EQ(out.Message, "");

  // A machine-wide registration that a standard user cannot remove.
  platform::fake::FakeRegistry machine;
  WriteRegistration(machine, kExe);
  machine.refuseMachineWrites = true;
  out = ApplyRegistrationSwitches(ParseSwitches({"/UNREGSERVER"}), machine, kExe);
  EXPECT_TRUE(out.EndNow);
  EXPECT_EQ(out.ExitCode, 1);
  EXPECT_NE(out.Message.find("could not remove"), std::string::npos);
  ExpectRegisteredUnder(machine, kMachine, kExe);
}

// Machine-wide writes that stop half way (a policy on CLSID, say).
class HalfMachineRegistry : public platform::fake::FakeRegistry {
 public:
  bool WriteString(RegistryRoot root, const std::string& key, const std::string& name,
                   const std::string& value) override {
    if (root == kMachine && key.find("CLSID") != std::string::npos) return false;
    return FakeRegistry::WriteString(root, key, name, value);
  }
};

TEST(Registration, AHalfWrittenMachineRegistrationIsTakenBackBeforeTheUserOne) {
  HalfMachineRegistry reg;
  EXPECT_EQ(WriteRegistration(reg, kExe), RegistrationScope::User);
  ExpectNothingUnder(reg, kMachine);
  ExpectRegisteredUnder(reg, kUser, kExe);
}

}  // namespace
}  // namespace vistrel
