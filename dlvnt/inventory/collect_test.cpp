#include "dlvnt/inventory/collect.h"

#include <gtest/gtest.h>

#include "dlvnt/inventory/paths.h"
#include "dlvnt/inventory/test_machine.h"

namespace dlvnt {
namespace {

using testing::TestMachine;

struct Win32Fixture : ::testing::Test {
  TestMachine m;
  ItemList items;
  UsageList usage;
  ProcessTree tree;
  Module32Collection Collect() {
    InventoryServices services = m.Services();
    CollectionHeap heap;
    return CollectModule32(services, heap, items, usage, tree);
  }
};

TEST_F(Win32Fixture, MergesByNameWithUsageAndTreeNodes) {
  m.AddImage("C:\\APP\\APP.EXE",
             {"kernel32.dll", "USER32.dll", "KERNEL32.DLL", "c:\\x\\gdi32.dll"});
  m.AddImage("C:\\WINNT\\system32\\KERNEL32.DLL");
  m.AddImage("C:\\OTHER\\KERNEL32.DLL");
  m.system.AddProcess(
      8, {{"App.exe", "C:\\APP\\APP.EXE"}, {"kernel32.dll", "C:\\WINNT\\system32\\KERNEL32.DLL"}});
  m.system.AddClosedProcess(9);
  m.system.AddProcess(
      12, {{"app.exe", "C:\\APP\\APP.EXE"}, {"KERNEL32.DLL", "C:\\OTHER\\KERNEL32.DLL"}});
  m.system.AddProcess(20, {{"KERNEL32.DLL", "C:\\OTHER\\KERNEL32.DLL"}});
  Module32Collection result = Collect();

  EXPECT_EQ(result.ProcessCount, 4);  // the closed process counts
  ASSERT_EQ(items.Count(), 2u);
  EXPECT_EQ(items[0].ModuleName, "APP.EXE");
  EXPECT_EQ(items[0].Kind, kMainModule);
  EXPECT_EQ(items[0].ProcessId, 8);
  // The first process's copy wins, and keeps its kind.
  EXPECT_EQ(items[1].ModulePath, "C:\\WINNT\\SYSTEM32\\KERNEL32.DLL");
  EXPECT_EQ(items[1].Kind, kOtherModule);
  // Import names: file-name part, upper case, sorted, once.
  ASSERT_TRUE(items[0].ImportNames);
  EXPECT_EQ(*items[0].ImportNames,
            (std::vector<std::string>{"GDI32.DLL", "KERNEL32.DLL", "USER32.DLL"}));
  EXPECT_FALSE(items[1].ImportNames);  // imports nothing

  ASSERT_EQ(usage.Count(), 5u);
  EXPECT_EQ(usage[2].ModuleName, "APP.EXE");
  EXPECT_EQ(usage[2].ProcessName, "APP.EXE");
  EXPECT_EQ(usage[2].ProcessId, 12u);
  EXPECT_EQ(usage[4].ProcessName, "KERNEL32.DLL");
  EXPECT_EQ(usage.Find("KERNEL32.DLL"), 1);
  EXPECT_EQ(usage.Find("NONE.DLL"), -1);

  ASSERT_EQ(tree.size(), 3u);
  EXPECT_EQ(tree[0].Text, "APP.EXE (8)");
  EXPECT_EQ(tree[1].Text, "APP.EXE (12)");
  EXPECT_EQ(tree[1].Modules,
            (std::vector<std::string>{"C:\\APP\\APP.EXE", "C:\\OTHER\\KERNEL32.DLL"}));
  EXPECT_EQ(NodeCount(tree), 8);
}

TEST_F(Win32Fixture, MainModuleOfOneProcessStaysKindZeroWhenLoadedElsewhere) {
  m.AddImage("C:\\A\\HOST.EXE");
  m.AddImage("C:\\A\\B.EXE");
  m.system.AddProcess(1, {{"HOST.EXE", "C:\\A\\HOST.EXE"}});
  m.system.AddProcess(2, {{"B.EXE", "C:\\A\\B.EXE"}, {"HOST.EXE", "C:\\A\\HOST.EXE"}});
  Collect();
  ASSERT_EQ(items.Count(), 2u);
  EXPECT_EQ(items[0].Kind, kMainModule);
  EXPECT_EQ(items[1].Kind, kMainModule);
}

TEST_F(Win32Fixture, MissingFilesAreNormalisedOrUnknown) {
  m.AddImage("C:\\WINNT\\SYSTEM32\\X.DLL");
  m.system.AddProcess(4, {{"GHOST.EXE", "\\??\\Q:\\GHOST.EXE"},
                          {"X.DLL", "\\SystemRoot\\System32\\X.DLL"},
                          {"GONE.DLL", "C:\\NOWHERE\\GONE.DLL"}});
  Collect();
  ASSERT_EQ(items.Count(), 3u);
  EXPECT_EQ(items[0].ModulePath, "UNKNOWN");
  EXPECT_EQ(items[0].FileSize, -1);
  EXPECT_EQ(items[0].FileDate, 0);
  EXPECT_EQ(items[1].ModulePath, "C:\\WINNT\\SYSTEM32\\X.DLL");
  EXPECT_GT(items[1].FileSize, 0);
  EXPECT_EQ(tree[0].Modules[0], "UNKNOWN");
  EXPECT_EQ(tree[0].Modules[1], "C:\\WINNT\\SYSTEM32\\X.DLL");
}

TEST_F(Win32Fixture, NoProcessListMeansNothing) {
  m.system.failProcessIds = true;
  EXPECT_EQ(Collect().ProcessCount, 0);
  EXPECT_EQ(items.Count(), 0u);
}

TEST_F(Win32Fixture, EnumerationIsCappedAt1025) {
  std::vector<platform::ModuleEntry> modules;
  for (int i = 0; i < 1100; ++i) {
    std::string name = "M";  // appended, not "M" + ...: GCC 12 warns falsely on that form
    name += std::to_string(i);
    modules.push_back({name + ".DLL", "M.DLL"});
  }
  m.system.AddProcess(1, modules);
  Collect();
  EXPECT_EQ(items.Count(), 1025u);
}

TEST(ResolveServerPath, ValuesAsRegistered) {
  TestMachine m;
  std::vector<std::string> search{"C:\\WINNT\\system32", "C:\\WINNT", "C:\\TOOLS"};
  m.catalog.AddFile("C:\\WINNT\\system32\\OLEAUT32.DLL", 100);
  m.catalog.AddFile("C:\\TOOLS\\EMPTY.DLL", 0);
  m.catalog.AddFile("C:\\WINNT\\EMPTY.DLL", 0);
  auto resolve = [&](const std::string& v) { return ResolveServerPath(m.catalog, search, v); };
  EXPECT_EQ(resolve("\"C:\\Program Files\\App\\Server.exe\" /Automation"),
            "C:\\PROGRAM FILES\\APP\\SERVER.EXE");
  EXPECT_EQ(resolve("C:\\APP\\SERVER.EXE /Automation"), "C:\\APP\\SERVER.EXE");
  EXPECT_EQ(resolve("C:\\APP\\SERVER.EXE -Embedding"), "C:\\APP\\SERVER.EXE");
  // No blank before the switch: the path keeps its last character.
  EXPECT_EQ(resolve("C:\\APP\\SERVER.EXE/Automation"), "C:\\APP\\SERVER.EXE");
  EXPECT_EQ(resolve("/x"), "");
  EXPECT_EQ(resolve("\"c:\\quoted.dll\""), "C:\\QUOTED.DLL");
  EXPECT_EQ(resolve("\""), "\"");
  EXPECT_EQ(resolve("oleaut32.dll"), "C:\\WINNT\\SYSTEM32\\OLEAUT32.DLL");
  EXPECT_EQ(resolve("empty.dll"), "EMPTY.DLL");  // present means at least one byte
  EXPECT_EQ(resolve("nowhere.dll"), "NOWHERE.DLL");
}

TEST(CollectOCX, OneItemPerServerFileWithKinds) {
  TestMachine m;
  m.AddImage("C:\\WINNT\\system32\\ONE.DLL", {"kernel32.dll"});
  m.AddFile("C:\\DATA\\SCRIPT.TXT", "not an image");
  m.AddClass("{A}", "InprocServer32", "C:\\WINNT\\system32\\ONE.DLL");
  m.AddClass("{A}", "LocalServer32", "C:\\APP\\MISSING.EXE /Automation");
  m.AddClass("{B}", "InprocServer32", "one.dll");  // same file, found along the path
  m.AddClass("{C}", "InprocServer", "C:\\DATA\\SCRIPT.TXT");
  m.AddClass("{D}", "TreatAs", "C:\\IGNORED.DLL");
  m.registry.CreateKey(platform::RegistryRoot::ClassesRoot, "CLSID\\{E}\\InprocServer32");
  InventoryServices services = m.Services();
  CollectionHeap heap;
  ItemList items;
  CollectOCX(services, heap, BuildSearchPathList(m.catalog, m.dirs), items);
  ASSERT_EQ(items.Count(), 3u);
  EXPECT_EQ(items[0].ModuleName, "ONE.DLL");
  EXPECT_EQ(items[0].ExtraText, "{A}");
  EXPECT_EQ(items[0].Kind, kOcxImage);
  ASSERT_TRUE(items[0].ImportNames);
  EXPECT_EQ(items[1].ModuleName, "MISSING.EXE");
  EXPECT_EQ(items[1].Kind, kOcxUnreadable);
  EXPECT_EQ(items[1].FileSize, -1);
  EXPECT_EQ(items[2].ModuleName, "SCRIPT.TXT");
  EXPECT_EQ(items[2].Kind, kOcxNotImage);
  EXPECT_EQ(items[2].ExtraText, "{C}");
  EXPECT_EQ(m.files.liveMappings, 0);
}

TEST(CollectOCX, NoClassesKeyCollectsNothing) {
  TestMachine m;
  InventoryServices services = m.Services();
  CollectionHeap heap;
  ItemList items;
  CollectOCX(services, heap, {}, items);
  EXPECT_EQ(items.Count(), 0u);
}

TEST(CollectDeviceDrivers, NormalisedAndNeverMerged) {
  TestMachine m;
  m.AddImage("C:\\WINNT\\system32\\DRIVERS\\DISK.SYS");
  m.system.drivers =
      std::vector<platform::DriverEntry>{{"disk.sys", "\\SystemRoot\\System32\\DRIVERS\\disk.sys"},
                                         {"", "ignored"},
                                         {"disk.sys", "disk.sys"},
                                         {"lost.sys", "lost.sys"}};
  InventoryServices services = m.Services();
  CollectionHeap heap;
  ItemList items;
  CollectDeviceDrivers(services, heap, items);
  ASSERT_EQ(items.Count(), 3u);
  EXPECT_EQ(items[0].ModuleName, "DISK.SYS");
  EXPECT_EQ(items[0].Kind, kDriver);
  EXPECT_EQ(items[0].ModulePath, "C:\\WINNT\\SYSTEM32\\DRIVERS\\DISK.SYS");
  EXPECT_EQ(items[1].ModulePath, "C:\\WINNT\\SYSTEM32\\DRIVERS\\DISK.SYS");
  EXPECT_EQ(items[2].ModulePath, "UNKNOWN");
  EXPECT_EQ(items[2].FileSize, -1);
  m.system.drivers.reset();
  ItemList none;
  CollectDeviceDrivers(services, heap, none);
  EXPECT_EQ(none.Count(), 0u);
}

}  // namespace
}  // namespace dlvnt
