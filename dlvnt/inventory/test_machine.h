// A fake machine for the inventory tests: Windows in C:\WINNT, files with
// sizes, dates and bytes, processes and the classes root.
#ifndef DLVNT_INVENTORY_TEST_MACHINE_H
#define DLVNT_INVENTORY_TEST_MACHINE_H

#include <string>
#include <vector>

#include "common/text_case.h"
#include "dlvnt/inventory/inventory.h"
#include "platform/fake/fake_inventory.h"
#include "platform/fake/fake_machine.h"
#include "platform/fake/fake_printer.h"
#include "tests/fixtures/pe_writer.h"

namespace dlvnt::testing {

struct TestMachine {
  platform::fake::FakeSystemInventory system;
  platform::fake::FakeFileCatalog catalog;
  platform::fake::FakeFileSystem files;
  platform::fake::FakeRegistry registry;
  platform::fake::FakeClipboard clipboard;
  platform::fake::FakePrinter printer;
  SystemDirectories dirs{"C:\\WINNT\\system32", "C:\\WINNT"};

  InventoryServices Services() { return {system, catalog, files, registry, dirs}; }

  // A file of `bytes` (its size is theirs) written at `date`.
  void AddFile(const std::string& path, const std::string& bytes, double date = 36000.5) {
    catalog.AddFile(path, static_cast<int64_t>(bytes.size()), date);
    files.files[path] = bytes;
    files.files[common::Upper(path)] = bytes;
  }
  // A PE image importing the modules named.
  void AddImage(const std::string& path, const std::vector<std::string>& imports = {},
                double date = 36000.5) {
    fixtures::PeWriter writer;
    if (!imports.empty()) {
      std::vector<fixtures::PeWriter::ImportModule> modules;
      for (const std::string& name : imports) modules.push_back({name, {"Function"}});
      writer.AddImports(modules);
    }
    std::vector<uint8_t> bytes = writer.Build();
    AddFile(path, std::string(bytes.begin(), bytes.end()), date);
  }
  void AddClass(const std::string& clsid, const std::string& server, const std::string& value) {
    registry.Set(platform::RegistryRoot::ClassesRoot, "CLSID\\" + clsid + "\\" + server, "", value);
  }
};

}  // namespace dlvnt::testing

#endif  // DLVNT_INVENTORY_TEST_MACHINE_H
