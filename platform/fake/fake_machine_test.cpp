#include "platform/fake/fake_machine.h"

#include "platform/fake/fake_inventory.h"

#include <gtest/gtest.h>

namespace platform::fake {
namespace {

constexpr auto kUser = RegistryRoot::CurrentUser;

TEST(FakeRegistry, KeysAreCaseBlindAndParentsExist) {
  FakeRegistry reg;
  EXPECT_TRUE(reg.WriteDword(kUser, "Software\\A\\B", "Mode", 1));
  EXPECT_TRUE(reg.KeyExists(kUser, "software\\a"));
  EXPECT_FALSE(reg.KeyExists(RegistryRoot::ClassesRoot, "Software\\A"));
  EXPECT_EQ(reg.ReadDword(kUser, "SOFTWARE\\A\\B", "mode"), 1u);
  EXPECT_FALSE(reg.ReadString(kUser, "Software\\A\\B", "Mode").has_value());
  EXPECT_FALSE(reg.DeleteKey(kUser, "Software\\A"));  // has a subkey
  EXPECT_TRUE(reg.DeleteKey(kUser, "Software\\A\\B"));
  EXPECT_FALSE(reg.KeyExists(kUser, "Software\\A\\B"));
  EXPECT_EQ(reg.deletedKeys, (std::vector<std::string>{"Software\\A\\B"}));
}

TEST(FakeRegistry, RawReadsGiveBytesAndRespectTheLimit) {
  FakeRegistry reg;
  reg.WriteString(kUser, "K", "S", "abc");
  reg.WriteDword(kUser, "K", "D", 0x01020304);
  EXPECT_EQ(reg.ReadValue(kUser, "K", "S", 260), (std::vector<uint8_t>{'a', 'b', 'c', 0}));
  EXPECT_FALSE(reg.ReadValue(kUser, "K", "S", 3).has_value());
  EXPECT_EQ(reg.ReadValue(kUser, "K", "D", 4), (std::vector<uint8_t>{4, 3, 2, 1}));
  reg.failWrites = true;
  EXPECT_FALSE(reg.WriteDword(kUser, "K", "D", 0));
  EXPECT_EQ(reg.ReadDword(kUser, "K", "D"), 0x01020304u);
}

TEST(FakeFileSystem, MapsKnownFilesAndCountsLiveViews) {
  FakeFileSystem files;
  files.files["a.dll"] = std::string("MZ\0\1", 4);
  MapError error;
  EXPECT_EQ(files.MapReadOnly("missing", &error), nullptr);
  EXPECT_FALSE(error.Message.empty());
  {
    auto view = files.MapReadOnly("a.dll", nullptr);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->Size(), 4u);
    EXPECT_EQ(view->Data()[1], 'Z');
    EXPECT_EQ(files.liveMappings, 1);
  }
  EXPECT_EQ(files.liveMappings, 0);
}

TEST(FakeAutomationServer, CallsMethodsByNameWithoutRegardToCase) {
  FakeAutomationServer server;
  std::string got;
  server.Start({"P.P", "{X}", "d", {{"Load", 1, [&](const auto& args) { got = args.at(0); }, 1}}});
  EXPECT_TRUE(server.Call("LOAD", {"c:\\x.dll"}));
  EXPECT_EQ(got, "c:\\x.dll");
  EXPECT_FALSE(server.Call("Nope", {}));
}

TEST(FakeFileCatalog, ExpandsKnownVariablesAndKeepsTheRest) {
  FakeFileCatalog catalog;
  catalog.variables["SYSTEMROOT"] = "C:\\WINNT";
  EXPECT_EQ(catalog.ExpandEnvironment("%SystemRoot%\\System32\\x.ocx"),
            "C:\\WINNT\\System32\\x.ocx");
  EXPECT_EQ(catalog.ExpandEnvironment("%NOPE%\\a"), "%NOPE%\\a");
  EXPECT_EQ(catalog.ExpandEnvironment("50% off"), "50% off");
  EXPECT_EQ(catalog.ExpandEnvironment("%A%%SYSTEMROOT%"), "%A%C:\\WINNT");
}

}  // namespace
}  // namespace platform::fake
